// The two batch text commands: the rule rows applied to the files selected in the file list, or to
// every listed file of the source tree, each result written over its file, with an optional copy of
// each file's text in the output folder first.
#pragma once

#include <QObject>
#include <array>
#include <string>

#include "replace/rules.h"

namespace zur {

class TMainForm;
class WorkText;

class BatchCommands : public QObject {
 public:
  explicit BatchCommands(TMainForm& form);

  void BtnTextReplaceClick();
  void BtnDirTextReplaceClick();

  // The backup-folder check that starts a batch with the backup option: the output folder exists (it
  // is made when missing) and is not the source folder. False, after saying why, when the batch must
  // not start. `normalise` also normalises the output folder value (the whole-folder batch does).
  bool BackupFolderReady(bool normalise);

  // The three rule rows, read from their boxes now.
  std::array<Rule, 3> CurrentRules() const;

  // True when the file's lines are not text: the batch then reports it and leaves it alone.
  bool SkipNotText(const WorkText& work, const QString& shownPath);
  // Reports a file that could not be processed; it stays as it was.
  void ReportFailure(const QString& shownPath);

 private:
  bool RunSelectedFiles();

  TMainForm& f_;
};

}  // namespace zur
