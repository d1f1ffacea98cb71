#include "app/outputpane.h"

#include <QPlainTextEdit>

#include "app/qtext.h"
#include "platform/filesystem.h"
#include "replace/worktext.h"

namespace zur {

void OutputPane::Clear() {
  box_->clear();
  loadedFile_.clear();
}

void OutputPane::AppendLine(const QString& line) {
  loadedFile_.clear();
  box_->appendPlainText(line);
}

void OutputPane::LoadFile(const std::string& path) {
  const std::string joined = WorkText::Join(fs::ReadFile(path));
  SetBoxBytes(box_, joined, cp_);
  loadedFile_ = path;
}

std::string OutputPane::Bytes() const { return BoxBytes(box_, cp_); }

}  // namespace zur
