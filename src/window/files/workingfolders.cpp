#include "window/files/workingfolders.h"

#include <QCheckBox>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QToolButton>

#include "core/commands/restore.h"
#include "core/files/paths.h"
#include "core/platform/pathsyntax.h"
#include "window/files/shell.h"
#include "window/form/commandgate.h"
#include "window/form/formbase.h"

namespace zur {
namespace {

constexpr int kEnter = 13;

// A normalised folder value from a field's text.
std::string FolderValue(const std::string& text) {
  std::string value = text;
  NormalizeFolderPath(value);
  return value;
}

}  // namespace

WorkingFolders::WorkingFolders(FormBase& form) : f_(form) {
  MainView& v = f_.View();
  for (QLineEdit* field : {v.EdtPath, v.EdtOutput, v.EdtBackupPath}) field->installEventFilter(this);
  connect(v.BtnSelectPath, &QToolButton::clicked, this, [this] { BtnSelectPathClick(); });
  connect(v.BtnOpenDir, &QToolButton::clicked, this, [this] { BtnOpenDirClick(); });
  connect(v.BtnOpenFocusPath, &QToolButton::clicked, this, [this] { BtnOpenFocusPathClick(); });
  connect(v.BtnOpenBakPath, &QToolButton::clicked, this, [this] { BtnOpenBakPathClick(); });
  connect(v.CbCover, &QCheckBox::toggled, this, [this] { CbCoverClick(); });
  connect(v.cbBackupWhenTransfter, &QCheckBox::toggled, this, [this] { cbBackupWhenTransfterClick(); });
  f_.Gate().Guard(v.BtnSelectPath);
  f_.Gate().OnStart([this] {
    try {
      CommitShownFields();
    } catch (...) {
      f_.ReportFailure();
    }
  });
}

void WorkingFolders::CommitShownFields() {
  MainView& v = f_.View();
  FormState& s = f_.State();
  if (FolderValue(f_.B(v.EdtPath->text())) != s.SourcePath) {
    CommitSourceFolder();
    emit f_.SourceFilesChanged();
    if (v.CbCover->isChecked()) v.EdtOutput->setText(v.EdtPath->text());
  }
  // The output field keeps 覆盖原路径 as it is: the text may be the one the box put there.
  const std::string output = FolderValue(f_.B(v.EdtOutput->text()));
  if (output != s.OutputPath) {
    s.OutputPath = output;
    v.EdtOutput->setText(f_.Q(output));
  }
  const std::string backup = FolderValue(f_.B(v.EdtBackupPath->text()));
  if (backup != s.BackupPath) {
    s.BackupPath = backup;
    v.EdtBackupPath->setText(f_.Q(backup));
  }
}

bool WorkingFolders::eventFilter(QObject* watched, QEvent* event) {
  const MainView& v = f_.View();
  // While a command runs, the folder fields commit nothing: the folders and the file list stay what the
  // run started with, and what the field shows is committed when it is next left after the run.
  if (f_.Gate().Busy()) return QObject::eventFilter(watched, event);
  if (event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
      if (watched == v.EdtPath) EdtPathKeyDown(kEnter);
      if (watched == v.EdtOutput) EdtOutputKeyDown(kEnter);
    }
  } else if (event->type() == QEvent::FocusOut) {
    // Leaving means the focus went to another control of this window: not a deactivated window and
    // not an opened menu.
    const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
    if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
      if (watched == v.EdtPath) EdtPathExit();
      if (watched == v.EdtOutput) EdtOutputExit();
      if (watched == v.EdtBackupPath) EdtBackupPathExit();
    }
  }
  return QObject::eventFilter(watched, event);
}

void WorkingFolders::CommitSourceFolder() {
  FormState& s = f_.State();
  s.SourcePath = FolderValue(f_.B(f_.View().EdtPath->text()));
  f_.View().EdtPath->setText(f_.Q(s.SourcePath));
}

bool WorkingFolders::EnsureFolderOrSay(const std::string& folder, const QString& message, QWidget* focus) {
  if (CreateFolderPath(folder) == CreateOutcome::Done) return true;
  f_.Notice(message);
  focus->setFocus(Qt::OtherFocusReason);
  return false;
}

void WorkingFolders::BtnSelectPathClick() {
  try {
    if (f_.Gate().Busy()) return;
    MainView& v = f_.View();
    std::string chosen = PickFolder(f_.Desktop(), &f_, f_.B(v.EdtPath->text()), f_.Cp());
    if (chosen.empty()) return;
    FormState& s = f_.State();
    s.SourcePath = FolderValue(chosen);
    v.EdtPath->setText(f_.Q(s.SourcePath));
    s.DialogFolder = f_.Q(s.SourcePath);
    emit f_.SourceFilesChanged();
  } catch (...) {
    f_.ReportFailure();
  }
}

void WorkingFolders::EdtPathKeyDown(int key) {
  try {
    if (key != kEnter) return;
    CommitSourceFolder();
    emit f_.SourceFilesChanged();
    if (f_.View().CbCover->isChecked()) f_.View().EdtOutput->setText(f_.View().EdtPath->text());
  } catch (...) {
    f_.ReportFailure();
  }
}

void WorkingFolders::EdtPathExit() {
  try {
    CommitSourceFolder();
    const std::string& source = f_.State().SourcePath;
    if (FolderExists(source)) {
      emit f_.SourceFilesChanged();
    } else if (!EnsureFolderOrSay(source, f_.Msg().MsgInvalidFolderName, f_.View().EdtPath)) {
      return;
    }
    if (f_.View().CbCover->isChecked()) f_.View().EdtOutput->setText(f_.View().EdtPath->text());
  } catch (...) {
    f_.ReportFailure();
  }
}

std::string WorkingFolders::CheckSourceFolder() {
  try {
    const std::string source = f_.State().SourcePath;
    const std::string drive = native::DrivePart(source);
    if (!DriveExists(drive)) {
      f_.Notice(FormatMessage(f_.Msg().FmtDiskNotExist, f_.Q(drive)));
      f_.View().EdtPath->setFocus(Qt::OtherFocusReason);
      return {};
    }
    if (!FolderExists(source) && !EnsureFolderOrSay(source, f_.Msg().MsgInvalidFolderName, f_.View().EdtPath)) {
      return {};
    }
    return source;
  } catch (...) {
    return {};
  }
}

void WorkingFolders::OpenOrMakeFolder(const std::string& folder, QWidget* focus) {
  if (FolderExists(folder)) {
    OpenFolderWindow(f_.Desktop(), folder);
  } else {
    // A folder made here is not opened.
    EnsureFolderOrSay(folder, f_.Msg().MsgPathNotExist, focus);
  }
}

void WorkingFolders::BtnOpenDirClick() {
  try {
    const std::string folder = CheckSourceFolder();
    if (!folder.empty()) OpenOrMakeFolder(folder, f_.View().EdtPath);
  } catch (...) {
    f_.ReportFailure();
  }
}

void WorkingFolders::EdtOutputKeyDown(int key) {
  if (key == kEnter) f_.View().CbCover->setChecked(false);
}

void WorkingFolders::EdtOutputExit() {
  try {
    f_.View().CbCover->setChecked(false);
    FormState& s = f_.State();
    s.OutputPath = FolderValue(f_.B(f_.View().EdtOutput->text()));
    f_.View().EdtOutput->setText(f_.Q(s.OutputPath));
  } catch (...) {
    f_.ReportFailure();
  }
}

void WorkingFolders::BtnOpenFocusPathClick() {
  try {
    // The field's text as it stands: not trimmed, not normalised, not committed.
    OpenOrMakeFolder(f_.B(f_.View().EdtOutput->text()), f_.View().EdtOutput);
  } catch (...) {
    f_.ReportFailure();
  }
}

void WorkingFolders::EdtBackupPathExit() {
  try {
    FormState& s = f_.State();
    s.BackupPath = FolderValue(f_.B(f_.View().EdtBackupPath->text()));
    f_.View().EdtBackupPath->setText(f_.Q(s.BackupPath));
  } catch (...) {
    f_.ReportFailure();
  }
}

void WorkingFolders::BtnOpenBakPathClick() {
  try {
    OpenOrMakeFolder(f_.State().BackupPath, f_.View().EdtBackupPath);
  } catch (...) {
    f_.ReportFailure();
  }
}

void WorkingFolders::CbCoverClick() {
  try {
    if (f_.View().CbCover->isChecked()) f_.View().EdtOutput->setText(f_.Q(f_.State().SourcePath));
  } catch (...) {
    f_.ReportFailure();
  }
}

void WorkingFolders::cbBackupWhenTransfterClick() {
  if (f_.View().cbBackupWhenTransfter->isChecked()) return;
  // Nothing is left to restore, now and after a restart.
  f_.State().LastBatchKind = RunKind::None;
  try {
    ForgetLastRun(f_.RunsFolder());
  } catch (...) {
    f_.ReportFailure();
  }
}

}  // namespace zur
