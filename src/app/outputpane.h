// The output pane MemoHint: the log that commands append report lines to, and the preview editor of
// one file. A file is shown decoded in its own encoding; the pane remembers the file, its encoding and
// each line's own line end, so that saving gives back every byte of every line that was not edited.
// Its frame's caption names the file it holds (and its encoding), or reads "输出结果" for the log.
#pragma once

#include <QString>
#include <QStringList>
#include <string>
#include <vector>

#include "app/messages.h"
#include "content/encoding.h"
#include "content/codec.h"
#include "platform/fileio.h"

class QGroupBox;
class QPlainTextEdit;

namespace zur {

class OutputPane {
 public:
  // Files up to this size are shown whole; of a larger file only its beginning (it cannot be saved).
  // A very long line takes the text box long to lay out, so a file with one is shown whole only up to
  // the smaller size.
  static constexpr size_t kShownLimit = 2u << 20;
  static constexpr size_t kLongLineLimit = 256u << 10;

  OutputPane(QPlainTextEdit* box, QGroupBox* frame, const MessageTables& msg, Encoding cp);

  // The pane becomes the log, empty.
  void Clear();
  // A report line at the end of the pane. Lines are gathered and shown together by Flush, so that a
  // long run costs the same per line however many lines the pane holds.
  void AppendLine(const QString& line);
  // Shows the gathered report lines.
  void Flush();

  enum class Load { Loaded, Partial, NotText, Refused };
  // Shows the file and remembers it. A file that is not text is not shown (a report line says so);
  // one that cannot be opened leaves the pane as it was (`refusal` says why).
  Load LoadFile(const std::string& path, const QString& shownPath, fs::Refusal* refusal = nullptr, int* error = nullptr);
  // The file the text was loaded from, or empty.
  const std::string& LoadedFile() const { return file_.path; }
  // True when the pane holds the whole of that file.
  bool HoldsWholeFile() const { return !file_.path.empty() && file_.whole; }
  void ForgetFile();

  // The pane's text, lines separated by '\\n'.
  QString Text() const;
  // Replaces the pane's text, keeping the file it belongs to.
  void SetText(const QString& text);
  // The pane's text as the bytes of its file: the file's encoding and byte-order mark, and each line
  // that is still as it was with its own line end (new lines take the file's first line end).
  std::string FileBytes() const;

 private:
  struct ShownFile {
    std::string path;
    TextKind kind;
    bool whole = true;
    QStringList lines;              // as loaded
    std::vector<QString> endings;   // each line's own line end ("" after the last)
  };
  void ShowCaption(const QString& shownPath);

  QPlainTextEdit* box_;
  QGroupBox* frame_;
  const MessageTables& msg_;
  Encoding cp_;
  ShownFile file_;
  QStringList pending_;
};

}  // namespace zur
