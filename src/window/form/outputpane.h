// The output pane MemoHint: the log that commands append report lines to, and the preview editor of
// one file (commands/panefile.h decides what it holds and what a save writes). Its frame's caption
// names the file it holds (and its encoding), or reads "输出结果" for the log.
#pragma once

#include <QString>
#include <QStringList>
#include <string>
#include <vector>

#include "core/commands/panefile.h"
#include "core/platform/fileio.h"
#include "core/text/codec.h"
#include "window/form/messages.h"

class QGroupBox;
class QPlainTextEdit;

namespace zur {

class OutputPane {
 public:
  OutputPane(QPlainTextEdit* box, QGroupBox* frame, const MessageTables& msg, Encoding cp);

  // The pane becomes the log, empty.
  void Clear();
  // A report line at the end of the pane. Lines are gathered and shown together by Flush, so that a
  // long run costs the same per line however many lines the pane holds.
  void AppendLine(const QString& line);
  // Shows the gathered report lines.
  void Flush();

  using Load = PaneLoad::Result;
  // Shows the file and remembers it. A file that is not text is not shown (a report line says so);
  // one that cannot be opened leaves the pane as it was (`refusal` says why).
  Load LoadFile(const std::string& path, const QString& shownPath, fs::Refusal* refusal = nullptr, int* error = nullptr);
  // A file that could not be shown: the pane empties and names it in its caption, with `line` (why not)
  // as its text; it holds no file after.
  void ShowRefused(const QString& shownPath, const QString& line);
  // The file the text was loaded from (its path is empty when the pane is the log).
  const PaneFile& File() const { return file_; }
  const std::string& LoadedFile() const { return file_.path; }
  // True when the pane holds the whole of that file.
  bool HoldsWholeFile() const { return !file_.path.empty() && file_.whole; }
  void ForgetFile();

  // The pane's text, lines separated by '\\n'.
  QString Text() const;
  // Replaces the pane's text, keeping the file it belongs to.
  void SetText(const QString& text);
  // The pane's text as the bytes of its file (what a save writes).
  std::string FileBytes() const;
  // The encoding of the pane's text: its file's, or the locale's for the log.
  Encoding TextEncoding() const { return file_.path.empty() ? cp_ : file_.kind.encoding; }

 private:
  void ShowCaption(const QString& shownPath);

  QPlainTextEdit* box_;
  QGroupBox* frame_;
  const MessageTables& msg_;
  Encoding cp_;
  PaneFile file_;
  QStringList pending_;
};

}  // namespace zur
