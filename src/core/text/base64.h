// Bytes as base64 text (the standard alphabet, with padding), for formats that carry bytes as text.
#pragma once

#include <string>
#include <string_view>

namespace zur {

std::string Base64(std::string_view bytes);

}  // namespace zur
