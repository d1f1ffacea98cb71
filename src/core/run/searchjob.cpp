#include "core/run/searchjob.h"

#include "core/replace/substitute.h"
#include "core/run/readingjob.h"

namespace zur {

std::unique_ptr<RunJob::Prepared> SearchJob::Prepare(size_t item, Worker& worker) {
  auto p = std::make_unique<ReadFile>();
  const RunItem& it = items_[item];
  // Reading only: a file the listing saw as regular is opened without a look first.
  if (!OpenAndRead(*p, item, it.stored, false, it.regular ? &it.listed : nullptr, worker.buffer)) return p;
  WorkText work(locale_);
  work.Take(std::move(worker.buffer));
  const bool hit = WorkTextContains(work, text_);
  worker.buffer = std::move(work.Bytes());
  p->event = {item, hit ? Outcome::Hit : Outcome::Unchanged, Why::None, {}};
  return p;
}

}  // namespace zur
