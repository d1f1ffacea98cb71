// The main window as its parts see it: the controls, the texts, the working state, and the services
// every part uses (the output pane, the hint and progress, messages, the command gate and runner). The
// parts (working folders, file list, batch commands, ...) each live in a folder of their own and take
// this class; TMainForm (window/app) builds the window from it and the parts, so that no part reaches
// another, and none reaches the main window itself.
#pragma once

#include <QWidget>
#include <memory>
#include <string>
#include <string_view>

#include "window/form/environment.h"
#include "window/form/formstate.h"
#include "window/form/mainview.h"
#include "window/form/messages.h"

namespace zur {

class CommandGate;
class CommandRunner;
class OutputPane;

class FormBase : public QWidget {
  Q_OBJECT

 public:
  // Builds the controls and the shared services; the parts come after.
  explicit FormBase(MainFormEnv env, QWidget* parent = nullptr);
  ~FormBase() override;

  MainView& View() { return v_; }
  FormState& State() { return s_; }
  MessageTables& Msg() { return msg_; }
  const MainFormEnv& Env() const { return env_; }
  Encoding Cp() const { return env_.codePage; }
  DesktopServices& Desktop() { return *env_.desktop; }
  // Where the settings files and the program's own state live (ends in a separator).
  std::string SettingsDir() const { return env_.settingsDir.empty() ? env_.exeDir : env_.settingsDir; }

  // Bytes of names and texts to window text and back (lossless).
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
  // The bar at `percent` (for a command that knows how many files it has).
  void ProgressAt(int percent);
  // Shows the gathered report lines and the progress position now.
  void ShowPending();

  CommandGate& Gate() { return *gate_; }
  CommandRunner& Runner() { return *runner_; }
  OutputPane& Pane() { return *pane_; }

 signals:
  // What one part of the window asks of another, without reaching it: the files of the source folder
  // may have changed (the file list is read again); a file is to be shown in the output pane; the file
  // list's focused entry is to be shown there.
  void SourceFilesChanged();
  void PreviewRequested(const std::string& path, const QString& shown);
  void FocusedEntryRequested();

 protected:
  MainFormEnv env_;
  MainView v_;
  FormState s_;
  MessageTables msg_;
  // Destroyed before the controls (and after the parts of the derived window).
  std::unique_ptr<CommandGate> gate_;
  std::unique_ptr<CommandRunner> runner_;
  std::unique_ptr<OutputPane> pane_;

 private:
  int progress_ = 0;  // the progress position, shown on the bar by ShowPending
};

}  // namespace zur
