// What zur-replace says, in English or in Chinese (the locale decides: a language of "zh" speaks
// Chinese): the help, why a file was left alone, and how a command ended.
#pragma once

#include <string>

#include "core/run/engine.h"
#include "core/replace/matcher.h"
#include "core/run/refusal.h"

namespace zur::cli {

struct Texts {
  bool chinese = false;
  // From LC_ALL, LC_MESSAGES and LANG, as the C library would choose.
  static Texts FromEnvironment();

  const char* Help() const;
  std::string Why(const RunEvent& event) const;
  std::string Refusal(const StartRefusal& refusal) const;
  std::string RuleErrorText(const RuleError& error) const;
  std::string TableText(const StartRefusal& refusal) const;
  std::string Pick(const char* en, const char* zh) const { return chinese ? zh : en; }
  std::string Pick(const std::string& en, const std::string& zh) const { return chinese ? zh : en; }
};

}  // namespace zur::cli
