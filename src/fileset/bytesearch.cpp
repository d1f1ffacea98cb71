#include "fileset/bytesearch.h"

#include <string.h>

#include <algorithm>
#include <functional>

namespace zur {

size_t FindBytes(std::string_view hay, std::string_view needle, size_t from) {
  if (needle.empty() || from > hay.size() || hay.size() - from < needle.size()) return kNotFound;
#if defined(__GLIBC__)
  // glibc's two-way search: linear in the worst case and vectorised for short needles.
  const void* hit = memmem(hay.data() + from, hay.size() - from, needle.data(), needle.size());
  return hit ? static_cast<size_t>(static_cast<const char*>(hit) - hay.data()) : kNotFound;
#else
  auto it = std::search(hay.begin() + static_cast<long>(from), hay.end(),
                        std::boyer_moore_horspool_searcher(needle.begin(), needle.end()));
  return it == hay.end() ? kNotFound : static_cast<size_t>(it - hay.begin());
#endif
}

}  // namespace zur
