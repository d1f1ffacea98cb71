// A rule as the commands see it: the find text and the replacement text of one rule row, as the
// window holds them (line breaks as CR LF), both trimmed of characters with codes 0-32 at their ends.
// A rule with an empty find text is skipped.
//
// Files differ in encoding, so a rule is kept as text and made ready for each encoding once, when a
// command starts: its texts encoded, its find text split at line breaks and at the placeholder.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/text/encoding.h"
#include "core/text/matching.h"

namespace zur {

inline constexpr std::u16string_view kKeyPlaceholder16 = u"#key#";

// How a rule matches. The defaults are an exact, case-sensitive text, as a rule row always matched.
struct RuleOptions {
  bool matchCase = true;   // letters must have the case they have in the find text (Unicode case)
  bool wholeWord = false;  // a match is not preceded or followed by a letter, digit or underscore
  bool regex = false;      // the find text is a regular expression (PCRE2), the replacement may
                           // refer to its groups
  bool Plain() const { return matchCase && !wholeWord && !regex; }
  bool operator==(const RuleOptions&) const = default;
};

// The options as letters, as the journal and rule tables write them: "i" (ignore case), "w" (whole
// word), "r" (regular expression); "" for the defaults. Nothing for a letter that is none of them.
std::string OptionLetters(const RuleOptions& options);
std::optional<RuleOptions> OptionsFromLetters(std::string_view letters);

struct Rule {
  std::u16string find;
  std::u16string replacement;
  RuleOptions options;
  bool Active() const { return !find.empty(); }
};

Rule MakeRule(std::u16string_view find, std::u16string_view replacement, RuleOptions options = {});

// Removes code units 0-32 from both ends.
std::u16string TrimControl16(std::u16string_view s);

// A text split at its line breaks (CR LF, CR or LF) and encoded: nothing when some character of it
// cannot be expressed in the encoding.
std::optional<FindText> PrepareFindText(std::u16string_view text, Encoding e);

// One rule ready for files of every encoding.
struct PreparedRule {
  struct Form {
    bool usable = false;  // both texts can be expressed in this encoding
    FindText find;        // the whole find text
    bool keyed = false;   // the find text holds the placeholder
    FindText prefix;      // the find text before the first placeholder, and after it
    FindText suffix;
    std::vector<std::string> replacement;  // the replacement's pieces between its line breaks
  };
  bool active = false;
  bool sameWithoutMark = false;  // the UTF-8 and GB18030 forms are the same bytes (ASCII texts)
  std::array<Form, 4> forms;  // by Encoding
  const Form& In(Encoding e) const { return forms[static_cast<size_t>(e)]; }
};

PreparedRule PrepareRule(const Rule& rule);

// The replacement's bytes for a file: its pieces joined with the file's line end.
std::string ReplacementBytes(const PreparedRule::Form& form, std::string_view lineEnd);
class WorkText;
std::string ReplacementBytes(const PreparedRule::Form& form, WorkText& work);

// A search text ready for every encoding.
struct PreparedText {
  std::array<std::optional<FindText>, 4> forms;
  bool sameWithoutMark = false;  // the same bytes in UTF-8 and GB18030 (ASCII only)
  const std::optional<FindText>& In(Encoding e) const { return forms[static_cast<size_t>(e)]; }
};
PreparedText PrepareText(std::u16string_view text);

}  // namespace zur
