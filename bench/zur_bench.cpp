// Benchmarks of the core on a synthetic tree: the filtered scan, load + three rules + join, and the
// contains test, each beside the floor of merely reading the same files. One figure a line,
// "name: value unit", so that a script can read them.
//
// Usage: zur_bench [files] [megabytes] [folder]   (defaults: 20000 300, a new temporary folder)
#include <stdlib.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "bench_report.h"
#include "fileset/scan.h"
#include "platform/filesystem.h"
#include "replace/substitute.h"
#include "replace/rules.h"
#include "synthetic_tree.h"

using namespace zur;
using namespace zur::bench;

int main(int argc, char** argv) {
  TreeShape shape;
  if (argc > 1) shape.files = std::stoul(argv[1]);
  if (argc > 2) shape.megabytes = std::stoul(argv[2]);
  std::string root;
  bool made = false;
  if (argc > 3) {
    root = argv[3];
  } else {
    std::string pattern = (std::filesystem::temp_directory_path() / "zurbench.XXXXXX").string();
    root = ::mkdtemp(pattern.data());
    made = true;
  }
  const std::string tree = root + "/tree";
  if (!std::filesystem::exists(tree)) {
    Timer build;
    size_t bytes = BuildTree(tree, shape);
    Report("tree_files", static_cast<double>(shape.files), "files");
    Report("tree_size", static_cast<double>(bytes) / 1e6, "MB");
    Report("tree_build", build.Seconds(), "s");
  }

  // The scan with its filters.
  Timer scanTimer;
  std::vector<ScanEntry> files;
  ScanFolderTree(tree + "/", SetExtList(kExtensions), files);
  const double scanSeconds = scanTimer.Seconds();
  Report("scan_files", static_cast<double>(files.size()), "files");
  Report("scan_rate", static_cast<double>(files.size()) / scanSeconds, "files/s");

  // The floor: merely reading the files the scan yields.
  Timer floorTimer;
  size_t bytes = 0;
  for (const auto& f : files) bytes += fs::ReadFile(f.stored).size();
  const double floorSeconds = floorTimer.Seconds();
  const double mb = static_cast<double>(bytes) / 1e6;
  Report("read_floor_rate", mb / floorSeconds, "MB/s");
  Report("read_floor_files", static_cast<double>(files.size()) / floorSeconds, "files/s");

  // Load, three rules, join: the work of the batch on each file, without writing.
  Timer replaceTimer;
  WorkText work(Encoding::Gb18030);
  std::array<Rule, 3> rules;
  for (int r = 0; r < 3; ++r) rules[r] = MakeRule(DecodeText(kFind[r], CodePage::Gbk), DecodeText(kReplace[r], CodePage::Gbk));
  const PreparedRules prepared = PrepareRules(rules);
  size_t changed = 0;
  for (const auto& f : files) {
    work.LoadFromFile(f.stored);
    ApplyRules(work, prepared, false);
    changed += work.Changed();
  }
  const double replaceSeconds = replaceTimer.Seconds();
  Report("replace_rate", mb / replaceSeconds, "MB/s");
  Report("replace_files", static_cast<double>(files.size()) / replaceSeconds, "files/s");
  Report("replace_vs_floor", replaceSeconds / floorSeconds, "x");
  Report("replace_changed", static_cast<double>(changed), "files");

  // The contains test of the search.
  Timer containsTimer;
  size_t hits = 0;
  for (const auto& f : files) {
    work.LoadFromFile(f.stored);
    hits += WorkTextContains(work, PrepareText(u"function return"));
  }
  const double containsSeconds = containsTimer.Seconds();
  Report("contains_rate", mb / containsSeconds, "MB/s");
  Report("contains_vs_floor", containsSeconds / floorSeconds, "x");
  Report("contains_hits", static_cast<double>(hits), "files");

  // The text search (scan + contains, as the search command does it) beside grep on the same files.
  struct Case {
    const char* name;
    const char* ours;  // the text as the search box gives it (lines joined by CR LF)
    const char* grep;  // the same for grep -F (lines joined by LF: grep reads them as two patterns)
  };
  const Case cases[] = {
      {"one_line_absent", "qqzzxx never", "qqzzxx never"},
      {"one_line_common", "function return", "function return"},
      {"two_line_absent", "qqzz\r\nxxyy", "qqzz\nxxyy"},
  };
  std::string include;
  for (const auto& ext : SetExtList(kExtensions)) include += " --include='*." + ext + "'";
  for (const Case& c : cases) {
    Timer ours;
    std::vector<ScanEntry> scanned;
    ScanFolderTree(tree + "/", SetExtList(kExtensions), scanned);
    size_t found = 0;
    const PreparedText text = PrepareText(DecodeText(c.ours, CodePage::Utf8));
    for (const auto& f : scanned) {
      work.LoadFromFile(f.stored);
      found += WorkTextContains(work, text);
    }
    const double oursSeconds = ours.Seconds();
    std::string command = "grep -rlF" + include + " -e '" + c.grep + "' '" + tree + "' | wc -l > /dev/null";
    Timer grep;
    const int status = std::system(command.c_str());
    const double grepSeconds = grep.Seconds();
    const std::string name = std::string("search_") + c.name;
    Report((name + "_files").c_str(), static_cast<double>(found), "files");
    Report((name + "_time").c_str(), oursSeconds, "s");
    if (status == 0) {
      Report((name + "_grep_time").c_str(), grepSeconds, "s");
      Report((name + "_vs_grep").c_str(), oursSeconds / grepSeconds, "x");
    }
  }

  if (made) std::filesystem::remove_all(root);
  return 0;
}
