// What the main window is given from outside: the program's folder, the home folder, the code page
// and the desktop services. The program passes the real ones; tests pass a recording fake, so that no
// test blocks on a dialog or starts another program.
#pragma once

#include <QPoint>
#include <QString>
#include <functional>
#include <optional>
#include <string>

#include "core/text/codec.h"

class QWidget;

namespace zur {

enum class MessageIcon { Plain, Error };

class DesktopServices {
 public:
  virtual ~DesktopServices() = default;

  // A modal notice with one OK button and the application title as caption, placed at `at` when given.
  virtual void ShowMessage(QWidget* owner, const QString& text, MessageIcon icon = MessageIcon::Plain,
                           std::optional<QPoint> at = std::nullopt) = 0;
  // A modal Yes/No question; true only for Yes.
  virtual bool AskYesNo(QWidget* owner, const QString& text, const QString& caption) = 0;
  // The folder picker, labelled with `prompt` and opened at it (the prompt is the field's folder when
  // that exists, else "/"); the chosen folder's path, or empty when cancelled.
  virtual std::string PickFolder(QWidget* owner, const QString& prompt) = 0;
  // The file picker, with a title and a filter ("Tables (*.txt *.csv)"); the chosen file's path, or
  // empty when cancelled.
  virtual std::string PickFile(QWidget* owner, const QString& title, const QString& filter) = 0;

  // Shell hand-offs, with paths as code-page bytes. None reports a failure.
  virtual void OpenWithDefault(const std::string& target) = 0;   // file, folder or web address
  virtual void OpenFolderWindow(const std::string& folder) = 0;  // the file manager
  virtual void OpenInTextEditor(const std::string& file) = 0;    // the plain-text editor
};

struct MainFormEnv {
  std::string exeDir;       // folder of the program file, ending in a separator
  // Folder of the settings files and of the program's own state (run journals), ending in a
  // separator. Empty means the program's folder.
  std::string settingsDir;
  std::string exeFileName;  // file name of the running program
  std::string homeDir;      // the user's home folder, without a trailing separator
  Encoding codePage = Encoding::Utf8;
  DesktopServices* desktop = nullptr;
  // Ends the program the normal way (the event loop ends, the window's shut-down saves the settings).
  std::function<void()> endProgram;
};

}  // namespace zur
