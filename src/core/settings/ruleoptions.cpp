#include "core/settings/ruleoptions.h"

#include <string>

namespace zur {
namespace {

RuleOptions Read(const ProfileFile& ini, const std::string& suffix, const std::string& prefix) {
  RuleOptions o;
  o.matchCase = ini.ReadBool(prefix + "MatchCase" + suffix, true);
  o.wholeWord = ini.ReadBool(prefix + "WholeWord" + suffix, false);
  o.regex = ini.ReadBool(prefix + "Regex" + suffix, false);
  return o;
}

void Write(ProfileFile& ini, const std::string& suffix, const std::string& prefix, const RuleOptions& o) {
  ini.WriteBool(prefix + "MatchCase" + suffix, o.matchCase);
  ini.WriteBool(prefix + "WholeWord" + suffix, o.wholeWord);
  ini.WriteBool(prefix + "Regex" + suffix, o.regex);
}

}  // namespace

RuleOptions RowOptionsFrom(const ProfileFile& ini, int row) { return Read(ini, std::to_string(row), {}); }
void WriteRowOptions(ProfileFile& ini, int row, const RuleOptions& options) { Write(ini, std::to_string(row), {}, options); }
RuleOptions SearchOptionsFrom(const ProfileFile& ini) { return Read(ini, {}, "Search"); }
void WriteSearchOptions(ProfileFile& ini, const RuleOptions& options) { Write(ini, {}, "Search", options); }

}  // namespace zur
