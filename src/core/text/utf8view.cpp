#include "core/text/utf8view.h"

#include <algorithm>

namespace zur {
namespace {

constexpr size_t kMarkEvery = 64;  // characters between two marks

// The width of the units that stand for one 0xFF when they are no character.
size_t NoneWidth(Encoding e) { return (e == Encoding::Utf16Le || e == Encoding::Utf16Be) ? 2 : 1; }

}  // namespace

Utf8View::Utf8View(std::string_view bytes, Encoding encoding)
    : source_(bytes), encoding_(encoding), identity_(encoding == Encoding::Utf8) {
  if (identity_) return;
  text_.reserve(bytes.size() + bytes.size() / 2);
  size_t count = 0;
  const bool asciiIsItself = encoding == Encoding::Gb18030;
  for (size_t i = 0; i < bytes.size();) {
    if (asciiIsItself && static_cast<unsigned char>(bytes[i]) < 0x80) {
      // A run of ASCII is the same bytes in UTF-8: copied at once, its marks placed by count.
      size_t j = i + 1;
      while (j < bytes.size() && static_cast<unsigned char>(bytes[j]) < 0x80) ++j;
      const size_t base = text_.size();
      for (size_t k = i + (kMarkEvery - count % kMarkEvery) % kMarkEvery; k < j; k += kMarkEvery) {
        marks_.push_back({base + (k - i), k});
      }
      count += j - i;
      text_.append(bytes.substr(i, j - i));
      i = j;
      continue;
    }
    if (count++ % kMarkEvery == 0) marks_.push_back({text_.size(), i});
    i += AppendCharacterAsUtf8(bytes, i, encoding, text_);
  }
  marks_.push_back({text_.size(), bytes.size()});
}

size_t Utf8View::ByteOffset(size_t offset) const {
  if (identity_) return offset;
  if (offset > text_.size()) return kNoOffset;
  // The last mark at or before the offset, then character by character.
  auto mark = std::upper_bound(marks_.begin(), marks_.end(), offset, [](size_t v, const Mark& m) { return v < m.view; });
  --mark;
  size_t view = mark->view, at = mark->bytes;
  std::string scratch;
  while (view < offset) {
    scratch.clear();
    const size_t taken = AppendCharacterAsUtf8(source_, at, encoding_, scratch);
    if (view + scratch.size() > offset) {
      // Inside what stands for bytes that are no character: one 0xFF a byte (a UTF-16 unit: two,
      // and only its start is a place of the file's text).
      const bool none = static_cast<unsigned char>(scratch[0]) == 0xFF;
      const size_t into = offset - view;
      if (!none || into % NoneWidth(encoding_) != 0) return kNoOffset;
      return at + into;
    }
    view += scratch.size();
    at += taken;
  }
  return at;
}

size_t Utf8View::ViewOffset(size_t byte) const {
  if (identity_) return byte;
  auto mark = std::upper_bound(marks_.begin(), marks_.end(), byte, [](size_t b, const Mark& m) { return b < m.bytes; });
  --mark;
  size_t view = mark->view, at = mark->bytes;
  std::string scratch;
  while (at < byte) {
    scratch.clear();
    at += AppendCharacterAsUtf8(source_, at, encoding_, scratch);
    view += scratch.size();
  }
  return view;
}

}  // namespace zur
