// Benchmarks of the core on synthetic trees: the filtered scan, and the work of the batch on each
// file (load, the encoding decided, three rules, what the write needs; the rules exact, ignoring case,
// and as patterns) beside the floor of merely
// reading the same files the same way (one read per file into a reused buffer); the same on a tree of
// GBK and UTF-8 files with Chinese rules; the dry run of the whole-folder batch beside the tree search
// of the same text on a web site (both read every listed file; neither writes); and the peak memory of a run over one large file. One figure
// a line, "name: value unit".
//
// Usage: zur_bench [files] [megabytes] [large-file-megabytes] [folder]
// (defaults: 20000 300 1536, a new temporary folder; trees already in a given folder are used again)
#include <stdlib.h>
#include <cstdio>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench_report.h"
#include "core/commands/batch.h"
#include "core/commands/search.h"
#include "core/files/scan.h"
#include "core/platform/fileio.h"
#include "core/replace/matcher.h"
#include "core/replace/ruletable.h"
#include "core/replace/substitute.h"
#include "core/run/fingerprint.h"
#include "core/run/rewritejob.h"
#include "synthetic_tree.h"

using namespace zur;
using namespace zur::bench;

namespace {

std::vector<ScanEntry> Files(const std::string& tree, const FileFilter& filter = SetExtList(kExtensions)) {
  std::vector<ScanEntry> entries;
  ScanFolderTree(tree + "/", filter, entries);
  return entries;
}

// The scan with twenty patterns to leave out (of names and of paths, as users write them, none of
// which the tree holds) and hidden names skipped, beside the scan by extensions alone.
void FilterFigures(const std::string& tree) {
  FileFilter filter(SetExtList(kExtensions));
  filter.exclude = {".git", ".svn", ".hg", "node_modules", "vendor", "bower_components", "*.min.js", "*.min.css",
                    "*.map", "*~", "*.bak", "*.swp", "uploads/*", "cache/*", "tmp/*", "logs/*", "build/", "dist/",
                    "/coverage", "[Tt]humbs.db"};
  filter.skipHidden = true;
  std::vector<double> plain, filtered;
  for (int round = 0; round < 5; ++round) {
    Timer a;
    Files(tree);
    plain.push_back(a.Seconds());
    Timer b;
    Files(tree, filter);
    filtered.push_back(b.Seconds());
  }
  Report("scan_twenty_patterns_over_plain", Median(filtered) / Median(plain), "x");
}

// Reading alone: open, one read into a buffer kept from file to file. Both this and the batch's work
// open the files as the batch does, known to be regular from the scan (no stat before opening).
double Floor(const std::vector<ScanEntry>& files, size_t& bytes) {
  ByteBuffer buffer;
  bytes = 0;
  Timer t;
  for (const auto& f : files) {
    fs::OpenedFile file = fs::OpenedFile::Open(f.stored, false, &f.id);
    file.ReadAll(buffer);
    bytes += buffer.size();
  }
  return t.Seconds();
}

// The batch's work on each file without the writing, in the batch's order: read, the NUL test, three
// rules, and for a changed file the two fingerprints the journal records.
double Core(const std::vector<ScanEntry>& files, const RuleSet& rules, Encoding locale, size_t& changed) {
  ByteBuffer buffer;
  changed = 0;
  Timer t;
  for (const auto& f : files) {
    fs::OpenedFile file = fs::OpenedFile::Open(f.stored, true, &f.id);
    file.ReadAll(buffer);
    WorkText work(locale);
    work.Take(std::move(buffer));
    if (work.NotText()) {
      buffer = std::move(work.Bytes());
      continue;
    }
    Fingerprint before;
    work.beforeFirstChange = [&](std::string_view original) { before = FingerprintOf(original); };
    ApplyRules(work, rules);
    if (work.Changed() && !(FingerprintOf(work.View()) == before)) ++changed;
    buffer = std::move(work.Bytes());
  }
  return t.Seconds();
}

std::vector<Rule> RuleList(std::initializer_list<std::pair<std::string, std::string>> utf8, RuleOptions options = {}) {
  std::vector<Rule> rules;
  for (const auto& [f, r] : utf8) rules.push_back(MakeRule(DecodeText(f, Encoding::Utf8), DecodeText(r, Encoding::Utf8), options));
  return rules;
}

RuleSet Rules(std::initializer_list<std::pair<std::string, std::string>> utf8, RuleOptions options = {}) {
  RuleError error;
  auto set = BuildRules(RuleList(utf8, options), false, error);
  if (!set) {
    std::fprintf(stderr, "rule %zu: %s\n", error.rule, error.message.c_str());
    std::exit(2);
  }
  return *set;
}

// The batch's work beside the floor; gives the median time of the work.
double Compare(const std::string& name, const std::vector<ScanEntry>& files, const RuleSet& rules, Encoding locale) {
  size_t bytes = 0, changed = 0;
  Floor(files, bytes);  // warm the page cache
  std::vector<double> floors, cores;
  for (int round = 0; round < 5; ++round) {
    floors.push_back(Floor(files, bytes));
    cores.push_back(Core(files, rules, locale, changed));
  }
  const double floor = Median(floors), core = Median(cores);
  const double mb = static_cast<double>(bytes) / 1e6;
  Report(name + "_read_floor_rate", mb / floor, "MB/s");
  Report(name + "_rate", mb / core, "MB/s");
  Report(name + "_vs_floor", core / floor, "x");
  Report(name + "_changed", static_cast<double>(changed), "files");
  return core;
}

// The bytes of memory the process holds now.
double ResidentBytes() {
  std::ifstream statm("/proc/self/statm");
  size_t pages = 0, resident = 0;
  statm >> pages >> resident;
  return static_cast<double>(resident) * static_cast<double>(::sysconf(_SC_PAGESIZE));
}

// Peak memory of a run (no copies) over one file of `megabytes`, in a process of its own.
void LargeFile(const std::string& root, size_t megabytes) {
  const std::string path = root + "/large/big.txt";
  std::filesystem::create_directories(root + "/large");
  {
    std::ofstream out(path, std::ios::binary);
    std::string line = "some text with foo in it and more text to fill the line\n";
    for (size_t written = 0; written < megabytes * 1000000; written += line.size()) out << line;
  }
  const double size = static_cast<double>(std::filesystem::file_size(path));
  const pid_t pid = ::fork();
  if (pid == 0) {
    RewriteSetup setup;
    setup.items.push_back({path, path, "big.txt", {}, {}});
    setup.rules = Rules({{"foo", "bar"}});
    setup.described = RuleList({{"foo", "bar"}});
    setup.source = root + "/large/";
    setup.stateDir = root + "/state/";
    RewriteJob job(std::move(setup));
    StartRefusal refusal;
    if (!job.Begin(refusal)) ::_exit(1);
    Run run(job, 1);
    run.Start();
    run.Wait();
    ::_exit(0);
  }
  int status = 0;
  rusage usage{};
  ::wait4(pid, &status, 0, &usage);
  const double peak = static_cast<double>(usage.ru_maxrss) * 1024;
  Report("large_file_size", size / 1e6, "MB");
  Report("large_file_peak_memory", peak / 1e6, "MB");
  Report("large_file_peak_over_size", peak / size, "x");
  std::filesystem::remove_all(root + "/large");
}

}  // namespace

// Takes the reports of a command and keeps nothing.
class NullSink : public CommandSink {
 public:
  void File(const RunEvent&, const std::string&, const std::string&) override {}
  void Folder(const ScanProblem&) override {}
  void Pause() override {}
};

void DryRunFigures(const std::string& site, int rounds) {
  for (const auto& [word, name] : {std::pair{std::string(kMarker), "dryrun_tenth"}, std::pair{std::string(kEveryFile), "dryrun_every"}}) {
    BatchRequest batch;
    batch.dryRun = true;
    batch.source = site + "/";
    batch.filter = SetExtList(kExtensions);
    batch.rules.push_back(MakeRule(DecodeText(word, Encoding::Utf8), DecodeText(word + "X", Encoding::Utf8)));
    SearchRequest search{site + "/", SetExtList(kExtensions), DecodeText(word, Encoding::Utf8), Encoding::Utf8, false, {}};
    WaitingDriver driver;
    NullSink sink;
    RunBatch(batch, driver, sink);  // warm
    std::vector<double> dry, searched;
    size_t hits = 0;
    for (int r = 0; r < rounds; ++r) {
      Timer d;
      hits = RunBatch(batch, driver, sink).tally.hits;
      dry.push_back(d.Seconds());
      Timer t;
      RunSearch(search, driver, sink);
      searched.push_back(t.Seconds());
    }
    Report(std::string(name) + "_files", static_cast<double>(hits), "files");
    Report(std::string(name) + "_time", Median(dry), "s");
    Report(std::string(name) + "_search_time", Median(searched), "s");
    Report(std::string(name) + "_vs_search", Median(dry) / Median(searched), "x");
  }
}

int main(int argc, char** argv) {
  TreeShape shape;
  if (argc > 1) shape.files = std::stoul(argv[1]);
  if (argc > 2) shape.megabytes = std::stoul(argv[2]);
  const size_t large = argc > 3 ? std::stoul(argv[3]) : 1536;
  std::string root;
  const bool keep = argc > 4;
  if (keep) {
    root = argv[4];
  } else {
    std::string pattern = (std::filesystem::temp_directory_path() / "zurbench.XXXXXX").string();
    root = ::mkdtemp(pattern.data());
  }
  if (!std::filesystem::exists(root + "/tree")) {
    Timer build;
    const size_t bytes = BuildTree(root + "/tree", shape);
    Report("tree_files", static_cast<double>(shape.files), "files");
    Report("tree_size", static_cast<double>(bytes) / 1e6, "MB");
    Report("tree_build", build.Seconds(), "s");
  }

  Timer scanTimer;
  const std::vector<ScanEntry> files = Files(root + "/tree");
  Report("scan_files", static_cast<double>(files.size()), "files");
  Report("scan_rate", static_cast<double>(files.size()) / scanTimer.Seconds(), "files/s");
  FilterFigures(root + "/tree");

  std::vector<Rule> gbkRules;
  for (int r = 0; r < 3; ++r) gbkRules.push_back(MakeRule(DecodeText(kFind[r], Encoding::Gb18030), DecodeText(kReplace[r], Encoding::Gb18030)));
  RuleError error;
  const double exact = Compare("replace", files, *BuildRules(gbkRules, false, error), Encoding::Gb18030);
  // The same rules ignoring case, and as patterns (their text has nothing a pattern would read
  // otherwise), beside the exact rules.
  for (auto& r : gbkRules) r.options = {false, false, false};
  Report("ignorecase_over_exact", Compare("replace_ignorecase", files, *BuildRules(gbkRules, false, error), Encoding::Gb18030) / exact, "x");
  for (auto& r : gbkRules) r.options = {true, false, true};
  Report("regex_over_exact", Compare("replace_regex", files, *BuildRules(gbkRules, false, error), Encoding::Gb18030) / exact, "x");

  // Rule tables of 10,000 and 100,000 exact pairs (words that are not in the tree, and the tree's
  // three rule texts among them) beside the three exact rules; and the time to read a table of
  // 200,000 pairs.
  for (const size_t pairs : {size_t{10000}, size_t{100000}, size_t{200000}}) {
    std::string tsv;
    for (size_t i = 0; i < pairs; ++i) tsv += "w" + std::to_string(i * 7919 % 1000003) + "x\tr" + std::to_string(i) + "\n";
    for (int r = 0; r < 3; ++r) {
      tsv += EncodeText(DecodeText(kFind[r], Encoding::Gb18030), Encoding::Utf8) + "\t" +
             EncodeText(DecodeText(kReplace[r], Encoding::Gb18030), Encoding::Utf8) + "\n";
    }
    std::vector<TableProblem> problems;
    const double before = ResidentBytes();
    Timer load;
    const auto table = ParseRuleTable(tsv, false, false, problems);
    auto matcher = table ? BuildTable(*table, false, error) : nullptr;
    const double loaded = load.Seconds();
    const std::string name = "table" + std::to_string(pairs / 1000) + "k";
    Report(name + "_load", loaded, "s");
    if (!matcher || pairs > 100000) continue;
    Report(name + "_over_exact", Compare(name, files, {matcher}, Encoding::Gb18030) / exact, "x");
    // The table as read, and its automaton as made for the files' encoding, while it is in use.
    Report(name + "_memory", (ResidentBytes() - before) / 1e6, "MB");
  }

  // GBK and UTF-8 pages side by side, Chinese rules.
  SiteShape site;
  site.files = shape.files;
  site.megabytes = shape.megabytes * 2 / 3;
  site.mixed = true;
  if (!std::filesystem::exists(root + "/mixed")) BuildSite(root + "/mixed", site);
  Compare("mixed", Files(root + "/mixed"), Rules({{"首页", "主页"}, {"联系我们", "联系"}, {kMarker, "zurmarq"}}),
          Encoding::Utf8);

  SiteShape plain;
  plain.files = shape.files;
  plain.megabytes = shape.megabytes * 2 / 3;
  if (!std::filesystem::exists(root + "/site")) BuildSite(root + "/site", plain);
  DryRunFigures(root + "/site", 9);

  if (large > 0) LargeFile(root, large);
  if (!keep) std::filesystem::remove_all(root);
  return 0;
}
