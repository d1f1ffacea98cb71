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

namespace {

// True when every CR is followed by a LF, every LF follows a CR, and the text ends with CR LF.
bool IsJoined(std::string_view text) {
  if (text.empty()) return true;
  if (text.size() < 2 || text[text.size() - 2] != '\r' || text.back() != '\n') return false;
  const char* p = text.data();
  const char* const end = p + text.size();
  while (p < end) {
    const void* lf = std::memchr(p, '\n', static_cast<size_t>(end - p));
    const char* stop = lf ? static_cast<const char*>(lf) : end;
    // Between line ends there is no CR but the one right before the LF.
    const char* lineEnd = (stop < end) ? stop - 1 : end;
    if (stop < end && (stop == p || *lineEnd != '\r')) return false;
    if (std::memchr(p, '\r', static_cast<size_t>(lineEnd - p))) return false;
    p = stop + 1;
  }
  return true;
}

}  // namespace

std::string WorkText::Join(std::string&& text) {
  if (IsJoined(text)) return std::move(text);
  return Join(std::string_view(text));
}

void WorkText::SetText(std::string_view text) { joined_ = Join(text); }

void WorkText::LoadFromFile(const std::string& path) { joined_ = Join(fs::ReadFile(path)); }

void WorkText::SaveToFile(const std::string& path) const { fs::WriteFileSafely(path, joined_); }

}  // namespace zur
