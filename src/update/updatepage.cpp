#include "update/updatepage.h"

#include <gumbo.h>

#include <charconv>

#include "fileset/text.h"

namespace zur {
namespace {

// 1-based position of `part` in `text`, 0 when absent.
size_t Pos(std::string_view part, std::string_view text) {
  size_t at = text.find(part);
  return at == std::string_view::npos ? 0 : at + 1;
}

// The text from 1-based `index` of length `count`: an index below 1 counts as 1, a count of 0 or less
// gives nothing, and the part beyond the end is cut off.
std::string Copy(std::string_view text, long long index, long long count) {
  if (index < 1) index = 1;
  if (count <= 0 || index > static_cast<long long>(text.size())) return {};
  return std::string(text.substr(static_cast<size_t>(index - 1), static_cast<size_t>(count)));
}

struct Origin {
  std::string scheme, host, port;
};

std::optional<Origin> OriginOf(std::string_view url) {
  const size_t sep = url.find("://");
  if (sep == std::string_view::npos || sep == 0) return std::nullopt;
  Origin o;
  o.scheme = AsciiLower(url.substr(0, sep));
  std::string_view authority = url.substr(sep + 3);
  authority = authority.substr(0, authority.find_first_of("/?#"));
  if (size_t at = authority.rfind('@'); at != std::string_view::npos) authority = authority.substr(at + 1);
  std::string_view host = authority;
  if (size_t colon = authority.rfind(':'); colon != std::string_view::npos && authority.find(']', colon) == std::string_view::npos) {
    host = authority.substr(0, colon);
    o.port = std::string(authority.substr(colon + 1));
  }
  if (o.port.empty()) o.port = o.scheme == "https" ? "443" : o.scheme == "http" ? "80" : "";
  o.host = AsciiLower(host);
  if (o.host.empty()) return std::nullopt;
  return o;
}

}  // namespace

std::optional<std::string> BodyMarkup(std::string_view page) {
  if (page.empty()) return std::nullopt;
  GumboOutput* output = gumbo_parse_with_options(&kGumboDefaultOptions, page.data(), page.size());
  std::optional<std::string> markup;
  const GumboNode* root = output->root;
  for (unsigned i = 0; root && i < root->v.element.children.length; ++i) {
    const auto* node = static_cast<const GumboNode*>(root->v.element.children.data[i]);
    if (node->type != GUMBO_NODE_ELEMENT || node->v.element.tag != GUMBO_TAG_BODY) continue;
    const GumboElement& body = node->v.element;
    const size_t start = std::min<size_t>(body.start_pos.offset, page.size());
    size_t end = page.size();
    if (body.original_end_tag.length > 0) {
      end = std::min(page.size(), static_cast<size_t>(body.end_pos.offset) + body.original_end_tag.length);
    }
    markup = AsciiLower(page.substr(start, end > start ? end - start : 0));
    break;
  }
  gumbo_destroy_output(&kGumboDefaultOptions, output);
  return markup;
}

bool HasMarker(std::string_view bodyMarkup, std::string_view marker) {
  return bodyMarkup.find(AsciiLower(marker)) != std::string_view::npos;
}

void ParseVersionTokens(std::string_view pageText, float& version, std::string& downloadUrl) {
  try {
    const long long a = static_cast<long long>(Pos("softversion_", pageText));
    const long long b = static_cast<long long>(Pos("_softversion", pageText));
    const std::string number = Copy(pageText, a + 12, b - (a + 12));
    float value = 0;
    const char* first = number.data();
    const char* last = first + number.size();
    auto [end, ec] = std::from_chars(first, last, value);
    if (!number.empty() && ec == std::errc() && end == last) version = value;
    const long long c = static_cast<long long>(Pos("softurl_", pageText));
    const long long d = static_cast<long long>(Pos("_softurl", pageText));
    downloadUrl = Copy(pageText, c + 8, d - (c + 8));
  } catch (...) {
  }
}

bool IsNewerVersion(float pageVersion) {
  return static_cast<long double>(pageVersion) - kRunningVersion > 0.01L;
}

bool SameOrigin(std::string_view a, std::string_view b) {
  auto x = OriginOf(a);
  auto y = OriginOf(b);
  return x && y && x->scheme == y->scheme && x->host == y->host && x->port == y->port;
}

}  // namespace zur
