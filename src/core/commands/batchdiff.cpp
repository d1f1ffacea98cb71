#include "core/commands/batchdiff.h"

#include <algorithm>

#include "core/replace/worktext.h"
#include "core/text/codec.h"

namespace zur {

BatchDiff DiffBatchFile(const std::string& path, const RuleSet& rules, Encoding locale) {
  BatchDiff out;
  fs::OpenedFile opened = fs::OpenedFile::Open(path, false);
  ByteBuffer bytes;
  bool whole = true;
  if (!opened.Ok() || !opened.ReadUpTo(bytes, kDiffFileLimit, whole)) {
    out.refusal = opened.Ok() ? fs::Refusal::Failed : opened.Refused();
    out.error = opened.Error();
    return out;
  }
  if (!whole) {
    out.result = BatchDiff::Result::TooLarge;
    return out;
  }
  WorkText work(locale);
  work.Take(std::move(bytes));
  if (work.NotText()) {
    out.result = BatchDiff::Result::NotText;
    return out;
  }
  out.kind = work.Kind();
  const std::string before(work.View());
  const Applied applied = ApplyRules(work, rules);
  if (applied.problem != RuleProblem::None || work.View() == before) {
    out.result = BatchDiff::Result::Unchanged;
    return out;
  }
  // Both sides in the file's own encoding, after its byte-order mark (which no rule touches).
  const std::string_view after = work.View();
  const size_t start = out.kind.bomSize;
  out.diff = UnifiedDiff(DecodeText(std::string_view(before).substr(start), out.kind.encoding),
                         DecodeText(after.substr(std::min(start, after.size())), out.kind.encoding));
  out.result = BatchDiff::Result::Shown;
  return out;
}

}  // namespace zur
