// A source, output and state folder of a test's own, and a run of a job to its end, for the tests of
// the run loop and its jobs.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/run/engine.h"
#include "core/run/journal.h"
#include "core/run/rewritejob.h"
#include "core/run/runstate.h"
#include "support/tempdir.h"
#include "support/texts.h"

namespace zur::testing {

inline std::vector<RunEvent> RunAll(RunJob& job, size_t items, RunOptions options = {}) {
  zur::Run run(job, items, options);
  run.Start();
  run.Wait();
  return run.TakeEvents();
}

struct Tree {
  TempDir dir;
  std::string src() const { return dir / "src/"; }
  std::string out() const { return dir / "out/"; }
  std::string state() const { return dir / "state/"; }

  // The program's records of runs, ready to use.
  RunState Records() const {
    RunState records(state());
    std::string why;
    EXPECT_TRUE(records.Ready(why)) << why;
    return records;
  }
  JournalKey Key() const { return Records().Key(); }
  // The journal at `path`, held (locked and checked) as a restore holds it.
  HeldJournal Held(const std::string& path) const { return HeldJournal::Open(path, Key()); }

  RewriteSetup Setup(std::vector<std::string> names, bool copies, RuleSet rules) const {
    RewriteSetup s;
    for (const std::string& n : names) s.items.push_back({src() + n, src() + n, n, {}, {}});
    s.rules = std::move(rules);
    s.copies = copies;
    s.source = src();
    s.output = out();
    s.stateDir = state();
    return s;
  }
};

}  // namespace zur::testing
