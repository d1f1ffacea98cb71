// The run journal's format and the start-up repair, without any window.
#include <gtest/gtest.h>
#include <xxhash.h>

#include <filesystem>
#include <random>
#include <thread>

#include "run/itemlist.h"
#include "run/journal.h"
#include "run/restorejob.h"
#include "run/rewritejob.h"
#include "run/runstate.h"
#include "support/tempdir.h"
#include "support/texts.h"

namespace zur {
namespace {

using testing::ReadBytes;
using testing::RulesOf;
using testing::TempDir;
using testing::WriteBytes;

TEST(Journal, FieldsOfAnyBytesComeBackAndATornLastLineIsIgnored) {
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
  JournalEntry e;
  e.n = 7;
  e.path = "/a b/\xCA\xD7.htm\nx";
  e.shown = e.path;
  e.copy = "/out/\xCA\xD7.htm";
  e.size = 3;
  e.mode = 0640;
  e.before = FingerprintOf("old");
  e.after = FingerprintOf("new");
  auto w = JournalWriter::Create(path, {"id1", RunKind::SelectedFiles, true, "/src/", "/out/"});
  ASSERT_TRUE(w);
  ASSERT_TRUE(w->Entry(e) && w->Sync() && w->Done(7));
  w.reset();
  std::string text = ReadBytes(path);
  WriteBytes(path, text + "done n=8");  // cut short: no line end
  auto j = ReadJournal(path);
  ASSERT_TRUE(j);
  EXPECT_EQ(j->header.kind, RunKind::SelectedFiles);
  EXPECT_TRUE(j->header.copies);
  ASSERT_EQ(j->entries.size(), 1u);
  EXPECT_EQ(j->entries[0].path, e.path);
  EXPECT_EQ(j->entries[0].copy, e.copy);
  EXPECT_EQ(j->entries[0].mode, 0640u);
  EXPECT_EQ(j->entries[0].after, e.after);
  EXPECT_EQ(j->entriesBeforeSync, 1u);
  EXPECT_TRUE(j->done.count(7));
  EXPECT_FALSE(j->done.count(8));
  EXPECT_TRUE(j->Interrupted());
  WriteBytes(path, "not a journal\n");
  EXPECT_FALSE(ReadJournal(path));
}

TEST(Journal, ARestoreCutShortIsFinishedAndADamagedCopyIsNotUsed) {
  TempDir dir;
  const std::string src = dir / "src/", out = dir / "out/", state = dir / "state/";
  WriteBytes(src + "a.htm", "foo a");
  WriteBytes(src + "b.htm", "foo b");
  RewriteSetup setup;
  for (const char* n : {"a.htm", "b.htm"}) setup.items.push_back({src + n, src + n, n, false, {}});
  setup.rules = RulesOf({{u"foo", u"bar"}});
  setup.copies = true;
  setup.source = src;
  setup.output = out;
  setup.stateDir = state;
  RewriteJob job(std::move(setup));
  std::string error;
  ASSERT_TRUE(job.Begin(error));
  {
    zur::Run run(job, 2);
    run.Start();
    run.Wait();
  }
  ASSERT_EQ(ReadBytes(src + "a.htm"), "bar a");
  // A restore that died while writing a.htm (half written).
  {
    auto w = JournalWriter::Append(job.JournalPath());
    ASSERT_TRUE(w && w->RestoreBegin() && w->Restoring(1));
  }
  WriteBytes(src + "a.htm", "fo");
  RecoverJournal(job.JournalPath());
  EXPECT_EQ(ReadBytes(src + "a.htm"), "foo a");
  auto journal = ReadJournal(job.JournalPath());
  ASSERT_TRUE(journal);
  EXPECT_FALSE(journal->restoreOpen);

  // A copy changed since: b.htm is reported, not written with it.
  WriteBytes(out + "b.htm", "tampered");
  auto write = RestoreJob::Write(*journal, job.JournalPath(), {true, true});
  ASSERT_TRUE(write->Begin());
  zur::Run run(*write, 2);
  run.Start();
  run.Wait();
  const auto events = run.TakeEvents();
  ASSERT_EQ(events.size(), 2u);
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
