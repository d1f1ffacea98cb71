// A program killed in the middle of a run: the job runs in a child process that vanishes after some
// items have been committed (with the writes they were grouped with), without ending the run and
// without running a destructor, as under kill -9 at that point. The files, journals and marks it
// leaves are what the next start finds.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/run/engine.h"
#include "core/run/rewritejob.h"
#include "support/texts.h"

namespace zur::testing {

class Vanishing : public RunJob {
 public:
  Vanishing(RunJob& inner, size_t after) : inner_(inner), after_(after) {}
  std::unique_ptr<Prepared> Prepare(size_t item, Worker& worker) override { return inner_.Prepare(item, worker); }
  void Commit(size_t item, std::unique_ptr<Prepared> prepared, Context& ctx) override {
    inner_.Commit(item, std::move(prepared), ctx);
    if (++commits_ == after_) {
      inner_.Flush(ctx);
      ::_exit(0);
    }
  }
  void Flush(Context& ctx) override { inner_.Flush(ctx); }
  void Idle(Context& ctx) override { inner_.Idle(ctx); }
  void Finish(Context& ctx, bool stopped) override { inner_.Finish(ctx, stopped); }
  void Discard(size_t item, Prepared& prepared) override { inner_.Discard(item, prepared); }

 private:
  RunJob& inner_;
  size_t after_;
  size_t commits_ = 0;
};

// In a child: `begin` makes and begins the job (nullptr when it cannot), which then runs over `items`
// and vanishes after `after` of them. True when the child vanished there.
inline bool RunAndVanish(const std::function<std::unique_ptr<RunJob>()>& begin, size_t items, size_t after) {
  const pid_t child = ::fork();
  if (child == 0) {
    std::unique_ptr<RunJob> job = begin();
    if (!job) ::_exit(1);
    Vanishing vanishing(*job, after);
    zur::Run run(vanishing, items);
    run.Start();
    run.Wait();
    ::_exit(2);  // it ran to its end
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// The batch "foo" → "bar" over the listed `files` of `source` (no copies, records in `stateDir`),
// killed after `after` of them.
inline bool ReplaceAndVanish(const std::vector<std::string>& files, const std::string& source,
                             const std::string& stateDir, size_t after) {
  return RunAndVanish(
      [&]() -> std::unique_ptr<RunJob> {
        RewriteSetup setup;
        for (const std::string& path : files) setup.items.push_back({path, path, {}, {}, {}});
        setup.rules = RulesOf({{u"foo", u"bar"}});
        setup.kind = RunKind::SelectedFiles;
        setup.source = source;
        setup.stateDir = stateDir;
        auto job = std::make_unique<RewriteJob>(std::move(setup));
        StartRefusal refusal;
        if (!job->Begin(refusal)) return nullptr;
        job->AllListed();
        return job;
      },
      files.size(), after);
}

}  // namespace zur::testing
