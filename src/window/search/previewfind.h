// Find and replace in the output pane, its shortcuts, the click on a line that offers something, and
// the double-click that opens the file named on a line of the pane.
#pragma once

#include <QObject>
#include <QString>

namespace zur {

class PaneFindDialog;
class FormBase;

class PreviewFind : public QObject {
 public:
  explicit PreviewFind(FormBase& form);

  void BtnSearchFileClick();
  void BtnReplaceFileClick();
  void FindDialog1Find();
  void ReplaceDialog1Find();
  void ReplaceDialog1Replace();
  // Returns true when the key was one of the pane's shortcuts.
  bool MemoHintKeyDown(int key, Qt::KeyboardModifiers modifiers);
  // A click on a line of the log does what the line offers (a dry run's line shows the file's changes).
  void MemoHintClick(int line);
  void MemoHintDblClick(int line);

  PaneFindDialog& FindDialog1() { return *find_; }
  PaneFindDialog& ReplaceDialog1() { return *replace_; }

  // The pane's text as the find steps count it: one character for each line break.
  QString PaneText() const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // One find step with the given text; `first` and `continuing` are the two not-found messages.
  void FindStep(const QString& text, const QString& first, const QString& continuing);
  QString SearchBoxText(bool replacement) const;
  void SelectInPane(int start, int length);
  void NotFound(const QString& message);

  FormBase& f_;
  PaneFindDialog* find_;
  PaneFindDialog* replace_;
};

}  // namespace zur
