// The main window: the controls and services of FormBase, and the parts that own the handlers of
// each part of the window (working folders, file list, batch commands, ...), made in start-up order.
#pragma once

#include <QWidget>
#include <memory>
#include <string>
#include <string_view>

#include "window/form/formbase.h"

class QPainter;

namespace zur {

class BatchCommands;
class Restore;
class SettingsStore;
class TPnlTavimex;
class FileList;
class MatchReplace;
class NameReplace;
class PreviewFile;
class PreviewFind;
class TextSearch;
class RuleRows;
class RuleTableField;
class WorkingFolders;

class TMainForm : public FormBase {
  Q_OBJECT

 public:
  // Builds the window and runs the whole start-up up to (not including) showing it.
  explicit TMainForm(MainFormEnv env, QWidget* parent = nullptr);
  // Shut-down: saves the settings and releases what start-up created.
  ~TMainForm() override;

  // The parts; each owns the handlers of one part of the window.
  RuleRows& Rules() { return *rules_; }
  FileList& Files() { return *files_; }
  SettingsStore& Settings() { return *settings_; }
  NameReplace& Names() { return *names_; }
  TextSearch& Search() { return *search_; }
  PreviewFind& PreviewEditor() { return *find_; }
  PreviewFile& PreviewFiles() { return *previewFile_; }
  TPnlTavimex* BrandPanel() { return brandPanel_; }

  // Closes as the close button does, without asking to stop a running command (a logout or `kill`).
  void CloseWithoutAsking() {
    endRequested_ = true;
    close();
  }

  // The caption that start-up gives the window: title, version, " - " and the vendor host.
  QString CaptionText() const;

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void FormCreate();
  void FormResize();
  void FormDestroy();
  void PageControl1DrawTab(QPainter& painter);
  void LoadButtonPictures();
  void ApplyCaptionsAndHints();
  void RelayRuleRows();

  // Destroyed in reverse order, before the shared services and the controls.
  std::unique_ptr<RuleRows> rules_;
  std::unique_ptr<WorkingFolders> folders_;
  std::unique_ptr<FileList> files_;
  std::unique_ptr<BatchCommands> batches_;
  std::unique_ptr<Restore> restore_;
  std::unique_ptr<SettingsStore> settings_;
  std::unique_ptr<MatchReplace> match_;
  std::unique_ptr<NameReplace> names_;
  std::unique_ptr<TextSearch> search_;
  std::unique_ptr<PreviewFile> previewFile_;
  std::unique_ptr<PreviewFind> find_;
  RuleTableField* tableField_ = nullptr;  // (a child of the form)
  TPnlTavimex* brandPanel_ = nullptr;  // a control of PnlCSParent, released with it
  void FreezeInputsWhileRunning();

  bool destroyed_ = false;
  bool endRequested_ = false;   // the program was told to end: a running command is stopped without a question
  bool closeWhenIdle_ = false;  // the window was closed while a command ran: it closes when the run ends
};

}  // namespace zur
