// Character-set services taken from the C library: the locale's character set and the GB18030 tables.
#include <iconv.h>
#include <langinfo.h>

#include <clocale>
#include <cstring>
#include <mutex>
#include <unordered_map>

#include "core/platform/charsets.h"

namespace zur::platform {

std::string LocaleCharset() {
  const char* charset = nl_langinfo(CODESET);
  return charset ? charset : "";
}

char16_t GbkPairToUnicode(unsigned char lead, unsigned char trail) {
  // One converter for the whole table build; the tables are built once, under a lock.
  static iconv_t cd = iconv_open("UTF-16LE", "CP936");
  if (cd == reinterpret_cast<iconv_t>(-1)) return 0;
  char in[2] = {static_cast<char>(lead), static_cast<char>(trail)};
  char out[8];
  char* inp = in;
  char* outp = out;
  size_t inLeft = 2, outLeft = sizeof out;
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  if (iconv(cd, &inp, &inLeft, &outp, &outLeft) == static_cast<size_t>(-1) || inLeft != 0) return 0;
  if (sizeof out - outLeft != 2) return 0;  // not a single BMP character
  return static_cast<char16_t>(static_cast<unsigned char>(out[0]) | static_cast<unsigned char>(out[1]) << 8);
}

namespace {

// One converter each way, shared under a lock; the four-byte sequences are rare, so every answer is
// kept once found.
struct Gb18030Converter {
  std::mutex lock;
  iconv_t toUnicode = iconv_open("UTF-32LE", "GB18030");
  iconv_t fromUnicode = iconv_open("GB18030", "UTF-32LE");
  std::unordered_map<uint32_t, char32_t> decoded;
  std::unordered_map<char32_t, std::string> encoded;
};

Gb18030Converter& Converter() {
  static Gb18030Converter c;
  return c;
}

bool Convert(iconv_t cd, const char* in, size_t inSize, char* out, size_t& outSize) {
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  char* inp = const_cast<char*>(in);
  char* outp = out;
  size_t inLeft = inSize, outLeft = outSize;
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  if (iconv(cd, &inp, &inLeft, &outp, &outLeft) == static_cast<size_t>(-1) || inLeft != 0) return false;
  outSize -= outLeft;
  return true;
}

}  // namespace

char32_t Gb18030FourToUnicode(const unsigned char* four) {
  const uint32_t key = uint32_t{four[0]} << 24 | uint32_t{four[1]} << 16 | uint32_t{four[2]} << 8 | four[3];
  Gb18030Converter& c = Converter();
  std::lock_guard<std::mutex> guard(c.lock);
  auto it = c.decoded.find(key);
  if (it != c.decoded.end()) return it->second;
  char out[8];
  size_t outSize = sizeof out;
  char32_t u = 0;
  if (Convert(c.toUnicode, reinterpret_cast<const char*>(four), 4, out, outSize) && outSize == 4) {
    std::memcpy(&u, out, 4);
  }
  c.decoded.emplace(key, u);
  return u;
}

bool UnicodeToGb18030(char32_t u, std::string& out) {
  Gb18030Converter& c = Converter();
  std::lock_guard<std::mutex> guard(c.lock);
  auto it = c.encoded.find(u);
  if (it == c.encoded.end()) {
    char bytes[8];
    size_t size = sizeof bytes;
    std::string result;
    if (Convert(c.fromUnicode, reinterpret_cast<const char*>(&u), 4, bytes, size)) result.assign(bytes, size);
    it = c.encoded.emplace(u, std::move(result)).first;
  }
  if (it->second.empty()) return false;
  out += it->second;
  return true;
}

}  // namespace zur::platform
