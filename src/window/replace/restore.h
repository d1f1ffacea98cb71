// The restore command: undoes the last run that made backup copies, exactly, from its journal. Every
// file that run changed gets its original bytes and permissions back at the path the run took it
// from, whatever the fields say now, after a restart too. A file changed again since the run is not
// overwritten without asking once for all such files.
#pragma once

#include <QObject>
#include <string>

#include "core/run/recovery.h"

namespace zur {

class FormBase;

class Restore : public QObject {
 public:
  explicit Restore(FormBase& form);

  void BtnBatchReturnClick();
  // At start-up: puts right the runs that a crash cut short (report lines name every file, and one
  // message says what was put back and what still waits), and makes the last run with copies the one
  // a restore undoes.
  void StartUp();

 private:
  void Undo();
  void ReportRecovery(const RecoveryReport& report);

  FormBase& f_;
};

}  // namespace zur
