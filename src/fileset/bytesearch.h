// Fast exact byte search, used by every match of the program.
#pragma once

#include <string_view>

namespace zur {

inline constexpr size_t kNotFound = std::string_view::npos;

// Position of the first occurrence of `needle` in `hay` at or after `from`; kNotFound when there is
// none. An empty needle is never found.
size_t FindBytes(std::string_view hay, std::string_view needle, size_t from = 0);

// The same without the vector filter: the plain version that the fast one is checked against.
size_t FindBytesSimple(std::string_view hay, std::string_view needle, size_t from = 0);

}  // namespace zur
