// The commands through the real window (headless, a click on the command's button, window start
// excluded) beside the command-line tools people would otherwise use, on the same synthetic web-site
// trees: the text search beside grep -rlF and rg -l -F, the whole-folder batch beside sed -i and sd
// (a rule that hits about a tenth of the files, and one that hits every file), the batch with copies
// beside the batch without them plus cp -a of the changed files, and the batch's cost per file at
// three tree sizes, zur-replace beside sed -i and sd (and its start-up), zur-replace with a regular
// expression beside sd and perl -pi -e (and whether they leave the same bytes), the restore beside the batch with copies it undoes, and the dry run of the whole-folder batch beside the tree search of the same text
// (both only read). The peers' times swing with the disk, so runs are interleaved and medians printed.
// One figure a line, "name: value unit"; peers that are not installed are left out.
//
// Usage: zur_bench_window [files] [megabytes] [rounds] [parts]   (defaults: 20000 200 3, every part;
// parts is a list of the words search, batch, backup, scaling, cli, regex, restore and dryrun)
#include <stdlib.h>

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTest>
#include <QToolButton>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>

#include "bench_report.h"
#include "synthetic_tree.h"
#include "window/app/mainform.h"

using namespace zur;
using namespace zur::bench;

namespace {

// Answers nothing and opens nothing.
class SilentDesktop : public DesktopServices {
 public:
  void ShowMessage(QWidget*, const QString&, MessageIcon, std::optional<QPoint>) override {}
  bool AskYesNo(QWidget*, const QString&, const QString&) override { return yes; }
  bool yes = false;  // the answer to every question
  std::string PickFolder(QWidget*, const QString&) override { return {}; }
  std::string PickFile(QWidget*, const QString&, const QString&) override { return {}; }
  void OpenWithDefault(const std::string&) override {}
  void OpenFolderWindow(const std::string&) override {}
  void OpenInTextEditor(const std::string&) override {}
};

std::string Quote(const std::string& s) { return "'" + s + "'"; }

// The extension filter of the peers, the same as the window's extension list.
std::string FindNames() {
  std::string out = "\\(";
  bool first = true;
  for (const char* ext : {"htm", "html", "txt", "js", "css"}) {
    out += std::string(first ? "" : " -o") + " -name '*." + ext + "'";
    first = false;
  }
  return out + " \\)";
}
std::string GrepIncludes() {
  std::string out;
  for (const char* ext : {"htm", "html", "txt", "js", "css"}) out += std::string(" --include='*.") + ext + "'";
  return out;
}
std::string RgGlobs() {
  std::string out;
  for (const char* ext : {"htm", "html", "txt", "js", "css"}) out += std::string(" -g '*.") + ext + "'";
  return out;
}

class Window {
 public:
  explicit Window(const std::string& root) {
    env_.exeDir = root + "/prog/";
    env_.homeDir = root + "/home";
    env_.codePage = Encoding::Utf8;
    env_.desktop = &desktop_;
    std::filesystem::create_directories(env_.exeDir);
    std::filesystem::create_directories(env_.homeDir);
    form_ = std::make_unique<TMainForm>(env_);
    form_->show();
    View().EdtEXT->setText(QStringLiteral("htm,html,txt,js,css"));
  }
  MainView& View() { return form_->View(); }
  void Source(const std::string& folder) {
    View().EdtPath->setText(form_->Q(folder));
    QTest::keyClick(View().EdtPath, Qt::Key_Return);
  }
  void Output(const std::string& folder) {
    View().EdtOutput->setText(form_->Q(folder));
    View().EdtOutput->setFocus();
    View().EditOldFileName->setFocus();
  }
  void Rule(const std::string& find, const std::string& replacement) {
    View().MmRuleFind[1]->setPlainText(QString::fromStdString(find));
    View().MmRuleReplace[1]->setPlainText(QString::fromStdString(replacement));
  }
  double Batch(bool backup) {
    View().cbBackupWhenTransfter->setChecked(backup);
    Timer t;
    View().BtnDirTextReplace->click();
    return t.Seconds();
  }
  double Restore() {
    desktop_.yes = true;
    Timer t;
    View().BtnBatchReturn->click();
    const double s = t.Seconds();
    desktop_.yes = false;
    return s;
  }
  double DryRun() {
    View().CbDryRun->setChecked(true);
    const double s = Batch(false);
    View().CbDryRun->setChecked(false);
    return s;
  }
  double Search(const std::string& text, int& found) {
    View().MmoSearchText->setPlainText(QString::fromStdString(text));
    Timer t;
    View().BtnSearch->click();
    const double s = t.Seconds();
    found = View().LbSearch->count();
    return s;
  }
  QStringList PaneLines() { return View().MemoHint->toPlainText().split('\n', Qt::SkipEmptyParts); }

 private:
  SilentDesktop desktop_;
  MainFormEnv env_;
  std::unique_ptr<TMainForm> form_;
};

void Ratio(const std::string& name, double ours, double theirs) {
  if (theirs <= 0) return;
  Report(name, ours / theirs, "x");
}

void SearchFigures(Window& w, const std::string& tree, int rounds) {
  struct Case {
    const char* name;
    std::string ours;
    std::string grep;  // the peers' patterns (a two-line text is two patterns to them; a Chinese text
    std::string rg;    // is searched in its UTF-8 and its GBK form, as ours finds it in both)
  };
  const std::string zhGbk = "\xC1\xAA\xCF\xB5\xCE\xD2\xC3\xC7";
  const Case cases[] = {
      {"one_line_absent", "qqzzxx never", "-F -e 'qqzzxx never'", "-F -e 'qqzzxx never'"},
      {"one_line_tenth", kMarker, std::string("-F -e ") + kMarker, std::string("-F -e ") + kMarker},
      {"one_line_every", kEveryFile, std::string("-F -e ") + kEveryFile, std::string("-F -e ") + kEveryFile},
      {"chinese", "联系我们", "-F -e 联系我们 -e '" + zhGbk + "'",
       "-e 联系我们 -e '(?-u)\\xC1\\xAA\\xCF\\xB5\\xCE\\xD2\\xC3\\xC7'"},
      {"two_line_absent", "qqzz\nxxyy", "-F -e qqzz", "-F -e qqzz"},
  };
  const bool rg = Installed("rg");
  w.Source(tree);
  for (const Case& c : cases) {
    std::vector<double> ours, grep, ripgrep;
    int found = 0;
    w.Search(c.ours, found);  // warm
    // A search takes a tenth of a second, where the machine's swings weigh most: more rounds.
    for (int r = 0; r < rounds * 5; ++r) {
      ours.push_back(w.Search(c.ours, found));
      grep.push_back(TimeCommand("grep -rl" + GrepIncludes() + " " + c.grep + " " + Quote(tree) + " >/dev/null"));
      if (rg) ripgrep.push_back(TimeCommand("rg -l" + RgGlobs() + " " + c.rg + " " + Quote(tree) + " >/dev/null"));
    }
    const std::string name = std::string("search_") + c.name;
    Report(name + "_files", found, "files");
    Report(name + "_time", Median(ours), "s");
    Report(name + "_grep_time", Median(grep), "s");
    Ratio(name + "_vs_grep", Median(ours), Median(grep));
    if (rg) {
      Report(name + "_rg_time", Median(ripgrep), "s");
      Ratio(name + "_vs_rg", Median(ours), Median(ripgrep));
    }
  }
}

// The peers replace `from` by `to` in every listed file, with their default behaviour.
double Sed(const std::string& tree, const std::string& from, const std::string& to) {
  return TimeCommand("find " + Quote(tree) + " -type f " + FindNames() + " -exec sed -i " + Quote("s/" + from + "/" + to + "/g") +
                     " {} +");
}
double Sd(const std::string& tree, const std::string& from, const std::string& to) {
  return TimeCommand("find " + Quote(tree) + " -type f " + FindNames() + " -exec sd " + Quote(from) + " " + Quote(to) + " {} +");
}

// The batch beside the peers: each run turns the word into the other one, so every run changes the
// same files.
void BatchFigures(Window& w, const std::string& tree, const std::string& word, const std::string& name, int rounds) {
  const bool sd = Installed("sd");
  std::string a = word, b = word + "X";
  std::vector<double> ours, sed, sdTimes;
  w.Source(tree);
  size_t written = 0;
  auto flip = [&] { std::swap(a, b); };
  for (int r = 0; r < rounds; ++r) {
    w.Rule(a, b);
    ours.push_back(w.Batch(false));
    written = static_cast<size_t>(w.PaneLines().size());
    flip();
    sed.push_back(Sed(tree, a, b));
    flip();
    if (sd) {
      sdTimes.push_back(Sd(tree, a, b));
      flip();
    }
  }
  Report(name + "_files_written", static_cast<double>(written), "files");
  Report(name + "_time", Median(ours), "s");
  Report(name + "_sed_time", Median(sed), "s");
  Report(name + "_sed_over_ours", Median(sed) / Median(ours), "x");
  if (sd) {
    Report(name + "_sd_time", Median(sdTimes), "s");
    Report(name + "_sd_over_ours", Median(sdTimes) / Median(ours), "x");
  }
}

// With copies beside without them plus cp -a of the changed files.
void BackupFigures(Window& w, const std::string& root, const std::string& tree, int rounds) {
  w.Source(tree);
  std::vector<double> with, without, copy;
  size_t changed = 0;
  std::string a = kMarker, b = std::string(kMarker) + "X";
  for (int r = 0; r < rounds; ++r) {
    const std::string out = root + "/copies" + std::to_string(r);
    w.Output(out);
    w.Rule(a, b);
    with.push_back(w.Batch(true));
    std::swap(a, b);
    w.Rule(a, b);
    without.push_back(w.Batch(false));
    std::swap(a, b);
    // cp -a of the files that run changed.
    const QStringList lines = w.PaneLines();
    changed = static_cast<size_t>(lines.size());
    const std::string list = root + "/changed.txt";
    {
      std::ofstream f(list);
      for (const QString& l : lines) f << l.toStdString() << '\n';
    }
    const std::string dest = root + "/cpa" + std::to_string(r);
    std::filesystem::create_directories(dest);
    // (The file names of the tree are unique, so the copies can stand side by side.)
    copy.push_back(TimeCommand("xargs -d '\\n' cp -a -t " + Quote(dest) + " < " + Quote(list)));
    std::filesystem::remove_all(dest);
    std::filesystem::remove_all(out);
  }
  const double withM = Median(with), withoutM = Median(without), copyM = Median(copy);
  Report("backup_batch_time", withM, "s");
  Report("backup_plain_batch_time", withoutM, "s");
  Report("backup_cp_a_time", copyM, "s");
  Report("backup_vs_plain_plus_cp_a", withM / (withoutM + copyM), "x");
  if (changed > 0) Report("backup_copy_cost_per_file", (withM - withoutM) * 1e6 / static_cast<double>(changed), "us");
}

// zur-replace with a rule that hits a tenth of the files, beside the peers in the same rounds; and its
// start-up (the program run to print its version: no window library is loaded).
void CliFigures(const std::string& root, const std::string& tree, int rounds) {
  const bool sd = Installed("sd");
  const std::string program = std::string("ZUR_SETTINGS=") + Quote(root + "/cli-settings") + " '" ZUR_REPLACE "'";
  auto ours = [&](const std::string& from, const std::string& to) {
    return TimeCommand(program + " --ext htm,html,txt,js,css -r " + Quote(from) + " " + Quote(to) + " " + Quote(tree) +
                       " > /dev/null 2>&1");
  };
  std::string a = kMarker, b = std::string(kMarker) + "X";
  std::vector<double> cli, sed, sdTimes;
  for (int r = 0; r < rounds; ++r) {
    cli.push_back(ours(a, b));
    std::swap(a, b);
    sed.push_back(Sed(tree, a, b));
    std::swap(a, b);
    if (sd) {
      sdTimes.push_back(Sd(tree, a, b));
      std::swap(a, b);
    }
  }
  Report("cli_tenth_time", Median(cli), "s");
  Report("cli_tenth_sed_over_ours", Median(sed) / Median(cli), "x");
  if (sd) Report("cli_tenth_sd_over_ours", Median(sdTimes) / Median(cli), "x");
  std::vector<double> start;
  for (int r = 0; r < 20; ++r) start.push_back(TimeCommand(program + " --version > /dev/null"));
  Report("cli_startup", Median(start) * 1000, "ms");
}

// zur-replace with a rule table of 10,000 exact pairs (the marker's among them) beside the same
// program with the marker's one rule, and beside the way a user of sd would apply a list: sd once a
// pair, here over the table's first 100 pairs.
void TableFigures(const std::string& root, const std::string& tree, int rounds) {
  const std::string program = std::string("ZUR_SETTINGS=") + Quote(root + "/cli-settings") + " '" ZUR_REPLACE "'";
  const std::string marked = std::string(kMarker) + "X";
  auto table = [&](const std::string& path, const std::string& from, const std::string& to) {
    std::ofstream out(path, std::ios::binary);
    for (int i = 0; i < 10000; ++i) out << "w" << i * 7919 % 1000003 << "x\tr" << i << "\n";
    out << from << "\t" << to << "\n";
  };
  table(root + "/forward.tsv", kMarker, marked);
  table(root + "/back.tsv", marked, kMarker);
  auto run = [&](const std::string& args) {
    return TimeCommand(program + " --ext htm,html,txt,js,css " + args + " " + Quote(tree) + " > /dev/null 2>&1");
  };
  std::vector<double> tables, single;
  for (int r = 0; r < rounds; ++r) {
    tables.push_back(run("--rules " + Quote(root + "/forward.tsv")));
    tables.push_back(run("--rules " + Quote(root + "/back.tsv")));
    single.push_back(run("-r " + Quote(kMarker) + " " + Quote(marked)));
    single.push_back(run("-r " + Quote(marked) + " " + Quote(kMarker)));
  }
  Report("cli_table10k_time", Median(tables), "s");
  Report("cli_table10k_over_one_rule", Median(tables) / Median(single), "x");
  if (!Installed("sd")) return;
  Timer chain;
  for (int i = 0; i < 100; ++i) Sd(tree, "w" + std::to_string(i * 7919 % 1000003) + "x", "r" + std::to_string(i));
  Report("sd_chain100_time", chain.Seconds(), "s");
  Report("sd_chain100_over_table10k", chain.Seconds() / Median(tables), "x");
}

// A digest of every file of the tree, by path: two tools that left the same bytes give the same one.
size_t TreeDigest(const std::string& tree) {
  std::vector<std::string> paths;
  for (const auto& e : std::filesystem::recursive_directory_iterator(tree)) {
    if (e.is_regular_file()) paths.push_back(e.path().string());
  }
  std::sort(paths.begin(), paths.end());
  size_t digest = 0;
  for (const std::string& path : paths) {
    std::ifstream in(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    digest = digest * 1000003 ^ std::hash<std::string>{}(path + '\0' + bytes);
  }
  return digest;
}

// zur-replace with a regular-expression rule (a literal part, a group) that hits a tenth of the
// files, beside sd (regex mode) and perl -pi -e in the same rounds. Each turns the marker into the
// marker with an X and back, so every run changes the same files; after each tool's first forward run
// the tree's bytes are compared with ours.
void RegexFigures(const std::string& root, const std::string& tree, int rounds) {
  const bool sd = Installed("sd");
  const std::string program = std::string("ZUR_SETTINGS=") + Quote(root + "/cli-settings") + " '" ZUR_REPLACE "'";
  const std::string files = "find " + Quote(tree) + " -type f " + FindNames() + " -exec ";
  // Forward: zurmark -> zurmarkX; back: zurmarkX -> zurmark.
  const std::string fwd = "zurm(ark)\\b", back = "zurm(ark)X\\b";
  auto ours = [&](bool forward) {
    return TimeCommand(program + " --ext htm,html,txt,js,css -e -r " + Quote(forward ? fwd : back) + " " +
                       Quote(forward ? "zurm${1}X" : "zurm$1") + " " + Quote(tree) + " > /dev/null 2>&1");
  };
  auto perl = [&](bool forward) {
    return TimeCommand(files + "perl -pi -e " + Quote(forward ? "s/zurm(ark)\\b/zurm${1}X/g" : "s/zurm(ark)X\\b/zurm$1/g") +
                       " {} +");
  };
  auto sdRun = [&](bool forward) {
    return TimeCommand(files + "sd " + Quote(forward ? fwd : back) + " " + Quote(forward ? "zurm${1}X" : "zurm$1") + " {} +");
  };
  std::vector<double> cli, perlTimes, sdTimes;
  bool same = true;
  for (int r = 0; r < rounds; ++r) {
    cli.push_back(ours(true));
    const size_t oursDigest = r == 0 ? TreeDigest(tree) : 0;
    perlTimes.push_back(perl(false));
    if (sd) {
      sdTimes.push_back(sdRun(true));
      if (r == 0) same = same && TreeDigest(tree) == oursDigest;
      sdRun(false);
    }
    if (r == 0) {
      perl(true);
      same = same && TreeDigest(tree) == oursDigest;
      perl(false);
    }
  }
  Report("cli_regex_tenth_time", Median(cli), "s");
  Report("cli_regex_perl_over_ours", Median(perlTimes) / Median(cli), "x");
  if (sd) Report("cli_regex_sd_over_ours", Median(sdTimes) / Median(cli), "x");
  Report("cli_regex_same_bytes", same ? 1 : 0, "(1 = yes)");
}

// A batch with copies that changes every file, then the restore that undoes it.
void RestoreFigures(Window& w, const std::string& root, const std::string& tree, int rounds) {
  w.Source(tree);
  std::vector<double> batch, restore;
  for (int r = 0; r < rounds; ++r) {
    const std::string out = root + "/undo" + std::to_string(r);
    w.Output(out);
    w.Rule(kEveryFile, std::string(kEveryFile) + "X");
    batch.push_back(w.Batch(true));
    restore.push_back(w.Restore());
    std::filesystem::remove_all(out);
  }
  Report("restore_batch_time", Median(batch), "s");
  Report("restore_time", Median(restore), "s");
  Ratio("restore_vs_batch", Median(restore), Median(batch));
}

// The dry run reads every listed file and applies the rules in memory; the tree search reads them and
// looks for one text. Same tree, same text, interleaved.
void DryRunFigures(Window& w, const std::string& tree, int rounds) {
  w.Source(tree);
  for (const auto& [word, name] : {std::pair{std::string(kMarker), "dryrun_tenth"}, std::pair{std::string(kEveryFile), "dryrun_every"}}) {
    w.Rule(word, word + "X");
    int found = 0;
    w.DryRun();  // warm
    std::vector<double> dry, search;
    for (int r = 0; r < rounds * 3; ++r) {
      dry.push_back(w.DryRun());
      search.push_back(w.Search(word, found));
    }
    Report(std::string(name) + "_files", found, "files");
    Report(std::string(name) + "_time", Median(dry), "s");
    Report(std::string(name) + "_search_time", Median(search), "s");
    Ratio(std::string(name) + "_vs_search", Median(dry), Median(search));
  }
}

void ScalingFigures(Window& w, const std::string& root) {
  for (size_t files : {5000, 20000, 80000}) {
    SiteShape shape;
    shape.files = files;
    shape.megabytes = files * 8 / 1000;  // about 8 KB a file
    const std::string tree = root + "/scale" + std::to_string(files);
    BuildSite(tree, shape);
    w.Source(tree);
    w.Rule(kMarker, std::string(kMarker) + "X");
    w.Batch(false);
    w.Rule(std::string(kMarker) + "X", kMarker);
    const double s = w.Batch(false);
    Report("scaling_" + std::to_string(files) + "_per_file", s * 1e6 / static_cast<double>(files), "us");
    std::filesystem::remove_all(tree);
  }
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});  // no chatter
  QApplication app(argc, argv);
  SiteShape shape;
  if (argc > 1) shape.files = std::stoul(argv[1]);
  if (argc > 2) shape.megabytes = std::stoul(argv[2]);
  const int rounds = argc > 3 ? std::stoi(argv[3]) : 3;
  std::string pattern = (std::filesystem::temp_directory_path() / "zurbench.XXXXXX").string();
  const std::string root = ::mkdtemp(pattern.data());
  const std::string tree = root + "/site";
  Timer build;
  const size_t bytes = BuildSite(tree, shape);
  Report("site_files", static_cast<double>(shape.files), "files");
  Report("site_size", static_cast<double>(bytes) / 1e6, "MB");
  Report("site_build", build.Seconds(), "s");
  const std::string parts = argc > 4 ? argv[4] : "search,batch,backup,scaling,cli,regex,table,restore,dryrun";
  auto wanted = [&](const char* part) { return parts.find(part) != std::string::npos; };
  {
    Window w(root);
    if (wanted("search")) SearchFigures(w, tree, rounds);
    if (wanted("batch")) {
      BatchFigures(w, tree, kMarker, "batch_tenth", rounds);
      BatchFigures(w, tree, kEveryFile, "batch_every", rounds);
    }
    if (wanted("backup")) BackupFigures(w, root, tree, rounds);
    if (wanted("cli")) CliFigures(root, tree, rounds);
    if (wanted("regex")) RegexFigures(root, tree, rounds);
    if (wanted("table")) TableFigures(root, tree, rounds);
    if (wanted("restore")) RestoreFigures(w, root, tree, rounds);
    if (wanted("dryrun")) DryRunFigures(w, tree, rounds);
    if (wanted("scaling")) ScalingFigures(w, root);
  }
  std::filesystem::remove_all(root);
  return 0;
}
