// Fast exact byte search, used by every match of the program.
#pragma once

#include <functional>
#include <string_view>

namespace zur {

inline constexpr size_t kNotFound = std::string_view::npos;

// Position of the first occurrence of `needle` in `hay` at or after `from`; kNotFound when there is
// none. An empty needle is never found.
size_t FindBytes(std::string_view hay, std::string_view needle, size_t from = 0);

// Every occurrence of `needle` in `hay` from `from` on, in one pass (no new search from each hit):
// `each` gets the position of an occurrence and answers where the next one may start (its end, to go
// on without overlaps; one further, to pass it over) or kNotFound to stop.
void ForEachBytes(std::string_view hay, std::string_view needle, size_t from,
                  const std::function<size_t(size_t)>& each);

// The first place at or after `from` where `a` or `b` occurs, and which of them (0 or 1; `a` when
// both start there); kNotFound when neither does. One pass for both, where two searches would take two.
size_t FindEitherBytes(std::string_view hay, std::string_view a, std::string_view b, size_t from, int& which);

// The same without the vector filter: the plain version that the fast one is checked against.
size_t FindBytesSimple(std::string_view hay, std::string_view needle, size_t from = 0);

}  // namespace zur
