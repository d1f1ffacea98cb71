// Reading freedesktop.org desktop entries, to start the desktop's default plain-text editor.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zur {

// The Exec value of the [Desktop Entry] group, or nothing when there is none.
std::optional<std::string> DesktopEntryExec(std::string_view entryText);

// The program and its arguments for opening `file` with an Exec value: quoted arguments are
// unquoted, %f %F %u %U become the file, %% a percent sign, other field codes are dropped, and the
// file is appended when the value names no place for it. Empty when the value holds no program.
std::vector<std::string> ExpandDesktopExec(std::string_view exec, const std::string& file);

}  // namespace zur
