#include "search/filecontains.h"

#include <optional>
#include <vector>

#include "fileset/bytesearch.h"
#include "fileset/text.h"
#include "platform/filesystem.h"

namespace zur {
namespace {

// The lines of a text made of lines joined by CR LF, the first and last not empty; nothing for a text
// of any other shape.
std::optional<std::vector<std::string_view>> JoinedLines(std::string_view text) {
  std::vector<std::string_view> lines;
  size_t start = 0;
  for (;;) {
    size_t end = text.find("\r\n", start);
    std::string_view line = text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
    if (HasLineBreak(line)) return std::nullopt;
    lines.push_back(line);
    if (end == std::string_view::npos) break;
    start = end + 2;
  }
  if (lines.front().empty() || lines.back().empty()) return std::nullopt;
  return lines;
}

// Whether the raw bytes hold the lines one after the other, with one line end (CR LF, CR or LF)
// between each two: the same as the joined text holding the lines joined by CR LF.
bool HoldsLines(std::string_view data, const std::vector<std::string_view>& lines) {
  const std::string_view first = lines.front();
  for (size_t pos = FindBytes(data, first); pos != kNotFound; pos = FindBytes(data, first, pos + 1)) {
    size_t q = pos + first.size();
    bool match = true;
    for (size_t i = 1; i < lines.size() && match; ++i) {
      if (q < data.size() && data[q] == '\r' && q + 1 < data.size() && data[q + 1] == '\n') {
        q += 2;
      } else if (q < data.size() && (data[q] == '\r' || data[q] == '\n')) {
        q += 1;
      } else {
        match = false;
        break;
      }
      match = data.compare(q, lines[i].size(), lines[i]) == 0;
      q += lines[i].size();
    }
    if (match) return true;
  }
  return false;
}

}  // namespace

bool FileContainsText(const std::string& path, std::string_view text, size_t chunk) {
  if (text.empty()) return false;
  fs::FileReader reader(path);
  // Bytes kept from the previous piece, so that an occurrence across two pieces is found.
  const size_t keep = text.size() - 1;
  std::string window;

  if (!HasLineBreak(text)) {
    // A text without line breaks lies within one line, and lines are the same whatever the line
    // ends: the raw bytes can be searched as they are.
    while (reader.Append(window, chunk)) {
      if (FindBytes(window, text) != kNotFound) return true;
      if (window.size() > keep) window.erase(0, window.size() - keep);
    }
    return false;
  }

  // Lines joined by CR LF: the first line is searched in the raw bytes and the rest checked at each hit.
  if (auto lines = JoinedLines(text)) return HoldsLines(fs::ReadFile(path), *lines);

  // Any other text with line breaks: the pieces are joined (every line end made CR LF) as they are read.
  std::string raw;
  bool afterCr = false;   // the last byte joined was a CR
  bool anyBytes = false;
  char last = '\0';
  for (;;) {
    raw.clear();
    const bool more = reader.Append(raw, chunk);
    if (!more) {
      // The last line gets its line end.
      if (anyBytes && last != '\r' && last != '\n') window += "\r\n";
      return FindBytes(window, text) != kNotFound;
    }
    anyBytes = true;
    last = raw.back();
    window.reserve(window.size() + raw.size() + raw.size() / 16 + 2);
    for (char c : raw) {
      if (c == '\r') {
        window += "\r\n";
        afterCr = true;
      } else if (c == '\n') {
        if (!afterCr) window += "\r\n";
        afterCr = false;
      } else {
        window.push_back(c);
        afterCr = false;
      }
    }
    if (FindBytes(window, text) != kNotFound) return true;
    if (window.size() > keep) window.erase(0, window.size() - keep);
  }
}

}  // namespace zur
