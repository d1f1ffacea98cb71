#include "core/run/fingerprint.h"

#include <xxhash.h>

#include <cstdio>

namespace zur {

#if defined(__x86_64__)
namespace detail {
Fingerprint FingerprintAvx2(std::string_view bytes);
}

Fingerprint FingerprintOf(std::string_view bytes) {
  static const bool avx2 = __builtin_cpu_supports("avx2");
  if (avx2) return detail::FingerprintAvx2(bytes);
  const XXH128_hash_t h = XXH3_128bits(bytes.data(), bytes.size());
  return {h.high64, h.low64};
}
#else
Fingerprint FingerprintOf(std::string_view bytes) {
  const XXH128_hash_t h = XXH3_128bits(bytes.data(), bytes.size());
  return {h.high64, h.low64};
}
#endif

std::string Fingerprint::Hex() const {
  char text[33];
  std::snprintf(text, sizeof text, "%016llx%016llx", static_cast<unsigned long long>(high),
                static_cast<unsigned long long>(low));
  return text;
}

std::optional<Fingerprint> Fingerprint::FromHex(std::string_view hex) {
  if (hex.size() != 32) return std::nullopt;
  uint64_t parts[2] = {0, 0};
  for (size_t i = 0; i < 32; ++i) {
    const char c = hex[i];
    int v = (c >= '0' && c <= '9') ? c - '0' : (c >= 'a' && c <= 'f') ? c - 'a' + 10 : -1;
    if (v < 0) return std::nullopt;
    parts[i / 16] = parts[i / 16] << 4 | static_cast<uint64_t>(v);
  }
  return Fingerprint{parts[0], parts[1]};
}

}  // namespace zur
