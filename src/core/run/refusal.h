// Why a command did not start; nothing was touched then.
#pragma once

#include <string>

#include "core/replace/matcher.h"
#include "core/replace/ruletable.h"

namespace zur {

struct StartRefusal {
  enum class Kind {
    None,
    Records,  // the run's records (journal, mark, key) could not be made
    Busy,     // another run of this program holds the journal
    Journal,  // a journal there is not one this program wrote for this user
    Waiting,  // an earlier run's files still wait to be put right
    SourceMissing,     // the source folder does not exist
    SourceNotFolder,   // the source names a file, not a folder
    SourceUnreadable,  // the source folder cannot be read (the detail says why)
    Rule,              // a rule cannot run (`rule` says which and why)
    Table,             // the rule table cannot run (`detail`: its file; `table`: what is wrong, by line)
    Filter,            // a pattern of the files to take or leave out cannot be one (`detail`: which)
  };
  Kind kind = Kind::None;
  std::string detail;  // what it concerns, and the system's reason
  RuleError rule{};    // (Rule)
  std::vector<TableProblem> table{};  // (Table)
  bool Refused() const { return kind != Kind::None; }
};

}  // namespace zur
