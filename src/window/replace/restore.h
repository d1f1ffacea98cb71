// The restore command: undoes the last run that made backup copies, exactly, from its journal. Every
// file that run changed gets its original bytes and permissions back at the path the run took it
// from, whatever the fields say now, after a restart too. A file changed again since the run is not
// overwritten without asking once for all such files.
#pragma once

#include <QObject>
#include <QString>
#include <string>
#include <vector>

#include "core/run/recovery.h"
#include "window/form/environment.h"

namespace zur {

class FormBase;

class Restore : public QObject {
 public:
  explicit Restore(FormBase& form);

  void BtnBatchReturnClick();
  // At start-up: puts right the runs that a crash cut short (report lines name every file, and one
  // message says what was put back and what still waits), asks about each run cut short after it had
  // changed files whether to undo them or keep them, and makes the last run with copies the one a
  // restore undoes.
  void StartUp();

 private:
  struct Said {
    QString text;
    MessageIcon icon = MessageIcon::Plain;
  };
  void Undo();
  // Undoes the last run not undone yet, or the run cut short, and reports it.
  void UndoRun(const CutShortRun* cutShort);
  Said RecoveryMessage(const RecoveryReport& report);
  void ReportRecovery(const RecoveryReport& report);
  void AskAboutCutShortRuns(const QString& recovered, const std::vector<CutShortRun>& runs);

  FormBase& f_;
};

}  // namespace zur
