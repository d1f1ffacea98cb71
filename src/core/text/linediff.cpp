#include "core/text/linediff.h"

#include <algorithm>
#include <cstddef>
#include <functional>
#include <vector>

namespace zur {
namespace {

struct Line {
  std::u16string_view whole;  // with its line end
  size_t length;              // without it
  size_t hash;
};

std::vector<Line> SplitLines(std::u16string_view text) {
  std::vector<Line> lines;
  size_t start = 0;
  auto add = [&](size_t length, size_t end) {
    const std::u16string_view whole = text.substr(start, end - start);
    lines.push_back({whole, length, std::hash<std::u16string_view>{}(whole)});
    start = end;
  };
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u'\n') {
      add(i - start, i + 1);
    } else if (text[i] == u'\r') {
      const bool pair = i + 1 < text.size() && text[i + 1] == u'\n';
      add(i - start, i + (pair ? 2 : 1));
      if (pair) ++i;
    }
  }
  if (start < text.size()) add(text.size() - start, text.size());
  return lines;
}

bool Same(const Line& a, const Line& b) { return a.hash == b.hash && a.whole == b.whole; }

enum class Op : char { Keep, Remove, Add };

// How far past a difference the texts are searched for agreement; where they do not agree again within
// it, the line is taken as changed (one removed, one added) and the search goes on after it.
constexpr size_t kReach = 64;

// The ops, up to the one that makes `limit` changed lines (then `cut` is set: the rest is not shown).
std::vector<Op> EditScript(const std::vector<Line>& a, const std::vector<Line>& b, size_t limit, bool& cut) {
  std::vector<Op> ops;
  ops.reserve(std::max(a.size(), b.size()));
  size_t i = 0;
  size_t j = 0;
  // Agreement at (x, y): both texts end there, or two lines agree (one, where a text ends after it).
  auto agree = [&](size_t x, size_t y) {
    if (x == a.size() || y == b.size()) return x == a.size() && y == b.size();
    if (!Same(a[x], b[y])) return false;
    return x + 1 == a.size() || y + 1 == b.size() || Same(a[x + 1], b[y + 1]);
  };
  size_t changed = 0;
  while (i < a.size() && j < b.size()) {
    if (changed > limit) {
      cut = true;
      return ops;
    }
    if (Same(a[i], b[j])) {
      ops.push_back(Op::Keep);
      ++i, ++j;
      continue;
    }
    bool found = false;
    size_t removed = 1;
    size_t added = 1;
    for (size_t k = 1; k <= kReach && !found; ++k) {
      // The even split first: a changed line is one removed and one added.
      for (size_t t = 0; t <= k && !found; ++t) {
        const ptrdiff_t offset = (t % 2) ? static_cast<ptrdiff_t>((t + 1) / 2) : -static_cast<ptrdiff_t>(t / 2);
        const ptrdiff_t x = static_cast<ptrdiff_t>(k / 2) + offset;
        if (x < 0 || x > static_cast<ptrdiff_t>(k)) continue;
        const size_t dx = static_cast<size_t>(x);
        const size_t dy = k - dx;
        if (i + dx > a.size() || j + dy > b.size()) continue;
        if (agree(i + dx, j + dy)) {
          removed = dx;
          added = dy;
          found = true;
        }
      }
    }
    ops.insert(ops.end(), removed, Op::Remove);
    ops.insert(ops.end(), added, Op::Add);
    i += removed;
    j += added;
    changed += removed + added;
  }
  ops.insert(ops.end(), a.size() - i, Op::Remove);
  ops.insert(ops.end(), b.size() - j, Op::Add);
  return ops;
}

void AppendNumber(std::u16string& out, size_t n) {
  for (char c : std::to_string(n)) out.push_back(static_cast<char16_t>(c));
}

// "-start,count" or "+start,count" as unified diffs give them: an empty range names the line before.
void AppendRange(std::u16string& out, char16_t sign, size_t first, size_t count) {
  out.push_back(sign);
  AppendNumber(out, count == 0 ? first : first + 1);
  out.push_back(u',');
  AppendNumber(out, count);
}

}  // namespace

LineDiff UnifiedDiff(std::u16string_view before, std::u16string_view after, size_t context, size_t maxLines) {
  LineDiff diff;
  const std::vector<Line> a = SplitLines(before);
  const std::vector<Line> b = SplitLines(after);
  const std::vector<Op> ops = EditScript(a, b, maxLines, diff.truncated);
  // Where each op stands in either text.
  std::vector<size_t> ai(ops.size() + 1), bi(ops.size() + 1);
  for (size_t n = 0; n < ops.size(); ++n) {
    ai[n + 1] = ai[n] + (ops[n] != Op::Add);
    bi[n + 1] = bi[n] + (ops[n] != Op::Remove);
  }
  size_t shownLines = 0;
  size_t n = 0;
  while (n < ops.size()) {
    while (n < ops.size() && ops[n] == Op::Keep) ++n;
    if (n == ops.size()) break;
    if (shownLines >= maxLines) {
      diff.truncated = true;
      break;
    }
    // A hunk: from `context` lines before this change to `context` lines after its last change, where
    // changes closer than twice the context share one hunk.
    const size_t begin = n >= context ? n - context : 0;
    size_t end = n;
    size_t keptRun = 0;
    for (size_t m = n; m < ops.size(); ++m) {
      if (ops[m] != Op::Keep) {
        keptRun = 0;
        end = m + 1;
      } else if (++keptRun > 2 * context) {
        break;
      }
    }
    const size_t stop = std::min(ops.size(), end + context);
    diff.text += u"@@ ";
    AppendRange(diff.text, u'-', ai[begin], ai[stop] - ai[begin]);
    diff.text.push_back(u' ');
    AppendRange(diff.text, u'+', bi[begin], bi[stop] - bi[begin]);
    diff.text += u" @@\n";
    for (size_t m = begin; m < stop; ++m) {
      const Line& line = ops[m] == Op::Add ? b[bi[m]] : a[ai[m]];
      diff.text.push_back(ops[m] == Op::Keep ? u' ' : ops[m] == Op::Remove ? u'-' : u'+');
      diff.text.append(line.whole.substr(0, line.length));
      diff.text.push_back(u'\n');
    }
    shownLines += stop - begin + 1;
    ++diff.hunks;
    n = stop;
  }
  return diff;
}

}  // namespace zur
