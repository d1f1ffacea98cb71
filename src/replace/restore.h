// The restore command: after a batch, puts the copies kept in the output folder back over the files
// they were taken from. What it restores depends on the kind of the last batch.
#pragma once

#include <QObject>
#include <string>

namespace zur {

class TMainForm;

class Restore : public QObject {
 public:
  explicit Restore(TMainForm& form);

  void BtnBatchReturnClick();
  // After a selected-files batch: each entry selected now, from its copy in the output folder.
  void RestoreSelectedFiles();
  // After a whole-folder batch: every copy of the output tree, over the file at the same place below
  // the source folder. A copy whose file is no longer there is skipped.
  void RestoreFolderTree(const std::string& folder);

 private:
  TMainForm& f_;
};

}  // namespace zur
