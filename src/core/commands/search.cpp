#include "core/commands/search.h"

#include "core/files/paths.h"
#include "core/replace/rules.h"
#include "core/run/searchjob.h"

namespace zur {

CommandResult RunSearch(SearchRequest request, RunDriver& driver, CommandSink& sink) {
  CommandResult result;
  result.refusal = CheckSourceFolder(request.source);
  if (!result.refusal.Refused()) result.refusal = CheckFilter(request.filter);
  if (result.refusal.Refused()) {
    result.tally.started = false;
    return result;
  }
  RuleError wrong;
  auto text = BuildSearch(request.text, request.options, wrong);
  if (!text) {
    result.refusal = {StartRefusal::Kind::Rule, {}, wrong};
    result.tally.started = false;
    return result;
  }
  SearchJob job({}, std::move(text), request.cp);
  TreeSeen seen;
  RunFeed feed = TreeFeed({request.source, request.filter, {}, request.cp, false, request.followOutside},
                          [&job](ScanEntry&& file) {
                            job.AddItem({std::move(file.shown), std::move(file.stored), {}, file.id, {}, file.regular});
                          },
                          seen);
  result.tally = driver.Drive(
      job, 0, std::move(feed),
      [&](const RunEvent& e) {
        if (e.item == kNoItem) return sink.File(e, {}, {});
        const RunItem& it = job.Items()[e.item];
        std::string shown = it.shown;
        if (e.outcome == Outcome::Hit) NormalizePath(shown);
        sink.File(e, shown, it.stored);
      },
      [&] { sink.Pause(); });
  seen.Report(sink, result);
  return result;
}

}  // namespace zur
