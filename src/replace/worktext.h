// The scratch line buffer that every command loads a file into.
//
// A file is split into lines at CR, LF or CR LF; its joined text is every line followed by CR LF.
// The buffer keeps only the joined text: every operation works on it, and it costs one pass to make.
// Bytes are never converted. A line end at the very end does not make an empty last line, and an
// empty file gives no lines.
#pragma once

#include <string>
#include <string_view>

namespace zur {

class WorkText {
 public:
  void Clear() { joined_.clear(); }
  bool Empty() const { return joined_.empty(); }
  size_t LineCount() const;

  // Replaces the lines with those of `text`, split by the rules above.
  void SetText(std::string_view text);
  // Takes a text that is already joined (every line followed by CR LF, no other CR or LF).
  void SetJoined(std::string joined) { joined_ = std::move(joined); }
  // Every line followed by CR LF.
  const std::string& Joined() const { return joined_; }

  // Reads the whole file (throws fs::FileError when it cannot).
  void LoadFromFile(const std::string& path);
  // Writes the joined text over the file with a safe write (throws fs::FileError).
  void SaveToFile(const std::string& path) const;

  // True when the lines hold a NUL byte: such a file is not text, and no batch rewrites it.
  bool HoldsNul() const { return joined_.find('\0') != std::string::npos; }

  // The joined text of `text`: line ends made CR LF, and a CR LF after a last line without one.
  static std::string Join(std::string_view text);
  // The same, keeping the string itself when it is already joined (no copy).
  static std::string Join(std::string&& text);

 private:
  std::string joined_;
};

}  // namespace zur
