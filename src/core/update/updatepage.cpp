#include "core/update/updatepage.h"

#include <gumbo.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <utility>
#include <vector>

#include "core/text/text.h"

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

const GumboNode* FindBody(const GumboOutput* output) {
  const GumboNode* root = output->root;
  for (unsigned i = 0; root && i < root->v.element.children.length; ++i) {
    const auto* node = static_cast<const GumboNode*>(root->v.element.children.data[i]);
    if (node->type == GUMBO_NODE_ELEMENT && node->v.element.tag == GUMBO_TAG_BODY) return node;
  }
  return nullptr;
}

std::string MarkupOf(const GumboElement& body, std::string_view page) {
  const size_t start = std::min<size_t>(body.start_pos.offset, page.size());
  size_t end = page.size();
  if (body.original_end_tag.length > 0) {
    end = std::min(page.size(), static_cast<size_t>(body.end_pos.offset) + body.original_end_tag.length);
  }
  return AsciiLower(page.substr(start, end > start ? end - start : 0));
}

bool IsBlock(GumboTag tag) {
  switch (tag) {
    case GUMBO_TAG_BR: case GUMBO_TAG_P: case GUMBO_TAG_DIV: case GUMBO_TAG_LI: case GUMBO_TAG_TR:
    case GUMBO_TAG_TABLE: case GUMBO_TAG_UL: case GUMBO_TAG_OL: case GUMBO_TAG_PRE: case GUMBO_TAG_BLOCKQUOTE:
    case GUMBO_TAG_H1: case GUMBO_TAG_H2: case GUMBO_TAG_H3: case GUMBO_TAG_H4: case GUMBO_TAG_H5: case GUMBO_TAG_H6:
      return true;
    default:
      return false;
  }
}

// Collects text with blanks collapsed, stopping at a character boundary once the limit is reached.
class TextCollector {
 public:
  bool Full() const { return full_; }
  void Break() { owed_ = out_.empty() ? 0 : '\n'; }
  void Add(std::string_view text) {
    for (char c : text) {
      if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f') {
        if (!out_.empty() && owed_ == 0) owed_ = ' ';
        continue;
      }
      const bool continuation = (static_cast<unsigned char>(c) & 0xC0) == 0x80;
      if (!continuation && out_.size() + (owed_ ? 1 : 0) >= kMaxShownTextBytes) {
        full_ = true;
        return;
      }
      if (owed_) out_ += std::exchange(owed_, 0);
      out_ += c;
    }
  }
  std::string Take() { return std::move(out_); }

 private:
  std::string out_;
  char owed_ = 0;  // a blank or line break due before the next visible character
  bool full_ = false;
};

std::string VisibleText(const GumboNode* body) {
  TextCollector text;
  std::vector<const GumboNode*> todo{body};  // no recursion: the tree may be deep
  while (!todo.empty() && !text.Full()) {
    const GumboNode* node = todo.back();
    todo.pop_back();
    if (node->type == GUMBO_NODE_TEXT || node->type == GUMBO_NODE_WHITESPACE || node->type == GUMBO_NODE_CDATA) {
      text.Add(node->v.text.text);
      continue;
    }
    if (node->type != GUMBO_NODE_ELEMENT) continue;
    const GumboTag tag = node->v.element.tag;
    if (tag == GUMBO_TAG_SCRIPT || tag == GUMBO_TAG_STYLE || tag == GUMBO_TAG_TEMPLATE) continue;
    if (IsBlock(tag)) text.Break();
    const GumboVector& children = node->v.element.children;
    for (unsigned i = children.length; i-- > 0;) todo.push_back(static_cast<const GumboNode*>(children.data[i]));
  }
  return text.Take();
}

}  // namespace

bool WithinPageBounds(std::string_view page) {
  if (page.size() > kMaxPageBytes) return false;
  size_t tags = 0;
  for (size_t at = page.find('<'); at != std::string_view::npos && at + 1 < page.size(); at = page.find('<', at + 1)) {
    const char next = page[at + 1];
    const bool opens = (next >= 'a' && next <= 'z') || (next >= 'A' && next <= 'Z') || next == '/' || next == '!' || next == '?';
    if (opens && ++tags > kMaxPageTags) return false;
  }
  return true;
}

ParsedPage ParseUpdatePage(std::string_view page) {
  ParsedPage parsed;
  if (!WithinPageBounds(page)) {
    parsed.refused = true;
    return parsed;
  }
  if (page.empty()) return parsed;
  GumboOutput* output = gumbo_parse_with_options(&kGumboDefaultOptions, page.data(), page.size());
  if (const GumboNode* body = FindBody(output)) {
    parsed.body = MarkupOf(body->v.element, page);
    parsed.text = VisibleText(body);
  }
  gumbo_destroy_output(&kGumboDefaultOptions, output);
  return parsed;
}

bool HasMarker(std::string_view bodyMarkup, std::string_view marker) {
  return bodyMarkup.find(AsciiLower(marker)) != std::string_view::npos;
}

std::optional<float> DecimalNumber(std::string_view text) {
  if (text.empty() || text.find_first_not_of("0123456789.-eE") != std::string_view::npos) return std::nullopt;
  float value = 0;
  const char* last = text.data() + text.size();
  auto [end, ec] = std::from_chars(text.data(), last, value, std::chars_format::general);
  if (ec != std::errc() || end != last || !std::isfinite(value)) return std::nullopt;
  return value;
}

void ParseVersionTokens(std::string_view pageText, float& version, std::string& downloadUrl) {
  const long long a = static_cast<long long>(Pos("softversion_", pageText));
  const long long b = static_cast<long long>(Pos("_softversion", pageText));
  if (auto number = DecimalNumber(Copy(pageText, a + 12, b - (a + 12)))) version = *number;
  const long long c = static_cast<long long>(Pos("softurl_", pageText));
  const long long d = static_cast<long long>(Pos("_softurl", pageText));
  downloadUrl = Copy(pageText, c + 8, d - (c + 8));
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
