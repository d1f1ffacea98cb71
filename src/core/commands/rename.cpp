#include "core/commands/rename.h"

#include "core/files/paths.h"
#include "core/replace/substitute.h"
#include "core/run/renamejob.h"

namespace zur {

RunTally RunRename(const RenameRequest& request, RunDriver& driver, CommandSink& sink) {
  RenameJob job;
  auto report = [&](const RunEvent& e) {
    if (e.item == kNoItem) return sink.File(e, {}, {});
    const RenameItem& it = job.Items()[e.item];
    sink.File(e, it.shown, it.renamed);
  };
  auto pause = [&] { sink.Pause(); };
  if (request.files == RenameRequest::Files::Folder) {
    std::vector<std::string> paths;
    ListFolderFiles(request.source, paths);
    for (std::string& path : paths) {
      std::string renamed = ReplaceAll(path, request.find, request.replacement, request.cp);
      job.AddItem({path, renamed, path, renamed});
    }
    return driver.Drive(job, job.Items().size(), nullptr, report, pause);
  }
  std::vector<ScanProblem> problems;
  RunFeed feed = TreeFeed({request.source, request.extensions, {}, request.cp, false},
                          [&](ScanEntry&& file) {
                            std::string renamed = ReplaceAll(file.shown, request.find, request.replacement, request.cp);
                            std::string to = renamed == file.shown ? file.stored : renamed;
                            job.AddItem({std::move(file.stored), std::move(to), std::move(file.shown), std::move(renamed)});
                          },
                          problems);
  RunTally tally = driver.Drive(job, 0, std::move(feed), report, pause);
  for (const ScanProblem& p : problems) sink.Folder(p);
  tally.skipped += problems.size();
  return tally;
}

}  // namespace zur
