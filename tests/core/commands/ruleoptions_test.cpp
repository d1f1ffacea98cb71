// Rules with options through the commands: a pattern row's dry run, run and undo; a wrong pattern
// refused before anything is read; a pattern too costly for one file; the journal telling what ran; the
// search listing what the batch changes.
#include <gtest/gtest.h>

#include <filesystem>
#include <algorithm>
#include <fstream>
#include <sstream>

#include "core/commands/search.h"
#include "support/commandsite.h"
#include "support/tempdir.h"

namespace zur {
namespace {

using namespace zur::testing;

constexpr RuleOptions kRegex{true, false, true};

std::string JournalTexts(const std::string& runs) {
  std::string all;
  for (const auto& e : std::filesystem::recursive_directory_iterator(runs)) {
    if (!e.is_regular_file()) continue;
    std::ifstream in(e.path(), std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    all += s.str();
  }
  return all;
}

TEST(RuleOptions, APatternRowsDryRunRunAndUndoOverGbkAndUtf8Pages) {
  Site s;
  const std::string gbk = "<font color=\"red\">\xCA\xD7\xD2\xB3</font>\r\n<FONT COLOR=\"blue\">x</FONT>\r\n";
  const std::string utf8 = "<p><font color=\"green\">首页</font></p>\n";
  WriteBytes(s.src() + "gbk.htm", gbk);
  WriteBytes(s.src() + "utf8.htm", utf8);
  WriteBytes(s.src() + "none.htm", "<span>none</span>\n");
  BatchRequest request = s.Batch(BatchRequest::Files::Tree, true);
  request.rules = {MakeRule(U("(?i)<font color=\"(\\w+)\">(.*?)</font>"), U("<span class=\"$1\">$2</span>"), kRegex),
                   MakeRule(U("SPAN"), U("em"), {false, true, false})};
  request.cp = Encoding::Gb18030;
  WaitingDriver driver;

  request.dryRun = true;
  RecordingSink dry;
  const BatchResult looked = RunBatch(request, driver, dry);
  ASSERT_FALSE(looked.refusal.Refused());
  EXPECT_EQ(looked.tally.hits, 3u);  // none.htm: its <span> is a whole word that ignores case
  EXPECT_EQ(ReadBytes(s.src() + "gbk.htm"), gbk);
  for (const auto& r : dry.files) {
    if (r.shown == s.src() + "gbk.htm") {
      EXPECT_EQ(r.event.byRule, (std::vector<size_t>{2, 4}));
    }
  }

  request.dryRun = false;
  RecordingSink ran;
  const BatchResult done = RunBatch(request, driver, ran);
  ASSERT_FALSE(done.refusal.Refused());
  EXPECT_EQ(ReadBytes(s.src() + "gbk.htm"), "<em class=\"red\">\xCA\xD7\xD2\xB3</em>\r\n<em class=\"blue\">x</em>\r\n");
  EXPECT_EQ(ReadBytes(s.src() + "utf8.htm"), "<p><em class=\"green\">首页</em></p>\n");
  EXPECT_EQ(ReadBytes(s.src() + "none.htm"), "<em>none</em>\n");
  // The journal says what ran, options included, so a look back can tell.
  const std::string journal = JournalTexts(s.runs()) + JournalTexts(s.out());
  EXPECT_NE(journal.find("options=r"), std::string::npos);
  EXPECT_NE(journal.find("options=iw"), std::string::npos);

  Answers yes;
  RecordingSink undone;
  EXPECT_EQ(RunRestore({s.runs(), {}}, driver, yes, undone).refused, RestoreResult::Refused::None);
  EXPECT_EQ(ReadBytes(s.src() + "gbk.htm"), gbk);
  EXPECT_EQ(ReadBytes(s.src() + "utf8.htm"), utf8);
}

TEST(RuleOptions, AWrongRuleRefusesTheCommandBeforeAnyFileIsRead) {
  Site s;
  WriteBytes(s.src() + "a.htm", "foo");
  BatchRequest request = s.Batch(BatchRequest::Files::Tree, true);
  request.rules.push_back(MakeRule(U("([a-z]+"), U("x"), kRegex));
  WaitingDriver driver;
  RecordingSink sink;
  const BatchResult r = RunBatch(request, driver, sink);
  EXPECT_EQ(r.refusal.kind, StartRefusal::Kind::Rule);
  EXPECT_EQ(r.refusal.rule.rule, 2u);
  EXPECT_TRUE(sink.files.empty());
  EXPECT_EQ(ReadBytes(s.src() + "a.htm"), "foo");  // the first rule, good as it is, did not run either
  EXPECT_FALSE(std::filesystem::exists(s.out()));
  // The match commands refuse "#key#" in a pattern row.
  request.rules = {MakeRule(U("<b>#key#</b>"), U("x"), kRegex)};
  request.keyed = true;
  EXPECT_EQ(RunBatch(request, driver, sink).refusal.rule.what, RuleError::What::KeyInPattern);
}

TEST(RuleOptions, APatternTooCostlyForOneFileLeavesItWholeAndTheRunGoesOn) {
  Site s;
  const std::string costly = "foo " + std::string(30000, 'a') + "b\n";
  WriteBytes(s.src() + "costly.txt", costly);
  WriteBytes(s.src() + "fine.txt", "foo aaa\n");
  BatchRequest request = s.Batch(BatchRequest::Files::Tree, true);
  request.rules.push_back(MakeRule(U("(a+)+$"), U("x"), kRegex));
  WaitingDriver driver;
  RecordingSink sink;
  const BatchResult r = RunBatch(request, driver, sink);
  ASSERT_FALSE(r.refusal.Refused());
  EXPECT_EQ(ReadBytes(s.src() + "fine.txt"), "bar x\n");
  EXPECT_TRUE(ReadBytes(s.src() + "costly.txt") == costly);  // the first rule's change is not kept either
  EXPECT_FALSE(std::filesystem::exists(s.out() + "costly.txt"));  // nor a copy of a file left alone
  bool named = false;
  for (const auto& f : sink.files) {
    if (f.shown != s.src() + "costly.txt") continue;
    named = f.event.outcome == Outcome::Skipped && f.event.why == Why::PatternTooCostly && f.event.detail == "2";
  }
  EXPECT_TRUE(named);
  EXPECT_EQ(r.tally.skipped, 1u);
}

TEST(RuleOptions, TheSearchListsWhatTheBatchWithTheSameOptionsChanges) {
  Site s;
  WriteBytes(s.src() + "upper.htm", "FOO here");
  WriteBytes(s.src() + "word.htm", "a foo.");
  WriteBytes(s.src() + "inside.htm", "food");
  WriteBytes(s.src() + "gbk.htm", "\xA3\xC6\xA3\xCF\xA3\xCF");  // ＦＯＯ in GBK
  WaitingDriver driver;
  for (const auto& [find, options] : {std::pair{std::string("foo"), RuleOptions{false, true, false}},
                                      std::pair{std::string("f[o０]+\\b"), kRegex},
                                      std::pair{std::string("ｆｏｏ"), RuleOptions{false, false, false}}}) {
    RecordingSink found;
    RunSearch({s.src(), SetExtList("htm"), U(find), Encoding::Gb18030, false, options}, driver, found);
    BatchRequest batch = s.Batch(BatchRequest::Files::Tree, false);
    batch.dryRun = true;
    batch.cp = Encoding::Gb18030;
    batch.rules = {MakeRule(U(find), U("x"), options)};
    RecordingSink dry;
    RunBatch(batch, driver, dry);
    auto sorted = [](std::vector<std::string> v) {
      std::sort(v.begin(), v.end());
      return v;
    };
    EXPECT_EQ(sorted(found.Shown(Outcome::Hit)), sorted(dry.Shown(Outcome::Hit))) << find;
    EXPECT_FALSE(found.Shown(Outcome::Hit).empty()) << find;
  }
}

TEST(RuleOptions, ATableRunsAfterTheRowsAndIsUndoneWithThem) {
  Site s;
  const std::string gbk = "\xCA\xD7\xD2\xB3 foo color\r\n";  // 首页 foo color
  WriteBytes(s.src() + "a.htm", gbk);
  WriteBytes(s.src() + "b.txt", "colour foo\n");
  WriteBytes(s.dir / "table.txt", "# glossary\n首页\t主页\ncolou?r\thue\tr\nbar\tBAR\n");
  BatchRequest request = s.Batch(BatchRequest::Files::Tree, true);  // foo -> bar first
  request.ruleTable = s.dir / "table.txt";
  request.cp = Encoding::Gb18030;
  WaitingDriver driver;
  RecordingSink sink;
  const BatchResult done = RunBatch(request, driver, sink);
  ASSERT_FALSE(done.refusal.Refused());
  EXPECT_EQ(ReadBytes(s.src() + "a.htm"), "\xD6\xF7\xD2\xB3 BAR hue\r\n");
  EXPECT_EQ(ReadBytes(s.src() + "b.txt"), "hue BAR\n");
  // What each pair replaced in the whole run, by the table's lines.
  EXPECT_EQ(done.pairTotals, (std::vector<std::pair<size_t, uint64_t>>{{2, 1}, {3, 2}, {4, 2}}));
  EXPECT_TRUE(done.unmatchedPairs.empty());
  Answers yes;
  EXPECT_EQ(RunRestore({s.runs(), {}}, driver, yes, sink).refused, RestoreResult::Refused::None);
  EXPECT_EQ(ReadBytes(s.src() + "a.htm"), gbk);
  // A wrong table refuses the command before any file is read, naming its lines.
  WriteBytes(s.dir / "table.txt", "ok\tfine\nno tab\n(\tx\tr\n");
  const BatchResult refused = RunBatch(request, driver, sink);
  EXPECT_EQ(refused.refusal.kind, StartRefusal::Kind::Table);
  ASSERT_EQ(refused.refusal.table.size(), 2u);
  EXPECT_EQ(refused.refusal.table[0].line, 2u);
  EXPECT_EQ(refused.refusal.table[1].line, 3u);
  EXPECT_EQ(ReadBytes(s.src() + "a.htm"), gbk);
  request.ruleTable = s.dir / "missing.txt";
  EXPECT_EQ(RunBatch(request, driver, sink).refusal.table.at(0).what, TableProblem::What::Unreadable);
}

}  // namespace
}  // namespace zur
