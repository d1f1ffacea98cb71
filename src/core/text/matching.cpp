#include "core/text/matching.h"

#include <algorithm>
#include <cstring>

#include "core/text/bytesearch.h"

namespace zur {
namespace {

constexpr unsigned kCr = 0x0D, kLf = 0x0A;

bool IsGbLead(unsigned char b) { return b >= 0x81 && b <= 0xFE; }
bool IsDigit(unsigned char b) { return b >= 0x30 && b <= 0x39; }
// Bytes that are never part of a GB18030 character of several bytes.
bool GbStandsAlone(unsigned char b) { return b < 0x30 || b == 0x7F || b == 0xFF; }

// Whether a line end that starts at `i` would start between the CR and the LF of a pair.
bool InsidePair(std::string_view s, size_t i, Units u) {
  return i >= u.width && u.At(s, i) == kLf && u.At(s, i - u.width) == kCr;
}

// The first CR or LF unit at or after `from` (aligned), or kNoSpan.
size_t NextBreakUnit(std::string_view s, size_t from, Units u) {
  if (u.width == 1) {
    const char* p = s.data();
    const size_t n = s.size();
    if (from >= n) return kNoSpan;
    // The first LF, then a CR only before it (most files have no CR at all: no second full pass).
    const void* lf = std::memchr(p + from, '\n', n - from);
    const size_t lfAt = lf ? static_cast<size_t>(static_cast<const char*>(lf) - p) : n;
    const void* cr = std::memchr(p + from, '\r', lfAt - from);
    if (cr) return static_cast<size_t>(static_cast<const char*>(cr) - p);
    return lf ? lfAt : kNoSpan;
  }
  for (size_t i = from; i + 2 <= s.size(); i += 2) {
    const unsigned c = u.At(s, i);
    if (c == kCr || c == kLf) return i;
  }
  return kNoSpan;
}

}  // namespace

size_t LineEndAt(std::string_view s, size_t i, Units u) {
  if (i + u.width > s.size()) return 0;
  const unsigned c = u.At(s, i);
  if (c == kLf) return u.width;
  if (c != kCr) return 0;
  if (i + 2 * u.width <= s.size() && u.At(s, i + u.width) == kLf) return 2 * u.width;
  return u.width;
}

std::string_view FirstLineEnd(std::string_view s, size_t from, Units u) {
  const size_t at = NextBreakUnit(s, from, u);
  if (at == kNoSpan) return {};
  return s.substr(at, LineEndAt(s, at, u));
}

FindText::FindText(std::vector<std::string> pieces, Units units) : pieces_(std::move(pieces)), units_(units) {
  if (pieces_.empty()) pieces_.emplace_back();
  maxLength_ = 0;
  for (const auto& p : pieces_) maxLength_ += p.size();
  minLength_ = maxLength_ + (pieces_.size() - 1) * units_.width;
  maxLength_ += (pieces_.size() - 1) * 2 * units_.width;
}

size_t FindText::MatchAt(std::string_view text, size_t at) const {
  if (at > text.size()) return kNoSpan;
  size_t q = at;
  for (size_t k = 0; k < pieces_.size(); ++k) {
    if (k > 0) {
      if (k == 1 && pieces_[0].empty() && InsidePair(text, q, units_)) return kNoSpan;
      const size_t eol = LineEndAt(text, q, units_);
      if (eol == 0) return kNoSpan;
      q += eol;
    }
    const std::string& piece = pieces_[k];
    if (text.size() - q < piece.size() || text.compare(q, piece.size(), piece) != 0) return kNoSpan;
    q += piece.size();
  }
  return q;
}

Span FindText::Find(std::string_view text, size_t from) const {
  const size_t w = units_.width;
  if (w > 1 && from % w != 0) from += w - from % w;
  if (Empty() || from > text.size()) return {kNoSpan, kNoSpan};
  const std::string& first = pieces_[0];
  if (first.empty()) {
    // The text starts with a line break: try each line end in turn.
    for (size_t at = NextBreakUnit(text, from, units_); at != kNoSpan; at = NextBreakUnit(text, at + w, units_)) {
      const size_t end = MatchAt(text, at);
      if (end != kNoSpan) return {at, end};
    }
    return {kNoSpan, kNoSpan};
  }
  for (size_t at = FindBytes(text, first, from); at != kNotFound; at = FindBytes(text, first, at + 1)) {
    if (w > 1 && at % w != 0) continue;
    if (!HasLineBreak()) return {at, at + first.size()};
    const size_t end = MatchAt(text, at);
    if (end != kNoSpan) return {at, end};
  }
  return {kNoSpan, kNoSpan};
}

CharBoundaries::CharBoundaries(std::string_view text, Encoding e, size_t start)
    : text_(text), encoding_(e), floor_(start) {}

size_t CharBoundaries::GbLength(size_t i) const {
  const auto* p = reinterpret_cast<const unsigned char*>(text_.data());
  const size_t n = text_.size();
  if (!IsGbLead(p[i]) || i + 1 >= n) return 1;
  const unsigned char b1 = p[i + 1];
  if (IsDigit(b1)) return (i + 3 < n && IsGbLead(p[i + 2]) && IsDigit(p[i + 3])) ? 4 : 1;
  return (b1 >= 0x40 && b1 != 0x7F && b1 != 0xFF) ? 2 : 1;
}

bool CharBoundaries::StartsCharacter(size_t at) {
  const auto* p = reinterpret_cast<const unsigned char*>(text_.data());
  switch (encoding_) {
    case Encoding::Gb18030: {
      if (at < floor_) return false;
      // The lead-range bytes (0x81-0xFE) just before `at`. When they follow a known start or a byte
      // that ends a character (any byte outside that range but a digit: only digits sit inside
      // four-byte sequences), they pair up into two-byte characters, so their number decides.
      size_t k = at;
      while (k > floor_ && IsGbLead(p[k - 1])) --k;
      if (k == floor_ || !IsDigit(p[k - 1])) {
        if ((at - k) % 2 == 0 || GbLength(at - 1) == 1) {
          floor_ = at;
          return true;
        }
        floor_ = at - 1;
        return false;
      }
      // After a digit: count from the nearest known start, the floor or just after a byte that
      // stands alone.
      k = at;
      while (k > floor_ && !GbStandsAlone(p[k - 1])) --k;
      while (k < at) {
        const size_t len = GbLength(k);
        if (k + len > at) {
          floor_ = k;
          return false;
        }
        k += len;
      }
      floor_ = at;
      return true;
    }
    case Encoding::Utf8: {
      for (size_t back = 1; back <= 3 && at >= floor_ + back; ++back) {
        const unsigned char b = p[at - back];
        if ((b & 0xC0) == 0x80) continue;  // a continuation byte: look further back
        if (b < 0xC2 || b > 0xF4) return true;
        const size_t len = b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
        if (len <= back || at - back + len > text_.size()) return true;
        for (size_t j = 1; j < len; ++j) {
          if ((p[at - back + j] & 0xC0) != 0x80) return true;  // not well formed: no character to cut
        }
        return false;
      }
      return true;
    }
    case Encoding::Utf16Le:
    case Encoding::Utf16Be: {
      if (at % 2 != 0) return false;
      if (at < floor_ + 2 || at + 2 > text_.size()) return true;
      const Units u = Units::Of(encoding_);
      const unsigned here = u.At(text_, at), before = u.At(text_, at - 2);
      return !(here >= 0xDC00 && here <= 0xDFFF && before >= 0xD800 && before <= 0xDBFF);
    }
  }
  return true;
}

bool CharBoundaries::EndsCharacter(size_t begin, size_t end) const {
  if (encoding_ == Encoding::Gb18030) {
    size_t k = begin;
    while (k < end) k += GbLength(k);
    return k == end;
  }
  if (end >= text_.size()) return true;
  CharBoundaries local(text_, encoding_, begin);
  return local.StartsCharacter(end);
}

}  // namespace zur
