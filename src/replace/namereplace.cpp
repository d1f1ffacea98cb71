#include "replace/namereplace.h"

#include <QLineEdit>
#include <QToolButton>

#include "app/commandgate.h"
#include "app/mainform.h"
#include "app/outputpane.h"
#include "fileset/filelist.h"
#include "fileset/paths.h"
#include "fileset/scan.h"
#include "fileset/text.h"
#include "platform/filesystem.h"
#include "replace/substitute.h"

namespace zur {

NameReplace::NameReplace(TMainForm& form) : f_(form) {
  MainView& v = f_.View();
  connect(v.BtnReplaceFileName, &QToolButton::clicked, this, [this] { BtnRepalceFileNameClick(); });
  connect(v.BtnRplaceNameOfDIR, &QToolButton::clicked, this, [this] { BtnBtnRplaceNameOfDIRClick(); });
  f_.Gate().Guard(v.BtnReplaceFileName);
  f_.Gate().Guard(v.BtnRplaceNameOfDIR);
}

std::pair<std::string, std::string> NameReplace::Texts() const {
  return {TrimControl(f_.B(f_.View().EditOldFileName->text())), TrimControl(f_.B(f_.View().EditNewFileName->text()))};
}

void NameReplace::BtnRepalceFileNameClick() {
  if (f_.Gate().Busy()) return;
  try {
    {
      CommandGate::Running running(f_.Gate());
      const auto [find, replacement] = Texts();
      std::vector<std::string> paths;
      ListFolderFiles(f_.State().SourcePath, paths);
      f_.Pane().Clear();
      for (const std::string& path : paths) {
        if (!FileExists(path)) continue;
        const std::string renamed = ReplaceAll(path, find, replacement, f_.Cp());
        // A path that does not change is not renamed; a failed rename leaves the file as it was.
        if (renamed != path) fs::RenameNoReplace(path, renamed);
      }
    }
    f_.Files().RefreshDocList();
  } catch (...) {
  }
}

void NameReplace::BtnBtnRplaceNameOfDIRClick() {
  if (f_.Gate().Busy()) return;
  try {
    {
      CommandGate::Running running(f_.Gate());
      const auto [find, replacement] = Texts();
      std::vector<ScanEntry> files;
      ScanFolderTree(f_.State().SourcePath, SetExtList(f_.B(f_.View().EdtEXT->text())), files);
      f_.Pane().Clear();
      for (const ScanEntry& file : files) {
        if (!FileExists(file.stored)) continue;
        // The new path comes from the path as the scan shows it (the file name in lower case); the
        // stored file is moved only when that changes something.
        const std::string renamed = ReplaceAll(file.shown, find, replacement, f_.Cp());
        if (renamed != file.shown) fs::RenameNoReplace(file.stored, renamed);
        f_.Pane().AppendLine(f_.Q(renamed));
        f_.ProgressStep();
        f_.RunPendingEvents();
      }
    }
    f_.Files().RefreshDocList();
  } catch (...) {
  }
}

}  // namespace zur
