// The run loop and its jobs without any window: files compared byte for byte.
#include <gtest/gtest.h>
#include <signal.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "core/files/scan.h"
#include "core/run/engine.h"
#include "core/run/restorejob.h"
#include "core/run/rewritejob.h"
#include "core/run/runstate.h"
#include "core/run/searchjob.h"
#include "support/asnobody.h"
#include "support/runtree.h"
#include "support/tempdir.h"
#include "support/texts.h"
#include "support/vanish.h"

namespace zur {
namespace {

using testing::AsNobody;
using testing::ReadBytes;
using testing::RunAll;
using testing::Tree;
using testing::RulesOf;
using testing::TempDir;
using testing::U;
using testing::WriteBytes;

std::vector<Outcome> Outcomes(const std::vector<RunEvent>& events) {
  std::vector<Outcome> out;
  for (const auto& e : events) out.push_back(e.outcome);
  return out;
}

TEST(RewriteJob, WritesChangedFilesInPlaceAndKeepsExactCopies) {
  Tree t;
  WriteBytes(t.src() + "a.htm", "foo\nbar");
  WriteBytes(t.src() + "b.htm", "nothing here\n");
  WriteBytes(t.src() + "sub/c.htm", "foo\r\n");
  ::chmod((t.src() + "a.htm").c_str(), 0640);
  const timespec old[2] = {{0, UTIME_OMIT}, {1000000000, 5}};
  ::utimensat(AT_FDCWD, (t.src() + "a.htm").c_str(), old, 0);
  struct stat before;
  ::stat((t.src() + "a.htm").c_str(), &before);
  const bool tagged = ::setxattr((t.src() + "a.htm").c_str(), "user.zur", "kept", 4, 0) == 0;

  RewriteJob job(t.Setup({"a.htm", "b.htm", "sub/c.htm"}, true, RulesOf({{u"foo", u"X"}})));
  StartRefusal refusal;
  ASSERT_TRUE(job.Begin(refusal)) << refusal.detail;
  const auto events = RunAll(job, 3);
  EXPECT_EQ(Outcomes(events), (std::vector<Outcome>{Outcome::Done, Outcome::Unchanged, Outcome::Done}));

  EXPECT_EQ(ReadBytes(t.src() + "a.htm"), "X\nbar");
  EXPECT_EQ(ReadBytes(t.src() + "sub/c.htm"), "X\r\n");
  // A new file took the old one's place, with its permissions, owner and extended attributes; no
  // hidden file of the run is left beside it.
  struct stat after;
  ::stat((t.src() + "a.htm").c_str(), &after);
  EXPECT_NE(after.st_ino, before.st_ino);
  EXPECT_EQ(after.st_mode & 07777, 0640u);
  EXPECT_EQ(after.st_uid, before.st_uid);
  EXPECT_EQ(after.st_gid, before.st_gid);
  if (tagged) {
    char value[16] = {};
    EXPECT_EQ(::getxattr((t.src() + "a.htm").c_str(), "user.zur", value, sizeof value), 4);
    EXPECT_STREQ(value, "kept");
  }
  for (const auto& entry : std::filesystem::recursive_directory_iterator(t.src())) {
    EXPECT_NE(entry.path().filename().string()[0], '.') << entry.path();
  }
  // Copies hold the original bytes with their permissions and modification time; unchanged files
  // get none.
  EXPECT_EQ(ReadBytes(t.out() + "a.htm"), "foo\nbar");
  EXPECT_EQ(ReadBytes(t.out() + "sub/c.htm"), "foo\r\n");
  EXPECT_FALSE(std::filesystem::exists(t.out() + "b.htm"));
  struct stat copy;
  ::stat((t.out() + "a.htm").c_str(), &copy);
  EXPECT_EQ(copy.st_mode & 07777, 0640u);
  EXPECT_EQ(copy.st_mtim.tv_sec, 1000000000);

  HeldJournal held = t.Held(job.JournalPath());
  ASSERT_TRUE(held.Ok()) << held.Why();
  const Journal* journal = &held.Read();
  EXPECT_EQ(journal->closed, "done");
  ASSERT_EQ(journal->entries.size(), 2u);
  // Workers journal files in the order they finish reading them.
  const auto a = std::find_if(journal->entries.begin(), journal->entries.end(),
                              [&](const auto& e) { return e.path == t.src() + "a.htm"; });
  ASSERT_NE(a, journal->entries.end());
  EXPECT_EQ(a->after, FingerprintOf("X\nbar"));
  EXPECT_EQ(RunState(t.state()).LastJournal(), job.JournalPath());
}

TEST(RewriteJob, HandlesAFileReachedByTwoNamesOnce) {
  Tree t;
  WriteBytes(t.src() + "real.htm", "src=\"");
  std::filesystem::create_symlink(t.src() + "real.htm", t.src() + "link.htm");
  std::filesystem::create_hard_link(t.src() + "real.htm", t.src() + "hard.htm");
  RewriteJob job(t.Setup({"hard.htm", "link.htm", "real.htm"}, true, RulesOf({{u"src=\"", u"src=\"/static"}})));
  StartRefusal refusal;
  ASSERT_TRUE(job.Begin(refusal));
  const auto events = RunAll(job, 3);
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(ReadBytes(t.src() + "real.htm"), "src=\"/static");
  EXPECT_EQ(ReadBytes(t.out() + "hard.htm"), "src=\"");
  EXPECT_FALSE(std::filesystem::exists(t.out() + "link.htm"));
  EXPECT_FALSE(std::filesystem::exists(t.out() + "real.htm"));
}

TEST(RewriteJob, AFileIsChangedOnceWhenALinkReachesItAfterItsNewContent) {
  // Enough files between the file and its link that the link is read after the file was replaced.
  for (const bool linkFirst : {false, true}) {
    Tree t;
    std::vector<std::string> names;
    WriteBytes(t.src() + "page.htm", "v1");
    std::filesystem::create_symlink(t.src() + "page.htm", t.src() + "link.htm");
    for (int i = 0; i < 700; ++i) {
      names.push_back("filler" + std::to_string(i) + ".htm");
      WriteBytes(t.src() + names.back(), "v1");
    }
    names.insert(linkFirst ? names.begin() : names.end(), "link.htm");
    names.insert(linkFirst ? names.end() : names.begin(), "page.htm");
    RewriteSetup setup = t.Setup({}, false, RulesOf({{u"v1", u"v1.1"}}));
    std::vector<ScanEntry> listed;
    ScanFolderTree(t.src(), SetExtList("htm"), listed, {}, Encoding::Utf8, nullptr, true);
    for (const std::string& n : names) {
      RunItem item{n, t.src() + n, n, {}, {}};
      for (const ScanEntry& e : listed) {
        if (e.stored == t.src() + n) item.listed = e.id;
      }
      setup.items.push_back(std::move(item));
    }
    RewriteJob job(std::move(setup));
    StartRefusal refusal;
    ASSERT_TRUE(job.Begin(refusal));
    for (const RunEvent& e : RunAll(job, names.size())) {
      EXPECT_TRUE(e.outcome == Outcome::Done) << names[e.item] << " " << static_cast<int>(e.why);
    }
    EXPECT_EQ(ReadBytes(t.src() + "page.htm"), "v1.1") << (linkFirst ? "link first" : "file first");
    EXPECT_TRUE(std::filesystem::is_symlink(t.src() + "link.htm"));
  }
}

TEST(RewriteJob, LeavesAloneWhatItMayNotOrCannotRewrite) {
  Tree t;
  WriteBytes(t.src() + "bin.htm", std::string("foo\0", 4));
  ASSERT_EQ(::mkfifo((t.src() + "pipe.htm").c_str(), 0600), 0);
  WriteBytes(t.src() + "ok.htm", "foo");
  RewriteJob job(t.Setup({"bin.htm", "pipe.htm", "missing.htm", "ok.htm"}, false, RulesOf({{u"foo", u"bar"}})));
  StartRefusal refusal;
  ASSERT_TRUE(job.Begin(refusal));
  const auto events = RunAll(job, 4);
  ASSERT_EQ(events.size(), 4u);
  EXPECT_EQ(events[0].why, Why::NotText);
  EXPECT_EQ(events[1].why, Why::NotRegular);
  EXPECT_EQ(events[2].why, Why::Missing);
  EXPECT_EQ(events[3].outcome, Outcome::Done);
  EXPECT_EQ(ReadBytes(t.src() + "bin.htm"), std::string("foo\0", 4));
  // A run without copies leaves no journal behind when it ends; the user's key stays.
  for (const auto& entry : std::filesystem::directory_iterator(t.state())) {
    EXPECT_EQ(entry.path().filename(), JournalKey::kFileName) << entry.path();
  }
}

TEST(RewriteJob, AWriteThatFailsPutsTheOriginalBack) {
  Tree t;
  WriteBytes(t.src() + "a.htm", std::string(100, 'a'));
  RewriteJob job(t.Setup({"a.htm"}, false, RulesOf({{u"a", U(std::string(20, 'b'))}})));
  StartRefusal refusal;
  ASSERT_TRUE(job.Begin(refusal));
  // Writes beyond 4 KiB fail, as on a full disk; the journal and its data stay below that.
  ::signal(SIGXFSZ, SIG_IGN);
  rlimit old{};
  ::getrlimit(RLIMIT_FSIZE, &old);
  rlimit small = old;
  small.rlim_cur = 1024;
  ::setrlimit(RLIMIT_FSIZE, &small);
  const auto events = RunAll(job, 1);
  ::setrlimit(RLIMIT_FSIZE, &old);
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].outcome, Outcome::Failed);
  EXPECT_EQ(ReadBytes(t.src() + "a.htm"), std::string(100, 'a'));
}

TEST(RewriteJob, NeverRewritesAFileTheUserMayNotWrite) {
  if (!testing::CanBecomeNobody()) GTEST_SKIP() << "needs root to give files to another user";
  Tree t;
  WriteBytes(t.src() + "readonly.htm", "foo");
  WriteBytes(t.src() + "foreign.htm", "foo");
  WriteBytes(t.src() + "mine.htm", "foo");
  std::filesystem::create_directories(t.state());
  std::filesystem::create_directories(t.out());
  // The user's own folder and files; one file read-only, one of another owner.
  for (const char* p : {"", "readonly.htm", "foreign.htm", "mine.htm"}) {
    ASSERT_EQ(::chown((t.src() + p).c_str(), 65534, 65534), 0);
  }
  ASSERT_EQ(::chown(t.state().c_str(), 65534, 65534), 0);
  ASSERT_EQ(::chown((t.dir / "").c_str(), 65534, 65534), 0);
  ::chmod((t.src() + "readonly.htm").c_str(), 0444);
  ::chown((t.src() + "foreign.htm").c_str(), 0, 0);
  ::chmod((t.src() + "foreign.htm").c_str(), 0644);
  const int status = AsNobody([&] {
    RewriteJob job(t.Setup({"readonly.htm", "foreign.htm", "mine.htm"}, false, RulesOf({{u"foo", u"bar"}})));
    StartRefusal refusal;
    if (!job.Begin(refusal)) return 10;
    const auto events = RunAll(job, 3);
    if (events.size() != 3) return 11;
    if (events[0].why != Why::NotWritable || events[1].why != Why::NotWritable) return 12;
    return events[2].outcome == Outcome::Done ? 0 : 13;
  });
  EXPECT_EQ(status, 0);
  // A file the user may write in a folder he may not: written in place, nothing needed of the folder.
  WriteBytes(t.dir / "sealed/page.htm", "foo");
  ::chown((t.dir / "sealed/page.htm").c_str(), 65534, 65534);
  ::chmod((t.dir / "sealed").c_str(), 0555);
  const int sealed = AsNobody([&] {
    RewriteSetup setup;
    setup.items.push_back({t.dir / "sealed/page.htm", t.dir / "sealed/page.htm", "page.htm", {}, {}});
    setup.rules = RulesOf({{u"foo", u"bar"}});
    setup.stateDir = t.state();
    RewriteJob job(std::move(setup));
    StartRefusal refusal;
    if (!job.Begin(refusal)) return 20;
    const auto events = RunAll(job, 1);
    return events.size() == 1 && events[0].outcome == Outcome::Done ? 0 : 21;
  });
  EXPECT_EQ(sealed, 0);
  EXPECT_EQ(ReadBytes(t.dir / "sealed/page.htm"), "bar");
  EXPECT_EQ(ReadBytes(t.src() + "readonly.htm"), "foo");
  EXPECT_EQ(ReadBytes(t.src() + "foreign.htm"), "foo");
  EXPECT_EQ(ReadBytes(t.src() + "mine.htm"), "bar");
  struct stat st;
  ::stat((t.src() + "foreign.htm").c_str(), &st);
  EXPECT_EQ(st.st_uid, 0u);  // still the other owner's file
}

TEST(RewriteJob, ARunCutShortIsPutRightAndCanBeUndone) {
  Tree t;
  for (int i = 0; i < 6; ++i) WriteBytes(t.src() + "f" + std::to_string(i) + ".htm", "foo " + std::to_string(i));
  // A second name: f2 can only be written in place, behind a mark in the journal.
  std::filesystem::create_hard_link(t.src() + "f2.htm", t.dir / "f2-link.htm");
  std::vector<std::string> names;
  for (int i = 0; i < 6; ++i) names.push_back("f" + std::to_string(i) + ".htm");
  const timespec old[2] = {{0, UTIME_OMIT}, {1200000000, 7}};
  ::utimensat(AT_FDCWD, (t.src() + "f2.htm").c_str(), old, 0);
  // The program vanishes after three files, as under kill -9.
  ASSERT_TRUE(testing::RunAndVanish(
      [&]() -> std::unique_ptr<RunJob> {
        auto job = std::make_unique<RewriteJob>(t.Setup(names, true, RulesOf({{u"foo", u"bar"}})));
        StartRefusal refusal;
        return job->Begin(refusal) ? std::move(job) : nullptr;
      },
      names.size(), 3));
  EXPECT_EQ(ReadBytes(t.src() + "f1.htm"), "bar 1");
  EXPECT_EQ(ReadBytes(t.src() + "f4.htm"), "foo 4");
  // The program died while writing f2 in place: its journal has no "done" for it, and the file is half
  // new, half old. The user has edited f4 since, which the run had not reached.
  const std::string journalPath = t.out() + RewriteJob::kJournalName;
  std::string text = ReadBytes(journalPath);
  ASSERT_NE(text.find("writing n=3 "), std::string::npos);
  const size_t lastDone = text.rfind("done n=3 ");
  ASSERT_NE(lastDone, std::string::npos);
  WriteBytes(journalPath, text.substr(0, lastDone));
  WriteBytes(t.src() + "f2.htm", "bar 2 and garbage");
  WriteBytes(t.src() + "f4.htm", "the user's own words");
  RunState state(t.state());
  const RecoveryReport report = state.RecoverInterrupted();
  EXPECT_TRUE(report.resolved);
  EXPECT_EQ(ReadBytes(t.src() + "f2.htm"), "foo 2");  // its original is back, with its time
  struct stat st;
  ASSERT_EQ(::stat((t.src() + "f2.htm").c_str(), &st), 0);
  EXPECT_EQ(st.st_mtim.tv_sec, 1200000000);
  EXPECT_EQ(st.st_mtim.tv_nsec, 7);
  EXPECT_EQ(ReadBytes(t.dir / "f2-link.htm"), "foo 2");
  ASSERT_EQ(report.notes.size(), 1u);
  EXPECT_EQ(report.notes[0].what, RecoveryNote::What::PutBack);
  // What it held is not thrown away: it may be the user's own repair of the file.
  EXPECT_EQ(ReadBytes(report.notes[0].keptAside), "bar 2 and garbage");
  EXPECT_EQ(ReadBytes(t.src() + "f1.htm"), "bar 1");  // finished files keep what the run wrote
  EXPECT_EQ(ReadBytes(t.src() + "f4.htm"), "the user's own words");
  WriteBytes(t.src() + "f4.htm", "foo 4");

  // The same batch again, into the same output folder: the originals stay the copies.
  {
    RewriteJob again(t.Setup(names, true, RulesOf({{u"foo", u"bar"}, {u"bar", u"baz"}})));
    StartRefusal refusal;
    ASSERT_TRUE(again.Begin(refusal)) << refusal.detail;
    RunAll(again, names.size());
  }
  EXPECT_EQ(ReadBytes(t.src() + "f5.htm"), "baz 5");
  EXPECT_EQ(ReadBytes(t.out() + "f1.htm"), "foo 1");
  EXPECT_EQ(ReadBytes(t.src() + "f1.htm"), "baz 1");
  EXPECT_EQ(ReadBytes(t.dir / "f2-link.htm"), "baz 2");

  // Undo: every file back to what it was before the first run, hard links and all.
  // The restore vanishes after two files, as under kill -9; the next start finishes what it began.
  const size_t changed = 6;
  ASSERT_TRUE(testing::RunAndVanish(
      [&]() -> std::unique_ptr<RunJob> {
        static HeldJournal held;  // (the child's own, for as long as it lives)
        held = t.Held(state.LastJournal());
        if (!held.Ok()) return nullptr;
        auto check = RestoreJob::Check(held.Read());
        RunAll(*check, check->Entries().size());
        auto write = RestoreJob::Write(held, t.Key(), check->Seen());
        static RunState records = t.Records();
        std::string why;
        return write->Begin(records, why) ? std::move(write) : nullptr;
      },
      changed, 2));
  EXPECT_TRUE(state.RecoverInterrupted().resolved);
  HeldJournal held = t.Held(state.LastJournal());
  ASSERT_TRUE(held.Ok());
  EXPECT_FALSE(held.Read().restoreOpen);
  EXPECT_EQ(held.Read().restored.size(), 2u);
  // The rest on a second try.
  auto check = RestoreJob::Check(held.Read());
  RunAll(*check, check->Entries().size());
  ASSERT_EQ(check->Entries().size(), changed);
  auto write = RestoreJob::Write(held, t.Key(), check->Seen());
  RunState records = t.Records();
  std::string why;
  ASSERT_TRUE(write->Begin(records, why)) << why;
  RunAll(*write, write->Entries().size());
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(ReadBytes(t.src() + "f" + std::to_string(i) + ".htm"), "foo " + std::to_string(i));
  }
  EXPECT_EQ(ReadBytes(t.dir / "f2-link.htm"), "foo 2");
}

TEST(RestoreJob, TellsFilesChangedSinceTheRunApartAndWritesOnlyWhatItLookedAt) {
  Tree t;
  WriteBytes(t.src() + "a.htm", "foo a");
  WriteBytes(t.src() + "b.htm", "foo b");
  WriteBytes(t.src() + "c.htm", "foo c");
  RewriteJob job(t.Setup({"a.htm", "b.htm", "c.htm"}, true, RulesOf({{u"foo", u"bar"}})));
  StartRefusal refusal;
  ASSERT_TRUE(job.Begin(refusal));
  RunAll(job, 3);
  WriteBytes(t.src() + "b.htm", "edited later");
  HeldJournal held = t.Held(job.JournalPath());
  ASSERT_TRUE(held.Ok());
  auto check = RestoreJob::Check(held.Read());
  const auto looks = RunAll(*check, 3);
  ASSERT_EQ(looks.size(), 3u);
  EXPECT_EQ(looks[0].outcome, Outcome::Unchanged);
  EXPECT_EQ(looks[1].why, Why::ChangedSinceRun);
  // c.htm is edited while the question is open: the user's answer was about what the look saw.
  WriteBytes(t.src() + "c.htm", "edited while asked");
  std::vector<std::optional<Fingerprint>> chosen = check->Seen();
  chosen[1].reset();
  auto write = RestoreJob::Write(held, t.Key(), chosen);
  RunState records = t.Records();
  std::string why;
  ASSERT_TRUE(write->Begin(records, why)) << why;
  const auto events = RunAll(*write, 3);
  ASSERT_EQ(events.size(), 3u);
  EXPECT_EQ(events[2].why, Why::ChangedDuringRun);
  EXPECT_EQ(ReadBytes(t.src() + "a.htm"), "foo a");
  EXPECT_EQ(ReadBytes(t.src() + "b.htm"), "edited later");
  EXPECT_EQ(ReadBytes(t.src() + "c.htm"), "edited while asked");
}

TEST(RunLoop, GivesTheSameEventsInTheSameOrderWithOneOrSeveralThreads) {
  Tree t;
  std::vector<RunItem> items;
  for (int i = 0; i < 300; ++i) {
    const std::string name = t.src() + std::to_string(i) + ".txt";
    WriteBytes(name, i % 7 == 0 ? "has the word" : std::string(static_cast<size_t>(i * 37), 'x'));
    items.push_back({name, name, {}, {}, {}});
  }
  auto search = [&](size_t workers) {
    RuleError unused;
    SearchJob job(items, BuildSearch(u"word", {}, unused), Encoding::Utf8);
    RunOptions options;
    options.workers = workers;
    options.window = 8;
    std::vector<std::pair<size_t, Outcome>> out;
    for (const auto& e : RunAll(job, items.size(), options)) out.emplace_back(e.item, e.outcome);
    return out;
  };
  const auto one = search(1);
  ASSERT_EQ(one.size(), items.size());
  for (size_t i = 0; i < one.size(); ++i) EXPECT_EQ(one[i].first, i);
  EXPECT_EQ(search(4), one);
}

TEST(RunLoop, StopsBetweenTwoItems) {
  struct Slow : RunJob {
    std::unique_ptr<Prepared> Prepare(size_t, Worker&) override { return std::make_unique<Prepared>(); }
    void Commit(size_t item, std::unique_ptr<Prepared>, Context& ctx) override {
      ::usleep(2000);
      ctx.Emit({item, Outcome::Done, Why::None, {}});
    }
  } job;
  zur::Run run(job, 100000);
  run.Start();
  ::usleep(20000);
  run.RequestStop();
  run.Wait();
  EXPECT_TRUE(run.Stopped());
  EXPECT_LT(run.Committed(), 100000u);
  EXPECT_EQ(run.TakeEvents().size(), run.Committed());
}

}  // namespace
}  // namespace zur
