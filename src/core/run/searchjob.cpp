#include "core/run/searchjob.h"

#include "core/replace/substitute.h"
#include "core/run/runevents.h"

namespace zur {
namespace {

struct Found : RunJob::Prepared {
  RunEvent event;
  uint64_t device = 0, inode = 0;
  bool opened = false;
};

}  // namespace

std::unique_ptr<RunJob::Prepared> SearchJob::Prepare(size_t item, Worker& worker) {
  auto p = std::make_unique<Found>();
  const RunItem& it = items_[item];
  // Reading only: a file the listing saw as regular is opened without a look first.
  fs::OpenedFile file = fs::OpenedFile::Open(it.stored, false, it.regular ? &it.listed : nullptr);
  if (!file.Ok()) {
    p->event = RefusalEvent(item, file.Refused(), file.Error());
    return p;
  }
  p->opened = true;
  p->device = file.Stat().device;
  p->inode = file.Stat().inode;
  if (!file.ReadAll(worker.buffer)) {
    p->event = {item, Outcome::Failed, Why::Error, fs::ErrorText(file.Error())};
    return p;
  }
  WorkText work(locale_);
  work.Take(std::move(worker.buffer));
  const bool hit = WorkTextContains(work, text_);
  worker.buffer = std::move(work.Bytes());
  p->event = {item, hit ? Outcome::Hit : Outcome::Unchanged, Why::None, {}};
  return p;
}

void SearchJob::Commit(size_t item, std::unique_ptr<Prepared> prepared, Context& ctx) {
  if (prepared->broken) {
    ctx.Emit({item, Outcome::Failed, Why::Error, {}});
    return;
  }
  auto& p = static_cast<Found&>(*prepared);
  // A file reached again by another name is found once.
  if (p.opened && p.event.outcome == Outcome::Hit && !seen_.First(p.device, p.inode)) return;
  ctx.Emit(std::move(p.event));
}

}  // namespace zur
