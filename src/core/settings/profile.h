// The settings file: a Windows-style profile (INI) file of key=value lines under [section] headers.
// Nothing is cached: every read parses the file as it is on disk, and every write is on disk (a safe
// write) when the call returns.
//
// Reading: section and key names compare without regard to ASCII case; a value is read without its
// surrounding blanks and without enclosing single or double quotes, and cut to its first 2047 bytes.
// Writing: a key that exists is rewritten in place; a new key goes at the end of its section; a new
// section goes at the end of the file. Lines are written with CR LF.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace zur {

class ProfileFile {
 public:
  static constexpr size_t kMaxValue = 2047;

  ProfileFile(std::string path, std::string section) : path_(std::move(path)), section_(std::move(section)) {}
  const std::string& Path() const { return path_; }

  // The stored value, or nothing when the file or the key is missing.
  std::optional<std::string> Read(std::string_view key) const;
  std::string ReadString(std::string_view key, std::string_view fallback) const;
  // Decimal, or hexadecimal after "0x"/"0X" (when longer than two characters); anything else,
  // including a missing key, gives `fallback`.
  int ReadInteger(std::string_view key, int fallback) const;
  // An integer that is true when it is not 0.
  bool ReadBool(std::string_view key, bool fallback) const;

  // Throw fs::FileError when the file cannot be written; the old file then stays whole.
  void WriteString(std::string_view key, std::string_view value);
  void WriteInteger(std::string_view key, int value);
  void WriteBool(std::string_view key, bool value) { WriteInteger(key, value ? 1 : 0); }

  // The integer a profile value stands for, if it is one.
  static std::optional<int> ParseInteger(std::string_view value);

 private:
  std::string path_;
  std::string section_;
};

}  // namespace zur
