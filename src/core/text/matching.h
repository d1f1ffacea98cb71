// Finding a text in a file's bytes, in the file's own encoding.
//
// A text to find is split at its line breaks; each line break of it matches one line end of the file,
// whichever kind (CR LF, LF or CR), so a rule typed with line breaks finds its text in LF and CR LF
// files alike. A CR LF pair always counts as one line end: no match starts between its CR and its LF.
// Code units are one byte, or two in UTF-16, where matches only start on a whole unit.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/text/encoding.h"

namespace zur {

struct Span {
  size_t begin = 0;
  size_t end = 0;
  size_t size() const { return end - begin; }
};
inline constexpr size_t kNoSpan = static_cast<size_t>(-1);

// Code units of an encoding: their width and byte order.
struct Units {
  size_t width = 1;
  bool bigEndian = false;
  static Units Of(Encoding e) { return {UnitSize(e), e == Encoding::Utf16Be}; }
  unsigned At(std::string_view s, size_t i) const {
    const auto* p = reinterpret_cast<const unsigned char*>(s.data()) + i;
    if (width == 1) return p[0];
    return bigEndian ? (unsigned{p[0]} << 8 | p[1]) : (unsigned{p[1]} << 8 | p[0]);
  }
};

// Length in bytes of the line end at `i` (CR LF, CR or LF), or 0 when there is none.
size_t LineEndAt(std::string_view s, size_t i, Units u);

// The first line end of the text at or after `from` (its bytes), or empty when it has none.
std::string_view FirstLineEnd(std::string_view s, size_t from, Units u);

// A text to find, prepared for one encoding: the encoded pieces between its line breaks.
class FindText {
 public:
  FindText() = default;
  FindText(std::vector<std::string> pieces, Units units);

  bool Empty() const { return pieces_.size() == 1 && pieces_[0].empty(); }
  size_t UnitWidth() const { return units_.width; }
  bool HasLineBreak() const { return pieces_.size() > 1; }
  // The longest and the shortest text an occurrence can span (each line end two units or one).
  size_t MaxLength() const { return maxLength_; }
  size_t MinLength() const { return minLength_; }
  const std::vector<std::string>& Pieces() const { return pieces_; }

  // The first occurrence that starts at or after `from`, or a span with begin == kNoSpan.
  Span Find(std::string_view text, size_t from) const;
  // Whether an occurrence starts exactly at `at`; its end when it does, else kNoSpan.
  size_t MatchAt(std::string_view text, size_t at) const;

 private:
  std::vector<std::string> pieces_{std::string()};
  Units units_;
  size_t maxLength_ = 0;
  size_t minLength_ = 0;
};

// Which positions of a text start a character of its encoding. For GB18030 the characters are
// counted from a known start forwards (a lead byte 0x81-0xFE takes the next byte as its partner, or
// the next three when they form a four-byte sequence; bytes below 0x30, 0x7F and 0xFF always stand
// alone, so counting can start after one of them); for UTF-8 a position is inside a character only
// when a well-formed sequence covers it; in UTF-16 a character is one unit or a surrogate pair.
class CharBoundaries {
 public:
  CharBoundaries(std::string_view text, Encoding e, size_t start);

  // Whether `at` starts a character. Positions are asked about in increasing order between Restart
  // calls, so the whole text is counted once.
  bool StartsCharacter(size_t at);
  // Whether `end` ends a character, given that `begin` (at or before it) starts one.
  bool EndsCharacter(size_t begin, size_t end) const;
  // `at` is known to start a character (the end of an occurrence that was kept).
  void Restart(size_t at) { floor_ = at; }

 private:
  size_t GbLength(size_t i) const;

  std::string_view text_;
  Encoding encoding_;
  size_t floor_;
};

}  // namespace zur
