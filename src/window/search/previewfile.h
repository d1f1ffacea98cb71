// The commands on the output pane as an editor: replace every occurrence of the search text in it,
// and save it back to the file it was loaded from (never over another file).
#pragma once

#include <QObject>

#include "core/run/engine.h"

namespace zur {

class FormBase;

class PreviewFile : public QObject {
 public:
  explicit PreviewFile(FormBase& form);

  void BtnReplaceClick();
  // Saves without a word; nothing when the pane holds no file.
  void BtnSaveFileClick();
  // Saves and says so; says why not when the pane holds no file.
  void BtnSaveDirectoryClick();

 private:
  // Writes the pane over its file: Done or Unchanged when written, else why not.
  RunEvent WritePane();
  // True, after saying why, when the pane shows a dry run's changes (nothing may be saved or edited).
  bool RefusedWhileDiffShown();

  FormBase& f_;
};

}  // namespace zur
