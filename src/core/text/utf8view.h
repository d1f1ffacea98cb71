// A file's text as UTF-8, for a regular expression to search, with the way back to the file's own
// bytes. A UTF-8 file is its own view (nothing is copied); a GB18030 or UTF-16 file is transcoded
// character by character. A byte (or UTF-16 unit) that is no character becomes 0xFF bytes, one for
// each byte, which are never part of a UTF-8 character: no pattern matches them, and they stand for
// the file's own bytes, which a replacement never touches.
//
// Offsets of the view map back to offsets of the file's bytes, so that everything outside a match is
// copied from the file as it is, and what a match captured too.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "core/text/codec.h"

namespace zur {

class Utf8View {
 public:
  static constexpr size_t kNoOffset = static_cast<size_t>(-1);

  // `bytes`: the file's text after its byte-order mark, in `encoding`.
  Utf8View(std::string_view bytes, Encoding encoding);

  std::string_view Text() const { return identity_ ? source_ : std::string_view(text_); }
  // The offset in the file's bytes of an offset of the view; kNoOffset for one that falls inside a
  // character of the file (in the middle of a UTF-16 unit that is no character).
  size_t ByteOffset(size_t offset) const;
  // The offset in the view of a place in the file's bytes that starts a character (or ends the text).
  size_t ViewOffset(size_t byte) const;

 private:
  struct Mark {
    size_t view;
    size_t bytes;
  };
  std::string_view source_;
  Encoding encoding_;
  bool identity_;
  std::string text_;
  std::vector<Mark> marks_;  // every so many characters, where a character of the view starts
};

// One character of `bytes` at `at` in `encoding`: how many bytes it takes there, and its UTF-8 form
// appended to `out` (one 0xFF for each byte of one that is no character). Characters are told apart
// as DecodeText tells them.
size_t AppendCharacterAsUtf8(std::string_view bytes, size_t at, Encoding encoding, std::string& out);

}  // namespace zur
