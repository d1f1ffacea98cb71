// The fingerprint with AVX2, built for processors that have it (the library's build uses SSE2). The
// result is the same XXH3 value whichever instructions make it.
#define XXH_INLINE_ALL
#define XXH_VECTOR XXH_AVX2
#include <xxhash.h>

#include "core/run/fingerprint.h"

namespace zur::detail {

Fingerprint FingerprintAvx2(std::string_view bytes) {
  const XXH128_hash_t h = XXH3_128bits(bytes.data(), bytes.size());
  return {h.high64, h.low64};
}

}  // namespace zur::detail
