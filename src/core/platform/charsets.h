// What the system knows of character sets: the locale's, and the GB18030 tables (which the C library
// carries, so that the program does not ship its own copy).
#pragma once

#include <string>

namespace zur::platform {

// The name of the process locale's character set (LC_CTYPE), e.g. "UTF-8" or "GBK".
std::string LocaleCharset();

// Unicode value of the GBK pair (lead, trail), or 0 when the pair is not one BMP character.
char16_t GbkPairToUnicode(unsigned char lead, unsigned char trail);
// The four-byte GB18030 sequence and the character it stands for, both ways; 0 / false when there
// is none.
char32_t Gb18030FourToUnicode(const unsigned char* four);
bool UnicodeToGb18030(char32_t c, std::string& out);

}  // namespace zur::platform
