// Whether a file's text contains a search text, with the meaning of the line model: the file's line
// ends (CR, LF or CR LF) count as CR LF, so a text that spans lines matches whatever line ends the
// file uses. The file is read in pieces and the reading stops at the first hit.
#pragma once

#include <string>
#include <string_view>

namespace zur {

inline constexpr size_t kContainsChunk = 256 * 1024;

// Throws fs::FileError when the file cannot be read. An empty text is never found.
bool FileContainsText(const std::string& path, std::string_view text, size_t chunk = kContainsChunk);

}  // namespace zur
