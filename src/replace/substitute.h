// The substitution operations that every command rewrites, tests or copies text with. They work on
// the joined text of a WorkText (every line followed by CR LF) and never raise.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "platform/codepage.h"
#include "replace/rules.h"
#include "replace/worktext.h"

namespace zur {

inline constexpr int MaxKeyMatches = 1000;
inline constexpr std::string_view kKeyPlaceholder = "#key#";

// Every occurrence of `find` replaced by `replacement`, left to right, without overlaps; replacement
// texts are never scanned again. An occurrence that would begin inside a multi-byte character (the
// second byte of a GBK pair, or inside a UTF-8 sequence) is skipped. Characters are counted from the
// start of the text and again from the end of each replaced occurrence.
std::string ReplaceAll(std::string_view text, std::string_view find, std::string_view replacement, CodePage cp);

// True when `find` occurs in the joined text (a plain byte search); then every occurrence is replaced
// and the lines are set from the result. Otherwise the text is left alone.
bool ReplaceInWorkText(WorkText& work, std::string_view find, std::string_view replacement, CodePage cp);

// One rule with "#key#" understood: with "prefix#key#suffix" every span from a prefix to the nearest
// following suffix (across lines too) becomes the replacement, at most MaxKeyMatches times; the next
// pass searches again from the start of the inserted text. Without the placeholder, ReplaceAll.
void ReplaceKeyPattern(WorkText& work, std::string_view find, std::string_view replacement, CodePage cp);

// Rules 1 to 3 in order through ReplaceKeyPattern, skipping rules whose find text is empty.
void ApplyRulesWithPattern(WorkText& work, const std::array<Rule, 3>& rules, CodePage cp);

// True when a plain byte search finds `text` in the joined text.
bool WorkTextContains(const WorkText& work, std::string_view text);

}  // namespace zur
