#include "core/run/previewjob.h"

#include "core/run/fingerprint.h"
#include "core/run/runevents.h"

namespace zur {
namespace {

struct Previewed : RunJob::Prepared {
  RunEvent event;
  uint64_t device = 0, inode = 0;
  bool opened = false;
};

}  // namespace

std::unique_ptr<RunJob::Prepared> PreviewJob::Prepare(size_t item, Worker& worker) {
  auto p = std::make_unique<Previewed>();
  const RunItem& it = items_[item];
  // Opened as the batch opens it (for writing, which changes nothing), so that the same files are
  // refused for the same reasons.
  fs::OpenedFile file = fs::OpenedFile::Open(it.path.empty() ? it.stored : it.path, true,
                                             it.listed.Known() ? &it.listed : nullptr);
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
  if (work.NotText()) {
    p->event = {item, Outcome::Skipped, Why::NotText, {}};
    worker.buffer = std::move(work.Bytes());
    return p;
  }
  Fingerprint before{};
  work.beforeFirstChange = [&](std::string_view original) { before = FingerprintOf(original); };
  const RuleCounts counts = ApplyRules(work, rules_, keyed_);
  // The batch writes a file only when its text changed (not when one rule undid another).
  const bool changed = work.Changed() && FingerprintOf(work.View()) != before;
  worker.buffer = std::move(work.Bytes());
  if (!changed) {
    p->event = {item, Outcome::Unchanged, Why::None, {}};
  } else if (!file.Writable()) {
    p->event = {item, Outcome::Skipped, Why::NotWritable, {}};
  } else {
    p->event = {item, Outcome::Hit, Why::None, {}, counts[0] + counts[1] + counts[2], counts};
  }
  return p;
}

void PreviewJob::Commit(size_t item, std::unique_ptr<Prepared> prepared, Context& ctx) {
  if (prepared->broken) {
    ctx.Emit({item, Outcome::Failed, Why::Error, prepared->brokenWhy});
    return;
  }
  auto& p = static_cast<Previewed&>(*prepared);
  if (p.opened && p.event.outcome == Outcome::Hit && !seen_.First(p.device, p.inode)) return;
  ctx.Emit(std::move(p.event));
}

}  // namespace zur
