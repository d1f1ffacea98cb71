// zur-replace: the batch replacement, the tree search, the renames and the undo of ZUR Text Replace
// from a terminal or a script, on the same core services as the window (and the same records of runs,
// so that either undoes the other's runs).
#include <unistd.h>

#include <algorithm>
#include <clocale>
#include <cstdlib>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "cli/options.h"
#include "cli/report.h"
#include "cli/terminaldriver.h"
#include "cli/texts.h"
#include "core/commands/batch.h"
#include "core/commands/rename.h"
#include "core/commands/restore.h"
#include "core/commands/search.h"
#include "core/files/paths.h"
#include "core/platform/filesystem.h"
#include "core/platform/fileio.h"
#include "core/platform/process.h"
#include "core/run/history.h"
#include "core/run/rewritejob.h"
#include "core/run/runevents.h"
#include "core/settings/profile.h"
#include "core/settings/ruleoptions.h"
#include "core/settings/settingsfolder.h"
#include "core/text/codec.h"
#include "core/text/text.h"

namespace zur::cli {
namespace {

constexpr int kAllDone = 0;
constexpr int kSomeLeft = 1;
constexpr int kRefused = 2;

int Refuse(const std::string& why) {
  std::fprintf(stderr, "zur-replace: %s\n", why.c_str());
  return kRefused;
}

// A folder value in one spelling: absolute, without links, "." or "..", ending in "/" (for a folder
// that does not exist, made so from its text).
std::string Folder(const std::string& path) {
  if (auto canonical = fs::CanonicalFolder(path)) return *canonical;
  std::string value = fs::LexicalPath(path);
  NormalizeFolderPath(value);
  return value;
}

// What a command's start had to leave undone but did not stop it for.
void Notes(const std::vector<std::string>& notes, const Texts& texts) {
  for (const std::string& note : notes) {
    std::fprintf(stderr, texts.Pick("zur-replace: the output folder's history cannot be used; the last run stays "
                                    "beside this one: %s\n",
                                    "zur-replace：输出文件夹的历史记录不能使用，上一次运行留在输出文件夹中：%s\n").c_str(),
                 note.c_str());
  }
}

// The rule table's pairs that matched nothing, by line (the first 50): most often a typo.
void UnmatchedPairs(const std::vector<size_t>& lines, const Texts& texts) {
  if (lines.empty()) return;
  std::string list;
  for (size_t i = 0; i < lines.size() && i < 50; ++i) list += (i ? ", " : "") + std::to_string(lines[i]);
  if (lines.size() > 50) list += ", ...";
  std::fprintf(stderr, "%s\n",
               texts.Pick("zur-replace: the rule table's pairs on these lines matched nothing: " + list,
                          "zur-replace：以下规则没有匹配：第" + list + "行").c_str());
}

// The undo asks nothing: the command line is the user's yes. A file edited since the run is left as
// it is (and named), never overwritten.
struct NoQuestions : RestoreQuestions {
  bool Confirm(RunKind) override { return true; }
  bool AlsoChanged(size_t) override { return false; }
};

int Finish(const Report& report, const RunTally& tally, const Texts& texts, bool dryRun) {
  if (dryRun) {
    std::fprintf(stderr, texts.Pick("%zu files would change, %zu places; no file was changed.\n",
                                    "预演：将修改%zu个文件，共%zu处；没有修改任何文件。\n").c_str(),
                 tally.hits, tally.replaced);
  } else {
    std::fprintf(stderr, texts.Pick("%zu files changed, %zu places replaced.\n", "已代替%zu个文件，共%zu处。\n").c_str(),
                 tally.done, tally.replaced);
  }
  if (tally.stopped) std::fputs(texts.Pick("Stopped.\n", "操作已停止。\n").c_str(), stderr);
  return tally.stopped || report.LeftAlone() > 0 ? kSomeLeft : kAllDone;
}

// The files a tree command takes, as the command line says. As terminal tools do, hidden names are left
// out unless --hidden; patterns to take (-g) choose among every file unless --ext is given too.
// `wrong` names a size that is no size.
FileFilter FilterOf(const Options& o, std::string& wrong) {
  const bool choosing = std::any_of(o.globs.begin(), o.globs.end(), [](const std::string& g) { return g.empty() || g[0] != '!'; });
  FileFilter filter(SetExtList(o.extensions.value_or(choosing ? "*" : kDefaultExtensions)));
  for (const std::string& g : o.globs) {
    if (!g.empty() && g[0] == '!') {
      filter.exclude.push_back(g.substr(1));
    } else {
      filter.include.push_back(g);
    }
  }
  filter.excludeFolders = o.excludeDirs;
  filter.skipHidden = !o.hidden.value_or(false);
  const std::optional<uint64_t> size = ParseSize(o.maxSize.value_or(""));
  if (!size) wrong = *o.maxSize;
  filter.maxSize = size.value_or(0);
  return filter;
}

// What the extension list left out, said so that a run that skipped files is not a silent 0.
void LeftOutNote(const LeftOut& left, const Texts& texts) {
  if (left.byExtension == 0) return;
  std::fprintf(stderr,
               texts.Pick(left.byExtension == 1 ? "zur-replace: %zu file skipped whose extension is not listed (--ext '*' takes every file)\n"
                                                : "zur-replace: %zu files skipped whose extension is not listed (--ext '*' takes every file)\n",
                          "zur-replace：已跳过%zu个扩展名不在列表中的文件（用 --ext '*' 处理全部）\n").c_str(),
               left.byExtension);
}

int WrongSize(const std::string& size, const Texts& texts) {
  return Refuse(texts.Pick("--max-size takes a number, with K, M or G after it if wanted: ",
                           "--max-size 应为数字，后面可加K、M或G：") + size);
}

// The window's saved rule rows and extension list, from the settings folder they share.
bool RulesFromWindow(const std::string& settings, Encoding cp, BatchRequest& request, const Options& o) {
  bool any = false;
  const ProfileFile ini(settings + "defualt.ini", "default");
  for (int row = 1; row <= 3; ++row) {
    auto read = [&](const char* name) {
      const std::string file = settings + name + std::to_string(row) + ".txt";
      return FileExists(file) ? fs::ReadFile(file) : std::string();
    };
    request.rules.push_back(MakeRule(DecodeText(read("KeyText"), cp), DecodeText(read("ReplaceText"), cp),
                                     RowOptionsFrom(ini, row)));
    any = any || request.rules.back().Active();
  }
  // And the choice of files the window saved, where the command line does not say otherwise.
  if (!o.extensions) request.filter.extensions = SetExtList(ini.ReadString("EdtEXT", kDefaultExtensions));
  for (std::string& p : SplitPatterns(ini.ReadString("Exclude", ""))) request.filter.exclude.push_back(std::move(p));
  if (!o.hidden) request.filter.skipHidden = ini.ReadBool("SkipHidden", false);
  if (!o.maxSize) {
    const std::string saved = ini.ReadString("MaxSize", "");
    const std::optional<uint64_t> size = ParseSize(saved);
    // A saved size that is no size is told, not taken for no limit.
    if (!size) throw std::runtime_error("the window's saved largest size (MaxSize) is no size: " + saved);
    request.filter.maxSize = *size;
  }
  return any;
}

// The batch's request as the command line gives it, files aside; a refusal's exit status when it
// cannot be made.
std::optional<int> BatchRequestOf(const Options& o, const std::string& settings, Encoding cp, const Texts& texts,
                                  BatchRequest& request) {
  request.keyed = o.match;
  request.dryRun = o.dryRun;
  request.cp = cp;
  request.stateDir = settings + "runs/";
  std::string wrongSize;
  request.filter = FilterOf(o, wrongSize);
  if (!wrongSize.empty()) return WrongSize(wrongSize, texts);
  request.followOutside = o.follow;
  if (o.rulesFromWindow) {
    if (!RulesFromWindow(settings, cp, request, o)) return Refuse(texts.Pick("the window has no rule saved", "窗口没有保存任何规则"));
  } else {
    for (const Options::RuleArgs& r : o.rules) {
      request.rules.push_back(MakeRule(DecodeText(r.find, cp), DecodeText(r.replacement, cp),
                                       RuleOptions{!r.ignoreCase, r.word, r.regex}));
    }
  }
  request.ruleTable = o.ruleTable;
  bool anyRule = !request.ruleTable.empty();
  for (const Rule& r : request.rules) anyRule = anyRule || r.Active();
  if (!anyRule) return Refuse(texts.Pick("a rule's find text is empty", "查找的文本不能为空"));
  return std::nullopt;
}

// With no file given and standard input not a terminal: the rules applied to standard input, the
// result on standard output, as sed and sd do. Text that is not text, or a rule that cannot finish,
// passes through as it came and is named on standard error.
int Filter(const Options& o, const std::string& settings, Encoding cp, const Texts& texts) {
  BatchRequest request;
  if (auto refused = BatchRequestOf(o, settings, cp, texts, request)) return *refused;
  std::string input;
  char chunk[65536];
  for (size_t got; (got = std::fread(chunk, 1, sizeof chunk, stdin)) > 0;) input.append(chunk, got);
  if (std::ferror(stdin)) return Refuse(texts.Pick("standard input cannot be read", "无法读取标准输入"));
  const TextResult result = ReplaceInText(request, std::move(input));
  if (result.refusal.Refused()) return Refuse(texts.Refusal(result.refusal));
  const bool written = std::fwrite(result.bytes.data(), 1, result.bytes.size(), stdout) == result.bytes.size();
  if (std::fflush(stdout) != 0 || !written) return Refuse(texts.Pick("standard output cannot be written", "无法写入标准输出"));
  if (result.notText) {
    std::fprintf(stderr, "zur-replace: %s\n", texts.Pick("standard input is not text; passed on as it came", "标准输入不是文本，原样输出").c_str());
    return kSomeLeft;
  }
  if (result.applied.problem != RuleProblem::None) {
    RunEvent e = RuleProblemEvent(kNoItem, result.applied);
    std::fprintf(stderr, "zur-replace: %s\n", texts.Why(e).c_str());
    return kSomeLeft;
  }
  return kAllDone;
}

int Batch(const Options& o, const std::string& settings, Encoding cp, const Texts& texts) {
  BatchRequest request;
  if (auto refused = BatchRequestOf(o, settings, cp, texts, request)) return *refused;
  // One folder: its whole tree. Files: those files, named below the folder they share.
  if (o.paths.size() == 1 && FolderExists(o.paths[0])) {
    request.files = BatchRequest::Files::Tree;
    request.source = Folder(o.paths[0]);
  } else {
    request.files = BatchRequest::Files::Selected;
    // Each file in one spelling, so that the folder they share and their names below it are plain
    // (the core takes each file once however it was named).
    std::vector<std::string> files;
    for (const std::string& p : o.paths) files.push_back(fs::CanonicalFilePath(p).value_or(fs::LexicalPath(p)));
    std::string common = FolderPart(files[0]);
    for (const std::string& f : files) {
      while (f.compare(0, common.size(), common) != 0) common = FolderPart(common.substr(0, common.size() - 1));
    }
    request.source = common;
    for (const std::string& f : files) request.selected.push_back(f.substr(common.size()));
  }
  if (!o.backup.empty() && !o.dryRun) {
    request.copies = true;
    request.output = Folder(o.backup);
    switch (PrepareOutputFolder(request.output, request.source, request.files == BatchRequest::Files::Tree)) {
      case OutputFolder::Ready:
        break;
      case OutputFolder::Missing:
        return Refuse(texts.Pick("the output folder does not exist and cannot be made: ", "输出路径不存在，也无法建立：") + request.output);
      case OutputFolder::IsSource:
        return Refuse(texts.Pick("the output folder must differ from the source folder, or the copies would overwrite the files",
                                 "输出路径不能与源路径相同，否则备份会覆盖原文件"));
      case OutputFolder::ContainsSource:
        return Refuse(texts.Pick("the output folder must not hold the source folder", "输出路径不能包含源路径"));
    }
  }
  TerminalDriver driver(!o.json);
  Report report(o.dryRun ? Report::Kind::DryRun : Report::Kind::Batch, o.json, texts);
  if (o.nul) report.EndPathsWithNul();
  const BatchResult result = RunBatch(request, driver, report);
  if (result.refusal.Refused()) return Refuse(texts.Refusal(result.refusal));
  Notes(result.notes, texts);
  UnmatchedPairs(result.unmatchedPairs, texts);
  LeftOutNote(result.leftOut, texts);
  return Finish(report, result.tally, texts, o.dryRun);
}

int Search(const Options& o, Encoding cp, const Texts& texts) {
  std::string wrongSize;
  SearchRequest request{Folder(o.paths[0]), FilterOf(o, wrongSize), TrimControl16(DecodeText(o.text, cp)), cp, o.follow,
                        RuleOptions{!o.searchIgnoreCase, o.searchWord, o.searchRegex}};
  if (!wrongSize.empty()) return WrongSize(wrongSize, texts);
  if (request.text.empty()) return Refuse(texts.Pick("the search text is empty", "查询的文本不能为空"));
  TerminalDriver driver(!o.json);
  Report report(Report::Kind::Search, o.json, texts);
  if (o.nul) report.EndPathsWithNul();
  const CommandResult result = RunSearch(request, driver, report);
  if (result.refusal.Refused()) return Refuse(texts.Refusal(result.refusal));
  LeftOutNote(result.leftOut, texts);
  return result.tally.stopped || report.LeftAlone() > 0 ? kSomeLeft : kAllDone;
}

int Rename(const Options& o, Encoding cp, const Texts& texts) {
  RenameRequest request;
  request.files = RenameRequest::Files::Tree;
  request.source = Folder(o.paths[0]);
  std::string wrongSize;
  request.filter = FilterOf(o, wrongSize);
  if (!wrongSize.empty()) return WrongSize(wrongSize, texts);
  request.find = TrimControl(o.rename.first);  // as the window trims its name fields
  request.replacement = TrimControl(o.rename.second);
  request.cp = cp;
  request.dryRun = o.dryRun;
  request.followOutside = o.follow;
  if (request.find.empty()) return Refuse(texts.Pick("the name's find text is empty", "查找的文本不能为空"));
  TerminalDriver driver(!o.json);
  Report report(Report::Kind::Rename, o.json, texts);
  if (o.nul) report.EndPathsWithNul();
  const CommandResult result = RunRename(request, driver, report);
  if (result.refusal.Refused()) return Refuse(texts.Refusal(result.refusal));
  LeftOutNote(result.leftOut, texts);
  return result.tally.stopped || report.LeftAlone() > 0 ? kSomeLeft : kAllDone;
}

int Undo(const Options& o, const std::string& settings, const Texts& texts) {
  const std::string output = Folder(o.undo);
  const std::string journal = NewestLiveJournal(output, RewriteJob::kJournalName);
  if (journal.empty()) return Refuse(texts.Pick("nothing to undo in ", "没有任何需要恢复的文件：") + output);
  TerminalDriver driver(!o.json);
  Report report(Report::Kind::Undo, o.json, texts);
  if (o.nul) report.EndPathsWithNul();
  NoQuestions yes;
  const RestoreResult result = RunRestore({settings + "runs/", journal}, driver, yes, report);
  switch (result.refused) {
    case RestoreResult::Refused::None:
      break;
    case RestoreResult::Refused::Nothing:
    case RestoreResult::Refused::Declined:
      return Refuse(texts.Pick("nothing to undo in ", "没有任何需要恢复的文件：") + output);
    default:
      return Refuse(texts.Pick("the run cannot be undone now: ", "现在不能恢复：") + result.detail);
  }
  std::fprintf(stderr, texts.Pick("%zu files restored.\n", "恢复完成：已恢复%zu个文件。\n").c_str(), result.tally.done);
  return result.tally.stopped || report.LeftAlone() > 0 ? kSomeLeft : kAllDone;
}

// Puts right what runs cut short left (as the window does at its start) and names each run that had
// changed files, until the user answers with --cut-short.
void Recover(const std::string& runs, const Texts& texts) {
  const RecoveryReport report = RecoverAtStart(runs);
  for (const RecoveryNote& note : report.notes) {
    if (note.what == RecoveryNote::What::PutBack) {
      std::fprintf(stderr, texts.Pick("zur-replace: a run was cut short; the original of %s was put back\n",
                                      "zur-replace：上次运行被中断，已恢复原文件：%s\n").c_str(), note.shown.c_str());
    } else {
      std::fprintf(stderr, "zur-replace: %s: %s\n", note.shown.c_str(), note.why.c_str());
    }
  }
  for (const CutShortRun& run : report.cutShort) {
    std::fprintf(stderr,
                 texts.Pick("zur-replace: the run of %s on %s was cut short after changing %zu files; "
                            "zur-replace --cut-short undo (or keep) answers for it\n",
                            "zur-replace：%s的运行（源文件夹：%s）没有正常结束，已修改%zu个文件；"
                            "用 zur-replace --cut-short undo（或 keep）撤销或保留\n").c_str(),
                 RunTime(run.id).c_str(), run.source.c_str(), run.changed);
  }
}

// The answer for every run cut short: undo its changed files, or keep them.
int CutShort(const Options& o, const std::string& settings, const Texts& texts) {
  const std::string runs = settings + "runs/";
  const RecoveryReport report = RecoverAtStart(runs);
  if (report.cutShort.empty()) return Refuse(texts.Pick("no run was cut short", "没有被中断的运行"));
  int status = kAllDone;
  for (const CutShortRun& run : report.cutShort) {
    if (!o.undoCutShort) {
      KeepCutShortRun(runs, run);
      continue;
    }
    TerminalDriver driver(!o.json);
    Report out(Report::Kind::Undo, o.json, texts);
    if (o.nul) out.EndPathsWithNul();
    NoQuestions yes;
    const RestoreResult result = UndoCutShortRun(runs, run, driver, yes, out);
    if (!result.undone && result.refused != RestoreResult::Refused::Nothing) status = kSomeLeft;
    std::fprintf(stderr, texts.Pick("%zu files restored.\n", "恢复完成：已恢复%zu个文件。\n").c_str(), result.tally.done);
  }
  return status;
}

}  // namespace
}  // namespace zur::cli

int main(int argc, char** argv) {
  using namespace zur;
  using namespace zur::cli;
  std::setlocale(LC_ALL, "");
  const Texts texts = Texts::FromEnvironment();
  const Options o = ParseOptions(argc, argv);
  if (!o.error.empty()) {
    std::fprintf(stderr, "zur-replace: %s\n%s", o.error.c_str(),
                 texts.Pick("Try 'zur-replace --help'.\n", "用 zur-replace --help 查看用法。\n").c_str());
    return kRefused;
  }
  if (o.command == Options::Command::Help) {
    std::fputs(texts.Help(), stdout);
    return kAllDone;
  }
  if (o.command == Options::Command::Version) {
    std::puts("zur-replace 2.1");
    return kAllDone;
  }
  if (o.command == Options::Command::Batch && o.paths.empty() && ::isatty(STDIN_FILENO)) {
    std::fprintf(stderr, "zur-replace: %s\n", texts.Pick("no folder or file given", "没有给出文件夹或文件").c_str());
    return kRefused;
  }
  try {
    const Encoding cp = SystemEncoding();
    // The records of runs (and the key that signs them) are the window's: runs of either can be undone.
    // ZUR_SETTINGS names another settings folder (that of another copy of the window, say).
    const char* given = std::getenv("ZUR_SETTINGS");
    const std::string settings = given && *given ? Folder(given)
                                                 : FindSettingsFolder(FolderPart(ProgramFilePath()), HomeFolder()).folder;
    if (o.command == Options::Command::CutShort) return CutShort(o, settings, texts);
    Recover(settings + "runs/", texts);
    switch (o.command) {
      case Options::Command::Search:
        return Search(o, cp, texts);
      case Options::Command::Rename:
        return Rename(o, cp, texts);
      case Options::Command::Undo:
        return Undo(o, settings, texts);
      default:
        return o.paths.empty() ? Filter(o, settings, cp, texts) : Batch(o, settings, cp, texts);
    }
  } catch (const std::exception& error) {
    return Refuse(error.what());
  }
}
