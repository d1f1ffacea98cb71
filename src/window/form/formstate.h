// The main window's working state besides its controls.
#pragma once

#include <QPixmap>
#include <QString>
#include <memory>
#include <string>

#include "core/run/journal.h"

namespace zur {

class ProfileFile;

inline constexpr double kProgramVersion = 2.1;

struct FormState {
  FormState();
  ~FormState();

  int FindPos = 0;        // 1-based position of the last find hit in MemoHint; 0 none
  RunKind LastBatchKind = RunKind::None;  // the last batch, which the restore undoes
  std::string ExeDir;     // the program's folder, ending in a separator
  int CurListIndex = 0;   // file-list focus index remembered from the settings
  std::string SourcePath;
  std::string OutputPath;
  std::string BackupPath;
  std::unique_ptr<ProfileFile> Settings;  // the settings file, opened by the first load
  std::unique_ptr<QPixmap> TabPicture;    // painted as the tab strip
  QString DialogFolder;   // initial folder of the open and save dialogs
};

}  // namespace zur
