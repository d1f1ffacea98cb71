// Texts for the core's tests: window text from UTF-8 or GBK literals, and rules made ready.
#pragma once

#include <initializer_list>
#include <string>
#include <utility>

#include "core/replace/rules.h"
#include "core/replace/substitute.h"
#include "core/replace/worktext.h"
#include "core/text/codec.h"

namespace zur::testing {

// Window text of a UTF-8 literal.
inline std::u16string U(std::string_view utf8) { return DecodeText(utf8, Encoding::Utf8); }
// Window text of GBK bytes (bytes that are no character become escape characters).
inline std::u16string G(std::string_view gbk) { return DecodeText(gbk, Encoding::Gb18030); }

// Up to three rules, given as window texts.
inline PreparedRules RulesOf(std::initializer_list<std::pair<std::u16string, std::u16string>> rules) {
  std::array<Rule, 3> r{};
  size_t i = 0;
  for (const auto& [find, replacement] : rules) r[i++] = MakeRule(find, replacement);
  return PrepareRules(r);
}

// The bytes a file becomes when the rules are applied to it.
inline std::string Applied(std::string_view bytes, const PreparedRules& rules, bool keyed = false,
                           Encoding locale = Encoding::Utf8) {
  WorkText w(locale);
  w.SetBytes(bytes);
  ApplyRules(w, rules, keyed);
  return std::string(w.View());
}

}  // namespace zur::testing
