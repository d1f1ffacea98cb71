#include "core/commands/rename.h"

#include "core/files/paths.h"
#include "core/replace/substitute.h"
#include "core/run/renamejob.h"

namespace zur {

CommandResult RunRename(RenameRequest request, RunDriver& driver, CommandSink& sink) {
  CommandResult result;
  result.refusal = CheckSourceFolder(request.source);
  if (!result.refusal.Refused()) result.refusal = CheckFilter(request.filter);
  if (result.refusal.Refused()) {
    result.tally.started = false;
    return result;
  }
  RenameJob job(request.dryRun);
  size_t replaced = 0;
  auto report = [&](const RunEvent& e) {
    if (e.item == kNoItem) return sink.File(e, {}, {});
    const RenameItem& it = job.Items()[e.item];
    if (e.outcome == Outcome::Done || e.outcome == Outcome::Hit) replaced += it.replaced;
    sink.File(e, it.shown, it.renamed);
  };
  auto pause = [&] { sink.Pause(); };
  if (request.files == RenameRequest::Files::Folder) {
    std::vector<std::string> paths;
    ListFolderFiles(request.source, paths);
    for (std::string& path : paths) {
      size_t count = 0;
      std::string renamed = ReplaceAll(path, request.find, request.replacement, request.cp, &count);
      job.AddItem({path, renamed, path, renamed, count});
    }
    result.tally = driver.Drive(job, job.Items().size(), nullptr, report, pause);
    result.tally.replaced = replaced;
    return result;
  }
  TreeSeen seen;
  RunFeed feed = TreeFeed({request.source, request.filter, {}, request.cp, false, request.followOutside},
                          [&](ScanEntry&& file) {
                            size_t count = 0;
                            std::string renamed =
                                ReplaceAll(file.shown, request.find, request.replacement, request.cp, &count);
                            std::string to = renamed == file.shown ? file.stored : renamed;
                            job.AddItem({std::move(file.stored), std::move(to), std::move(file.shown),
                                         std::move(renamed), count});
                          },
                          seen);
  result.tally = driver.Drive(job, 0, std::move(feed), report, pause);
  result.tally.replaced = replaced;
  seen.Report(sink, result);
  return result;
}

}  // namespace zur
