#include "core/text/bytesearch.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#if defined(__x86_64__)
#include <immintrin.h>
#elif defined(__SSE2__)
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
// distance; only those are compared in full. Many positions are tested at once with vector
// instructions (SSE2, which every x86-64 processor has, or AVX2 where the processor has it). The
// filter rarely lets a wrong position through in real text, so the search runs close to the speed of
// reading memory; when it lets through too many, the rest of the text is searched with the
// linear-time search, so the cost never grows with length times length.
class Candidates {
 public:
  Candidates(const char* hay, size_t n, const char* needle, size_t m)
      : hay_(hay), n_(n), needle_(needle), m_(m), budget_(n / 4 + 4096) {}

  // Tests a candidate start; kNotFound to go on, else the answer (a hit, or the slow search's).
  size_t Test(size_t at) {
    if (Same(at)) return at;
    budget_ = budget_ > m_ ? budget_ - m_ : 0;
    if (budget_ > 0) return kNotFound;
    const size_t hit = FindTwoWay(hay_ + at + 1, n_ - at - 1, needle_, m_);
    return hit == kNotFound ? kGaveUp : at + 1 + hit;
  }
  // The scalar tail from `i`.
  size_t Rest(size_t i) {
    const size_t lastStart = n_ - m_;
    const char first = needle_[0], last = needle_[m_ - 1];
    for (; i <= lastStart; ++i) {
      const void* hit = std::memchr(hay_ + i, first, lastStart - i + 1);
      if (!hit) return kNotFound;
      i = static_cast<size_t>(static_cast<const char*>(hit) - hay_);
      if (hay_[i + m_ - 1] != last) continue;
      const size_t r = Test(i);
      if (r != kNotFound) return r == kGaveUp ? kNotFound : r;
    }
    return kNotFound;
  }

  static constexpr size_t kGaveUp = kNotFound - 1;

 private:
  bool Same(size_t at) const {
    const char* p = hay_ + at + 1;
    const char* q = needle_ + 1;
    for (size_t k = 0; k + 2 < m_ && k < 4; ++k) {
      if (p[k] != q[k]) return false;
    }
    return m_ <= 6 || std::memcmp(p + 4, q + 4, m_ - 6) == 0;
  }

  const char* hay_;
  size_t n_;
  const char* needle_;
  size_t m_;
  size_t budget_;
};

// Walks the candidate bits of one vector of positions starting at `i`.
inline size_t TestMask(Candidates& c, size_t i, uint64_t mask) {
  while (mask != 0) {
    const size_t r = c.Test(i + static_cast<size_t>(__builtin_ctzll(mask)));
    if (r != kNotFound) return r;
    mask &= mask - 1;
  }
  return kNotFound;
}

#if defined(__x86_64__)
// The filter's candidate bits for the 32 places from `at`.
__attribute__((target("avx2"))) inline __m256i PairsAt(const char* at, size_t m, __m256i vf, __m256i vl) {
  const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at));
  const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at + m - 1));
  return _mm256_and_si256(_mm256_cmpeq_epi8(a, vf), _mm256_cmpeq_epi8(b, vl));
}

// The candidate bits of the places from `i` on, 64 places a step (32 near the end), and how many
// places they cover; quiet stretches (most of any text) are passed over in a tight loop. A count of 0
// when fewer than 32 places are left.
__attribute__((target("avx2"))) inline uint64_t NextCandidates(const char* hay, size_t& i, size_t lastStart, size_t m,
                                                               __m256i vf, __m256i vl, size_t& span) {
  size_t at = i;
  for (; at + 64 <= lastStart + 1; at += 64) {
    const __m256i lo = PairsAt(hay + at, m, vf, vl), hi = PairsAt(hay + at + 32, m, vf, vl);
    const __m256i any = _mm256_or_si256(lo, hi);
    if (__builtin_expect(_mm256_testz_si256(any, any) != 0, 1)) continue;
    i = at;
    span = 64;
    return static_cast<uint32_t>(_mm256_movemask_epi8(lo)) | static_cast<uint64_t>(static_cast<uint32_t>(_mm256_movemask_epi8(hi))) << 32;
  }
  i = at;
  span = at + 32 <= lastStart + 1 ? 32 : 0;
  return span ? static_cast<uint32_t>(_mm256_movemask_epi8(PairsAt(hay + at, m, vf, vl))) : 0;
}

__attribute__((target("avx2"))) size_t FindAvx2(const char* hay, size_t n, const char* needle, size_t m) {
  Candidates c(hay, n, needle, m);
  const size_t lastStart = n - m;
  const __m256i vf = _mm256_set1_epi8(needle[0]);
  const __m256i vl = _mm256_set1_epi8(needle[m - 1]);
  size_t i = 0, span = 0;
  for (;;) {
    const uint64_t mask = NextCandidates(hay, i, lastStart, m, vf, vl, span);
    if (span == 0) break;
    const size_t r = TestMask(c, i, mask);
    if (r != kNotFound) return r == Candidates::kGaveUp ? kNotFound : r;
    i += span;
  }
  return c.Rest(i);
}

bool HasAvx2() {
  static const bool has = __builtin_cpu_supports("avx2");
  return has;
}

// Every occurrence from `from`, the vector filter kept going between them. When the filter lets
// through too many wrong places, the rest goes by the linear-time search, one occurrence at a time.
__attribute__((target("avx2"))) void ForEachAvx2(const char* hay, size_t n, const char* needle, size_t m, size_t from,
                                                 const std::function<size_t(size_t)>& each) {
  Candidates c(hay, n, needle, m);
  const size_t lastStart = n - m;
  const __m256i vf = _mm256_set1_epi8(needle[0]);
  const __m256i vl = _mm256_set1_epi8(needle[m - 1]);
  auto slow = [&](size_t at) {
    while (at != kNotFound && at <= lastStart) {
      const size_t hit = FindTwoWay(hay + at, n - at, needle, m);
      if (hit == kNotFound) return;
      at = each(at + hit);
    }
  };
  size_t i = from;  // occurrences start here or later
  size_t span = 0;
  for (;;) {
    uint64_t mask = NextCandidates(hay, i, lastStart, m, vf, vl, span);
    if (span == 0) break;
    size_t next = i + span;  // after an occurrence, the filter starts again where the next may start
    for (; mask != 0; mask &= mask - 1) {
      const size_t at = i + static_cast<size_t>(__builtin_ctzll(mask));
      const size_t r = c.Test(at);
      if (r == Candidates::kGaveUp) return;
      if (r == kNotFound) continue;
      if (r != at) {  // the filter gave up: the slow search found this one
        slow(each(r));
        return;
      }
      next = each(at);
      if (next == kNotFound) return;
      break;
    }
    i = next;
  }
  // The tail, one occurrence at a time.
  for (size_t at = i; at <= lastStart;) {
    const size_t hit = c.Rest(at);
    if (hit == kNotFound) return;
    at = each(hit);
    if (at == kNotFound) return;
  }
}
#endif

size_t FindWide(const char* hay, size_t n, const char* needle, size_t m) {
#if defined(__x86_64__)
  if (HasAvx2()) return FindAvx2(hay, n, needle, m);
#endif
  Candidates c(hay, n, needle, m);
  size_t i = 0;
#if defined(__SSE2__)
  const size_t lastStart = n - m;
  const __m128i vf = _mm_set1_epi8(needle[0]);
  const __m128i vl = _mm_set1_epi8(needle[m - 1]);
  for (; i + 16 <= lastStart + 1; i += 16) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(hay + i));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(hay + i + m - 1));
    const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(a, vf), _mm_cmpeq_epi8(b, vl))));
    if (mask == 0) continue;
    const size_t r = TestMask(c, i, mask);
    if (r != kNotFound) return r == Candidates::kGaveUp ? kNotFound : r;
  }
#endif
  return c.Rest(i);
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

namespace {

// The nearer of the two plain searches from `from`.
size_t NearerOfTwo(std::string_view hay, std::string_view a, std::string_view b, size_t from, int& which) {
  const size_t atA = FindBytes(hay, a, from);
  const size_t atB = FindBytes(hay.substr(0, atA == kNotFound ? hay.size() : std::min(hay.size(), atA + b.size())), b, from);
  which = (atB != kNotFound && (atA == kNotFound || atB < atA)) ? 1 : 0;
  return which == 1 ? atB : atA;
}

#if defined(__x86_64__)
// Both needles' first and last bytes filtered together, 32 places a step. Candidates that are not
// occurrences are counted; when there are too many (text made to defeat the filter), the rest goes
// by the two plain searches, which are linear.
__attribute__((target("avx2"))) size_t FindEitherAvx2(std::string_view hay, std::string_view a, std::string_view b,
                                                      size_t from, int& which) {
  const char* p = hay.data();
  const size_t n = hay.size();
  const size_t reach = std::max(a.size(), b.size()) - 1;  // the last byte looked at, from a place
  const __m256i fa = _mm256_set1_epi8(a.front()), la = _mm256_set1_epi8(a.back());
  const __m256i fb = _mm256_set1_epi8(b.front()), lb = _mm256_set1_epi8(b.back());
  auto hitsAt = [&](size_t at) __attribute__((target("avx2"))) {
    const __m256i x = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + at));
    const __m256i ya = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + at + a.size() - 1));
    const __m256i yb = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + at + b.size() - 1));
    return _mm256_or_si256(_mm256_and_si256(_mm256_cmpeq_epi8(x, fa), _mm256_cmpeq_epi8(ya, la)),
                           _mm256_and_si256(_mm256_cmpeq_epi8(x, fb), _mm256_cmpeq_epi8(yb, lb)));
  };
  size_t budget = 64 + (n - from) / 8;
  size_t i = from;
  for (; i + 32 + reach <= n; i += 32) {
    // Quiet stretches go 64 places a step.
    for (; i + 64 + reach <= n; i += 64) {
      const __m256i any = _mm256_or_si256(hitsAt(i), hitsAt(i + 32));
      if (!_mm256_testz_si256(any, any)) break;
    }
    if (i + 32 + reach > n) break;
    for (unsigned mask = static_cast<unsigned>(_mm256_movemask_epi8(hitsAt(i))); mask != 0; mask &= mask - 1) {
      const size_t at = i + static_cast<size_t>(__builtin_ctz(mask));
      if (std::memcmp(p + at, a.data(), a.size()) == 0) {
        which = 0;
        return at;
      }
      if (std::memcmp(p + at, b.data(), b.size()) == 0) {
        which = 1;
        return at;
      }
      if (--budget == 0) return NearerOfTwo(hay, a, b, at, which);
    }
  }
  return NearerOfTwo(hay, a, b, i, which);
}
#endif

}  // namespace

size_t FindEitherBytes(std::string_view hay, std::string_view a, std::string_view b, size_t from, int& which) {
  which = a.empty() ? 1 : 0;
  if (a.empty() || b.empty()) return FindBytes(hay, a.empty() ? b : a, from);
  if (from > hay.size()) return kNotFound;
#if defined(__x86_64__)
  if (HasAvx2()) return FindEitherAvx2(hay, a, b, from, which);
#endif
  return NearerOfTwo(hay, a, b, from, which);
}

void ForEachBytes(std::string_view hay, std::string_view needle, size_t from,
                  const std::function<size_t(size_t)>& each) {
  const size_t m = needle.size();
  if (m < 2) {
    for (size_t at = FindBytes(hay, needle, from); at != kNotFound; at = FindBytes(hay, needle, from)) {
      from = each(at);
      if (from == kNotFound) return;
    }
    return;
  }
  if (from > hay.size() || hay.size() - from < m) return;
#if defined(__x86_64__)
  if (HasAvx2()) {
    ForEachAvx2(hay.data(), hay.size(), needle.data(), m, from, each);
    return;
  }
#endif
  for (size_t at = FindBytes(hay, needle, from); at != kNotFound; at = FindBytes(hay, needle, from)) {
    from = each(at);
    if (from == kNotFound) return;
  }
}

size_t FindBytesSimple(std::string_view hay, std::string_view needle, size_t from) {
  if (needle.empty() || from > hay.size()) return kNotFound;
  const size_t at = hay.find(needle, from);
  return at == std::string_view::npos ? kNotFound : at;
}

}  // namespace zur
