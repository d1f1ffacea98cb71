// No spelling of a path, no other user and no signal can cost an original: the same file named in
// several ways, folders named otherwise in a second run, a program that holds a file open for writing,
// names and links planted by another user, a stop while the undo looks, a damaged journal line, an
// open umask.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "core/commands/batch.h"
#include "core/commands/restore.h"
#include "core/commands/search.h"
#include "core/run/history.h"
#include "core/run/originals.h"
#include "core/run/rewritejob.h"
#include "core/run/runstate.h"
#include "support/asnobody.h"
#include "support/commandsite.h"
#include "support/tempdir.h"
#include "support/texts.h"

namespace zur {
namespace {

using testing::Answers;
using testing::AsNobody;
using testing::CanBecomeNobody;
using testing::ReadBytes;
using testing::RecordingSink;
using testing::Site;
using testing::U;
using testing::WriteBytes;

// Drives a run and asks it to stop once `after` items have been committed or reported (a Ctrl+C at
// that point).
struct StoppingDriver : RunDriver {
  explicit StoppingDriver(size_t after) : after(after) {}
  RunTally Drive(RunJob& job, size_t items, RunFeed feed, const OnEvent& onEvent,
                 const std::function<void()>& pause) override {
    RunTally tally;
    auto run = feed ? std::make_unique<Run>(job, std::move(feed)) : std::make_unique<Run>(job, items);
    run->Start();
    auto drain = [&] {
      for (const RunEvent& e : run->TakeEvents()) {
        tally.Count(e);
        if (onEvent) onEvent(e);
        if (++seen >= after) run->RequestStop();
      }
      if (pause) pause();
    };
    while (!run->Finished()) {
      if (seen >= after || run->Committed() >= after) run->RequestStop();
      drain();
    }
    run->Wait();
    drain();
    tally.committed = run->Committed();
    tally.stopped = run->Stopped();
    return tally;
  }
  size_t after;
  size_t seen = 0;
};

std::string Only(const RecordingSink& sink, Outcome outcome) {
  const auto shown = sink.Shown(outcome);
  return shown.size() == 1 ? shown[0] : std::to_string(shown.size()) + " files";
}

uint32_t ModeOf(const std::string& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

TEST(Hostile, AFileNamedSeveralWaysIsVisitedOnceAndItsCopyStays) {
  Site s;
  WriteBytes(s.src() + "x.txt", "foo");
  std::filesystem::create_directories(s.src() + "a");
  std::filesystem::create_symlink("x.txt", s.src() + "link.txt");
  WaitingDriver driver;
  RecordingSink sink;
  BatchRequest request = s.Batch(BatchRequest::Files::Selected, true);
  request.selected = {"x.txt", "./x.txt", "a/../x.txt", "link.txt"};
  const BatchResult result = RunBatch(request, driver, sink);
  ASSERT_FALSE(result.refusal.Refused()) << result.refusal.detail;
  EXPECT_EQ(Only(sink, Outcome::Done), s.src() + "x.txt");
  EXPECT_EQ(result.tally.done + result.tally.unchanged + result.tally.Problems(), 1u);
  EXPECT_EQ(ReadBytes(s.src() + "x.txt"), "bar");
  EXPECT_EQ(ReadBytes(s.out() + "x.txt"), "foo");
  Answers yes;
  const RestoreResult undo = RunRestore({s.runs(), {}}, driver, yes, sink);
  EXPECT_TRUE(undo.undone);
  EXPECT_EQ(ReadBytes(s.src() + "x.txt"), "foo");
}

TEST(Hostile, AFileOutsideTheSourceFolderKeepsItsCopyBelowTheOutputFolder) {
  Site s;
  WriteBytes(s.src() + "in.txt", "foo in");
  WriteBytes(s.dir / "elsewhere/y.txt", "foo y");
  WaitingDriver driver;
  RecordingSink sink;
  BatchRequest request = s.Batch(BatchRequest::Files::Selected, true);
  request.selected = {"in.txt", "../elsewhere/y.txt"};
  ASSERT_FALSE(RunBatch(request, driver, sink).refusal.Refused());
  EXPECT_EQ(ReadBytes(s.dir / "elsewhere/y.txt"), "bar y");
  // Named by its file name there, as any file not below the source folder.
  EXPECT_EQ(ReadBytes(s.out() + "y.txt"), "foo y");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(s.dir / "elsewhere"), {}), 1);
  Answers yes;
  EXPECT_TRUE(RunRestore({s.runs(), {}}, driver, yes, sink).undone);
  EXPECT_EQ(ReadBytes(s.dir / "elsewhere/y.txt"), "foo y");
  EXPECT_EQ(ReadBytes(s.src() + "in.txt"), "foo in");
}

TEST(Hostile, ARunStoppedAndRunAgainUnderOtherSpellingsKeepsEveryOriginal) {
  Site s;
  constexpr int kFiles = 400;
  for (int i = 0; i < kFiles; ++i) WriteBytes(s.src() + "f" + std::to_string(i) + ".htm", "foo " + std::to_string(i));
  RecordingSink sink;
  {
    StoppingDriver stopAfterThree(3);
    const BatchResult first = RunBatch(s.Batch(BatchRequest::Files::Tree, true), stopAfterThree, sink);
    ASSERT_TRUE(first.tally.stopped);
    ASSERT_LT(first.tally.done, static_cast<size_t>(kFiles));
  }
  // The same folders, named otherwise: "./out" and "x/../src".
  std::filesystem::create_directories(s.dir / "x");
  BatchRequest again = s.Batch(BatchRequest::Files::Tree, true);
  again.source = s.dir / "x/../src/";
  again.output = s.dir / "./out/";
  again.rules.push_back(MakeRule(U("bar"), U("baz")));
  WaitingDriver driver;
  const BatchResult second = RunBatch(again, driver, sink);
  ASSERT_FALSE(second.refusal.Refused()) << second.refusal.detail;
  for (int i = 0; i < kFiles; ++i) EXPECT_EQ(ReadBytes(s.src() + "f" + std::to_string(i) + ".htm"), "baz " + std::to_string(i));
  Answers yes;
  const RestoreResult undo = RunRestore({s.runs(), {}}, driver, yes, sink);
  EXPECT_TRUE(undo.undone);
  EXPECT_EQ(undo.tally.Problems(), 0u);
  for (int i = 0; i < kFiles; ++i) EXPECT_EQ(ReadBytes(s.src() + "f" + std::to_string(i) + ".htm"), "foo " + std::to_string(i));
}

TEST(Hostile, AFileThatAnotherProgramHoldsOpenForWritingIsLeftAndKeepsItsLines) {
  Site s;
  const std::string log = s.src() + "app.txt";
  WriteBytes(log, "foo started\n");
  int ready[2], go[2];
  ASSERT_EQ(::pipe(ready), 0);
  ASSERT_EQ(::pipe(go), 0);
  const pid_t writer = ::fork();
  if (writer == 0) {
    // A program that keeps its log open and writes its next line later.
    const int fd = ::open(log.c_str(), O_WRONLY | O_APPEND);
    char c = 1;
    if (fd < 0 || ::write(ready[1], &c, 1) != 1 || ::read(go[0], &c, 1) != 1) ::_exit(1);
    const char line[] = "foo later\n";
    ::_exit(::write(fd, line, sizeof line - 1) == static_cast<ssize_t>(sizeof line - 1) ? 0 : 1);
  }
  ::close(ready[1]);  // a writer that dies early ends the wait instead of hanging it
  ::close(go[0]);
  char c;
  ASSERT_EQ(::read(ready[0], &c, 1), 1);
  WaitingDriver driver;
  RecordingSink sink;
  BatchRequest request = s.Batch(BatchRequest::Files::Selected, false);
  request.selected = {"app.txt"};
  RunBatch(request, driver, sink);
  ASSERT_EQ(::write(go[1], &c, 1), 1);
  int status = 0;
  ::waitpid(writer, &status, 0);
  ASSERT_EQ(sink.files.size(), 1u);
  EXPECT_EQ(sink.files[0].event.outcome, Outcome::Skipped);
  EXPECT_EQ(sink.files[0].event.why, Why::OpenForWriting);
  EXPECT_EQ(ReadBytes(log), "foo started\nfoo later\n");
  // Once nobody writes it, it is done as any other file.
  RecordingSink after;
  RunBatch(request, driver, after);
  EXPECT_EQ(Only(after, Outcome::Done), log);
  EXPECT_EQ(ReadBytes(log), "bar started\nbar later\n");
}

TEST(Hostile, ACopyNameThatIsTakenIsNeverWrittenOverAndCopiesAreNoMoreOpenThanTheirFiles) {
  Site s;
  WriteBytes(s.src() + "a.txt", "foo a");
  WriteBytes(s.src() + "private/b.txt", "foo b");
  ::chmod((s.src() + "private").c_str(), 0700);
  WriteBytes(s.out() + "a.txt", "someone's own file");  // a file of that name is in the output folder
  WaitingDriver driver;
  RecordingSink sink;
  const BatchResult run = RunBatch(s.Batch(BatchRequest::Files::Tree, true), driver, sink);
  ASSERT_FALSE(run.refusal.Refused()) << run.refusal.detail;
  EXPECT_EQ(ReadBytes(s.out() + "a.txt"), "someone's own file");
  EXPECT_EQ(ModeOf(s.out() + "private"), 0700u);
  EXPECT_EQ(ReadBytes(s.out() + "private/b.txt"), "foo b");
  Answers yes;
  EXPECT_TRUE(RunRestore({s.runs(), {}}, driver, yes, sink).undone);
  EXPECT_EQ(ReadBytes(s.src() + "a.txt"), "foo a");
  EXPECT_EQ(ReadBytes(s.src() + "private/b.txt"), "foo b");
  EXPECT_EQ(ReadBytes(s.out() + "a.txt"), "someone's own file");
}

TEST(Hostile, NamesAnotherUserPutsInASharedOutputFolderAreNotWrittenThrough) {
  if (!CanBecomeNobody()) GTEST_SKIP() << "needs root to play another user";
  Site s;
  ::chmod(s.dir.Folder().c_str(), 0755);
  WriteBytes(s.src() + "a.txt", "foo secret");
  ::chmod((s.src() + "a.txt").c_str(), 0600);
  const std::string shared = s.dir / "shared/";
  std::filesystem::create_directories(shared);
  ::chmod(shared.c_str(), 01777);
  // The other user puts the copy's name there first, and a link where the history goes.
  ASSERT_EQ(AsNobody([&] {
              const int fd = ::open((shared + "a.txt").c_str(), O_WRONLY | O_CREAT | O_EXCL, 0666);
              return fd >= 0 && ::close(fd) == 0 && ::symlink("/etc", (shared + ".zur-history").c_str()) == 0 ? 0 : 1;
            }),
            0);
  WaitingDriver driver;
  RecordingSink sink;
  BatchRequest request = s.Batch(BatchRequest::Files::Tree, true);
  request.output = shared;
  ASSERT_FALSE(RunBatch(request, driver, sink).refusal.Refused());
  EXPECT_EQ(ReadBytes(shared + "a.txt"), "");  // the planted file got nothing of root's
  // A second run: the first cannot move into the planted history, stays in place, and is told.
  request.rules = {MakeRule(U("bar"), U("baz"))};
  const BatchResult second = RunBatch(request, driver, sink);
  ASSERT_FALSE(second.refusal.Refused()) << second.refusal.detail;
  EXPECT_EQ(second.notes.size(), 1u);
  EXPECT_EQ(ReadBytes(s.src() + "a.txt"), "baz secret");
  Answers yes;
  EXPECT_TRUE(RunRestore({s.runs(), {}}, driver, yes, sink).undone);
  EXPECT_EQ(ReadBytes(s.src() + "a.txt"), "bar secret");
  EXPECT_TRUE(RunRestore({s.runs(), {}}, driver, yes, sink).undone);
  EXPECT_EQ(ReadBytes(s.src() + "a.txt"), "foo secret");
  EXPECT_EQ(ModeOf(s.src() + "a.txt"), 0600u);
}

TEST(Hostile, TheUndoNeverFollowsAFolderSwappedForALink) {
  if (!CanBecomeNobody()) GTEST_SKIP() << "needs root to play another user";
  Site s;
  ::chmod(s.dir.Folder().c_str(), 0755);
  WriteBytes(s.src() + "sub/a.htm", "foo");
  std::filesystem::create_directories(s.out());
  for (const std::string& p : {s.src(), s.src() + "sub", s.src() + "sub/a.htm"}) ::chown(p.c_str(), 65534, 65534);
  // Root's own file elsewhere, holding the very bytes the run will write.
  const std::string mine = s.dir / "root/";
  WriteBytes(mine + "a.htm", "bar");
  ::chmod((mine + "a.htm").c_str(), 0600);
  WaitingDriver driver;
  RecordingSink sink;
  ASSERT_FALSE(RunBatch(s.Batch(BatchRequest::Files::Tree, true), driver, sink).refusal.Refused());
  ASSERT_EQ(ReadBytes(s.src() + "sub/a.htm"), "bar");
  // The tree's owner swaps the folder for a link to root's folder.
  ASSERT_EQ(AsNobody([&] {
              return ::rename((s.src() + "sub").c_str(), (s.src() + "old").c_str()) == 0 &&
                             ::symlink(mine.c_str(), (s.src() + "sub").c_str()) == 0
                         ? 0
                         : 1;
            }),
            0);
  Answers yes;
  yes.alsoChanged = true;
  RecordingSink undoSink;
  const RestoreResult undo = RunRestore({s.runs(), {}}, driver, yes, undoSink);
  EXPECT_FALSE(undo.undone);
  EXPECT_EQ(ReadBytes(mine + "a.htm"), "bar");
  EXPECT_EQ(ModeOf(mine + "a.htm"), 0600u);
  ASSERT_EQ(undoSink.files.size(), 1u);
  EXPECT_EQ(undoSink.files[0].event.why, Why::Replaced);
}

TEST(Hostile, ALinkOutOfTheTreeIsFollowedOnlyWhenAskedAndAForeignOneNeverAsRoot) {
  Site s;
  ::chmod(s.dir.Folder().c_str(), 0755);
  WriteBytes(s.src() + "own.htm", "foo own");
  WriteBytes(s.dir / "outside/far.htm", "foo far");
  WriteBytes(s.dir / "outside/deep/d.htm", "foo deep");
  std::filesystem::create_symlink(s.dir / "outside/far.htm", s.src() + "far.htm");
  std::filesystem::create_symlink(s.dir / "outside/deep", s.src() + "deep");
  std::filesystem::create_symlink(s.src() + "own.htm", s.src() + "inside.htm");
  WaitingDriver driver;
  RecordingSink sink;
  ASSERT_FALSE(RunBatch(s.Batch(BatchRequest::Files::Tree, false), driver, sink).refusal.Refused());
  EXPECT_EQ(ReadBytes(s.src() + "own.htm"), "bar own");  // a link inside the tree is followed
  EXPECT_EQ(ReadBytes(s.dir / "outside/far.htm"), "foo far");
  EXPECT_EQ(ReadBytes(s.dir / "outside/deep/d.htm"), "foo deep");
  std::vector<std::string> named = sink.folders;
  std::sort(named.begin(), named.end());
  EXPECT_EQ(named, (std::vector<std::string>{s.src() + "deep", s.src() + "far.htm"}));
  // Asked for: followed.
  BatchRequest follow = s.Batch(BatchRequest::Files::Tree, false);
  follow.followOutside = true;
  RunBatch(follow, driver, sink);
  EXPECT_EQ(ReadBytes(s.dir / "outside/far.htm"), "bar far");
  EXPECT_EQ(ReadBytes(s.dir / "outside/deep/d.htm"), "bar deep");

  if (!CanBecomeNobody()) return;
  // Root's private file, and a link to it put in the tree by another user: never followed by root.
  WriteBytes(s.dir / "secret/root.htm", "foo root");
  ::chmod((s.dir / "secret/root.htm").c_str(), 0600);
  ::chown(s.src().c_str(), 65534, 65534);
  ASSERT_EQ(AsNobody([&] { return ::symlink((s.dir / "secret/root.htm").c_str(), (s.src() + "evil.htm").c_str()); }), 0);
  RecordingSink asRoot;
  RunBatch(follow, driver, asRoot);
  EXPECT_EQ(ReadBytes(s.dir / "secret/root.htm"), "foo root");
  EXPECT_EQ(asRoot.folders, std::vector<std::string>{s.src() + "evil.htm"});
}

TEST(Hostile, AStopWhileTheUndoLooksIsAStop) {
  Site s;
  for (int i = 0; i < 40; ++i) WriteBytes(s.src() + "f" + std::to_string(i) + ".htm", "foo");
  WaitingDriver driver;
  RecordingSink sink;
  ASSERT_FALSE(RunBatch(s.Batch(BatchRequest::Files::Tree, true), driver, sink).refusal.Refused());
  StoppingDriver stop(1);
  Answers yes;
  const RestoreResult undo = RunRestore({s.runs(), {}}, stop, yes, sink);
  EXPECT_TRUE(undo.tally.stopped);
  EXPECT_FALSE(undo.undone);
  EXPECT_EQ(ReadBytes(s.src() + "f7.htm"), "bar");
  EXPECT_EQ(LastRestorable(s.runs()), RunKind::FolderTree);  // still offered
}

TEST(Hostile, ADamagedJournalLineIsNamedAndTheRestIsStillUndoneWithoutCuttingIt) {
  Site s;
  for (int i = 0; i < 20; ++i) WriteBytes(s.src() + "f" + std::to_string(i) + ".htm", "foo " + std::to_string(i));
  WaitingDriver driver;
  RecordingSink sink;
  ASSERT_FALSE(RunBatch(s.Batch(BatchRequest::Files::Tree, true), driver, sink).refusal.Refused());
  const std::string journal = s.out() + RewriteJob::kJournalName;
  std::string text = ReadBytes(journal);
  const size_t entry = text.find("f13.htm");
  ASSERT_NE(entry, std::string::npos);
  text[entry] = 'F';  // one entry's line no longer verifies
  WriteBytes(journal, text);
  Answers yes;
  RecordingSink undoSink;
  const RestoreResult undo = RunRestore({s.runs(), {}}, driver, yes, undoSink);
  EXPECT_FALSE(undo.undone);
  EXPECT_EQ(undo.damagedLines.size(), 1u);
  EXPECT_EQ(undo.tally.done, 19u);
  EXPECT_EQ(ReadBytes(s.src() + "f13.htm"), "bar 13");
  EXPECT_EQ(ReadBytes(s.src() + "f14.htm"), "foo 14");
  EXPECT_EQ(ReadBytes(journal).compare(0, text.size(), text), 0);  // nothing cut off
  EXPECT_EQ(LastRestorable(s.runs()), RunKind::FolderTree);
}

TEST(Hostile, AnOpenUmaskNeverMakesTheProgramsOwnRecordsUntrusted) {
  Site s;
  WriteBytes(s.src() + "a.htm", "foo");
  const mode_t old = ::umask(002);
  WaitingDriver driver;
  RecordingSink sink;
  const BatchResult run = RunBatch(s.Batch(BatchRequest::Files::Tree, true), driver, sink);
  ::umask(old);
  ASSERT_FALSE(run.refusal.Refused());
  EXPECT_EQ(ModeOf(s.runs() + "last"), 0600u);
  EXPECT_EQ(LastRestorable(s.runs()), RunKind::FolderTree);
  Answers yes;
  EXPECT_TRUE(RunRestore({s.runs(), {}}, driver, yes, sink).undone);
  EXPECT_EQ(ReadBytes(s.src() + "a.htm"), "foo");
}

TEST(Hostile, ASourceThatIsMissingAFileOrUnreadableIsRefusedBeforeAnythingIsRead) {
  Site s;
  WriteBytes(s.dir / "file.htm", "foo");
  WaitingDriver driver;
  RecordingSink sink;
  auto search = [&](const std::string& folder) {
    return RunSearch({folder, SetExtList("htm"), u"foo", Encoding::Utf8, false, {}}, driver, sink).refusal.kind;
  };
  EXPECT_EQ(search(s.dir / "missing/"), StartRefusal::Kind::SourceMissing);
  EXPECT_EQ(search(s.dir / "file.htm/"), StartRefusal::Kind::SourceNotFolder);
  BatchRequest request = s.Batch(BatchRequest::Files::Tree, false);
  request.source = s.dir / "missing/";
  EXPECT_EQ(RunBatch(request, driver, sink).refusal.kind, StartRefusal::Kind::SourceMissing);
  if (CanBecomeNobody()) {
    std::filesystem::create_directories(s.src());
    ::chmod(s.dir.Folder().c_str(), 0755);
    ::chmod(s.src().c_str(), 0700);
    EXPECT_EQ(AsNobody([&] { return search(s.src()) == StartRefusal::Kind::SourceUnreadable ? 0 : 1; }), 0);
  }
  EXPECT_TRUE(sink.files.empty());
}

TEST(Hostile, SetUserIdComesBackWithTheOriginalToAFileOfTheSameOwner) {
  Site s;
  WriteBytes(s.src() + "tool.txt", "foo");
  ASSERT_EQ(::chmod((s.src() + "tool.txt").c_str(), 04755), 0);
  WaitingDriver driver;
  RecordingSink sink;
  ASSERT_FALSE(RunBatch(s.Batch(BatchRequest::Files::Tree, true), driver, sink).refusal.Refused());
  EXPECT_EQ(ModeOf(s.src() + "tool.txt"), 04755u);
  Answers yes;
  EXPECT_TRUE(RunRestore({s.runs(), {}}, driver, yes, sink).undone);
  EXPECT_EQ(ReadBytes(s.src() + "tool.txt"), "foo");
  EXPECT_EQ(ModeOf(s.src() + "tool.txt"), 04755u);
}

TEST(Hostile, ACopyThatCannotBeCompletedLeavesNothingBehind) {
  Site s;
  const std::string page = "foo" + std::string(1 << 20, 'a');
  WriteBytes(s.src() + "big.htm", page);
  WriteBytes(s.src() + "small.htm", "foo");
  WaitingDriver driver;
  RecordingSink sink;
  BatchResult run;
  {
    // Writes beyond 64 KB fail, as on a full disk: the copy of the large page cannot be made.
    ::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    ::getrlimit(RLIMIT_FSIZE, &old);
    rlimit small = old;
    small.rlim_cur = 64 << 10;
    ::setrlimit(RLIMIT_FSIZE, &small);
    run = RunBatch(s.Batch(BatchRequest::Files::Tree, true), driver, sink);
    ::setrlimit(RLIMIT_FSIZE, &old);
  }
  ASSERT_FALSE(run.refusal.Refused());
  EXPECT_EQ(Only(sink, Outcome::Failed), s.src() + "big.htm");
  EXPECT_EQ(ReadBytes(s.src() + "big.htm"), page);
  EXPECT_FALSE(std::filesystem::exists(s.out() + "big.htm"));
  EXPECT_EQ(ReadBytes(s.out() + "small.htm"), "foo");
}

TEST(Hostile, ARunWhoseUndoWasCutShortTooIsAskedAboutOnce) {
  Site s;
  WriteBytes(s.src() + "a.htm", "foo");
  RunState records(s.runs());
  std::string why;
  ASSERT_TRUE(records.Ready(why)) << why;
  const std::string journal = records.JournalPathFor("1000-1");
  auto writer = JournalWriter::Create(journal, {"1000-1", RunKind::FolderTree, false, s.src(), {}}, {}, records.Key(),
                                      false, why);
  ASSERT_TRUE(writer) << why;
  JournalEntry e;
  e.n = 1;
  e.path = s.src() + "a.htm";
  e.data = s.runs() + "1000-1.data0";
  e.size = 3;
  e.before = FingerprintOf("foo");
  e.after = FingerprintOf("foo");
  ASSERT_TRUE(writer->Entry(e) && writer->Done(1));
  writer.reset();
  WriteBytes(e.data, "foo");
  // The run's mark and the mark of an undo of it, both left by programs that were killed.
  ASSERT_TRUE(records.MarkActive("1000-1", journal, why));
  ASSERT_TRUE(records.MarkActive("2000-1", journal, why));
  const RecoveryReport report = RecoverAtStart(s.runs());
  ASSERT_EQ(report.cutShort.size(), 1u);
  EXPECT_EQ(report.cutShort[0].mark, s.runs() + "active-1000-1");
  EXPECT_FALSE(std::filesystem::exists(s.runs() + "active-2000-1"));
}

}  // namespace
}  // namespace zur
