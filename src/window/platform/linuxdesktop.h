// The desktop services of a Linux desktop: Qt's message boxes and folder dialog, and the shell
// hand-offs through xdg-open and the default plain-text editor. Programs start detached, with their
// arguments as a list, never through a shell.
#pragma once

#include "window/form/environment.h"

namespace zur {

class LinuxDesktop : public DesktopServices {
 public:
  void ShowMessage(QWidget* owner, const QString& text, MessageIcon icon, std::optional<QPoint> at) override;
  bool AskYesNo(QWidget* owner, const QString& text, const QString& caption) override;
  std::string PickFolder(QWidget* owner, const QString& prompt) override;
  std::string PickFile(QWidget* owner, const QString& title, const QString& filter) override;
  void OpenWithDefault(const std::string& target) override;
  void OpenFolderWindow(const std::string& folder) override;
  void OpenInTextEditor(const std::string& file) override;
};

}  // namespace zur
