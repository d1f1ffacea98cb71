#include "window/app/mainform.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QScrollArea>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>

#include "core/run/failure.h"
#include "core/settings/profile.h"
#include "window/branding/brandpanel.h"
#include "window/files/filelist.h"
#include "window/files/workingfolders.h"
#include "window/form/commandgate.h"
#include "window/form/commandrunner.h"
#include "window/form/outputpane.h"
#include "window/form/picturetabbar.h"
#include "window/form/qtext.h"
#include "window/form/resources.h"
#include "window/form/runreport.h"
#include "window/replace/batchcommands.h"
#include "window/replace/matchreplace.h"
#include "window/replace/namereplace.h"
#include "window/replace/restore.h"
#include "window/replace/rulerows.h"
#include "window/replace/ruletablefield.h"
#include "window/search/previewfile.h"
#include "window/search/previewfind.h"
#include "window/search/textsearch.h"
#include "window/settings/settingsstore.h"

namespace zur {

TMainForm::TMainForm(MainFormEnv env, QWidget* parent) : FormBase(std::move(env), parent) {
  // A new command's hint line starts empty: what the last one said there (its last file, say) would
  // otherwise stand beside a command that was refused.
  gate_->OnStart([this] { Hint(QString()); });
  gate_->OnIdle([this] {
    ShowPending();
    // A command that ended, or was refused before it began, leaves no progress bar behind.
    v_.ProgressBar1->hide();
    if (closeWhenIdle_) QTimer::singleShot(0, this, [this] { close(); });
  });
  rules_ = std::make_unique<RuleRows>(v_);
  folders_ = std::make_unique<WorkingFolders>(*this);
  files_ = std::make_unique<FileList>(*this);
  batches_ = std::make_unique<BatchCommands>(*this, BatchInputs{*files_, *rules_});
  restore_ = std::make_unique<Restore>(*this);
  settings_ = std::make_unique<SettingsStore>(*this, *rules_);
  match_ = std::make_unique<MatchReplace>(*this, BatchInputs{*files_, *rules_});
  names_ = std::make_unique<NameReplace>(*this);
  search_ = std::make_unique<TextSearch>(*this);
  tableField_ = new RuleTableField(*this);
  previewFile_ = std::make_unique<PreviewFile>(*this);
  find_ = std::make_unique<PreviewFind>(*this);
  v_.TabBar->drawTab = [this](QPainter& p) { PageControl1DrawTab(p); };
  v_.SbReplaceText->installEventFilter(this);
  FormCreate();
  FreezeInputsWhileRunning();
  for (QPlainTextEdit* box : findChildren<QPlainTextEdit*>()) box->installEventFilter(this);
}

// What a command reads when it starts cannot change while one runs.
void TMainForm::FreezeInputsWhileRunning() {
  for (QWidget* input : std::initializer_list<QWidget*>{v_.EdtPath, v_.EdtOutput, v_.EdtBackupPath, v_.EdtEXT,
                                                        v_.cbBackupWhenTransfter, v_.CbCover, v_.CbDryRun, v_.CbFollowOutside,
                                                        v_.EdtExclude, v_.CbSkipHidden, v_.EdtMaxSize,
                                                        v_.EdtRuleTable, v_.BtnRuleTable, v_.BtnRuleTableClear, v_.EditOldFileName,
                                                        v_.EditNewFileName, v_.MmoSearchText, v_.MmSearchReplace}) {
    gate_->Freeze(input);
  }
  for (int row = 1; row <= 3; ++row) {
    for (QWidget* input : std::initializer_list<QWidget*>{v_.MmRuleFind[row], v_.MmRuleReplace[row], v_.CbMatchCase[row],
                                                          v_.CbWholeWord[row], v_.CbRegex[row]}) {
      if (input) gate_->Freeze(input);
    }
  }
  for (QWidget* input : std::initializer_list<QWidget*>{v_.CbSearchMatchCase, v_.CbSearchWholeWord, v_.CbSearchRegex}) {
    gate_->Freeze(input);
  }
  gate_->Guard(v_.BtnDefaultExt);
  // The pane's edits and saves wait too: the pane is the run's report while it goes.
  for (QWidget* edit : std::initializer_list<QWidget*>{v_.BtnReplace, v_.BtnSave, v_.BtnSaveDirectory, v_.BtnReplaceFile,
                                                       v_.BtnReplaceAllFile}) {
    gate_->Guard(edit);
  }
}

TMainForm::~TMainForm() { FormDestroy(); }

QString TMainForm::CaptionText() const {
  return msg_.AppTitle + QString::asprintf("%1.1f", kProgramVersion) + QStringLiteral(" - ") +
         QLatin1String(kVendorHost);
}

// Start-up, in its fixed order. A failing step ends it silently; the window still opens with what
// the earlier steps did. (Painting is always double-buffered with Qt, so that step needs no code.)
void TMainForm::FormCreate() {
  try {
    ApplyLanguage(msg_);
    s_.ExeDir = env_.exeDir;
    brandPanel_ = new TPnlTavimex(*this, v_.PnlCSParent);
    brandPanel_->show();
    const int ruleWidth = RuleRows::RuleWidthFor(v_.SbReplaceText->width());
    s_.TabPicture = std::make_unique<QPixmap>();
    LoadBitmapResource(*s_.TabPicture, QStringLiteral("toolbuttons"));
    rules_->Create(ruleWidth, msg_.CapFindText, msg_.CapReplaceText,
                   {msg_.CapMatchCase, msg_.CapWholeWord, msg_.CapRegex, msg_.HintMatchCase, msg_.HintWholeWord,
                    msg_.HintRegex});
    settings_->LoadSettings();
    tableField_->Refresh();
    restore_->StartUp();
    files_->RefreshDocList();
    ApplyLanguage(msg_);
    resize(960, 680);
    move(10, 10);
    FormResize();
    setWindowTitle(CaptionText());
    QCoreApplication::setApplicationName(msg_.AppTitle);
    LoadButtonPictures();
    QPixmap header;
    LoadJpegResource(header, QStringLiteral("filelist"));
    v_.Image9->setPixmap(header);
    ApplyCaptionsAndHints();
  } catch (...) {
    ReportFailure();
  }
}

void TMainForm::LoadButtonPictures() {
  const std::pair<QToolButton*, const char*> buttons[] = {
      {v_.BtnOpenDir, "opendir"},
      {v_.BtnSelectPath, "selectpath"},
      {v_.BtnOpenFocusPath, "btnopenoutputdir"},
      {v_.BtnReplace, "btnreplacefile"},
      {v_.BtnSave, "btnsave"},
      {v_.BtnTextReplace, "btntextreplace"},
      {v_.BtnDirTextReplace, "BtnDirTextReplace"},
      {v_.BtnBatchReturn, "BtnBatchReturn"},
      {v_.BtnPipeiReplace, "BtnPipeiReplace"},
      {v_.BtnDefaultExt, "BtnDefaultExt"},
      {v_.BtnReplaceFileName, "BtnReplaceFileName"},
      {v_.BtnRplaceNameOfDIR, "BtnRplaceNameOfDIR"},
      {v_.BtnSearchFile, "BtnSearchFile"},
      {v_.BtnReplaceFile, "BtnReplaceFile2"},
      {v_.BtnReplaceAllFile, "btnreplacefileall"},
      {v_.BtnOpenBakPath, "btnopenbakupdir"},
      {v_.BtnSearch, "BtnSearch"},
      // Pictures that belong to the window design rather than to the named set above.
      {v_.BtnPiPeiDir, "BtnPiPeiDir"},
      {v_.BtnSaveDirectory, "BtnSaveDirectory"},
  };
  for (const auto& [button, name] : buttons) {
    QPixmap picture;
    LoadBitmapResource(picture, QString::fromLatin1(name));
    button->setIcon(QIcon(picture));
  }
}

void TMainForm::ApplyCaptionsAndHints() {
  v_.LblOutputPath->setText(msg_.CapOutputPath);
  v_.LblBakupPath->setText(msg_.CapBackupPath);
  v_.cbBackupWhenTransfter->setText(msg_.CapBackupWhenReplace);
  v_.CbCover->setText(msg_.CapCoverSource);
  v_.CbDryRun->setText(msg_.CapDryRun);
  v_.CbFollowOutside->setText(msg_.CapFollowOutside);
  v_.LblExclude->setText(msg_.CapExclude);
  v_.EdtExclude->setToolTip(msg_.HintExclude);
  v_.CbSkipHidden->setText(msg_.CapSkipHidden);
  v_.LblMaxSize->setText(msg_.CapMaxSize);
  v_.EdtMaxSize->setToolTip(msg_.HintMaxSize);
  v_.LblRuleTableCaption->setText(msg_.CapRuleTable);
  v_.BtnRuleTable->setText(msg_.CapPickTable);
  v_.BtnRuleTableClear->setText(msg_.CapClearTable);
  v_.EdtRuleTable->setToolTip(msg_.HintRuleTable);
  v_.CbSearchMatchCase->setText(msg_.CapMatchCase);
  v_.CbSearchWholeWord->setText(msg_.CapWholeWord);
  v_.CbSearchRegex->setText(msg_.CapRegex);
  v_.CbSearchMatchCase->setToolTip(msg_.HintMatchCase);
  v_.CbSearchWholeWord->setToolTip(msg_.HintWholeWord);
  v_.CbSearchRegex->setToolTip(msg_.HintSearchRegex);
  v_.Label7->setText(msg_.CapFileExt);
  v_.LblFileFormat->setText(msg_.CapFileFormat);
  v_.GbHint->setTitle(msg_.CapOutputResult);
  v_.GroupBox1->setTitle(msg_.CapFindText);
  v_.GroupBox2->setTitle(msg_.CapReplaceText);
  v_.GbSearchResult->setTitle(msg_.CapSearchResult);
  v_.MnRefresh->setText(msg_.CapRefresh);
  v_.MnDefaultOpen->setText(msg_.CapDefaultOpen);
  v_.MnOpenWithNotepad->setText(msg_.CapOpenWithNotepad);
  // Hover hints show only on these five controls; the others keep their texts unshown.
  SetHint(v_.LbDocList, msg_.HintRightClick, true);
  SetHint(v_.EdtPath, msg_.HintEnterSubfolder, true);
  SetHint(v_.EdtOutput, msg_.HintEnterSubfolder, false);
  SetHint(v_.BtnOpenFocusPath, QStringLiteral("打开输出路径"), true);
  SetHint(v_.BtnOpenBakPath, QStringLiteral("打开备份路径"), true);
  SetHint(v_.BtnBatchReturn, QStringLiteral("操作恢复"), true);
  SetHint(v_.BtnRplaceNameOfDIR, QStringLiteral("代替文件夹所有文件名"), false);
  SetHint(v_.BtnReplace, QStringLiteral("代替整个文件"), false);
  SetHint(v_.BtnSearch, QStringLiteral("查询"), false);
  SetHint(v_.BtnPiPeiDir, QStringLiteral("匹配操作整个文件夹"), false);
}

void TMainForm::RelayRuleRows() { rules_->LayoutRefresh(RuleRows::RuleWidthFor(v_.SbReplaceText->width())); }

void TMainForm::FormResize() {
  try {
    if (!rules_ || !rules_->Exist()) return;
    RelayRuleRows();
    auto picture = std::make_unique<QPixmap>();
    LoadBitmapResource(*picture, QStringLiteral("toolbuttons"));
    s_.TabPicture = std::move(picture);
    v_.TabBar->update();
  } catch (...) {
    ReportOnStandardError("laying out the window");
  }
}

void TMainForm::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  FormResize();
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event) {
  // Shift+Enter would put a U+2028 line separator into a multi-line box, which a file would keep as
  // a character; every line break in these boxes is an ordinary one.
  if (event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    auto* box = qobject_cast<QPlainTextEdit*>(watched);
    if (box && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && (key->modifiers() & Qt::ShiftModifier)) {
      if (!box->isReadOnly()) box->textCursor().insertBlock();
      return true;
    }
  }
  // The rows follow the scroll box's width, which the layout sets after the window's own resize.
  if (watched == v_.SbReplaceText && event->type() == QEvent::Resize) {
    try {
      RelayRuleRows();
    } catch (...) {
      ReportOnStandardError("laying out the rule rows");
    }
  }
  return QWidget::eventFilter(watched, event);
}

void TMainForm::PageControl1DrawTab(QPainter& painter) {
  try {
    if (s_.TabPicture && !s_.TabPicture->isNull()) painter.drawPixmap(0, 0, *s_.TabPicture);
  } catch (...) {
    ReportOnStandardError("drawing the tabs");
  }
}

// While a command runs, closing asks first: Yes stops the run between two files and the window closes
// as soon as it has ended; No lets the run go on. The program told to end (not the user) does not ask.
void TMainForm::closeEvent(QCloseEvent* event) {
  if (gate_->Busy()) {
    event->ignore();
    if (closeWhenIdle_) return;  // already stopping
    if (!endRequested_ && !env_.desktop->AskYesNo(this, msg_.MsgStopAndClose, msg_.CapStopAndClose)) return;
    closeWhenIdle_ = true;
    runner_->RequestStop();
    return;
  }
  event->accept();
}

void TMainForm::FormDestroy() {
  if (destroyed_) return;
  destroyed_ = true;
  try {
    settings_->SaveSettings();
    s_.TabPicture.reset();
  } catch (...) {
    ReportOnStandardError("saving the settings");
  }
}

}  // namespace zur
