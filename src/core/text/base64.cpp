#include "core/text/base64.h"

#include <sodium.h>

namespace zur {

std::string Base64(std::string_view bytes) {
  const size_t size = sodium_base64_ENCODED_LEN(bytes.size(), sodium_base64_VARIANT_ORIGINAL);
  std::string out(size, '\0');
  sodium_bin2base64(out.data(), size, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(),
                    sodium_base64_VARIANT_ORIGINAL);
  out.resize(size - 1);  // without the terminating NUL
  return out;
}

}  // namespace zur
