// Code-page services taken from the C library: the locale's character set and the GBK tables.
#include <iconv.h>
#include <langinfo.h>

#include <clocale>
#include <cstring>

#include "platform/codepage.h"

namespace zur {

CodePage SystemCodePage() {
  const char* charset = nl_langinfo(CODESET);
  return CodePageFromCharset(charset ? charset : "");
}

namespace detail {

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

}  // namespace detail
}  // namespace zur
