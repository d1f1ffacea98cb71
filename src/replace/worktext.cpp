#include "replace/worktext.h"

#include <algorithm>
#include <cstring>

#include "platform/filesystem.h"

namespace zur {

size_t WorkText::LineCount() const {
  size_t n = 0;
  for (size_t at = joined_.find('\n'); at != std::string::npos; at = joined_.find('\n', at + 1)) ++n;
  return n;
}

std::string WorkText::Join(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 32 + 2);
  const char* p = text.data();
  const char* const end = p + text.size();
  // The next CR and the next LF at or after p; each is searched again only once p has passed it,
  // so the whole text is scanned once for each of the two characters.
  auto next = [end](const char* from, char c) {
    const void* hit = std::memchr(from, c, static_cast<size_t>(end - from));
    return hit ? static_cast<const char*>(hit) : end;
  };
  const char* cr = next(p, '\r');
  const char* lf = next(p, '\n');
  while (p < end) {
    if (cr < p) cr = next(p, '\r');
    if (lf < p) lf = next(p, '\n');
    const char* stop = std::min(cr, lf);
    out.append(p, static_cast<size_t>(stop - p));
    out.append("\r\n");
    if (stop == end) break;
    p = stop + ((stop == cr && stop + 1 == lf) ? 2 : 1);
  }
  return out;
}

void WorkText::SetText(std::string_view text) { joined_ = Join(text); }

void WorkText::LoadFromFile(const std::string& path) { SetText(fs::ReadFile(path)); }

void WorkText::SaveToFile(const std::string& path) const { fs::WriteFileSafely(path, joined_); }

}  // namespace zur
