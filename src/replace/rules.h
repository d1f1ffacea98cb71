// A rule as the commands see it: the find text and the replacement text of one rule row, both
// trimmed of characters with codes 0-32 at their ends. A rule with an empty find text is skipped.
#pragma once

#include <string>
#include <string_view>

namespace zur {

struct Rule {
  std::string find;
  std::string replacement;
  bool Active() const { return !find.empty(); }
};

Rule MakeRule(std::string_view find, std::string_view replacement);

}  // namespace zur
