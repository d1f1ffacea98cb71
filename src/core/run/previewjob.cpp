#include "core/run/previewjob.h"

#include "core/run/fingerprint.h"
#include "core/run/readingjob.h"
#include "core/run/runevents.h"

namespace zur {

std::unique_ptr<RunJob::Prepared> PreviewJob::Prepare(size_t item, Worker& worker) {
  auto p = std::make_unique<ReadFile>();
  const RunItem& it = items_[item];
  // Opened for writing (which changes nothing), so that the files the batch could not write are
  // reported as it reports them. A file the listing saw as regular is opened without a look first.
  const std::string& path = it.path.empty() ? it.stored : it.path;
  if (!OpenAndRead(*p, item, path, true, (it.regular || it.listed.Known()) ? &it.listed : nullptr, worker.buffer)) {
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
  if (mayUndo_) work.beforeFirstChange = [&](std::string_view original) { before = FingerprintOf(original); };
  const Applied applied = ApplyRules(work, rules_);
  // The batch writes a file only when its text changed (not when one rule undid another).
  const bool changed = work.Changed() && (!mayUndo_ || FingerprintOf(work.View()) != before);
  worker.buffer = std::move(work.Bytes());
  if (applied.problem != RuleProblem::None) {
    p->event = RuleProblemEvent(item, applied);
  } else if (!changed) {
    p->event = {item, Outcome::Unchanged, Why::None, {}};
  } else if (!p->writable) {
    p->event = {item, Outcome::Skipped, Why::NotWritable, {}};
  } else {
    p->event = {item, Outcome::Hit, Why::None, {}, applied.Total(), applied.counts, applied.pairs, EncodingName(work.Kind())};
  }
  return p;
}

}  // namespace zur
