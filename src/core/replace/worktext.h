// One file's text as the commands work on it: its bytes exactly as stored (byte-order mark included)
// and the encoding decided from them. Nothing is converted: a rule works on the bytes, and every byte
// outside what a rule replaces stays as it was, line ends and a missing last line break included.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "core/platform/bytebuffer.h"
#include "core/text/encoding.h"
#include "core/text/matching.h"

namespace zur {

class WorkText {
 public:
  WorkText() = default;
  explicit WorkText(Encoding locale) : locale_(locale) {}

  // Takes a file's bytes. Only the byte-order mark is looked at now; the rest of the decision is made
  // when a rule or a search first needs it (NotText(), Kind()).
  void Take(ByteBuffer bytes);
  void SetBytes(std::string_view bytes);
  // Reads a whole regular file (throws fs::FileError).
  void LoadFromFile(const std::string& path);

  ByteBuffer& Bytes() { return bytes_; }
  const ByteBuffer& Bytes() const { return bytes_; }
  std::string_view View() const { return bytes_.view(); }
  // True for a file that is not text (a NUL byte without a UTF-16 byte-order mark).
  bool NotText();
  bool KindKnown() const { return known_; }
  const TextKind& Kind();
  // Where the text starts: after the byte-order mark.
  size_t Start() const { return quick_.bomSize; }
  Units UnitsOf() { return Units::Of(Kind().encoding); }
  // The file's line end: the first one it has, else LF, in its encoding.
  std::string LineEnd();

  // Called once, with the original bytes, just before a rule first changes them (a backup copy or
  // the run journal keeps them then).
  std::function<void(std::string_view original)> beforeFirstChange;
  // Makes ready for a change of the bytes: runs beforeFirstChange the first time.
  void WillChange();
  bool Changed() const { return changed_; }
  // The text after the byte-order mark becomes `text` (a change: WillChange runs first).
  void TakeText(std::string_view text);

 private:
  ByteBuffer bytes_;
  Encoding locale_ = Encoding::Utf8;
  TextKind quick_;
  TextKind kind_;
  bool known_ = false;
  bool nulTested_ = false;
  std::string lineEnd_;  // found once
  bool changed_ = false;
};

}  // namespace zur
