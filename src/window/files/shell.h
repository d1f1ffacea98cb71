// The file set's hand-offs to the desktop: the folder picker and the three ways of opening things.
// The rules (what is openable, what the picker shows) are the core's; the desktop does the rest.
#pragma once

#include <string>

class QWidget;

namespace zur {

class DesktopServices;
enum class Encoding;

// The picker labelled with the field's text when that names a folder (else the root); the chosen
// folder without a trailing separator, or empty when cancelled.
std::string PickFolder(DesktopServices& desktop, QWidget* owner, const std::string& current, Encoding cp);

// Opens a file, folder or web address with the desktop's default handler, when it is openable.
void OpenTarget(DesktopServices& desktop, const std::string& target);

// Opens the folder in the file manager.
void OpenFolderWindow(DesktopServices& desktop, const std::string& folder);

// Opens the file in the plain-text editor.
void OpenInNotepad(DesktopServices& desktop, const std::string& file);

}  // namespace zur
