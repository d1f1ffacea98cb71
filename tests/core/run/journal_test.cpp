// The run journal's format and the start-up repair, without any window.
#include <gtest/gtest.h>
#include <xxhash.h>

#include <sys/stat.h>

#include <filesystem>
#include <random>
#include <thread>

#include "core/run/itemlist.h"
#include "core/run/journal.h"
#include "core/run/restorejob.h"
#include "core/run/rewritejob.h"
#include "core/run/runstate.h"
#include "support/tempdir.h"
#include "support/texts.h"

namespace zur {
namespace {

using testing::ReadBytes;
using testing::RulesOf;
using testing::TempDir;
using testing::WriteBytes;

JournalKey KeyOf(uint8_t first) {
  std::array<uint8_t, JournalKey::kSize> bytes{};
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(first + i);
  return JournalKey(bytes);
}

TEST(Journal, FieldsOfAnyBytesComeBackAndOnlySignedWholeLinesCount) {
  std::mt19937 rng(4);
  for (int n = 0; n < 500; ++n) {
    std::string bytes(rng() % 20, '\0');
    for (char& c : bytes) c = static_cast<char>(rng() % 256);
    const std::string escaped = EscapeField(bytes);
    EXPECT_EQ(escaped.find_first_of(std::string(" \n\r\0", 4)), std::string::npos);
    ASSERT_EQ(UnescapeField(escaped), bytes);
  }
  EXPECT_FALSE(UnescapeField("%G0"));
  EXPECT_FALSE(UnescapeField("abc%4"));

  TempDir dir;
  const std::string path = dir / "j";
  const JournalKey key = KeyOf(1);
  JournalEntry e;
  e.n = 7;
  e.path = "/a b/\xCA\xD7.htm\nx";
  e.shown = e.path;
  e.copy = "/out/\xCA\xD7.htm";
  e.size = 3;
  e.mode = 0640;
  e.before = FingerprintOf("old");
  e.after = FingerprintOf("new");
  std::string why;
  JournalHeader header{"id1", RunKind::SelectedFiles, true, "/src/", "/out/"};
  header.rules.push_back({2, "a b", "\xCA\n", RuleOptions{false, true, false}});
  header.table = "/t/glossary table.tsv";
  header.tablePairs = 100000;
  auto w = JournalWriter::Create(path, header, {}, key, false, why);
  ASSERT_TRUE(w) << why;
  ASSERT_TRUE(w->Entry(e) && w->Writing(7) && w->Done(7));
  // A journal is never created over one that is there.
  EXPECT_FALSE(JournalWriter::Create(path, {"id2", RunKind::FolderTree, false, {}, {}}, {}, key, false, why));
  w.reset();
  const std::string text = ReadBytes(path);
  auto j = ParseJournal(text + "done n=8", key, why);  // cut short: no line end
  ASSERT_TRUE(j) << why;
  EXPECT_EQ(j->header.kind, RunKind::SelectedFiles);
  EXPECT_TRUE(j->header.copies);
  ASSERT_EQ(j->header.rules.size(), 1u);
  EXPECT_EQ(j->header.rules[0].n, 2u);
  EXPECT_EQ(j->header.rules[0].replacement, "\xCA\n");
  EXPECT_FALSE(j->header.rules[0].options.matchCase);
  EXPECT_EQ(j->header.table, header.table);
  EXPECT_EQ(j->header.tablePairs, 100000u);
  ASSERT_EQ(j->entries.size(), 1u);
  EXPECT_EQ(j->entries[0].path, e.path);
  EXPECT_EQ(j->entries[0].copy, e.copy);
  EXPECT_EQ(j->entries[0].mode, 0640u);
  EXPECT_EQ(j->entries[0].after, e.after);
  EXPECT_TRUE(j->writing.count(7));
  EXPECT_TRUE(j->done.count(7));
  EXPECT_FALSE(j->done.count(8));
  EXPECT_TRUE(j->Interrupted());
  EXPECT_EQ(j->length, text.size());

  // Signed with another key, or not signed at all: not a journal to act on.
  EXPECT_FALSE(ParseJournal(text, KeyOf(2), why));
  EXPECT_FALSE(ParseJournal("ZUR-JOURNAL 2\nrun id=x\n", key, why));
  // A line changed by anyone without the key is not believed and is named by its number; the signed
  // lines after it still count, and nothing is cut off.
  std::string changed = text;
  changed.replace(changed.find("copy=/out/"), 10, "copy=/etc/");
  j = ParseJournal(changed, key, why);
  ASSERT_TRUE(j);
  EXPECT_TRUE(j->entries.empty());
  EXPECT_EQ(j->damagedLines, std::vector<size_t>{5});
  EXPECT_TRUE(j->done.count(7));
  EXPECT_EQ(j->length, changed.size());
  // Without its run's own line, a journal is not acted on at all.
  changed = text;
  changed.replace(changed.find("/out/"), 5, "/etc/");
  EXPECT_FALSE(ParseJournal(changed, key, why));
  // Lines taken from another journal of the same user do not fit in either.
  auto other = JournalWriter::Create(dir / "k", {"id3", RunKind::FolderTree, false, {}, {}}, {}, key, false, why);
  ASSERT_TRUE(other && other->Done(9));
  other.reset();
  const std::string second = ReadBytes(dir / "k");
  j = ParseJournal(text + second.substr(second.rfind("done")), key, why);
  ASSERT_TRUE(j);
  EXPECT_FALSE(j->done.count(9));
  EXPECT_EQ(j->damagedLines.size(), 1u);
}

TEST(Journal, IsActedOnOnlyByTheUserWhoseProgramWroteIt) {
  TempDir dir;
  const JournalKey key = KeyOf(3);
  const std::string path = dir / "j";
  std::string why;
  ASSERT_TRUE(JournalWriter::Create(path, {"id", RunKind::FolderTree, true, {}, {}}, {}, key, false, why));
  {
    HeldJournal held = HeldJournal::Open(path, key);
    ASSERT_TRUE(held.Ok()) << held.Why();
    // Held: a second opener (another window) finds it busy and does nothing.
    EXPECT_EQ(HeldJournal::Open(path, key).State(), HeldJournal::Status::Busy);
  }
  EXPECT_TRUE(HeldJournal::Open(path, key).Ok());
  EXPECT_EQ(HeldJournal::Open(dir / "none", key).State(), HeldJournal::Status::Missing);
  // Others may write it, or it is a link: refused, by its path.
  ::chmod(path.c_str(), 0666);
  EXPECT_EQ(HeldJournal::Open(path, key).State(), HeldJournal::Status::Refused);
  ::chmod(path.c_str(), 0600);
  std::filesystem::create_symlink(path, dir / "link");
  EXPECT_EQ(HeldJournal::Open(dir / "link", key).State(), HeldJournal::Status::Refused);
  // In a folder others may write (and not sticky), it could have been put there by anyone.
  ::chmod(dir.Folder().c_str(), 0777);
  EXPECT_EQ(HeldJournal::Open(path, key).State(), HeldJournal::Status::Refused);
  ::chmod(dir.Folder().c_str(), 01777);
  EXPECT_TRUE(HeldJournal::Open(path, key).Ok());
  ::chmod(dir.Folder().c_str(), 0700);
  // Signed with another user's key.
  EXPECT_EQ(HeldJournal::Open(path, KeyOf(4)).State(), HeldJournal::Status::Refused);
}

TEST(Journal, ARestoreCutShortIsFinishedAndADamagedCopyIsNotUsed) {
  TempDir dir;
  const std::string src = dir / "src/", out = dir / "out/", state = dir / "state/";
  WriteBytes(src + "a.htm", "foo a");
  WriteBytes(src + "b.htm", "foo b");
  RewriteSetup setup;
  for (const char* n : {"a.htm", "b.htm"}) setup.items.push_back({src + n, src + n, n, {}, {}});
  setup.rules = RulesOf({{u"foo", u"bar"}});
  setup.copies = true;
  setup.source = src;
  setup.output = out;
  setup.stateDir = state;
  RewriteJob job(std::move(setup));
  StartRefusal refusal;
  ASSERT_TRUE(job.Begin(refusal)) << refusal.detail;
  {
    zur::Run run(job, 2);
    run.Start();
    run.Wait();
  }
  ASSERT_EQ(ReadBytes(src + "a.htm"), "bar a");
  RunState records(state);
  std::string why;
  ASSERT_TRUE(records.Ready(why));
  HeldJournal held = HeldJournal::Open(job.JournalPath(), records.Key());
  ASSERT_TRUE(held.Ok()) << held.Why();
  // A restore that died while writing a.htm in place (half written).
  {
    auto w = JournalWriter::Continue(held, records.Key());
    ASSERT_TRUE(w && w->RestoreBegin() && w->Restoring(1) && w->Writing(1));
  }
  ASSERT_TRUE(held.Reread(records.Key()));
  WriteBytes(src + "a.htm", "fo");
  EXPECT_TRUE(RecoverJournal(held, records.Key(), state).resolved);
  EXPECT_EQ(ReadBytes(src + "a.htm"), "foo a");
  EXPECT_FALSE(held.Read().restoreOpen);

  // A copy changed since: b.htm is reported, not written with it.
  WriteBytes(out + "b.htm", "tampered");
  auto write = RestoreJob::Write(held, records.Key(), {FingerprintOf("foo a"), FingerprintOf("bar b")});
  ASSERT_TRUE(write->Begin(records, why)) << why;
  zur::Run run(*write, 2);
  run.Start();
  run.Wait();
  const auto events = run.TakeEvents();
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0].why, Why::AlreadyOriginal);
  EXPECT_EQ(events[1].why, Why::NoCopy);
  EXPECT_EQ(ReadBytes(src + "b.htm"), "bar b");
}

TEST(Fingerprint, IsTheSameWhateverInstructionsMakeIt) {
  std::mt19937 rng(8);
  for (size_t len : {0, 1, 16, 17, 128, 129, 240, 241, 1000, 5000, 100000}) {
    std::string bytes(len, '\0');
    for (char& c : bytes) c = static_cast<char>(rng() % 256);
    const XXH128_hash_t h = XXH3_128bits(bytes.data(), bytes.size());
    EXPECT_EQ(FingerprintOf(bytes), (Fingerprint{h.high64, h.low64})) << len;
    EXPECT_EQ(Fingerprint::FromHex(FingerprintOf(bytes).Hex()), FingerprintOf(bytes));
  }
}

TEST(ItemList, ReadersSeeEveryItemThatWasAnnounced) {
  ItemList<std::string> list;
  std::atomic<size_t> announced{0};
  std::thread writer([&] {
    for (size_t i = 0; i < 20000; ++i) {
      list.Append(std::to_string(i));
      announced.store(i + 1, std::memory_order_release);
    }
  });
  size_t checked = 0;
  while (checked < 20000) {
    const size_t n = announced.load(std::memory_order_acquire);
    for (; checked < n; ++checked) ASSERT_EQ(list[checked], std::to_string(checked));
  }
  writer.join();
  EXPECT_EQ(list.size(), 20000u);
}

}  // namespace
}  // namespace zur
