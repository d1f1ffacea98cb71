// Reading the vendor's update page: the body's markup, the vendor's marker, the version and the
// address of the update program.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace zur {

// The fixed text that every genuine update page carries in its body (compared in lower case).
inline constexpr char kUpdatePageMarker[] = "ZURSoft Update Center";
inline constexpr long double kRunningVersion = 2.1L;

// The page source from the body's start tag to the end of its end tag (to the end of the page when
// the end tag is implied), in lower case; nothing for an empty page.
std::optional<std::string> BodyMarkup(std::string_view page);

// True when the lower-cased marker occurs in the (lower-cased) body markup.
bool HasMarker(std::string_view bodyMarkup, std::string_view marker = kUpdatePageMarker);

// The tokens "softversion_<number>_softversion" and "softurl_<address>_softurl", first occurrences,
// taken without trimming. A version that is no number leaves `version` as it was; a failure of any
// kind keeps what was stored before it.
void ParseVersionTokens(std::string_view pageText, float& version, std::string& downloadUrl);

// True when the page's version, widened from single precision, exceeds the running 2.1 by more than
// 0.01: 2.11 is not newer, 2.111 and 2.12 are.
bool IsNewerVersion(float pageVersion);

// True when both addresses have the same scheme, host and port (letters compared without case).
bool SameOrigin(std::string_view a, std::string_view b);

}  // namespace zur
