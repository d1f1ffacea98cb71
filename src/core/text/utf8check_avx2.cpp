// The UTF-8 check with AVX2, built for processors that have it; the program asks the processor
// before calling it.
#include <immintrin.h>

#include <cstdint>
#include <cstring>
#include <string_view>

namespace zur {
namespace {

// What can be wrong with a pair of bytes (the one before and the one at a place), as bits. Each of
// three tables, indexed by the high half of the first byte, the low half of the first byte and the
// high half of the second byte, sets the bits its half allows; a pair is wrong when a bit survives all
// three.
constexpr uint8_t kTooShort = 1 << 0;   // a lead byte not followed by a continuation byte
constexpr uint8_t kTooLong = 1 << 1;    // a continuation byte after ASCII
constexpr uint8_t kOverlong3 = 1 << 2;  // E0 followed by 80-9F
constexpr uint8_t kTooLarge = 1 << 3;   // above U+10FFFF
constexpr uint8_t kSurrogate = 1 << 4;  // ED followed by A0-BF
constexpr uint8_t kOverlong2 = 1 << 5;  // C0 or C1
constexpr uint8_t kTooLarge1000 = 1 << 6;
constexpr uint8_t kOverlong4 = 1 << 6;  // F0 followed by 80-8F
constexpr uint8_t kTwoConts = 1 << 7;   // two continuation bytes: right only inside a longer sequence
constexpr uint8_t kCarry = kTooShort | kTooLong | kTwoConts;

inline __m256i Load(const char* p) { return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)); }

inline __m256i Table(const uint8_t (&t)[16]) {
  return _mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(t)));
}

// The bytes 1, 2 or 3 places before each byte of `block`, `previous` being the block before it.
template <int N>
inline __m256i Before(__m256i block, __m256i previous) {
  return _mm256_alignr_epi8(block, _mm256_permute2x128_si256(previous, block, 0x21), 16 - N);
}

struct Checker {
  __m256i error = _mm256_setzero_si256();
  __m256i previous = _mm256_setzero_si256();
  __m256i previousIncomplete = _mm256_setzero_si256();
  bool ascii = true;

  // kStretch bytes from `p`. When they are all ASCII only a sequence left open before them can be
  // wrong. Asking this of a long stretch, not of each block, keeps the branch predictable in pages that
  // mix ASCII markup with other text; the blocks of a stretch that is not all ASCII are checked
  // without further branches.
  static constexpr size_t kStretch = 256;
  void Stretch(const char* p) {
    __m256i any = Load(p);
    for (size_t k = 32; k < kStretch; k += 32) any = _mm256_or_si256(any, Load(p + k));
    if (_mm256_movemask_epi8(any) == 0) {
      error = _mm256_or_si256(error, previousIncomplete);
      previous = Load(p + kStretch - 32);
      previousIncomplete = _mm256_setzero_si256();
      return;
    }
    ascii = false;
    for (size_t k = 0; k < kStretch; k += 32) Block(Load(p + k));
  }

  // One block of 32 bytes, whatever it holds.
  __attribute__((always_inline)) void Block(__m256i block) {
    static constexpr uint8_t kByte1High[16] = {
        kTooLong, kTooLong, kTooLong, kTooLong, kTooLong, kTooLong, kTooLong, kTooLong,  // 0___
        kTwoConts, kTwoConts, kTwoConts, kTwoConts,                                      // 10__
        kTooShort | kOverlong2,                                                          // 1100
        kTooShort,                                                                       // 1101
        kTooShort | kOverlong3 | kSurrogate,                                             // 1110
        kTooShort | kTooLarge | kTooLarge1000 | kOverlong4};                             // 1111
    static constexpr uint8_t kByte1Low[16] = {
        kCarry | kOverlong3 | kOverlong2 | kOverlong4,  // ____0000
        kCarry | kOverlong2,                            // ____0001
        kCarry, kCarry,
        kCarry | kTooLarge,                  // ____0100
        kCarry | kTooLarge | kTooLarge1000,  // ____0101 and above
        kCarry | kTooLarge | kTooLarge1000, kCarry | kTooLarge | kTooLarge1000, kCarry | kTooLarge | kTooLarge1000,
        kCarry | kTooLarge | kTooLarge1000, kCarry | kTooLarge | kTooLarge1000, kCarry | kTooLarge | kTooLarge1000,
        kCarry | kTooLarge | kTooLarge1000,
        kCarry | kTooLarge | kTooLarge1000 | kSurrogate,  // ____1101
        kCarry | kTooLarge | kTooLarge1000, kCarry | kTooLarge | kTooLarge1000};
    static constexpr uint8_t kByte2High[16] = {
        kTooShort, kTooShort, kTooShort, kTooShort, kTooShort, kTooShort, kTooShort, kTooShort,  // 0___
        kTooLong | kOverlong2 | kTwoConts | kOverlong3 | kTooLarge1000 | kOverlong4,             // 1000
        kTooLong | kOverlong2 | kTwoConts | kOverlong3 | kTooLarge,                              // 1001
        kTooLong | kOverlong2 | kTwoConts | kSurrogate | kTooLarge,                              // 1010
        kTooLong | kOverlong2 | kTwoConts | kSurrogate | kTooLarge,                              // 1011
        kTooShort, kTooShort, kTooShort, kTooShort};                                             // 11__
    const __m256i low = _mm256_set1_epi8(0x0F);
    const __m256i prev1 = Before<1>(block, previous);
    const __m256i high1 = _mm256_and_si256(_mm256_srli_epi16(prev1, 4), low);
    const __m256i high2 = _mm256_and_si256(_mm256_srli_epi16(block, 4), low);
    const __m256i special = _mm256_and_si256(
        _mm256_and_si256(_mm256_shuffle_epi8(Table(kByte1High), high1),
                         _mm256_shuffle_epi8(Table(kByte1Low), _mm256_and_si256(prev1, low))),
        _mm256_shuffle_epi8(Table(kByte2High), high2));
    // The third and fourth bytes of three- and four-byte sequences must be continuation bytes, and
    // only they may follow another continuation byte.
    const __m256i third = _mm256_subs_epu8(Before<2>(block, previous), _mm256_set1_epi8(static_cast<char>(0xE0 - 0x80)));
    const __m256i fourth = _mm256_subs_epu8(Before<3>(block, previous), _mm256_set1_epi8(static_cast<char>(0xF0 - 0x80)));
    const __m256i must = _mm256_and_si256(_mm256_or_si256(third, fourth), _mm256_set1_epi8(static_cast<char>(0x80)));
    error = _mm256_or_si256(error, _mm256_xor_si256(must, special));
    // A sequence that the block leaves open: a lead byte among its last three that needs more.
    const __m256i limits = _mm256_setr_epi8(-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1,
                                            -1, -1, -1, -1, -1, -1, -1, -1, -1, static_cast<char>(0xF0 - 1),
                                            static_cast<char>(0xE0 - 1), static_cast<char>(0xC0 - 1));
    previousIncomplete = _mm256_subs_epu8(block, limits);
    previous = block;
  }

  bool Valid() {
    error = _mm256_or_si256(error, previousIncomplete);
    return _mm256_testz_si256(error, error) != 0;
  }
};

}  // namespace

namespace detail {

bool CheckUtf8Avx2(std::string_view bytes, bool& ascii) {
  const char* p = bytes.data();
  const size_t n = bytes.size();
  Checker check;
  size_t i = 0;
  for (; i + Checker::kStretch <= n; i += Checker::kStretch) {
    check.Stretch(p + i);
    // Wrong bytes are rare in UTF-8 and settle the question: stop early in a file of another encoding.
    if (!_mm256_testz_si256(check.error, check.error)) {
      ascii = false;
      return false;
    }
  }
  auto last = [&](__m256i block) {
    if (_mm256_movemask_epi8(block) != 0) check.ascii = false;
    check.Block(block);
  };
  for (; i + 32 <= n; i += 32) last(Load(p + i));
  if (i < n) {
    // The rest, padded with NUL bytes (ASCII: a sequence left open before them is caught).
    alignas(32) char rest[32] = {};
    std::memcpy(rest, p + i, n - i);
    last(_mm256_load_si256(reinterpret_cast<const __m256i*>(rest)));
  }
  ascii = check.ascii;
  return check.Valid();
}

}  // namespace detail
}  // namespace zur
