#include "window/files/shell.h"

#include "core/files/paths.h"
#include "core/platform/pathsyntax.h"
#include "window/form/environment.h"
#include "window/form/qtext.h"

namespace zur {

std::string PickFolder(DesktopServices& desktop, QWidget* owner, const std::string& current, Encoding cp) {
  try {
    std::string chosen = desktop.PickFolder(owner, ToQ(PickFolderPrompt(current), cp));
    // The root keeps its separator; any other folder comes without one.
    while (chosen.size() > 1 && chosen.back() == native::kSep) chosen.pop_back();
    return chosen;
  } catch (...) {
    return {};
  }
}

void OpenTarget(DesktopServices& desktop, const std::string& target) {
  if (auto text = OpenTargetText(target)) desktop.OpenWithDefault(*text);
}

void OpenFolderWindow(DesktopServices& desktop, const std::string& folder) {
  desktop.OpenFolderWindow(folder);
}

void OpenInNotepad(DesktopServices& desktop, const std::string& file) {
  desktop.OpenInTextEditor(file);
}

}  // namespace zur
