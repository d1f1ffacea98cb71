#include "core/settings/profile.h"

#include <charconv>
#include <vector>

#include "core/platform/filesystem.h"
#include "core/text/text.h"

namespace zur {
namespace {


std::vector<std::string> SplitLines(std::string_view text) {
  std::vector<std::string> lines;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find_first_of("\r\n", pos);
    if (end == std::string_view::npos) {
      lines.emplace_back(text.substr(pos));
      break;
    }
    lines.emplace_back(text.substr(pos, end - pos));
    pos = end + ((text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ? 2 : 1);
  }
  return lines;
}

std::string ReadAllOrEmpty(const std::string& path) {
  if (fs::Probe(path) != fs::Kind::File) return {};
  return fs::ReadFile(path);
}

bool SameName(std::string_view a, std::string_view b) { return AsciiLower(TrimControl(a)) == AsciiLower(TrimControl(b)); }

// The section name of a header line "[name]", if the line is one.
std::optional<std::string> SectionOf(const std::string& line) {
  std::string t = TrimControl(line);
  if (t.size() < 2 || t.front() != '[') return std::nullopt;
  size_t close = t.find(']');
  if (close == std::string::npos) return std::nullopt;
  return t.substr(1, close - 1);
}

// Where a key line's value starts, if the line is "key=value" for `key`.
std::optional<size_t> ValueStartFor(const std::string& line, std::string_view key) {
  size_t eq = line.find('=');
  if (eq == std::string::npos || !SameName(std::string_view(line).substr(0, eq), key)) return std::nullopt;
  return eq + 1;
}

// First and one-past-last line index of the section's body; nothing when the section is missing.
std::optional<std::pair<size_t, size_t>> FindSection(const std::vector<std::string>& lines, std::string_view section) {
  for (size_t i = 0; i < lines.size(); ++i) {
    auto name = SectionOf(lines[i]);
    if (!name || !SameName(*name, section)) continue;
    size_t end = i + 1;
    while (end < lines.size() && !SectionOf(lines[end])) ++end;
    return std::make_pair(i + 1, end);
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::string> ProfileFile::Read(std::string_view key) const {
  const auto lines = SplitLines(ReadAllOrEmpty(path_));
  auto body = FindSection(lines, section_);
  if (!body) return std::nullopt;
  for (size_t i = body->first; i < body->second; ++i) {
    auto start = ValueStartFor(lines[i], key);
    if (!start) continue;
    std::string value = TrimControl(std::string_view(lines[i]).substr(*start));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
      value = value.substr(1, value.size() - 2);
    }
    if (value.size() > kMaxValue) value.resize(kMaxValue);
    return value;
  }
  return std::nullopt;
}

std::string ProfileFile::ReadString(std::string_view key, std::string_view fallback) const {
  auto v = Read(key);
  return v ? *v : std::string(fallback);
}

std::optional<int> ProfileFile::ParseInteger(std::string_view value) {
  int result = 0;
  const char* b = value.data();
  const char* e = b + value.size();
  if (value.size() > 2 && value[0] == '0' && (value[1] == 'x' || value[1] == 'X')) {
    unsigned int u = 0;
    auto [p, ec] = std::from_chars(b + 2, e, u, 16);
    if (ec != std::errc() || p != e || u > 0x7FFFFFFFu) return std::nullopt;
    return static_cast<int>(u);
  }
  if (b != e && *b == '+') ++b;
  auto [p, ec] = std::from_chars(b, e, result, 10);
  if (b == e || ec != std::errc() || p != e) return std::nullopt;
  return result;
}

int ProfileFile::ReadInteger(std::string_view key, int fallback) const {
  auto v = Read(key);
  if (!v) return fallback;
  return ParseInteger(*v).value_or(fallback);
}

bool ProfileFile::ReadBool(std::string_view key, bool fallback) const {
  return ReadInteger(key, fallback ? 1 : 0) != 0;
}

void ProfileFile::WriteString(std::string_view key, std::string_view value) {
  // A line break inside a value would end the line and could forge other keys.
  std::string clean(value);
  for (char& c : clean) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  const std::string entry = std::string(key) + "=" + clean;

  std::vector<std::string> lines = SplitLines(ReadAllOrEmpty(path_));
  if (auto body = FindSection(lines, section_)) {
    bool done = false;
    for (size_t i = body->first; i < body->second && !done; ++i) {
      if (ValueStartFor(lines[i], key)) {
        lines[i] = entry;
        done = true;
      }
    }
    if (!done) {
      // After the section's last non-blank line.
      size_t at = body->second;
      while (at > body->first && TrimControl(lines[at - 1]).empty()) --at;
      lines.insert(lines.begin() + static_cast<long>(at), entry);
    }
  } else {
    lines.push_back("[" + section_ + "]");
    lines.push_back(entry);
  }
  std::string text;
  for (const auto& l : lines) {
    text += l;
    text += "\r\n";
  }
  fs::WriteFileSafely(path_, text);
}

void ProfileFile::WriteInteger(std::string_view key, int value) { WriteString(key, std::to_string(value)); }

}  // namespace zur
