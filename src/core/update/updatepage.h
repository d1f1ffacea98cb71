// Reading the vendor's update page: the body's markup, the vendor's marker, the version and the
// address of the update program.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace zur {

// The fixed text that every genuine update page carries in its body (compared in lower case).
inline constexpr char kUpdatePageMarker[] = "ZURSoft Update Center";
inline constexpr long double kRunningVersion = 2.1L;

// An update page is small. Parsing markup costs time and memory that grow faster than the page when
// tags nest or repeat (a page of a few thousand tags can take seconds and hundreds of megabytes), so
// a longer page, or one with more tags, is not read at all.
inline constexpr size_t kMaxPageBytes = 1 << 20;
inline constexpr size_t kMaxPageTags = 1000;
// The page view shows at most this much of the page's text.
inline constexpr size_t kMaxShownTextBytes = 4096;

// True when the page keeps within kMaxPageBytes and kMaxPageTags (every "<" that opens a tag, an end
// tag, a comment or a declaration counts).
bool WithinPageBounds(std::string_view page);

struct ParsedPage {
  bool refused = false;              // outside the bounds above: nothing was parsed
  // The page source from the body's start tag to the end of its end tag (to the end of the page
  // when the end tag is implied), in lower case; nothing for an empty page.
  std::optional<std::string> body;
  // The body's visible text for the page view: blanks collapsed, a line break for each block,
  // scripts and styles left out, at most kMaxShownTextBytes (whole UTF-8 characters).
  std::string text;
};

// Checks the bounds, then parses the page once for both its body markup and its text.
ParsedPage ParseUpdatePage(std::string_view page);

// True when the lower-cased marker occurs in the (lower-cased) body markup.
bool HasMarker(std::string_view bodyMarkup, std::string_view marker = kUpdatePageMarker);

// A finite decimal number that a single-precision float holds: digits, at most one point, a minus
// sign and a decimal exponent are allowed; "inf", "nan", hexadecimal and values out of range are not.
std::optional<float> DecimalNumber(std::string_view text);

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
