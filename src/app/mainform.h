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

class CommandGate;
class FileList;
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
  CodePage Cp() const { return env_.codePage; }
  DesktopServices& Desktop() { return *env_.desktop; }

  // Code-page bytes to window text and back (lossless).
  QString Q(std::string_view bytes) const;
  std::string B(const QString& text) const;

  // A message box with one OK button.
  void Notice(const QString& text, MessageIcon icon = MessageIcon::Plain);

  // Command groups; each owns the handlers of one part of the window.
  CommandGate& Gate() { return *gate_; }
  OutputPane& Pane() { return *pane_; }
  RuleRows& Rules() { return *rules_; }
  WorkingFolders& Folders() { return *folders_; }
  FileList& Files() { return *files_; }

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

  MainFormEnv env_;
  MainView v_;
  FormState s_;
  MessageTables msg_;
  // Destroyed in reverse order, before the controls: no handler outlives the window's state.
  std::unique_ptr<CommandGate> gate_;
  std::unique_ptr<OutputPane> pane_;
  std::unique_ptr<RuleRows> rules_;
  std::unique_ptr<WorkingFolders> folders_;
  std::unique_ptr<FileList> files_;
  bool destroyed_ = false;
};

}  // namespace zur
