// Modeless find and replace dialogs for the output pane, shaped like the platform's standard ones.
// Match case, whole word and direction would have no effect, so they are not shown.
//
// Like the standard dialogs, each keeps its texts in buffers of 255 characters apart from its fields:
// an opener writes the buffers (and the fields only when the dialog was closed), a button press takes
// the texts from the fields into the buffers first.
#pragma once

#include <QDialog>
#include <functional>

class QLineEdit;
class QPushButton;

namespace zur {

inline constexpr int kDialogTextLimit = 255;

class PaneFindDialog : public QDialog {
  Q_OBJECT

 public:
  // `withReplace` adds the replace field and its two buttons.
  PaneFindDialog(QWidget* parent, const QString& name, const QString& title, bool withReplace);

  // Copies the texts in (cut to 255 characters) and shows the dialog, or brings it to the front.
  void Open(const QString& find, const QString& replacement = QString());

  const QString& FindText() const { return find_; }
  const QString& ReplaceText() const { return replace_; }

  std::function<void()> onFindNext;
  std::function<void()> onReplace;  // both Replace and Replace All

  QLineEdit* findField() const { return findField_; }
  QLineEdit* replaceField() const { return replaceField_; }

 private:
  void TakeFields();

  QString find_;
  QString replace_;
  QLineEdit* findField_ = nullptr;
  QLineEdit* replaceField_ = nullptr;
};

}  // namespace zur
