#include "core/files/filter.h"

#include <algorithm>

#include "core/files/scan.h"
#include "core/platform/glob.h"
#include "core/text/text.h"

namespace zur {
namespace {

// Whether the pattern can be one: every "[" closed, no "\" left with nothing to escape.
bool WellFormed(std::string_view p) {
  if (p.empty()) return false;
  for (size_t i = 0; i < p.size(); ++i) {
    if (p[i] == '\\') {
      if (++i == p.size()) return false;
    } else if (p[i] == '[') {
      size_t j = i + 1;
      if (j < p.size() && (p[j] == '!' || p[j] == '^')) ++j;
      if (j < p.size() && p[j] == ']') ++j;  // a "]" first is one of the set
      while (j < p.size() && p[j] != ']') ++j;
      if (j == p.size()) return false;
      i = j;
    }
  }
  return true;
}

}  // namespace

FilterCheck::Pattern FilterCheck::Prepared(std::string p) {
  Pattern out;
  if (p.size() > 1 && p.back() == '/') {
    out.foldersOnly = true;
    p.pop_back();
  }
  // A "/" anywhere, a leading one too, makes it a pattern of the path below the source folder.
  out.path = p.find('/') != std::string::npos;
  if (p.size() > 1 && p.front() == '/') p.erase(0, 1);
  out.text = std::move(p);
  const auto wild = [](std::string_view t) { return t.find_first_of("*?[\\") != std::string_view::npos; };
  if (!wild(out.text)) {
    out.form = Pattern::Form::Plain;
  } else if (out.text.size() > 1 && out.text[0] == '*' && !wild(std::string_view(out.text).substr(1)) && !out.path) {
    out.form = Pattern::Form::Ending;
    out.text.erase(0, 1);
  }
  return out;
}

bool FilterCheck::Pattern::Matches(const std::string& name, const std::string& relative, bool folder) const {
  if (foldersOnly && !folder) return false;
  const std::string& subject = path ? relative : name;
  switch (form) {
    case Form::Plain:
      return subject == text;
    case Form::Ending:
      return subject.size() >= text.size() && subject.compare(subject.size() - text.size(), text.size(), text) == 0;
    case Form::Wild:
      break;
  }
  return fs::GlobMatches(text, subject, path);
}

std::vector<std::string> SplitPatterns(std::string_view text) {
  std::vector<std::string> out;
  size_t at = 0;
  while (at <= text.size()) {
    const size_t comma = std::min(text.find(',', at), text.size());
    std::string item = TrimControl(text.substr(at, comma - at));
    if (!item.empty()) out.push_back(std::move(item));
    at = comma + 1;
  }
  return out;
}

std::optional<uint64_t> ParseSize(std::string_view text) {
  const std::string t = TrimControl(text);
  if (t.empty()) return uint64_t{0};
  size_t digits = 0;
  while (digits < t.size() && t[digits] >= '0' && t[digits] <= '9') ++digits;
  if (digits == 0 || digits > 12) return std::nullopt;
  const uint64_t number = std::stoull(t.substr(0, digits));
  std::string unit = TrimControl(std::string_view(t).substr(digits));
  for (char& c : unit) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
  if (unit.empty() || unit == "K" || unit == "KB") return number << 10;
  if (unit == "M" || unit == "MB") return number << 20;
  if (unit == "G" || unit == "GB") return number << 30;
  return std::nullopt;
}

std::optional<std::string> BadPattern(const FileFilter& filter) {
  for (const auto* list : {&filter.include, &filter.exclude}) {
    for (const std::string& p : *list) {
      if (!WellFormed(p)) return p;
    }
  }
  for (const std::string& name : filter.excludeFolders) {
    if (name.empty()) return name;
  }
  return std::nullopt;
}

FilterCheck::FilterCheck(const FileFilter& filter, Encoding cp) : filter_(filter), cp_(cp) {
  for (const std::string& p : filter.include) include_.push_back(Prepared(p));
  for (const std::string& p : filter.exclude) exclude_.push_back(Prepared(p));
  listed_ = ListedExtensions(filter.extensions, cp);
  for (const std::string& entry : filter.extensions) {
    const std::string trimmed = TrimControl(entry);
    if (trimmed == "*") everyFile_ = true;
    if (!trimmed.empty() && trimmed.find('.') == std::string::npos) names_.push_back(LowerAsciiCharacters(trimmed, cp));
  }
}

bool FilterCheck::Excluded(const std::string& name, const std::string& relative) const {
  return std::any_of(exclude_.begin(), exclude_.end(), [&](const Pattern& p) { return p.Matches(name, relative, false); });
}

bool FilterCheck::TakesFolder(std::string_view name, std::string_view within) const {
  if (filter_.skipHidden && !name.empty() && name.front() == '.') return false;
  if (std::find(filter_.excludeFolders.begin(), filter_.excludeFolders.end(), name) != filter_.excludeFolders.end()) {
    return false;
  }
  if (exclude_.empty()) return true;
  const std::string n(name), r = std::string(within) + n;
  return std::none_of(exclude_.begin(), exclude_.end(), [&](const Pattern& p) { return p.Matches(n, r, true); });
}

bool FilterCheck::Listed(std::string_view name) const {
  // Pictures and databases are never taken, whatever the list says.
  if (IsExcludedExt(name, cp_)) return false;
  if (everyFile_) return true;
  const std::string ext = FileExtension(name, cp_);
  if (ext.empty()) {
    const std::string lower = LowerAsciiCharacters(name, cp_);
    return std::find(names_.begin(), names_.end(), lower) != names_.end();
  }
  return std::find(listed_.begin(), listed_.end(), ext) != listed_.end();
}

FilterCheck::Verdict FilterCheck::File(std::string_view name, std::string_view within) const {
  if (!Listed(name)) return Verdict::Extension;
  if (filter_.skipHidden && !name.empty() && name.front() == '.') return Verdict::Filter;
  if (exclude_.empty() && include_.empty()) return Verdict::Take;
  const std::string n(name), r = std::string(within) + n;
  if (Excluded(n, r)) return Verdict::Filter;
  if (!include_.empty() &&
      std::none_of(include_.begin(), include_.end(), [&](const Pattern& p) { return p.Matches(n, r, false); })) {
    return Verdict::Filter;
  }
  return Verdict::Take;
}

}  // namespace zur
