// A 128-bit fingerprint of a file's bytes (XXH3): what the run journal records to tell whether a file
// still holds what a run wrote, and whether a copy still holds the original.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zur {

struct Fingerprint {
  uint64_t high = 0;
  uint64_t low = 0;
  bool operator==(const Fingerprint&) const = default;
  std::string Hex() const;
  static std::optional<Fingerprint> FromHex(std::string_view hex);
};

Fingerprint FingerprintOf(std::string_view bytes);

}  // namespace zur
