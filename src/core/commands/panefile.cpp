#include "core/commands/panefile.h"

#include <algorithm>

#include "core/replace/substitute.h"
#include "core/replace/worktext.h"
#include "core/run/savefile.h"
#include "core/text/codec.h"

namespace zur {
namespace {

size_t LongestLine(std::string_view bytes) {
  size_t longest = 0;
  size_t start = 0;
  while (start <= bytes.size()) {
    size_t end = bytes.find('\n', start);
    if (end == std::string_view::npos) end = bytes.size();
    longest = std::max(longest, end - start);
    start = end + 1;
  }
  return longest;
}

}  // namespace

PaneLoad LoadPaneFile(const std::string& path, Encoding localeEncoding) {
  PaneLoad load;
  fs::OpenedFile opened = fs::OpenedFile::Open(path, false);
  ByteBuffer bytes;
  bool whole = true;
  if (!opened.Ok() || !opened.ReadUpTo(bytes, kPaneShownLimit, whole)) {
    load.refusal = opened.Ok() ? fs::Refusal::Failed : opened.Refused();
    load.error = opened.Error();
    return load;
  }
  if (bytes.size() > kPaneLongLineLimit && LongestLine(bytes.view()) > kPaneLongLineLimit) {
    bytes.resize(kPaneLongLineLimit);
    whole = false;
  }
  WorkText work(localeEncoding);
  work.Take(std::move(bytes));
  if (work.NotText()) {
    load.result = PaneLoad::Result::NotText;
    return load;
  }
  PaneFile& file = load.file;
  file.path = path;
  file.kind = work.Kind();
  file.whole = whole;
  // Each line with its own line end, so that saving gives them back.
  const std::u16string text = DecodeText(work.View().substr(work.Start()), file.kind.encoding);
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (c != u'\r' && c != u'\n') continue;
    file.lines.push_back(text.substr(start, i - start));
    const bool pair = c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n';
    file.endings.push_back(pair ? u"\r\n" : std::u16string(1, c));
    if (pair) ++i;
    start = i + 1;
  }
  file.lines.push_back(text.substr(start));
  file.endings.emplace_back();
  load.result = whole ? PaneLoad::Result::Loaded : PaneLoad::Result::Partial;
  return load;
}

std::u16string PaneText(const PaneFile& file) {
  std::u16string text;
  for (size_t i = 0; i < file.lines.size(); ++i) {
    if (i > 0) text.push_back(u'\n');
    text += file.lines[i];
  }
  return text;
}

std::u16string ReplaceInPaneText(std::u16string_view text, std::u16string_view find, std::u16string_view replacement,
                                 Encoding e) {
  // The text's own bytes (escapes give back theirs), so that matches fall on whole characters.
  const std::optional<std::string> findBytes = EncodeExactly(find, e);
  if (find.empty() || !findBytes || findBytes->empty()) return std::u16string(text);
  const std::string bytes = EncodeText(text, e);
  return DecodeText(ReplaceAll(bytes, *findBytes, EncodeText(replacement, e), e), e);
}

std::string PaneFileBytes(const PaneFile& file, std::u16string_view text) {
  std::vector<std::u16string_view> now;
  for (size_t start = 0;;) {
    const size_t end = text.find(u'\n', start);
    now.push_back(text.substr(start, end == std::u16string_view::npos ? std::u16string_view::npos : end - start));
    if (end == std::u16string_view::npos) break;
    start = end + 1;
  }
  const std::vector<std::u16string>& was = file.lines;
  // Lines kept at the start and at the end keep their own line ends; lines in between, which were
  // edited, added or split, take the file's first line end. Only the line that is last now keeps the
  // file's last-line-break state: the old last line, when lines now follow it, ends as the others do.
  size_t head = 0;
  while (head < now.size() && head < was.size() && now[head] == was[head]) ++head;
  size_t tail = 0;
  while (tail < now.size() - head && tail < was.size() - head && now[now.size() - 1 - tail] == was[was.size() - 1 - tail]) {
    ++tail;
  }
  std::u16string usual = u"\n";
  for (const std::u16string& e : file.endings) {
    if (!e.empty()) {
      usual = e;
      break;
    }
  }
  const std::u16string lastEnding = file.endings.empty() ? std::u16string() : file.endings.back();
  std::u16string out;
  out.reserve(text.size() + now.size());
  for (size_t i = 0; i < now.size(); ++i) {
    out += now[i];
    if (i < head) {
      const std::u16string& own = file.endings[i];
      out += (own.empty() && i + 1 < now.size()) ? usual : own;
    } else if (i >= now.size() - tail) {
      out += file.endings[was.size() - (now.size() - i)];
    } else if (i == now.size() - 1) {
      out += lastEnding;
    } else {
      out += usual;
    }
  }
  std::string bytes(ByteOrderMark(file.kind.encoding).substr(0, file.kind.bomSize));
  bytes += EncodeText(out, file.kind.encoding);
  return bytes;
}

RunEvent SavePane(const PaneSaveRequest& request) {
  if (request.file.path.empty()) return {0, Outcome::Skipped, Why::None, {}};
  return SaveFile(request.file.path, PaneFileBytes(request.file, request.text), request.runsFolder);
}

}  // namespace zur
