// Whether bytes are well-formed UTF-8 (shortest forms, no surrogates, nothing above U+10FFFF), and
// whether they are all ASCII. With AVX2, 32 bytes are checked at a time by table lookups on the high
// and low halves of each byte and of the byte before it; elsewhere one sequence at a time.
#pragma once

#include <string_view>

namespace zur {

bool CheckUtf8(std::string_view bytes, bool& ascii);

// One sequence at a time, everywhere: what the vector check is held against.
bool CheckUtf8Simple(std::string_view bytes, bool& ascii);

}  // namespace zur
