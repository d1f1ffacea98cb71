// Text of the window (UTF-16) to and from the bytes of a file in its own encoding.
//
// Both directions are lossless for what a file holds: bytes that do not decode become the escape
// characters of the code-page conversion (U+F780 + byte - 0x80) and encode back to the same bytes.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "content/encoding.h"

namespace zur {

// The file's bytes after its byte-order mark as window text.
std::u16string DecodeContent(std::string_view bytes, Encoding e);

// Window text as bytes of the encoding (without a byte-order mark). Escape characters give back their
// bytes; a character the encoding cannot hold becomes '?'.
std::string EncodeContent(std::u16string_view text, Encoding e);

// The same for a text that must mean exactly what it says (a rule, a search text): nothing when a
// character cannot be expressed in the encoding (escaped bytes cannot be in UTF-16).
std::optional<std::string> EncodeExactly(std::u16string_view text, Encoding e);

// The byte-order mark of an encoding, as a file of that kind starts.
std::string_view ByteOrderMark(Encoding e);

}  // namespace zur
