#include "replace/substitute.h"

#include "fileset/bytesearch.h"
#include "fileset/text.h"

namespace zur {
namespace {

// The text that the placeholder loop still has to search: a short head (the last inserted
// replacement and what followed it there) followed by the untouched tail of the original text. Kept
// in two pieces so that no pass copies the rest of a large file.
class SplitText {
 public:
  explicit SplitText(std::string_view original) : tail_(original) {}

  size_t Size() const { return head_.size() + (tail_.size() - tailAt_); }

  // First occurrence of `needle` at or after `from` (positions count over head + tail).
  size_t Find(std::string_view needle, size_t from) const {
    if (needle.empty()) return kNotFound;
    const std::string_view tail = tail_.substr(tailAt_);
    if (from < head_.size()) {
      // Occurrences that start in the head may run into the tail.
      std::string junction = head_.substr(from);
      junction.append(tail.substr(0, needle.size() - 1));
      size_t hit = FindBytes(junction, needle);
      if (hit != kNotFound) return from + hit;
      from = head_.size();
    }
    size_t hit = FindBytes(tail, needle, from - head_.size());
    return hit == kNotFound ? kNotFound : head_.size() + hit;
  }

  void AppendRange(std::string& out, size_t begin, size_t end) const {
    if (begin < head_.size()) {
      out.append(head_, begin, std::min(end, head_.size()) - begin);
      begin = head_.size();
    }
    if (end > begin) out.append(tail_.substr(tailAt_ + begin - head_.size(), end - begin));
  }

  // The text becomes `insert` followed by everything from `from` on.
  void ReplaceUpTo(size_t from, std::string_view insert) {
    std::string next(insert);
    if (from < head_.size()) {
      next.append(head_, from);
    } else {
      tailAt_ += from - head_.size();
    }
    head_ = std::move(next);
  }

 private:
  std::string head_;
  std::string_view tail_;
  size_t tailAt_ = 0;
};

}  // namespace

namespace {

// Tells whether an occurrence may start at a position. Positions are asked about in increasing
// order, and `floor_` is always a known character start at or before them.
class CharacterStarts {
 public:
  CharacterStarts(std::string_view text, CodePage cp) : text_(text), cp_(cp) {}

  // `start` is known to begin a character (the end of a replaced occurrence).
  void Restart(size_t start) { floor_ = start; }

  bool IsStart(size_t at) {
    const auto* b = reinterpret_cast<const unsigned char*>(text_.data());
    if (cp_ == CodePage::Gbk) {
      // A lead byte (0x81-0xFE) pairs with whatever byte follows it, so any other byte ends a
      // character. Before `at` there is a run of lead-range bytes back to such a byte (or to the
      // floor); they pair up from the run's start, so `at` starts a character when the run is even.
      size_t k = at;
      while (k > floor_ && b[k - 1] >= 0x81 && b[k - 1] <= 0xFE) --k;
      const bool start = (at - k) % 2 == 0;
      floor_ = start ? at : at + 1;
      return start;
    }
    // UTF-8 synchronises itself: a position is inside a character only when a well-formed sequence
    // that starts at most three bytes before it covers it.
    for (size_t back = 1; back <= 3 && at >= floor_ + back; ++back) {
      if ((b[at - back] & 0xC0) == 0x80) continue;  // a continuation byte: look further back
      return CharLengthAt(text_, at - back, cp_) <= back;
    }
    return true;
  }

 private:
  std::string_view text_;
  CodePage cp_;
  size_t floor_ = 0;
};

// Replace-all from a first occurrence already found at `hit`.
std::string ReplaceFrom(std::string_view text, size_t hit, std::string_view find, std::string_view replacement,
                        CodePage cp) {
  std::string out;
  size_t copied = 0;  // text before this is in `out`
  CharacterStarts starts(text, cp);
  while (hit != kNotFound) {
    if (!starts.IsStart(hit)) {
      hit = FindBytes(text, find, hit + 1);
      continue;
    }
    if (out.empty()) out.reserve(text.size() + text.size() / 8);
    out.append(text.substr(copied, hit - copied));
    out.append(replacement);
    copied = hit + find.size();
    starts.Restart(copied);
    hit = FindBytes(text, find, copied);
  }
  if (copied == 0) return std::string(text);
  out.append(text.substr(copied));
  return out;
}

}  // namespace

std::string ReplaceAll(std::string_view text, std::string_view find, std::string_view replacement, CodePage cp) {
  if (find.empty()) return std::string(text);
  return ReplaceFrom(text, FindBytes(text, find), find, replacement, cp);
}

bool ReplaceInWorkText(WorkText& work, std::string_view find, std::string_view replacement, CodePage cp) {
  try {
    const size_t first = FindBytes(work.Joined(), find);
    if (first == kNotFound) return false;
    std::string result = ReplaceFrom(work.Joined(), first, find, replacement, cp);
    // Texts without line breaks cannot change where lines end, so the result needs no new split.
    if (HasLineBreak(find) || HasLineBreak(replacement)) {
      work.SetText(result);
    } else {
      work.SetJoined(std::move(result));
    }
    return true;
  } catch (...) {
    return false;
  }
}

void ReplaceKeyPattern(WorkText& work, std::string_view find, std::string_view replacement, CodePage cp) {
  try {
    const size_t key = FindBytes(find, kKeyPlaceholder);
    if (key == kNotFound) {
      work.SetText(ReplaceAll(work.Joined(), find, replacement, cp));
      return;
    }
    const std::string_view prefix = find.substr(0, key);
    const std::string_view suffix = find.substr(key + kKeyPlaceholder.size());
    SplitText rest(work.Joined());  // read only until the final SetText
    std::string out;
    for (int pass = 0; pass < MaxKeyMatches; ++pass) {
      size_t p = rest.Find(prefix, 0);
      if (p == kNotFound) break;
      size_t s = rest.Find(suffix, p + prefix.size());
      if (s == kNotFound) break;
      rest.AppendRange(out, 0, p);
      rest.ReplaceUpTo(s + suffix.size(), replacement);
    }
    rest.AppendRange(out, 0, rest.Size());
    work.SetText(out);
  } catch (...) {
  }
}

void ApplyRulesWithPattern(WorkText& work, const std::array<Rule, 3>& rules, CodePage cp) {
  try {
    for (const Rule& rule : rules) {
      if (rule.Active()) ReplaceKeyPattern(work, rule.find, rule.replacement, cp);
    }
  } catch (...) {
  }
}

bool WorkTextContains(const WorkText& work, std::string_view text) {
  try {
    return FindBytes(work.Joined(), text) != kNotFound;
  } catch (...) {
    return false;
  }
}

}  // namespace zur
