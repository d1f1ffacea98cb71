#include "replace/substitute.h"

#include <algorithm>
#include <cstring>

#include "fileset/bytesearch.h"

namespace zur {
namespace {

// The text that the placeholder loop still has to search: a short head (the last inserted
// replacement and what followed it there) followed by the untouched tail of the original text. Kept
// in two pieces so that no pass copies the rest of a large file.
class SplitText {
 public:
  explicit SplitText(std::string_view original) : tail_(original) {}

  size_t Size() const { return head_.size() + (tail_.size() - tailAt_); }

  // First occurrence that starts at or after `from` (positions count over head + tail).
  Span Find(const FindText& find, size_t from) const {
    const std::string_view tail = tail_.substr(tailAt_);
    size_t tailFrom = from > head_.size() ? from - head_.size() : 0;
    if (from < head_.size()) {
      // Occurrences that start in the head may run into the tail; the junction holds enough of it.
      std::string junction = head_.substr(from);
      junction.append(tail.substr(0, find.MaxLength() + 4));
      Span hit = find.Find(junction, 0);
      if (hit.begin != kNoSpan) return {from + hit.begin, from + hit.end};
      // An occurrence at the tail's first byte would have fitted into the junction.
      tailFrom = 1;
    }
    Span hit = find.Find(tail, tailFrom);
    if (hit.begin == kNoSpan) return hit;
    return {head_.size() + hit.begin, head_.size() + hit.end};
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

// Whether the rule's text can occur in the file at all, before its encoding is fully decided: a file
// without a byte-order mark is UTF-8 or GB18030, so either form may be the one. Where a form was found
// first is kept, so that the replacing does not search that part again.
struct Probe {
  bool may = true;
  size_t first[2] = {0, 0};  // per form (UTF-8, GB18030): where to start looking
};

Probe MayOccur(WorkText& work, const PreparedRule& rule, bool keyed) {
  Probe probe;
  if (work.KindKnown()) return probe;
  probe.may = false;
  for (Encoding e : {Encoding::Utf8, Encoding::Gb18030}) {
    const size_t slot = e == Encoding::Utf8 ? 0 : 1;
    if (e == Encoding::Gb18030 && rule.sameWithoutMark) {
      probe.first[1] = probe.first[0];
      break;
    }
    const PreparedRule::Form& form = rule.In(e);
    if (!form.usable) continue;
    const FindText& find = (keyed && form.keyed) ? form.prefix : form.find;
    if (find.Empty()) {
      probe.may = true;
      continue;
    }
    const Span hit = find.Find(work.View(), work.Start());
    probe.first[slot] = hit.begin == kNoSpan ? work.View().size() : hit.begin;
    if (hit.begin != kNoSpan) probe.may = true;
  }
  return probe;
}

size_t FirstFor(const Probe& probe, Encoding e, size_t start) {
  if (e == Encoding::Utf8) return std::max(start, probe.first[0]);
  if (e == Encoding::Gb18030) return std::max(start, probe.first[1]);
  return start;
}

bool ReplaceAllIn(WorkText& work, const PreparedRule::Form& form, size_t from) {
  bool any = false;
  const TextKind& kind = work.Kind();
  std::vector<Span> spans = Occurrences(work.View(), work.Start(), form.find, kind.encoding, &any, from);
  if (spans.empty()) return any;
  const std::string replacement = ReplacementBytes(form, work.LineEnd());
  work.WillChange();
  ReplaceSpans(work.Bytes(), spans, replacement);
  return any;
}

}  // namespace

std::vector<Span> Occurrences(std::string_view text, size_t start, const FindText& find, Encoding e, bool* any,
                              size_t from) {
  std::vector<Span> spans;
  if (any) *any = false;
  if (find.Empty()) return spans;
  CharBoundaries bounds(text, e, start);
  from = std::max(from, start);
  for (;;) {
    const Span hit = find.Find(text, from);
    if (hit.begin == kNoSpan) break;
    if (any) *any = true;
    if (bounds.StartsCharacter(hit.begin) && bounds.EndsCharacter(hit.begin, hit.end)) {
      spans.push_back(hit);
      from = hit.end;
      bounds.Restart(hit.end);
    } else {
      from = hit.begin + 1;
    }
  }
  return spans;
}

void ReplaceSpans(ByteBuffer& bytes, const std::vector<Span>& spans, std::string_view replacement) {
  if (spans.empty()) return;
  const size_t r = replacement.size();
  size_t shortest = spans[0].size(), longest = spans[0].size();
  size_t removed = 0;
  for (const Span& s : spans) {
    shortest = std::min(shortest, s.size());
    longest = std::max(longest, s.size());
    removed += s.size();
  }
  const size_t oldSize = bytes.size();
  const size_t newSize = oldSize - removed + spans.size() * r;
  if (r <= shortest) {
    // Shrinking: written front to back, never ahead of what is still to be read.
    char* p = bytes.data();
    size_t w = spans[0].begin;
    for (size_t i = 0; i < spans.size(); ++i) {
      const size_t gapEnd = i + 1 < spans.size() ? spans[i + 1].begin : oldSize;
      std::memcpy(p + w, replacement.data(), r);
      w += r;
      std::memmove(p + w, p + spans[i].end, gapEnd - spans[i].end);
      w += gapEnd - spans[i].end;
    }
    bytes.resize(newSize);
  } else if (r >= longest) {
    // Growing: the buffer is made longer first and written back to front.
    bytes.resize(newSize);
    char* p = bytes.data();
    size_t w = newSize;
    size_t readEnd = oldSize;
    for (size_t i = spans.size(); i-- > 0;) {
      const size_t tail = readEnd - spans[i].end;
      w -= tail;
      std::memmove(p + w, p + spans[i].end, tail);
      w -= r;
      std::memcpy(p + w, replacement.data(), r);
      readEnd = spans[i].begin;
    }
  } else {
    ByteBuffer out;
    out.reserve(newSize);
    size_t copied = 0;
    for (const Span& s : spans) {
      out.append(bytes.view().substr(copied, s.begin - copied));
      out.append(replacement);
      copied = s.end;
    }
    out.append(bytes.view().substr(copied));
    bytes = std::move(out);
  }
}

std::string ReplaceAll(std::string_view text, std::string_view find, std::string_view replacement, CodePage cp) {
  const Encoding e = EncodingOfCodePage(cp);
  const std::vector<Span> spans = Occurrences(text, 0, FindText({std::string(find)}, Units{}), e);
  if (spans.empty()) return std::string(text);
  std::string out;
  out.reserve(text.size() + spans.size() * replacement.size());
  size_t copied = 0;
  for (const Span& s : spans) {
    out.append(text.substr(copied, s.begin - copied));
    out.append(replacement);
    copied = s.end;
  }
  out.append(text.substr(copied));
  return out;
}

bool ReplaceInWorkText(WorkText& work, const PreparedRule& rule) {
  try {
    if (!rule.active || work.NotText()) return false;
    const Probe probe = MayOccur(work, rule, false);
    if (!probe.may) return false;
    const Encoding e = work.Kind().encoding;
    const PreparedRule::Form& form = rule.In(e);
    if (!form.usable) return false;
    return ReplaceAllIn(work, form, FirstFor(probe, e, work.Start()));
  } catch (...) {
    return false;
  }
}

void ReplaceKeyPattern(WorkText& work, const PreparedRule& rule) {
  try {
    if (!rule.active || work.NotText() || !MayOccur(work, rule, true).may) return;
    const PreparedRule::Form& form = rule.In(work.Kind().encoding);
    if (!form.usable) return;
    if (!form.keyed) {
      ReplaceAllIn(work, form, work.Start());
      return;
    }
    // An empty prefix or suffix never completes a match.
    if (form.prefix.Empty() || form.suffix.Empty()) return;
    const std::string replacement = ReplacementBytes(form, work.LineEnd());
    const size_t start = work.Start();
    SplitText rest(work.View().substr(start));  // read only until the text is set again below
    std::string out;
    bool replaced = false;
    for (int pass = 0; pass < MaxKeyMatches; ++pass) {
      const Span p = rest.Find(form.prefix, 0);
      if (p.begin == kNoSpan) break;
      const Span s = rest.Find(form.suffix, p.end);
      if (s.begin == kNoSpan) break;
      rest.AppendRange(out, 0, p.begin);
      rest.ReplaceUpTo(s.end, replacement);
      replaced = true;
    }
    if (!replaced) return;
    rest.AppendRange(out, 0, rest.Size());
    work.WillChange();
    ByteBuffer result;
    result.reserve(start + out.size());
    result.append(work.View().substr(0, start));
    result.append(out);
    work.Bytes() = std::move(result);
  } catch (...) {
  }
}

void ApplyRules(WorkText& work, const PreparedRules& rules, bool keyed) {
  try {
    for (const PreparedRule& rule : rules) {
      if (keyed) {
        ReplaceKeyPattern(work, rule);
      } else {
        ReplaceInWorkText(work, rule);
      }
    }
  } catch (...) {
  }
}

bool WorkTextContains(WorkText& work, const PreparedText& text) {
  try {
    auto probe = [&](Encoding e) {
      const auto& form = text.In(e);
      return form && form->Find(work.View(), work.Start()).begin != kNoSpan;
    };
    if (work.KindKnown()) return probe(work.Kind().encoding);
    // Without a byte-order mark the file is UTF-8 or GB18030: when the text has the same bytes in
    // both, its encoding does not matter; else only a hit of one form makes the decision needed.
    if (text.sameWithoutMark) return probe(Encoding::Utf8);
    if (!probe(Encoding::Utf8) && !probe(Encoding::Gb18030)) return false;
    return probe(work.Kind().encoding);
  } catch (...) {
    return false;
  }
}

}  // namespace zur
