// A program killed in the middle of a run: the job runs in a child process that vanishes after some
// items have been committed (with the writes they were grouped with), without ending the run and
// without running a destructor, as under kill -9 at that point. The files, journals and marks it
// leaves are what the next start finds.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <memory>

#include "core/run/engine.h"

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

}  // namespace zur::testing
