// The text that the key placeholder's loop still has to search (substitute.h): each match's
// replacement is searched again from its start, so the text is the last inserted replacement and what
// followed it there (a short head) followed by the untouched rest of the original text (the tail),
// kept in two pieces so that no pass copies the rest of a large file.
#pragma once

#include <algorithm>
#include <string>
#include <string_view>

#include "core/text/matching.h"

namespace zur {

class SplitText {
 public:
  explicit SplitText(std::string_view original) : tail_(original) {}

  size_t Size() const { return head_.size() + (tail_.size() - tailAt_); }

  // First occurrence that starts at or after `from` (positions count over head + tail). `find(text,
  // from)` gives the first occurrence in a text, `maxLength` the longest one it can be (so that the
  // junction of head and tail holds any that starts in the head). The head is searched whole, so
  // what precedes `from` there is seen as what precedes an occurrence.
  template <class Finder>
  Span Find(const Finder& find, size_t maxLength, size_t from) const {
    size_t tailFrom = from > head_.size() ? from - head_.size() : 0;
    if (from < head_.size()) {
      std::string junction = head_;
      junction.append(tail_.substr(tailAt_, maxLength + 4));
      Span hit = find(std::string_view(junction), from);
      // One that starts in the head, or at the tail's first byte, fits into the junction whole (with a
      // character after it to spare); one further on is looked for in the tail itself.
      if (hit.begin != kNoSpan && hit.begin <= head_.size()) return hit;
      tailFrom = 1;
    }
    if (tailAt_ + tailFrom > tail_.size()) return {kNoSpan, kNoSpan};
    // Searched in the original text from its place, so that what precedes is seen too.
    Span hit = find(tail_, tailAt_ + tailFrom);
    if (hit.begin == kNoSpan) return hit;
    return {head_.size() + hit.begin - tailAt_, head_.size() + hit.end - tailAt_};
  }

  // Hands the range's part in the head (text of earlier replacements) and its part in the tail (the
  // original text, with where it starts there) to `out`.
  template <class Out>
  void AppendRange(const Out& out, size_t begin, size_t end) const {
    if (begin < head_.size()) {
      out.Head(std::string_view(head_).substr(begin, std::min(end, head_.size()) - begin));
      begin = head_.size();
    }
    if (end > begin) out.Tail(tail_.substr(tailAt_ + begin - head_.size(), end - begin), tailAt_ + begin - head_.size());
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

}  // namespace zur
