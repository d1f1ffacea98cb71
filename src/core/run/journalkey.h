// The secret of this user with which the program signs its run journals, so that it acts only on
// journals it wrote itself: one planted by someone else, or changed, is refused.
//
// 32 random bytes in a file of the user's own (mode 0600) in the folder of the run records, made at
// the first run. Each journal line carries a keyed hash (BLAKE2b) of itself and of the line before.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zur {

using LineMac = std::array<uint8_t, 16>;

class JournalKey {
 public:
  static constexpr size_t kSize = 32;
  static constexpr char kFileName[] = "key";

  // The key kept in `folder` (a private folder of this user), made there the first time. nullopt, with
  // the reason, when it cannot be made or the file there is not this user's alone.
  static std::optional<JournalKey> Load(const std::string& folder, std::string& why);
  // A key of the caller's choosing (tests).
  explicit JournalKey(const std::array<uint8_t, kSize>& bytes) : bytes_(bytes) {}

  // The keyed hash of a line that follows the line whose hash is `previous`.
  LineMac Mac(const LineMac& previous, std::string_view line) const;

 private:
  std::array<uint8_t, kSize> bytes_{};
};

}  // namespace zur
