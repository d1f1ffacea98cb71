// Where the settings file keeps the options of the rule rows and of the search text: "MatchCase<i>",
// "WholeWord<i>" and "Regex<i>" for row i, "SearchMatchCase", "SearchWholeWord" and "SearchRegex" for
// the search. A file without them (written before they existed) gives the defaults: an exact,
// case-sensitive text.
#pragma once

#include "core/replace/rules.h"
#include "core/settings/profile.h"

namespace zur {

RuleOptions RowOptionsFrom(const ProfileFile& ini, int row);
void WriteRowOptions(ProfileFile& ini, int row, const RuleOptions& options);
RuleOptions SearchOptionsFrom(const ProfileFile& ini);
void WriteSearchOptions(ProfileFile& ini, const RuleOptions& options);

}  // namespace zur
