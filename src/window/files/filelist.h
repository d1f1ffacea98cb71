// The file list: every file directly in the source folder, by bare name, sorted without regard to
// case by the locale's collation; extended multi-selection with a current item of its own.
#pragma once

#include <QObject>
#include <QString>
#include <string>
#include <vector>

#include "core/files/scan.h"

class QListWidgetItem;

namespace zur {

class FormBase;

class FileList : public QObject {
 public:
  explicit FileList(FormBase& form);

  void RefreshDocList();
  void LbDocListClick();
  void LbDocListDblClick();
  void LbDocListKeyDown(int key);
  void MnRefreshClick();
  void MnOpenWithNotepadClick();
  void BtnDefaultExtClick();

  // Shows a file in the output pane (the file list's and the search results' preview); for a file that
  // cannot be shown the hint line says why, and the pane keeps what it holds.
  void Preview(const std::string& path, const QString& shown);

  // The entry of a row as the bytes of its file name.
  std::string Entry(int row) const;
  bool IsSelected(int row) const;
  int Count() const;
  int CurrentRow() const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  FormBase& f_;
};

}  // namespace zur
