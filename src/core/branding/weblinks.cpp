#include "core/branding/weblinks.h"

#include "core/platform/filesystem.h"

namespace zur {

std::string WebAddressText(std::string_view text) {
  if (text.find("://") != std::string_view::npos) return std::string(text);
  return "http://" + std::string(text);
}

void WriteUpdateTxt(const std::string& folder, const std::string& exeFileName) {
  fs::WriteFileSafely(folder + "update.txt", exeFileName + "\r\n");
}

}  // namespace zur
