// Small byte-string helpers shared by every rule of the program. Case conversion touches only the
// ASCII letters; every other byte, including both bytes of a double-byte character, stays as it is.
#pragma once

#include <string>
#include <string_view>

#include "core/text/codec.h"

namespace zur {

// Removes characters with codes 0 to 32 (blanks, tabs, line breaks, other controls) from both ends.
std::string TrimControl(std::string_view s);

std::string AsciiLower(std::string_view s);
std::string AsciiUpper(std::string_view s);

// Lower-cases the ASCII letters that are characters of their own under the code page: the second byte
// of a GBK character (which may be a letter's byte) stays as it is.
std::string LowerAsciiCharacters(std::string_view s, Encoding cp);

inline bool Contains(std::string_view s, std::string_view part) { return s.find(part) != std::string_view::npos; }

// True when the text holds a CR or a LF.
inline bool HasLineBreak(std::string_view s) { return s.find_first_of("\r\n") != std::string_view::npos; }

}  // namespace zur
