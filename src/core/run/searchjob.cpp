#include "core/run/searchjob.h"

#include "core/run/readingjob.h"
#include "core/run/runevents.h"

namespace zur {

std::unique_ptr<RunJob::Prepared> SearchJob::Prepare(size_t item, Worker& worker) {
  auto p = std::make_unique<ReadFile>();
  const RunItem& it = items_[item];
  // Reading only: a file the listing saw as regular is opened without a look first.
  if (!OpenAndRead(*p, item, it.stored, false, it.regular ? &it.listed : nullptr, worker.buffer)) return p;
  WorkText work(locale_);
  work.Take(std::move(worker.buffer));
  RuleProblem problem = RuleProblem::None;
  const bool hit = text_->Occurs(work, problem);
  worker.buffer = std::move(work.Bytes());
  if (problem != RuleProblem::None) {
    p->event = RuleProblemEvent(item, {{}, {}, problem, 0});
  } else {
    p->event = {item, hit ? Outcome::Hit : Outcome::Unchanged, Why::None, {}};
  }
  return p;
}

}  // namespace zur
