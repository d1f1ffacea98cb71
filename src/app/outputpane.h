// The output pane MemoHint: the log that commands append report lines to, and the preview editor of
// one file. It remembers the file its text was loaded from; writing report lines into it forgets it.
#pragma once

#include <QString>
#include <QStringList>
#include <string>

#include "platform/codepage.h"

class QPlainTextEdit;

namespace zur {

class OutputPane {
 public:
  OutputPane(QPlainTextEdit* box, CodePage cp) : box_(box), cp_(cp) {}

  void Clear();
  // A report line at the end of the pane. Lines are gathered and shown together by Flush, so that a
  // long run costs the same per line however many lines the pane holds.
  void AppendLine(const QString& line);
  // Shows the gathered report lines.
  void Flush();

  // Shows the file through the line model (every line followed by a line break) and remembers it.
  // Throws fs::FileError when the file cannot be read; the pane then keeps its text.
  void LoadFile(const std::string& path);
  // The file the text was loaded from, or empty.
  const std::string& LoadedFile() const { return loadedFile_; }
  void ForgetFile() { loadedFile_.clear(); }

  // The pane's text as bytes, lines joined by CR LF.
  std::string Bytes();

 private:
  QPlainTextEdit* box_;
  CodePage cp_;
  std::string loadedFile_;
  QStringList pending_;
};

}  // namespace zur
