// What the tests of the commands share: a sink that records every report, a restore's answers given
// beforehand, and a site of source, output and records folders with a batch request on it.
#pragma once

#include <string>
#include <vector>

#include "core/commands/batch.h"
#include "core/commands/restore.h"
#include "support/tempdir.h"
#include "support/texts.h"

namespace zur::testing {

// Every report, as "outcome shown [second]".
struct RecordingSink : CommandSink {
  void File(const RunEvent& e, const std::string& shown, const std::string& second) override {
    files.push_back({e, shown, second});
  }
  void Folder(const ScanProblem& p) override { folders.push_back(p.folder); }
  struct Report {
    RunEvent event;
    std::string shown, second;
  };
  std::vector<Report> files;
  std::vector<std::string> folders;
  std::vector<std::string> Shown(Outcome outcome) const {
    std::vector<std::string> out;
    for (const Report& r : files) {
      if (r.event.outcome == outcome) out.push_back(r.shown);
    }
    return out;
  }
};

struct Answers : RestoreQuestions {
  bool confirm = true;
  bool alsoChanged = false;
  size_t asked = 0;
  RunKind kind = RunKind::None;
  bool Confirm(RunKind k) override {
    kind = k;
    return confirm;
  }
  bool AlsoChanged(size_t count) override {
    asked = count;
    return alsoChanged;
  }
};

struct Site {
  TempDir dir;
  std::string src() const { return dir / "src/"; }
  std::string out() const { return dir / "out/"; }
  std::string runs() const { return dir / "runs/"; }
  BatchRequest Batch(BatchRequest::Files files, bool copies) const {
    BatchRequest r;
    r.files = files;
    r.copies = copies;
    r.source = src();
    r.output = out();
    r.filter = SetExtList("htm,txt");
    r.rules = {MakeRule(U("foo"), U("bar"))};
    r.stateDir = runs();
    return r;
  }
};

}  // namespace zur::testing
