// Small rules of the branding block: web addresses and the "update.txt" file.
#pragma once

#include <string>
#include <string_view>

namespace zur {

// An address as the About box opens it: "http://" is put in front unless it holds "://".
std::string WebAddressText(std::string_view text);

// Writes "update.txt" in the settings folder: the running program's file name and CR LF.
// Throws fs::FileError when it cannot be written.
void WriteUpdateTxt(const std::string& folder, const std::string& exeFileName);

}  // namespace zur
