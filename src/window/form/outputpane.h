// The output pane MemoHint: the log that commands append report lines to, and the preview editor of
// one file (commands/panefile.h decides what it holds and what a save writes). Its frame's caption
// names the file it holds (and its encoding), or reads "输出结果" for the log.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <string>
#include <unordered_map>
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
  // A report line that does something when it is clicked (a dry run's line shows what would change).
  void AppendLine(const QString& line, std::function<void()> onClick);
  // Does what the log's line `block` does when clicked; false when it does nothing.
  bool ClickLine(int block);
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

  // Shows `text` read-only in the log's place with `caption` in the frame; BackToLog gives the log back
  // as it was. The pane holds no file meanwhile, and nothing may be saved from it.
  void ShowDiff(const QString& caption, const QString& text);
  bool ShowingDiff() const { return diff_.shown; }
  void BackToLog();

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
  // Leaves the diff view without giving the log back (the pane is about to hold something else).
  void DropDiff();

  QPlainTextEdit* box_;
  QGroupBox* frame_;
  const MessageTables& msg_;
  Encoding cp_;
  PaneFile file_;
  QStringList pending_;
  // The clickable lines by their number in the log, with their text (a line edited since does nothing).
  struct Action {
    QString line;
    std::function<void()> run;
  };
  std::unordered_map<int, Action> actions_;
  struct Stash {
    bool shown = false;
    QString log;
    std::unordered_map<int, Action> actions;
    int scroll = 0;
  } diff_;
};

}  // namespace zur
