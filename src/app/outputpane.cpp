#include "app/outputpane.h"

#include <QPlainTextEdit>

#include "app/qtext.h"
#include "platform/filesystem.h"
#include "replace/worktext.h"

namespace zur {

void OutputPane::Clear() {
  pending_.clear();
  box_->clear();
  loadedFile_.clear();
}

void OutputPane::AppendLine(const QString& line) {
  loadedFile_.clear();
  pending_.append(line);
}

void OutputPane::Flush() {
  if (pending_.isEmpty()) return;
  box_->appendPlainText(pending_.join(QLatin1Char('\n')));
  pending_.clear();
}

void OutputPane::LoadFile(const std::string& path) {
  const std::string joined = WorkText::Join(fs::ReadFile(path));
  pending_.clear();
  SetBoxBytes(box_, joined, cp_);
  loadedFile_ = path;
}

std::string OutputPane::Bytes() {
  Flush();
  return BoxBytes(box_, cp_);
}

}  // namespace zur
