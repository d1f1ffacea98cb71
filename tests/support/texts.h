// Texts for the core's tests: window text from UTF-8 or GBK literals, and rules made ready.
#pragma once

#include <initializer_list>
#include <string>
#include <utility>

#include "core/replace/matcher.h"
#include "core/replace/rules.h"
#include "core/replace/substitute.h"
#include "core/replace/worktext.h"
#include "core/text/codec.h"

namespace zur::testing {

// Window text of a UTF-8 literal.
inline std::u16string U(std::string_view utf8) { return DecodeText(utf8, Encoding::Utf8); }
// Window text of GBK bytes (bytes that are no character become escape characters).
inline std::u16string G(std::string_view gbk) { return DecodeText(gbk, Encoding::Gb18030); }

// Three rule rows (the ones not given empty), given as window texts, with the key placeholder
// understood when `keyed` (the match commands), and the options given to all of them.
inline RuleSet RulesOf(std::initializer_list<std::pair<std::u16string, std::u16string>> rules, bool keyed = false,
                       RuleOptions options = {}) {
  std::vector<Rule> r(3);
  size_t i = 0;
  for (const auto& [find, replacement] : rules) r[i++] = MakeRule(find, replacement, options);
  RuleError error;
  return BuildRules(r, keyed, error).value();
}

// The bytes a file becomes when the rules are applied to it.
inline std::string Applied(std::string_view bytes, const RuleSet& rules, Encoding locale = Encoding::Utf8) {
  WorkText w(locale);
  w.SetBytes(bytes);
  ApplyRules(w, rules);
  return std::string(w.View());
}

}  // namespace zur::testing
