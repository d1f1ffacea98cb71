#include "fileset/bytesearch.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace zur {
namespace {

// The linear-time search of the C library, for texts where the filter below lets too many
// candidates through (a needle of one repeated letter in a text of that letter).
size_t FindTwoWay(const char* hay, size_t n, const char* needle, size_t m) {
#if defined(__GLIBC__)
  const void* hit = memmem(hay, n, needle, m);
  return hit ? static_cast<size_t>(static_cast<const char*>(hit) - hay) : kNotFound;
#else
  const size_t at = std::string_view(hay, n).find(std::string_view(needle, m));
  return at == std::string_view::npos ? kNotFound : at;
#endif
}

// Candidates are the positions where both the needle's first and its last byte stand at the right
// distance; only those are compared in full. Sixteen positions are tested at once with SSE2, which
// every x86-64 processor has. The filter rarely lets a wrong position through in real text, so the
// search runs close to the speed of reading memory; when it lets through too many, the rest of the
// text is searched with the linear-time search, so the cost never grows with length times length.
size_t FindWide(const char* hay, size_t n, const char* needle, size_t m) {
  const char first = needle[0];
  const char last = needle[m - 1];
  const size_t lastStart = n - m;  // the last position an occurrence can start at
  size_t budget = n / 4 + 4096;      // bytes of full comparisons allowed before falling back
  auto compare = [&](size_t at) {
    budget = budget > m ? budget - m : 0;
    return std::memcmp(hay + at + 1, needle + 1, m - 2) == 0;
  };
  auto fallBack = [&](size_t at) {
    const size_t hit = FindTwoWay(hay + at, n - at, needle, m);
    return hit == kNotFound ? kNotFound : at + hit;
  };
  size_t i = 0;
#if defined(__SSE2__)
  const __m128i vf = _mm_set1_epi8(first);
  const __m128i vl = _mm_set1_epi8(last);
  for (; i + 16 <= lastStart + 1; i += 16) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(hay + i));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(hay + i + m - 1));
    unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(a, vf), _mm_cmpeq_epi8(b, vl))));
    while (mask != 0) {
      const unsigned bit = static_cast<unsigned>(__builtin_ctz(mask));
      if (compare(i + bit)) return i + bit;
      if (budget == 0) return fallBack(i + bit + 1);
      mask &= mask - 1;
    }
  }
#endif
  for (; i <= lastStart; ++i) {
    const void* hit = std::memchr(hay + i, first, lastStart - i + 1);
    if (!hit) return kNotFound;
    i = static_cast<size_t>(static_cast<const char*>(hit) - hay);
    if (hay[i + m - 1] == last) {
      if (compare(i)) return i;
      if (budget == 0) return fallBack(i + 1);
    }
  }
  return kNotFound;
}

}  // namespace

size_t FindBytes(std::string_view hay, std::string_view needle, size_t from) {
  const size_t m = needle.size();
  if (m == 0 || from > hay.size() || hay.size() - from < m) return kNotFound;
  const char* base = hay.data() + from;
  const size_t n = hay.size() - from;
  if (m == 1) {
    const void* hit = std::memchr(base, needle[0], n);
    return hit ? from + static_cast<size_t>(static_cast<const char*>(hit) - base) : kNotFound;
  }
  const size_t hit = FindWide(base, n, needle.data(), m);
  return hit == kNotFound ? kNotFound : from + hit;
}

size_t FindBytesSimple(std::string_view hay, std::string_view needle, size_t from) {
  if (needle.empty() || from > hay.size()) return kNotFound;
  const size_t at = hay.find(needle, from);
  return at == std::string_view::npos ? kNotFound : at;
}

}  // namespace zur
