// Renaming files by replacing a text in their whole paths: the files directly in the source folder,
// or the listed files of the source tree. A rename never replaces an existing file; one that fails is
// named in the report.
#pragma once

#include <QObject>
#include <string>
#include <utility>

#include "core/commands/rename.h"

namespace zur {

class FormBase;

class NameReplace : public QObject {
 public:
  explicit NameReplace(FormBase& form);

  void BtnRepalceFileNameClick();
  void BtnBtnRplaceNameOfDIRClick();

 private:
  // The find and replacement texts of the page, trimmed.
  std::pair<std::string, std::string> Texts() const;
  void Rename(RenameRequest::Files files, bool listRenamed);

  FormBase& f_;
};

}  // namespace zur
