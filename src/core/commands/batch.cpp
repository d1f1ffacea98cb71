#include "core/commands/batch.h"

#include <algorithm>
#include <unordered_map>

#include "core/files/folders.h"
#include "core/files/paths.h"
#include "core/platform/fileio.h"
#include "core/platform/filesystem.h"
#include "core/replace/ruletable.h"
#include "core/run/filesmet.h"
#include "core/run/previewjob.h"
#include "core/run/rewritejob.h"
#include "core/run/runstate.h"
#include "core/replace/worktext.h"
#include "core/text/encoding.h"

namespace zur {

OutputFolder PrepareOutputFolder(std::string& output, const std::string& source, bool normalise) {
  if (!FolderExists(output)) CreateFolderPath(output);
  if (normalise) NormalizeFolderPath(output);
  if (!FolderExists(output)) return OutputFolder::Missing;
  if (SameFolder(output, source)) return OutputFolder::IsSource;
  if (FolderContains(output, source)) return OutputFolder::ContainsSource;
  return OutputFolder::Ready;
}

namespace {

// The selected entries as the items of a run: each path in one spelling, each file once.
std::vector<RunItem> SelectedItems(const BatchRequest& request) {
  std::vector<RunItem> items;
  std::unordered_set<std::string> named;
  FilesMet files;
  for (const std::string& entry : request.selected) {
    const std::string composed = ComposePath(request.source, entry);
    const std::string path = fs::CanonicalFilePath(composed).value_or(fs::LexicalPath(composed));
    if (!named.insert(path).second) continue;
    fs::FileStat st;
    if (fs::ProbeRegular(path, &st) == fs::Refusal::None && !files.First(st.device, st.inode)) continue;
    items.push_back({path, path, PathBelow(request.source, path), {}, {}});
  }
  return items;
}

// The dry run: the same files in the same order, read and changed in memory only.
BatchResult DryRun(const BatchRequest& request, RuleSet rules, RunDriver& driver, CommandSink& sink) {
  BatchResult result;
  // One rule that replaces a text by another always changes the file it hits: no need to compare.
  size_t active = 0;
  bool same = false;
  for (const auto& matcher : rules) {
    active += matcher != nullptr;
    same = same || (matcher && matcher->MayKeepBytes());
  }
  const bool mayUndo = active > 1 || same || request.keyed;
  PreviewJob job({}, std::move(rules), request.cp, mayUndo);
  // With the path the file is found at, so that the report can lead to what would change in it.
  auto report = [&](const RunEvent& e) {
    if (e.item == kNoItem) return sink.File(e, {}, {});
    const RunItem& it = job.Items()[e.item];
    sink.File(e, it.shown, it.path.empty() ? it.stored : it.path);
  };
  auto pause = [&] { sink.Pause(); };
  if (request.files == BatchRequest::Files::Selected) {
    for (RunItem& item : SelectedItems(request)) {
      item.path = item.stored;
      job.AddItem(std::move(item));
    }
    result.tally = driver.Drive(job, job.Items().size(), nullptr, report, pause);
    return result;
  }
  TreeSeen seen;
  // Nothing is written, so the files need no identity to be checked against before a write.
  RunFeed feed = TreeFeed({request.source, request.filter, request.output, request.cp, false, request.followOutside},
                          [&job](ScanEntry&& file) {
                            job.AddItem({std::move(file.shown), std::move(file.stored), {}, file.id, {}, file.regular});
                          },
                          seen);
  result.tally = driver.Drive(job, 0, std::move(feed), report, pause);
  seen.Report(sink, result);
  return result;
}

// Passes every report on, and adds up what each pair of the rule table replaced (or would) in all.
class PairTally : public CommandSink {
 public:
  explicit PairTally(CommandSink& to) : to_(to) {}
  void File(const RunEvent& e, const std::string& shown, const std::string& second) override {
    for (const auto& [line, count] : e.byPair) totals_[line] += count;
    to_.File(e, shown, second);
  }
  void Folder(const ScanProblem& p) override { to_.Folder(p); }
  void Pause() override { to_.Pause(); }
  // The lines of the pairs that replaced nothing, in the table's order.
  std::vector<size_t> Unused(const RuleTable& table) const {
    std::vector<size_t> lines;
    for (const TablePair& p : table.pairs) {
      const auto it = totals_.find(static_cast<uint32_t>(p.line));
      if (it == totals_.end() || it->second == 0) lines.push_back(p.line);
    }
    return lines;
  }
  // (line, count) of the pairs that replaced something, by line.
  std::vector<std::pair<size_t, uint64_t>> Totals() const {
    std::vector<std::pair<size_t, uint64_t>> out;
    for (const auto& [line, count] : totals_) {
      if (count > 0) out.emplace_back(line, count);
    }
    std::sort(out.begin(), out.end());
    return out;
  }

 private:
  CommandSink& to_;
  std::unordered_map<uint32_t, uint64_t> totals_;
};

BatchResult RunRules(const BatchRequest& request, RuleSet rules, size_t tablePairs, RunDriver& driver, CommandSink& sink);

}  // namespace

BatchResult RunBatch(BatchRequest request, RunDriver& driver, CommandSink& sink) {
  BatchResult result;
  result.refusal = CheckSourceFolder(request.source);
  if (!result.refusal.Refused()) result.refusal = CheckFilter(request.filter);
  if (result.refusal.Refused()) {
    result.tally.started = false;
    return result;
  }
  std::optional<RuleTable> table;
  std::optional<RuleSet> rules = BatchRules(request, table, result.refusal);
  if (!rules) {
    result.tally.started = false;
    return result;
  }
  const RuleSet ran = *rules;
  if (table) {
    PairTally tally(sink);
    result = RunRules(request, std::move(*rules), table->pairs.size(), driver, tally);
    if (result.tally.started) {
      result.unmatchedPairs = tally.Unused(*table);
      result.pairTotals = tally.Totals();
    }
  } else {
    result = RunRules(request, std::move(*rules), 0, driver, sink);
  }
  result.rules = ran;
  return result;
}

std::optional<RuleSet> BatchRules(const BatchRequest& request, std::optional<RuleTable>& table, StartRefusal& refusal) {
  // The rules are checked before anything is read: a pattern that is no pattern refuses the command.
  RuleError wrong;
  std::optional<RuleSet> rules = BuildRules(request.rules, request.keyed, wrong);
  if (!rules) {
    refusal = {StartRefusal::Kind::Rule, {}, wrong};
    return std::nullopt;
  }
  if (request.ruleTable.empty()) return rules;
  // The table as its file holds it now; it is not read again while the command runs.
  std::vector<TableProblem> problems;
  table = ReadRuleTable(request.ruleTable, request.keyed, problems);
  std::shared_ptr<const Matcher> all = table ? BuildTable(*table, request.keyed, wrong) : nullptr;
  if (!all) {
    if (table) problems.push_back({wrong.rule, TableProblem::What::Pattern, wrong.message});
    refusal = {StartRefusal::Kind::Table, request.ruleTable, {}, problems};
    table.reset();
    return std::nullopt;
  }
  rules->push_back(std::move(all));
  return rules;
}

TextResult ReplaceInText(const BatchRequest& request, std::string bytes) {
  TextResult result;
  std::optional<RuleTable> table;
  const std::optional<RuleSet> rules = BatchRules(request, table, result.refusal);
  WorkText work(request.cp);
  work.SetBytes(bytes);
  if (!rules || work.NotText()) {
    result.notText = rules.has_value();
    result.bytes = std::move(bytes);
    return result;
  }
  result.applied = ApplyRules(work, *rules);
  result.encoding = EncodingName(work.Kind());
  if (result.applied.problem != RuleProblem::None) {
    result.bytes = std::move(bytes);  // a rule that could not finish changes nothing
  } else {
    result.bytes.assign(work.View());
  }
  return result;
}

namespace {

BatchResult RunRules(const BatchRequest& request, RuleSet rules, size_t tablePairs, RunDriver& driver, CommandSink& sink) {
  BatchResult result;
  if (request.dryRun) return DryRun(request, std::move(rules), driver, sink);
  const bool tree = request.files == BatchRequest::Files::Tree;
  RewriteSetup setup;
  if (!tree) setup.items = SelectedItems(request);
  setup.rules = std::move(rules);
  setup.described = request.rules;
  if (tablePairs > 0) {
    setup.table = request.ruleTable;
    setup.tablePairs = tablePairs;
  }
  setup.locale = request.cp;
  setup.kind = tree ? RunKind::FolderTree : RunKind::SelectedFiles;
  setup.copies = request.copies;
  setup.followOutside = request.followOutside;
  setup.source = request.source;
  setup.output = request.output;
  setup.stateDir = request.stateDir;
  // A text batch without copies leaves nothing that a restore could rightly put back.
  if (!request.copies && !request.keyed) RunState(request.stateDir).ClearLastJournal();
  RewriteJob job(std::move(setup));
  if (!job.Begin(result.refusal)) {
    result.tally.started = false;
    return result;
  }
  result.notes = job.Notes();
  const ItemList<RunItem>& items = job.Items();
  auto report = [&](const RunEvent& e) { sink.File(e, e.item == kNoItem ? std::string() : items[e.item].shown, {}); };
  auto pause = [&] { sink.Pause(); };
  if (!tree) {
    job.AllListed();
    result.tally = driver.Drive(job, items.size(), nullptr, report, pause);
    return result;
  }
  // The run starts at once; the scan gives it the files as it finds them. Copies kept inside the
  // source tree are never taken for files of it.
  TreeSeen seen;
  const std::string root = request.source;
  RunFeed feed = TreeFeed({root, request.filter, request.output, request.cp, true, request.followOutside},
                          [&job, root](ScanEntry&& file) {
                            std::string below = PathBelow(root, file.stored);
                            job.AddItem({std::move(file.shown), std::move(file.stored), std::move(below), file.id, {},
                                         file.regular});
                          },
                          seen);
  // The scan's end: every file of the tree is known.
  RunFeed listed = [&job, scan = std::move(feed)](Run& run) {
    scan(run);
    if (!run.StopRequested()) job.AllListed();
  };
  result.tally = driver.Drive(job, 0, std::move(listed), report, pause);
  seen.Report(sink, result);
  return result;
}

}  // namespace
}  // namespace zur
