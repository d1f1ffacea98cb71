// The commands as the window and a console program use them: plain requests run by the core's
// services, without any window.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <filesystem>
#include <map>

#include "core/commands/batch.h"
#include "core/commands/rename.h"
#include "core/commands/restore.h"
#include "core/commands/search.h"
#include "core/run/journal.h"
#include "core/run/runstate.h"
#include "support/commandsite.h"
#include "support/tempdir.h"
#include "support/texts.h"

namespace zur {
namespace {

using testing::G;
using testing::ReadBytes;
using testing::TempDir;
using testing::U;
using testing::WriteBytes;

using testing::Answers;
using testing::RecordingSink;
using testing::Site;

TEST(Commands, TheOutputFolderIsMadeAndMustNotHoldTheFiles) {
  Site s;
  std::filesystem::create_directories(s.src());
  std::string output = s.dir / "made/deep";
  EXPECT_EQ(PrepareOutputFolder(output, s.src(), true), OutputFolder::Ready);
  EXPECT_EQ(output, s.dir / "made/deep/");
  EXPECT_TRUE(std::filesystem::is_directory(output));
  std::string same = s.src();
  EXPECT_EQ(PrepareOutputFolder(same, s.src(), false), OutputFolder::IsSource);
  std::string above = s.dir.Folder();
  EXPECT_EQ(PrepareOutputFolder(above, s.src(), false), OutputFolder::ContainsSource);
  std::string impossible = "/proc/zur/out/";
  EXPECT_EQ(PrepareOutputFolder(impossible, s.src(), false), OutputFolder::Missing);
}

TEST(Commands, ABatchReportsEveryFileAndAFolderItCouldNotOpen) {
  Site s;
  WriteBytes(s.src() + "a.htm", "foo a");
  WriteBytes(s.src() + "sub/B.htm", "foo b");
  WriteBytes(s.src() + "c.txt", "nothing");
  WriteBytes(s.src() + "closed/d.htm", "foo d");
  ::chmod((s.src() + "closed").c_str(), 0);
  WaitingDriver driver;
  RecordingSink sink;
  const BatchResult result = RunBatch(s.Batch(BatchRequest::Files::Tree, true), driver, sink);
  ::chmod((s.src() + "closed").c_str(), 0755);
  ASSERT_FALSE(result.refusal.Refused());
  const bool root = ::geteuid() == 0;  // (root opens any folder)
  std::vector<std::string> done{s.src() + "a.htm", s.src() + "sub/B.htm"};
  if (root) done.insert(done.begin() + 1, s.src() + "closed/d.htm");
  EXPECT_EQ(sink.Shown(Outcome::Done), done);
  EXPECT_EQ(result.tally.replaced, done.size());  // one occurrence in each file written
  EXPECT_EQ(sink.Shown(Outcome::Unchanged), std::vector<std::string>{s.src() + "c.txt"});
  EXPECT_EQ(ReadBytes(s.src() + "sub/B.htm"), "bar b");
  EXPECT_EQ(ReadBytes(s.out() + "sub/B.htm"), "foo b");
  if (!root) {
    EXPECT_EQ(sink.folders, std::vector<std::string>{s.src() + "closed/"});
    EXPECT_EQ(result.tally.skipped, 1u);
  }
  EXPECT_EQ(LastRestorable(s.runs()), RunKind::FolderTree);

  // The selected files, without copies: the restore then has nothing to undo.
  RecordingSink second;
  BatchRequest selected = s.Batch(BatchRequest::Files::Selected, false);
  selected.selected = {"a.htm", "missing.htm"};
  selected.rules = {MakeRule(U("bar"), U("baz"))};
  RunBatch(selected, driver, second);
  ASSERT_EQ(second.files.size(), 2u);
  EXPECT_EQ(second.files[0].event.outcome, Outcome::Done);
  EXPECT_EQ(second.files[1].event.why, Why::Missing);
  EXPECT_EQ(second.files[1].shown, s.src() + "missing.htm");  // in one spelling, without a doubled separator
  EXPECT_EQ(ReadBytes(s.src() + "a.htm"), "baz a");
  EXPECT_EQ(LastRestorable(s.runs()), RunKind::None);
}

TEST(Commands, ARestoreAsksAndPutsBackOnlyWhatTheUserAgreedTo) {
  Site s;
  WriteBytes(s.src() + "a.htm", "foo a");
  WriteBytes(s.src() + "b.htm", "foo b");
  WaitingDriver driver;
  RecordingSink sink;
  Answers answers;
  // Nothing to undo yet.
  EXPECT_EQ(RunRestore({s.runs(), {}}, driver, answers, sink).refused, RestoreResult::Refused::Nothing);
  RunBatch(s.Batch(BatchRequest::Files::Tree, true), driver, sink);
  WriteBytes(s.src() + "b.htm", "edited since");
  answers.confirm = false;
  EXPECT_EQ(RunRestore({s.runs(), {}}, driver, answers, sink).refused, RestoreResult::Refused::Declined);
  EXPECT_EQ(answers.kind, RunKind::FolderTree);
  EXPECT_EQ(ReadBytes(s.src() + "a.htm"), "bar a");
  answers.confirm = true;
  sink.files.clear();
  const RestoreResult result = RunRestore({s.runs(), {}}, driver, answers, sink);
  EXPECT_EQ(result.refused, RestoreResult::Refused::None);
  EXPECT_EQ(answers.asked, 1u);
  EXPECT_EQ(ReadBytes(s.src() + "a.htm"), "foo a");
  EXPECT_EQ(ReadBytes(s.src() + "b.htm"), "edited since");
  ASSERT_EQ(sink.files.size(), 2u);
  EXPECT_EQ(sink.files[0].second, s.out() + "a.htm");  // the copy it came from
  EXPECT_EQ(sink.files[1].event.why, Why::ChangedSinceRun);

  // A run going in another window holds the journal: the restore waits for nothing.
  RunState records(s.runs());
  std::string why;
  ASSERT_TRUE(records.Ready(why));
  HeldJournal held = HeldJournal::Open(records.LastJournal(), records.Key());
  ASSERT_TRUE(held.Ok());
  EXPECT_EQ(RunRestore({s.runs(), {}}, driver, answers, sink).refused, RestoreResult::Refused::Busy);
  held = HeldJournal();
  ForgetLastRun(s.runs());
  EXPECT_EQ(RunRestore({s.runs(), {}}, driver, answers, sink).refused, RestoreResult::Refused::Nothing);
}

TEST(Commands, RenamesAndSearchesReportTheirFilesByTheirNames) {
  Site s;
  WriteBytes(s.src() + "Old-a.htm", "foo");
  WriteBytes(s.src() + "sub/old-b.htm", "none");
  WriteBytes(s.src() + "sub/new-b.htm", "there already");
  WriteBytes(s.src() + "sub/Page-old.HTM", "page");
  WaitingDriver driver;
  RecordingSink found;
  const RunTally searched = RunSearch({s.src(), SetExtList("htm"), u"foo", Encoding::Utf8, false, {}}, driver, found).tally;
  EXPECT_EQ(searched.hits, 1u);
  ASSERT_EQ(found.Shown(Outcome::Hit).size(), 1u);
  EXPECT_EQ(found.Shown(Outcome::Hit)[0], s.src() + "Old-a.htm");  // as its folder holds it
  RecordingSink renamed;
  RenameRequest tree{RenameRequest::Files::Tree, s.src(), SetExtList("htm"), "old", "new", Encoding::Utf8};
  const RunTally renames = RunRename(tree, driver, renamed).tally;
  EXPECT_EQ(renames.done, 1u);
  EXPECT_EQ(renames.replaced, 1u);  // the name that could not be taken counts nothing
  // The new name is the name as it is with the replacement in it, every other letter as it was
  // ("Old" is not "old"); an existing file is never replaced.
  EXPECT_TRUE(std::filesystem::exists(s.src() + "sub/Page-new.HTM"));
  EXPECT_TRUE(std::filesystem::exists(s.src() + "Old-a.htm"));
  EXPECT_EQ(ReadBytes(s.src() + "sub/new-b.htm"), "there already");
  EXPECT_EQ(ReadBytes(s.src() + "sub/old-b.htm"), "none");
  std::vector<Why> whys;
  for (const auto& r : renamed.files) whys.push_back(r.event.why);
  EXPECT_NE(std::find(whys.begin(), whys.end(), Why::TargetExists), whys.end());
}

// Runs with copies into one output folder are undone newest first, back to the first; each once.
TEST(Commands, EveryRunWithCopiesIsUndoneInTurn) {
  Site s;
  WriteBytes(s.src() + "a.htm", "foo a");
  WriteBytes(s.src() + "sub/b.htm", "foo b");
  ::chmod((s.src() + "a.htm").c_str(), 0640);
  const timespec old[2] = {{0, UTIME_OMIT}, {1000000000, 500}};
  ::utimensat(AT_FDCWD, (s.src() + "a.htm").c_str(), old, 0);
  WaitingDriver driver;
  RecordingSink sink;
  Answers answers;
  auto run = [&](const char* from, const char* to) {
    BatchRequest request = s.Batch(BatchRequest::Files::Tree, true);
    request.rules = {MakeRule(U(from), U(to))};
    const BatchResult r = RunBatch(request, driver, sink);
    ASSERT_FALSE(r.refusal.Refused());
  };
  run("foo", "bar");
  run("bar", "baz");
  // The newest run's copies are where the copies of a run always are; the earlier run's moved aside.
  EXPECT_EQ(ReadBytes(s.out() + "a.htm"), "bar a");
  EXPECT_EQ(ReadBytes(s.src() + "sub/b.htm"), "baz b");

  RestoreResult undo = RunRestore({s.runs(), {}}, driver, answers, sink);
  EXPECT_TRUE(undo.undone);
  EXPECT_EQ(undo.files, 2u);
  EXPECT_EQ(undo.source, s.src());
  EXPECT_EQ(ReadBytes(s.src() + "a.htm"), "bar a");
  // A third run after an undo: it is the newest, the first run still waits below it.
  run("bar", "qux");
  undo = RunRestore({s.runs(), {}}, driver, answers, sink);
  EXPECT_TRUE(undo.undone);
  EXPECT_EQ(ReadBytes(s.src() + "a.htm"), "bar a");
  EXPECT_EQ(LastRestorable(s.runs()), RunKind::FolderTree);
  undo = RunRestore({s.runs(), {}}, driver, answers, sink);
  EXPECT_TRUE(undo.undone);
  EXPECT_EQ(ReadBytes(s.src() + "a.htm"), "foo a");
  EXPECT_EQ(ReadBytes(s.src() + "sub/b.htm"), "foo b");
  struct stat st;
  ASSERT_EQ(::stat((s.src() + "a.htm").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_EQ(st.st_mtim.tv_sec, 1000000000);
  EXPECT_EQ(st.st_mtim.tv_nsec, 500);
  // Nothing is left to undo, and nothing is undone twice.
  EXPECT_EQ(LastRestorable(s.runs()), RunKind::None);
  EXPECT_EQ(RunRestore({s.runs(), {}}, driver, answers, sink).refused, RestoreResult::Refused::Nothing);
  EXPECT_EQ(ReadBytes(s.src() + "a.htm"), "foo a");
}

// A dry run writes nothing, and the real run that follows changes exactly the files it listed, by the
// counts it gave: chained rules, a line-break rule, GBK boundaries, the key placeholder.
TEST(Commands, ADryRunTellsWhatTheRunWillDo) {
  const std::pair<std::string, std::string> files[] = {
      {"chain.htm", "a b a\r\nline one\r\nline two\n"},
      {"gbk.htm", "\xD6\xD0\xCE\xC4 \xD0\xCE"},  // 形 once whole, once across 中文
      {"keys.htm", "[b]1[/b] x [b]22[/b]"},
      {"none.htm", "nothing here"},
      {"sub/both.txt", "a [b]3[/b]"},
      {"skip.bin", "a"},
  };
  for (const bool keyed : {false, true}) {
    Site s;
    for (const auto& [name, bytes] : files) WriteBytes(s.src() + name, bytes);
    BatchRequest request = s.Batch(BatchRequest::Files::Tree, false);
    request.keyed = keyed;
    request.rules = {MakeRule(U("a"), U("b")), MakeRule(keyed ? U("[b]#key#[/b]") : U("b"), U("<B>")),
                     MakeRule(U("one\ntwo"), G("\xD0\xCE"))};
    const auto before = std::filesystem::last_write_time(s.src() + "chain.htm");
    WaitingDriver driver;
    RecordingSink preview;
    request.dryRun = true;
    const BatchResult dry = RunBatch(request, driver, preview);
    for (const auto& [name, bytes] : files) EXPECT_EQ(ReadBytes(s.src() + name), bytes) << name;
    EXPECT_EQ(std::filesystem::last_write_time(s.src() + "chain.htm"), before);
    EXPECT_FALSE(std::filesystem::exists(s.runs()) && !std::filesystem::is_empty(s.runs()));
    EXPECT_TRUE(preview.Shown(Outcome::Done).empty());

    RecordingSink real;
    request.dryRun = false;
    const BatchResult run = RunBatch(request, driver, real);
    EXPECT_EQ(preview.Shown(Outcome::Hit), real.Shown(Outcome::Done)) << "keyed " << keyed;
    EXPECT_EQ(dry.tally.replaced, run.tally.replaced) << "keyed " << keyed;
    EXPECT_GT(run.tally.replaced, 0u);
    std::map<std::string, size_t> would, did;
    for (const auto& r : preview.files) would[r.shown] += r.event.replaced;
    for (const auto& r : real.files) did[r.shown] += r.event.replaced;
    EXPECT_EQ(would, did);
  }
}

TEST(Commands, ADryRunOfARenameRenamesNothing) {
  Site s;
  WriteBytes(s.src() + "old-a.htm", "a");
  WriteBytes(s.src() + "sub/old-b.htm", "b");
  WriteBytes(s.src() + "sub/new-b.htm", "there already");
  WaitingDriver driver;
  RenameRequest request{RenameRequest::Files::Tree, s.src(), SetExtList("htm"), "old", "new", Encoding::Utf8};
  request.dryRun = true;
  RecordingSink preview;
  const RunTally dry = RunRename(request, driver, preview).tally;
  EXPECT_TRUE(std::filesystem::exists(s.src() + "old-a.htm"));
  EXPECT_EQ(preview.Shown(Outcome::Hit), std::vector<std::string>{s.src() + "old-a.htm"});
  EXPECT_EQ(dry.replaced, 1u);
  request.dryRun = false;
  RecordingSink real;
  RunRename(request, driver, real);
  EXPECT_EQ(real.Shown(Outcome::Done), preview.Shown(Outcome::Hit));  // the taken name fails in both
  EXPECT_EQ(real.Shown(Outcome::Failed), preview.Shown(Outcome::Failed));
}

TEST(Commands, SearchFindsOnlyWhatTheBatchWouldReplace) {
  Site s;
  // 的软 in GBK is B5 C4 C8 ED: the bytes of 娜 (C4 C8) straddle the two characters.
  WriteBytes(s.src() + "straddle.htm", "\xB5\xC4\xC8\xED");
  WriteBytes(s.src() + "whole.htm", "\xB5\xC4\xC4\xC8");  // 的娜
  WriteBytes(s.src() + "trail.htm", "\xB0\x41");            // the letter's byte is the second of a character
  WaitingDriver driver;
  RecordingSink found;
  RunSearch({s.src(), SetExtList("htm"), u"娜", Encoding::Utf8, false, {}}, driver, found);
  EXPECT_EQ(found.Shown(Outcome::Hit), std::vector<std::string>{s.src() + "whole.htm"});
  RecordingSink letter;
  RunSearch({s.src(), SetExtList("htm"), u"A", Encoding::Gb18030, false, {}}, driver, letter);
  EXPECT_TRUE(letter.Shown(Outcome::Hit).empty());
}

}  // namespace
}  // namespace zur
