#include "core/text/text.h"

namespace zur {

std::string TrimControl(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) <= 32) ++b;
  while (e > b && static_cast<unsigned char>(s[e - 1]) <= 32) --e;
  return std::string(s.substr(b, e - b));
}

std::string AsciiLower(std::string_view s) {
  std::string out(s);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  }
  return out;
}

std::string LowerAsciiCharacters(std::string_view s, Encoding cp) {
  std::string out(s);
  for (size_t i = 0; i < out.size();) {
    if (static_cast<unsigned char>(out[i]) < 0x80) {  // a byte below 0x80 that starts a character is one
      if (out[i] >= 'A' && out[i] <= 'Z') out[i] = static_cast<char>(out[i] + 32);
      ++i;
      continue;
    }
    const size_t len = CharLengthAt(out, i, cp);
    if (len == 1 && out[i] >= 'A' && out[i] <= 'Z') out[i] = static_cast<char>(out[i] + 32);
    i += len;
  }
  return out;
}

std::string AsciiUpper(std::string_view s) {
  std::string out(s);
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  }
  return out;
}

}  // namespace zur
