#include "core/replace/substitute.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "core/replace/splittext.h"
#include "core/text/bytesearch.h"

namespace zur {
namespace {

// A FindText as SplitText searches with it.
struct ByFindText {
  const FindText& find;
  Span operator()(std::string_view text, size_t from) const { return find.Find(text, from); }
};

// Ranges of the placeholder loop's text appended as they are.
struct Appending {
  std::string& out;
  void Head(std::string_view part) const { out.append(part); }
  void Tail(std::string_view part, size_t) const { out.append(part); }
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
  auto findOf = [&](Encoding e) -> const FindText* {
    const PreparedRule::Form& form = rule.In(e);
    if (!form.usable) return nullptr;
    return (keyed && form.keyed) ? &form.prefix : &form.find;
  };
  const FindText* utf8 = findOf(Encoding::Utf8);
  const FindText* gb = findOf(Encoding::Gb18030);
  auto plain = [](const FindText* f) { return f && !f->Empty() && !f->HasLineBreak() && f->UnitWidth() == 1; };
  if (!rule.sameWithoutMark && plain(utf8) && plain(gb)) {
    // Both forms in one pass. Neither occurs before the first place found, so both searches for the
    // replacing can start there.
    int which = 0;
    const size_t at = FindEitherBytes(work.View(), utf8->Pieces()[0], gb->Pieces()[0], work.Start(), which);
    probe.may = at != kNotFound;
    probe.first[0] = probe.first[1] = probe.may ? at : work.View().size();
    return probe;
  }
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
    if (hit.begin != kNoSpan) {
      // One form found is enough to go on: the other is looked for (from the start) only if the
      // file turns out to be of its encoding.
      probe.may = true;
      break;
    }
  }
  return probe;
}

size_t FirstFor(const Probe& probe, Encoding e, size_t start) {
  if (e == Encoding::Utf8) return std::max(start, probe.first[0]);
  if (e == Encoding::Gb18030) return std::max(start, probe.first[1]);
  return start;
}

// Calls `each` for every occurrence (on character boundaries, left to right, no overlaps) from
// `from` on; returns whether the text occurs at all.
template <class Each>
bool ForEachOccurrence(std::string_view text, size_t start, const FindText& find, Encoding e, size_t from, Each each) {
  bool any = false;
  if (find.Empty()) return any;
  CharBoundaries bounds(text, e, start);
  from = std::max(from, start);
  if (!find.HasLineBreak()) {
    // One pass of the byte search for all occurrences.
    const std::string& needle = find.Pieces()[0];
    const size_t w = find.UnitWidth();
    // In UTF-8 and GB18030 a byte below 0x80 that starts a character is the whole character, so a
    // text of such bytes that starts on a character ends on one.
    const bool singleBytes = (e == Encoding::Utf8 || e == Encoding::Gb18030) &&
                             std::all_of(needle.begin(), needle.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    ForEachBytes(text, needle, from, [&](size_t at) -> size_t {
      if (w > 1 && at % w != 0) return at + 1;
      any = true;
      const size_t end = at + needle.size();
      if (!bounds.StartsCharacter(at) || (!singleBytes && !bounds.EndsCharacter(at, end))) return at + 1;
      each(Span{at, end});
      bounds.Restart(end);
      return end;
    });
    return any;
  }
  for (;;) {
    const Span hit = find.Find(text, from);
    if (hit.begin == kNoSpan) break;
    any = true;
    if (bounds.StartsCharacter(hit.begin) && bounds.EndsCharacter(hit.begin, hit.end)) {
      each(hit);
      from = hit.end;
      bounds.Restart(hit.end);
    } else {
      from = hit.begin + 1;
    }
  }
  return any;
}

// The first occurrence on character boundaries, or a span with begin == kNoSpan; stops there.
Span FirstOccurrence(std::string_view text, size_t start, const FindText& find, Encoding e, size_t from) {
  if (find.Empty()) return Span{kNoSpan, kNoSpan};
  CharBoundaries bounds(text, e, start);
  const size_t w = find.UnitWidth();
  for (from = std::max(from, start);;) {
    const Span hit = find.Find(text, from);
    if (hit.begin == kNoSpan) return hit;
    if ((w == 1 || hit.begin % w == 0) && bounds.StartsCharacter(hit.begin) && bounds.EndsCharacter(hit.begin, hit.end)) {
      return hit;
    }
    from = hit.begin + 1;
  }
}

// Replace-all inside the file's own buffer, with memory near the file's size: a replacement no
// longer than the shortest occurrence is written while searching, front to back (never ahead of what
// is still to be searched); a longer one needs the places first, kept four bytes each when the
// occurrences are all of one length.
bool ReplaceAllIn(WorkText& work, const PreparedRule::Form& form, size_t from, size_t& replaced) {
  const Encoding e = work.Kind().encoding;
  const std::string replacement = ReplacementBytes(form, work);
  const size_t r = replacement.size();
  ByteBuffer& bytes = work.Bytes();
  const std::string_view text = bytes.view();
  if (r <= form.find.MinLength()) {
    size_t w = 0, copied = 0;
    bool first = true;
    const bool any = ForEachOccurrence(text, work.Start(), form.find, e, from, [&](const Span& hit) {
      if (first) {
        work.WillChange();
        first = false;
        w = copied = hit.begin;
      }
      char* p = bytes.data();
      // A replacement as long as the text leaves everything else where it is: nothing to move.
      if (w != copied) std::memmove(p + w, p + copied, hit.begin - copied);
      w += hit.begin - copied;
      std::memcpy(p + w, replacement.data(), r);
      w += r;
      copied = hit.end;
      ++replaced;
    });
    if (!first) {
      char* p = bytes.data();
      if (w != copied) std::memmove(p + w, p + copied, bytes.size() - copied);
      bytes.resize(w + bytes.size() - copied);
    }
    return any;
  }
  if (!form.find.HasLineBreak()) {
    const size_t len = form.find.MinLength();
    std::vector<uint32_t> gaps;  // from the end of one occurrence to the start of the next
    size_t last = 0, count = 0;
    bool fits = true;
    std::vector<Span> spans;  // only when a gap does not fit four bytes
    const bool any = ForEachOccurrence(text, work.Start(), form.find, e, from, [&](const Span& hit) {
      const size_t gap = hit.begin - last;
      if (fits && gap > UINT32_MAX) {
        fits = false;
        size_t at = 0;
        for (uint32_t g : gaps) {
          spans.push_back({at + g, at + g + len});
          at += g + len;
        }
        gaps.clear();
      }
      if (fits) {
        gaps.push_back(static_cast<uint32_t>(gap));
      } else {
        spans.push_back(hit);
      }
      last = hit.end;
      ++count;
    });
    if (count == 0) return any;
    replaced += count;
    work.WillChange();
    if (!fits) {
      ReplaceSpans(bytes, spans, replacement);
      return any;
    }
    // Made longer first, then written back to front.
    const size_t oldSize = bytes.size();
    const size_t newSize = oldSize + count * (r - len);
    bytes.resize(newSize);
    char* p = bytes.data();
    size_t readEnd = oldSize, w = newSize, end = last;
    for (size_t i = gaps.size(); i-- > 0;) {
      const size_t tail = readEnd - end;
      w -= tail;
      std::memmove(p + w, p + end, tail);
      w -= r;
      std::memcpy(p + w, replacement.data(), r);
      readEnd = end - len;
      end = readEnd - gaps[i];
    }
    return any;
  }
  bool any = false;
  std::vector<Span> spans = Occurrences(text, work.Start(), form.find, e, &any, from);
  if (spans.empty()) return any;
  replaced += spans.size();
  work.WillChange();
  ReplaceSpans(bytes, spans, replacement);
  return any;
}

}  // namespace

std::vector<Span> Occurrences(std::string_view text, size_t start, const FindText& find, Encoding e, bool* any,
                              size_t from) {
  std::vector<Span> spans;
  const bool found = ForEachOccurrence(text, start, find, e, from, [&](const Span& hit) { spans.push_back(hit); });
  if (any) *any = found;
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

std::string ReplaceAll(std::string_view text, std::string_view find, std::string_view replacement, Encoding e,
                       size_t* replaced) {
  const std::vector<Span> spans = Occurrences(text, 0, FindText({std::string(find)}, Units::Of(e)), e);
  if (replaced) *replaced = spans.size();
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

bool ReplaceInWorkText(WorkText& work, const PreparedRule& rule, size_t* replaced) {
  size_t ignored = 0;
  size_t& count = replaced ? *replaced : ignored;
  if (!rule.active) return false;
  // Whether the file is text is asked only of a file where the rule's text occurs.
  const Probe probe = MayOccur(work, rule, false);
  if (!probe.may || work.NotText()) return false;
  const Encoding e = work.Kind().encoding;
  const PreparedRule::Form& form = rule.In(e);
  if (!form.usable) return false;
  return ReplaceAllIn(work, form, FirstFor(probe, e, work.Start()), count);
}

void ReplaceKeyPattern(WorkText& work, const PreparedRule& rule, size_t* replaced) {
  size_t ignored = 0;
  size_t& count = replaced ? *replaced : ignored;
  if (!rule.active || !MayOccur(work, rule, true).may || work.NotText()) return;
  const PreparedRule::Form& form = rule.In(work.Kind().encoding);
  if (!form.usable) return;
  if (!form.keyed) {
    ReplaceAllIn(work, form, work.Start(), count);
    return;
  }
  // An empty prefix or suffix never completes a match.
  if (form.prefix.Empty() || form.suffix.Empty()) return;
  const std::string replacement = ReplacementBytes(form, work);
  const size_t start = work.Start();
  SplitText rest(work.View().substr(start));  // read only until the text is set again below
  std::string out;
  size_t matches = 0;
  for (int pass = 0; pass < MaxKeyMatches; ++pass) {
    const Span p = rest.Find(ByFindText(form.prefix), form.prefix.MaxLength(), 0);
    if (p.begin == kNoSpan) break;
    const Span s = rest.Find(ByFindText(form.suffix), form.suffix.MaxLength(), p.end);
    if (s.begin == kNoSpan) break;
    rest.AppendRange(Appending{out}, 0, p.begin);
    rest.ReplaceUpTo(s.end, replacement);
    ++matches;
  }
  if (matches == 0) return;
  count += matches;
  rest.AppendRange(Appending{out}, 0, rest.Size());
  work.TakeText(out);
}

Span FirstOccurrenceFrom(std::string_view text, size_t start, const FindText& find, Encoding e, size_t from) {
  return FirstOccurrence(text, start, find, e, from);
}

bool WorkTextContains(WorkText& work, const PreparedText& text) {
  // A byte hit of one form of the text, boundaries aside: the cheap test that most files fail.
  auto bytesOccur = [&](Encoding e) {
    const auto& form = text.In(e);
    return form && form->Find(work.View(), work.Start()).begin != kNoSpan;
  };
  // What decides, as for the batch: an occurrence that starts and ends on character boundaries of the
  // file's own encoding.
  auto counts = [&] {
    const Encoding e = work.Kind().encoding;
    const auto& form = text.In(e);
    return form && FirstOccurrence(work.View(), work.Start(), *form, e, work.Start()).begin != kNoSpan;
  };
  if (work.KindKnown()) return counts();
  // Without a byte-order mark the file is UTF-8 or GB18030; its encoding is decided only for a file
  // where one form of the text occurs at all.
  if (text.sameWithoutMark) return bytesOccur(Encoding::Utf8) && counts();
  const auto& utf8 = text.In(Encoding::Utf8);
  const auto& gb = text.In(Encoding::Gb18030);
  auto plain = [](const auto& form) { return form && !form->Empty() && !form->HasLineBreak(); };
  if (plain(utf8) && plain(gb)) {
    // Both forms in one pass.
    int which = 0;
    if (FindEitherBytes(work.View(), utf8->Pieces()[0], gb->Pieces()[0], work.Start(), which) == kNotFound) return false;
    return counts();
  }
  if (!bytesOccur(Encoding::Utf8) && !bytesOccur(Encoding::Gb18030)) return false;
  return counts();
}

}  // namespace zur
