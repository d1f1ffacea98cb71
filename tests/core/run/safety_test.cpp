// What must hold when things go wrong around a run: a program killed mid-write, a full disk, another
// user's files in a shared folder, a second window, files changed under the run.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "core/files/scan.h"
#include "core/platform/fileio.h"
#include "core/run/filewrite.h"
#include "core/run/restorejob.h"
#include "support/asnobody.h"
#include "support/runtree.h"

namespace zur {
namespace {

using testing::AsNobody;
using testing::ReadBytes;
using testing::RulesOf;
using testing::RunAll;
using testing::TempDir;
using testing::Tree;
using testing::WriteBytes;

// Hidden files of a run left in a folder.
std::vector<std::string> HiddenIn(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(folder)) {
    const std::string name = e.path().filename().string();
    if (name[0] == '.') names.push_back(name);
  }
  return names;
}

TEST(Safety, AProgramKilledWhileWritingLeavesEachFileWholeWithoutAnyRestart) {
  Tree t;
  const std::string big = t.src() + "big.txt";
  std::filesystem::create_directories(t.src());
  {
    std::ofstream out(big, std::ios::binary);
    const std::string line = "some text with foo in it, and more text to fill the line\n";
    for (size_t n = 0; n < (200u << 20) / line.size(); ++n) out << line;
  }
  const Fingerprint old = FingerprintOf(ReadBytes(big));
  const pid_t child = ::fork();
  if (child == 0) {
    RewriteJob job(t.Setup({"big.txt"}, false, RulesOf({{u"foo", u"barbaz"}})));
    StartRefusal refusal;
    if (!job.Begin(refusal)) ::_exit(1);
    RunAll(job, 1);
    ::_exit(0);
  }
  // Killed while its new content is being written beside the file.
  bool seen = false;
  for (int i = 0; i < 6000 && !seen; ++i) {
    for (const std::string& name : HiddenIn(t.src())) {
      seen = seen || std::filesystem::file_size(t.src() + name) > (20u << 20);
    }
    if (!seen) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  ::kill(child, SIGKILL);
  int status = 0;
  ::waitpid(child, &status, 0);
  ASSERT_TRUE(seen) << "the run never began to write";
  // Nobody started the program again: the file holds its old bytes, whole, with nothing torn.
  EXPECT_EQ(FingerprintOf(ReadBytes(big)), old);
  // The next start takes away what the killed run left beside it, and its records.
  RunState state(t.state());
  const RecoveryReport report = state.RecoverInterrupted();
  EXPECT_TRUE(report.resolved);
  EXPECT_TRUE(HiddenIn(t.src()).empty());
  EXPECT_EQ(FingerprintOf(ReadBytes(big)), old);
  for (const auto& e : std::filesystem::directory_iterator(t.state())) {
    EXPECT_EQ(e.path().filename(), JournalKey::kFileName) << e.path();
  }
}

TEST(Safety, AJournalPlantedByAnotherUserIsNeverActedOn) {
  if (!testing::CanBecomeNobody()) GTEST_SKIP() << "needs root to act as another user";
  Tree t;
  WriteBytes(t.dir / "home/.bashrc", "the victim's own settings\n");
  WriteBytes(t.src() + "page.htm", "foo");
  // A shared output folder that everyone may write (sticky, as /tmp).
  std::filesystem::create_directories(t.out());
  ::chmod(t.dir.Folder().c_str(), 0755);
  ::chmod(t.out().c_str(), 01777);
  const std::string planted = t.out() + RewriteJob::kJournalName;
  const std::string text = "ZUR-JOURNAL 2\nrun id=1-1 kind=2 copies=1 source=/ output=" + t.out() +
                           "\nentry n=1 path=" + t.dir / "home/.bashrc" + " shown=x copy=" + t.out() +
                           "evil size=4 mode=6655 mtime=0.0 before=00000000000000000000000000000000 after=" +
                           FingerprintOf("the victim's own settings\n").Hex() + "\n";
  ASSERT_EQ(AsNobody([&] {
              WriteBytes(t.out() + "evil", "pwnd");
              WriteBytes(planted, text);
              return ::chmod(planted.c_str(), 0644) == 0 ? 0 : 1;
            }),
            0);
  // The next batch into that folder does not take it over, and says which journal it refused.
  RewriteJob job(t.Setup({"page.htm"}, true, RulesOf({{u"foo", u"bar"}})));
  StartRefusal refusal;
  EXPECT_FALSE(job.Begin(refusal));
  EXPECT_EQ(refusal.kind, StartRefusal::Kind::Journal);
  EXPECT_NE(refusal.detail.find(planted), std::string::npos);
  // Nor does a restore or the next start, if a record named it.
  RunState state(t.state());
  std::string why;
  ASSERT_TRUE(state.Ready(why));
  EXPECT_EQ(HeldJournal::Open(planted, state.Key()).State(), HeldJournal::Status::Refused);
  WriteBytes(t.state() + "active-1-1", EscapeField(planted) + "\n");
  ::chmod((t.state() + "active-1-1").c_str(), 0600);
  const RecoveryReport report = state.RecoverInterrupted();
  EXPECT_FALSE(report.resolved);
  ASSERT_EQ(report.notes.size(), 1u);
  EXPECT_EQ(report.notes[0].what, RecoveryNote::What::Refused);
  EXPECT_EQ(ReadBytes(t.dir / "home/.bashrc"), "the victim's own settings\n");
  struct stat st;
  ::stat((t.dir / "home/.bashrc").c_str(), &st);
  EXPECT_EQ(st.st_mode & 07777, 0644u);
  EXPECT_EQ(ReadBytes(t.src() + "page.htm"), "foo");
  ::unlink(planted.c_str());

  // A folder of records that is another user's is not used at all.
  const std::string foreign = t.dir / "foreign/";
  std::filesystem::create_directories(foreign);
  ::chown(foreign.c_str(), 65534, 65534);
  RunState theirs(foreign);
  EXPECT_FALSE(theirs.Ready(why));
}

TEST(Safety, TwoWindowsNeverTakeOrUndoEachOthersLiveRun) {
  Tree t;
  for (const char* n : {"a.htm", "b.htm"}) WriteBytes(t.src() + n, "foo");
  // The first window's run has begun and holds its journal.
  auto first = std::make_unique<RewriteJob>(t.Setup({"a.htm"}, true, RulesOf({{u"foo", u"bar"}})));
  StartRefusal refusal;
  ASSERT_TRUE(first->Begin(refusal));
  // The second window, with the same settings folder and output folder, does not start over it...
  RewriteJob second(t.Setup({"b.htm"}, true, RulesOf({{u"foo", u"baz"}})));
  EXPECT_FALSE(second.Begin(refusal));
  EXPECT_EQ(refusal.kind, StartRefusal::Kind::Busy);
  // ...does not put it right as if it had crashed, and cannot undo it.
  RunState state(t.state());
  EXPECT_TRUE(state.RecoverInterrupted().notes.empty());
  EXPECT_EQ(t.Held(first->JournalPath()).State(), HeldJournal::Status::Busy);
  bool markThere = false;
  for (const auto& e : std::filesystem::directory_iterator(t.state())) {
    markThere = markThere || e.path().filename().string().rfind("active-", 0) == 0;
  }
  EXPECT_TRUE(markThere);
  // The first run goes on and ends as usual; then the second may start.
  const auto events = RunAll(*first, 1);
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].outcome, Outcome::Done);
  first.reset();
  HeldJournal held = t.Held(t.out() + RewriteJob::kJournalName);
  ASSERT_TRUE(held.Ok());
  EXPECT_EQ(held.Read().closed, "done");
  EXPECT_EQ(held.Read().entries.size(), 1u);
  held = HeldJournal();
  RewriteJob again(t.Setup({"b.htm"}, true, RulesOf({{u"foo", u"baz"}})));
  EXPECT_TRUE(again.Begin(refusal)) << refusal.detail;
}

// A file system of 8 MiB of our own, mounted for the test; skipped where mounting is refused.
struct SmallDisk {
  TempDir dir;
  std::string mount = dir / "mnt/";
  bool ok = false;
  SmallDisk() {
    if (::geteuid() != 0) return;
    const std::string image = dir / "disk.img";
    std::filesystem::create_directories(mount);
    const std::string make = "truncate -s 8M '" + image + "' && mke2fs -q -t ext2 -F '" + image + "' >/dev/null 2>&1 && mount -o loop '" +
                             image + "' '" + mount + "' 2>/dev/null";
    ok = std::system(make.c_str()) == 0;
  }
  ~SmallDisk() {
    if (ok) ::umount2(mount.c_str(), MNT_DETACH);
  }
  // Fills the disk but for about `room` bytes.
  void Fill(size_t room) {
    std::ofstream out(mount + "filler", std::ios::binary);
    const std::string block(4096, 'x');
    while (out.write(block.data(), block.size())) out.flush();
    out.close();
    std::filesystem::resize_file(mount + "filler", std::filesystem::file_size(mount + "filler") - room);
  }
};

TEST(Safety, AFullDiskChangesNothingAndSaysWhy) {
  SmallDisk disk;
  if (!disk.ok) GTEST_SKIP() << "a small file system cannot be mounted here";
  const std::string page(1 << 20, 'a');
  WriteBytes(disk.mount + "page.htm", page);
  WriteBytes(disk.mount + "linked.htm", page);
  std::filesystem::create_hard_link(disk.mount + "linked.htm", disk.mount + "second-name.htm");
  disk.Fill(64 << 10);
  TempDir state;
  RewriteSetup setup;
  for (const char* n : {"page.htm", "linked.htm"}) setup.items.push_back({disk.mount + n, disk.mount + n, n, {}, {}});
  setup.rules = RulesOf({{u"a", u"ab"}});
  setup.stateDir = state / "runs/";
  RewriteJob job(std::move(setup));
  StartRefusal refusal;
  ASSERT_TRUE(job.Begin(refusal));
  const auto events = RunAll(job, 2);
  ASSERT_EQ(events.size(), 2u);
  for (const RunEvent& e : events) {
    EXPECT_EQ(e.outcome, Outcome::Failed);
    EXPECT_EQ(e.detail, fs::ErrorText(ENOSPC));
  }
  // Both keep their bytes, the hard link included; nothing is left beside them.
  EXPECT_EQ(ReadBytes(disk.mount + "page.htm"), page);
  EXPECT_EQ(ReadBytes(disk.mount + "linked.htm"), page);
  EXPECT_EQ(std::filesystem::hard_link_count(disk.mount + "linked.htm"), 2u);
  for (const std::string& name : HiddenIn(disk.mount)) ADD_FAILURE() << name;
}

TEST(Safety, AFileReplacedByALinkAfterTheScanIsNotFollowed) {
  Tree t;
  WriteBytes(t.src() + "a.htm", "foo");
  WriteBytes(t.src() + "b.htm", "foo");
  WriteBytes(t.dir / "outside/secret.htm", "foo secret");
  std::vector<ScanEntry> scanned;
  ScanFolderTree(t.src(), SetExtList("htm"), scanned, {}, Encoding::Utf8, nullptr, true);
  ASSERT_EQ(scanned.size(), 2u);
  // After the scan: a.htm becomes a link to a file outside the tree, b.htm another file.
  std::filesystem::remove(t.src() + "a.htm");
  std::filesystem::create_symlink(t.dir / "outside/secret.htm", t.src() + "a.htm");
  std::filesystem::rename(t.src() + "b.htm", t.dir / "b-old.htm");
  WriteBytes(t.src() + "b.htm", "foo of someone else");
  RewriteSetup setup = t.Setup({}, false, RulesOf({{u"foo", u"bar"}}));
  for (ScanEntry& e : scanned) setup.items.push_back({e.shown, e.stored, {}, e.id, {}});
  RewriteJob job(std::move(setup));
  StartRefusal refusal;
  ASSERT_TRUE(job.Begin(refusal));
  const auto events = RunAll(job, 2);
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0].why, Why::Replaced);
  EXPECT_EQ(events[1].why, Why::Replaced);
  EXPECT_EQ(ReadBytes(t.dir / "outside/secret.htm"), "foo secret");
  EXPECT_TRUE(std::filesystem::is_symlink(t.src() + "a.htm"));
  EXPECT_EQ(ReadBytes(t.src() + "b.htm"), "foo of someone else");
}

TEST(Safety, TextAddedWhileTheRunGoesIsNeverCutOff) {
  TempDir dir;
  const std::string path = dir / "log.txt";
  WriteBytes(path, "foo");
  struct NoMarks : WriteMarks {
    bool WritingInPlace(uint64_t) override { return true; }
    bool Written(uint64_t, const fs::FileId&) override { return true; }
    bool Left(uint64_t) override { return true; }
  } marks;
  auto writeAfter = [&](const std::function<void()>& meanwhile) {
    fs::OpenedFile file = fs::OpenedFile::Open(path, true);
    ByteBuffer read;
    EXPECT_TRUE(file.ReadAll(read));
    meanwhile();
    FileWrite w;
    w.file = &file;
    w.bytes = "bar";
    w.n = 1;
    w.previous = [&read](ByteBuffer& into) {
      into.assign(read.view());
      return true;
    };
    fs::SyncPoint before;
    WriteFiles({&w}, ".t-", marks, before);
    return w.event;
  };
  // Appended after the file was read: the run leaves it with the other program's bytes.
  RunEvent e = writeAfter([&] { std::ofstream(path, std::ios::app) << " and more"; });
  EXPECT_EQ(e.why, Why::ChangedDuringRun);
  EXPECT_EQ(ReadBytes(path), "foo and more");
  // Appended between the new content's writing and its rename: the same.
  WriteBytes(path, "foo");
  fs::OpenedFile file = fs::OpenedFile::Open(path, true);
  ByteBuffer read;
  ASSERT_TRUE(file.ReadAll(read));
  fs::StagedFile staged;
  std::string error;
  ASSERT_TRUE(staged.Stage(file, "bar", ".t-2.tmp", nullptr, error)) << error;
  ASSERT_EQ(staged.How(), fs::StagedFile::Way::Rename);
  std::ofstream(path, std::ios::app) << " and more";
  EXPECT_EQ(staged.Replace(file, error), fs::StagedFile::Outcome::Changed);
  EXPECT_EQ(ReadBytes(path), "foo and more");
  EXPECT_TRUE(HiddenIn(dir.Folder()).empty());
  // A file with other names is written in place, and the same holds there.
  WriteBytes(path, "foo");
  std::filesystem::create_hard_link(path, dir / "other-name.txt");
  e = writeAfter([&] { std::ofstream(path, std::ios::app) << " and more"; });
  EXPECT_EQ(e.why, Why::ChangedDuringRun);
  EXPECT_EQ(ReadBytes(dir / "other-name.txt"), "foo and more");
  e = writeAfter([] {});
  EXPECT_EQ(e.outcome, Outcome::Done);
  EXPECT_EQ(ReadBytes(dir / "other-name.txt"), "bar");
}

}  // namespace
}  // namespace zur
