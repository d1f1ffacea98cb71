#include "core/text/utf8check.h"

#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace zur {

#if defined(__x86_64__)
namespace detail {
bool CheckUtf8Avx2(std::string_view bytes, bool& ascii);
}
#endif

namespace {

// The first byte that is not ASCII, or the end; 16 bytes at a time.
size_t AsciiRun(const unsigned char* p, size_t i, size_t n) {
#if defined(__SSE2__)
  while (i + 16 <= n) {
    const int mask = _mm_movemask_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i)));
    if (mask != 0) return i + static_cast<size_t>(__builtin_ctz(static_cast<unsigned>(mask)));
    i += 16;
  }
#endif
  while (i + 8 <= n) {
    uint64_t w;
    std::memcpy(&w, p + i, 8);
    if (w & 0x8080808080808080ULL) break;
    i += 8;
  }
  while (i < n && p[i] < 0x80) ++i;
  return i;
}

// Length of the well-formed UTF-8 sequence at p[i] (i < n, p[i] >= 0x80), or 0.
size_t Utf8SequenceAt(const unsigned char* p, size_t i, size_t n) {
  const unsigned char c = p[i];
  size_t len;
  unsigned char lo = 0x80, hi = 0xBF;  // range of the second byte
  if (c >= 0xC2 && c <= 0xDF) {
    len = 2;
  } else if (c >= 0xE0 && c <= 0xEF) {
    len = 3;
    if (c == 0xE0) lo = 0xA0;
    if (c == 0xED) hi = 0x9F;  // no surrogates
  } else if (c >= 0xF0 && c <= 0xF4) {
    len = 4;
    if (c == 0xF0) lo = 0x90;
    if (c == 0xF4) hi = 0x8F;
  } else {
    return 0;
  }
  if (i + len > n) return 0;
  if (p[i + 1] < lo || p[i + 1] > hi) return 0;
  for (size_t k = 2; k < len; ++k) {
    if ((p[i + k] & 0xC0) != 0x80) return 0;
  }
  return len;
}

// Scans for UTF-8 validity; `ascii` tells whether every byte was below 0x80. Runs of three-byte
// characters (Chinese text) are checked four bytes at a time.
bool Scalar(std::string_view bytes, bool& ascii) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const size_t n = bytes.size();
  ascii = true;
  size_t i = 0;
  for (;;) {
    i = AsciiRun(p, i, n);
    if (i >= n) return true;
    ascii = false;
    // A lead byte E1-EC or EE-EF with two continuation bytes: the common case, without ranges.
    while (i + 4 <= n) {
      uint32_t w;
      std::memcpy(&w, p + i, 4);
      const unsigned lead = w & 0xFF;
      if ((w & 0x00C0C0F0u) != 0x008080E0u || lead == 0xE0 || lead == 0xED) break;
      i += 3;
    }
    if (i >= n) return true;
    if (p[i] < 0x80) continue;
    const size_t len = Utf8SequenceAt(p, i, n);
    if (len == 0) return false;
    i += len;
  }
}

#if defined(__x86_64__)
bool HasAvx2() {
  static const bool has = __builtin_cpu_supports("avx2");
  return has;
}
#endif

}  // namespace

bool CheckUtf8Simple(std::string_view bytes, bool& ascii) { return Scalar(bytes, ascii); }

bool CheckUtf8(std::string_view bytes, bool& ascii) {
#if defined(__x86_64__)
  if (bytes.size() >= 64 && HasAvx2()) return detail::CheckUtf8Avx2(bytes, ascii);
#endif
  return Scalar(bytes, ascii);
}

}  // namespace zur
