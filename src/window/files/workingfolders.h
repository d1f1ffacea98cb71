// The working-folder bar: the source, output and backup folders with their fields, picker and open
// buttons, and the two options. A field's text becomes its folder value only at fixed moments: Enter
// in the source or output field, or leaving a field for another control of the window.
#pragma once

#include <QObject>
#include <string>

namespace zur {

class FormBase;

class WorkingFolders : public QObject {
 public:
  explicit WorkingFolders(FormBase& form);

  void BtnSelectPathClick();
  void EdtPathKeyDown(int key);
  void EdtPathExit();
  // The source folder ready for use (its drive exists, the folder exists or was made), or empty.
  std::string CheckSourceFolder();
  void BtnOpenDirClick();
  void EdtOutputKeyDown(int key);
  void EdtOutputExit();
  void BtnOpenFocusPathClick();
  void EdtBackupPathExit();
  void BtnOpenBakPathClick();
  void CbCoverClick();
  void cbBackupWhenTransfterClick();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void CommitSourceFolder();
  // As a command starts: each folder field's text, as the window shows it, becomes the folder the
  // command reads (typed and not yet committed by leaving the field, or put there by 覆盖原路径).
  void CommitShownFields();
  // Creates the folder when missing; false (after the message and focus move) when it cannot be made.
  bool EnsureFolderOrSay(const std::string& folder, const QString& message, QWidget* focus);
  // Opens the folder when it exists; otherwise makes it, or says that it cannot.
  void OpenOrMakeFolder(const std::string& folder, QWidget* focus);

  FormBase& f_;
};

}  // namespace zur
