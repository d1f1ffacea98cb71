// The changes between two texts as a unified diff of their lines: hunks of changed lines with a few
// unchanged lines around them, "-" before a line of the first text, "+" before one of the second.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace zur {

struct LineDiff {
  std::u16string text;     // the hunks, each line ended by '\n'
  size_t hunks = 0;
  bool truncated = false;  // more changes followed than `maxLines` allowed to show
};

// Lines end at LF, CR LF or CR; a line counts as changed when its text or its line end changed (the
// shown lines leave their line ends out). The lines are matched greedily: after a difference, the
// nearest place where both texts agree again on two lines (or end) closes it. That finds the small,
// local changes replacements make in a time that grows with the text, not with its square.
LineDiff UnifiedDiff(std::u16string_view before, std::u16string_view after, size_t context = 3,
                     size_t maxLines = 20000);

}  // namespace zur
