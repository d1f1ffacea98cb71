// The main window. It owns the view, the working state and the command groups; each command group
// (working folders, file list, batch commands, ...) lives in its own folder and reads and changes
// the window through this class.
#pragma once

#include <QWidget>
#include <memory>
#include <string>
#include <string_view>

#include "app/environment.h"
#include "app/formstate.h"
#include "app/mainview.h"
#include "app/messages.h"

class QPainter;

namespace zur {

class BatchCommands;
class CommandGate;
class CommandRunner;
class Restore;
class SettingsStore;
class TPnlTavimex;
class FileList;
class MatchReplace;
class NameReplace;
class PreviewFile;
class PreviewFind;
class TextSearch;
class OutputPane;
class RuleRows;
class WorkingFolders;

class TMainForm : public QWidget {
  Q_OBJECT

 public:
  // Builds the window and runs the whole start-up up to (not including) showing it.
  explicit TMainForm(MainFormEnv env, QWidget* parent = nullptr);
  // Shut-down: saves the settings and releases what start-up created.
  ~TMainForm() override;

  MainView& View() { return v_; }
  FormState& State() { return s_; }
  MessageTables& Msg() { return msg_; }
  const MainFormEnv& Env() const { return env_; }
  Encoding Cp() const { return env_.codePage; }
  DesktopServices& Desktop() { return *env_.desktop; }
  // Where the settings files and the program's own state live (ends in a separator).
  std::string SettingsDir() const { return env_.settingsDir.empty() ? env_.exeDir : env_.settingsDir; }

  // Code-page bytes to window text and back (lossless).
  QString Q(std::string_view bytes) const;
  std::string B(const QString& text) const;

  // A message box with one OK button.
  void Notice(const QString& text, MessageIcon icon = MessageIcon::Plain);
  // Says what made a command fail; called from the catch block of a handler, so that no failure is
  // swallowed.
  void ReportFailure();
  // A file name as one report line (window text, line breaks shown as symbols).
  QString Line(std::string_view bytes) const;
  // The folder of the program's records of runs, beside the settings.
  std::string RunsFolder() const { return SettingsDir() + "runs/"; }
  // The one-line hint under the output pane.
  void Hint(const QString& text);
  // The progress bar: shown or hidden, and one step of a tenth of its range (a full bar starts again).
  void ShowProgress(bool shown);
  void ProgressStep();
  // Shows the gathered report lines and the progress position now.
  void ShowPending();

  // Command groups; each owns the handlers of one part of the window.
  CommandGate& Gate() { return *gate_; }
  CommandRunner& Runner() { return *runner_; }
  OutputPane& Pane() { return *pane_; }
  RuleRows& Rules() { return *rules_; }
  FileList& Files() { return *files_; }
  SettingsStore& Settings() { return *settings_; }
  NameReplace& Names() { return *names_; }
  TextSearch& Search() { return *search_; }
  PreviewFind& PreviewEditor() { return *find_; }
  PreviewFile& PreviewFiles() { return *previewFile_; }
  TPnlTavimex* BrandPanel() { return brandPanel_; }

  // The caption that start-up gives the window: title, version, " - " and the vendor host.
  QString CaptionText() const;

 signals:
  // What one part of the window asks of another, without reaching it: the files of the source folder
  // may have changed (the file list is read again); a file is to be shown in the output pane; the file
  // list's focused entry is to be shown there.
  void SourceFilesChanged();
  void PreviewRequested(const std::string& path, const QString& shown);
  void FocusedEntryRequested();

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

  MainFormEnv env_;
  MainView v_;
  FormState s_;
  MessageTables msg_;
  // Destroyed in reverse order, before the controls: no handler outlives the window's state.
  std::unique_ptr<CommandGate> gate_;
  std::unique_ptr<CommandRunner> runner_;
  std::unique_ptr<OutputPane> pane_;
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
  TPnlTavimex* brandPanel_ = nullptr;  // a control of PnlCSParent, released with it
  void FreezeInputsWhileRunning();

  bool destroyed_ = false;
  bool closeWhenIdle_ = false;  // the window was closed while a command ran: it closes when the run ends
  int progress_ = 0;            // the progress position, shown on the bar by ShowPending
};

}  // namespace zur
