// Renaming files by replacing a text in their whole paths: the files directly in the source folder,
// or the listed files of the source tree. A rename never replaces an existing file.
#pragma once

#include <QObject>

namespace zur {

class TMainForm;

class NameReplace : public QObject {
 public:
  explicit NameReplace(TMainForm& form);

  void BtnRepalceFileNameClick();
  void BtnBtnRplaceNameOfDIRClick();

 private:
  TMainForm& f_;
};

}  // namespace zur
