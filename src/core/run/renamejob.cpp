#include "core/run/renamejob.h"

#include <cerrno>

#include "core/platform/fileio.h"
#include "core/platform/filesystem.h"

namespace zur {

void RenameJob::Commit(size_t item, std::unique_ptr<Prepared>, Context& ctx) {
  const RenameItem& it = items_[item];
  if (fs::Probe(it.from) == fs::Kind::Missing) {
    ctx.Emit({item, Outcome::Skipped, Why::Missing, {}});
    return;
  }
  if (it.to == it.from) {
    ctx.Emit({item, Outcome::Unchanged, Why::None, {}});
    return;
  }
  if (fs::Probe(it.to) != fs::Kind::Missing) {
    ctx.Emit({item, Outcome::Failed, Why::TargetExists, it.to});
    return;
  }
  if (dryRun_) {
    ctx.Emit({item, Outcome::Hit, Why::None, {}, it.replaced});
    return;
  }
  errno = 0;
  if (fs::RenameNoReplace(it.from, it.to)) {
    ctx.Emit({item, Outcome::Done, Why::None, {}});
  } else {
    ctx.Emit({item, Outcome::Failed, Why::Error, fs::ErrorText(errno)});
  }
}

}  // namespace zur
