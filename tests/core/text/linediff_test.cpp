// The unified diff the dry run's report leads to, and the changes of one file as a batch would make
// them, in the file's own encoding.
#include "core/text/linediff.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "core/commands/batchdiff.h"
#include "core/text/codec.h"
#include "support/tempdir.h"
#include "support/texts.h"

using namespace zur;
using zur::testing::TempDir;
using zur::testing::U;
using zur::testing::WriteBytes;

namespace {

// Lines "line 1" to "line <count>", with the lines given in `changes` replaced.
std::u16string Lines(int count, const std::map<int, std::u16string>& changes = {}) {
  std::u16string text;
  for (int n = 1; n <= count; ++n) {
    const auto it = changes.find(n);
    text += it != changes.end() ? it->second : U("line " + std::to_string(n));
    text += u'\n';
  }
  return text;
}

}  // namespace

TEST(LineDiff, HunksShowChangedLinesWithTheirContext) {
  EXPECT_EQ(UnifiedDiff(u"a\nb\n", u"a\nb\n").hunks, 0u);

  // One changed line among ten: three lines of context on either side.
  const LineDiff one = UnifiedDiff(Lines(10), Lines(10, {{5, u"new"}}));
  EXPECT_EQ(one.text, u"@@ -2,7 +2,7 @@\n line 2\n line 3\n line 4\n-line 5\n+new\n line 6\n line 7\n line 8\n");

  // A line broken in two (a rule that inserts a line break), and a line joined to the next.
  EXPECT_EQ(UnifiedDiff(u"x\na b\ny\n", u"x\na\nb\ny\n").text, u"@@ -1,3 +1,4 @@\n x\n-a b\n+a\n+b\n y\n");
  EXPECT_EQ(UnifiedDiff(u"a\nb\nc\n", u"ab\nc\n").text, u"@@ -1,3 +1,2 @@\n-a\n-b\n+ab\n c\n");

  // Changes up to twice the context apart share a hunk; further apart, each has its own.
  EXPECT_EQ(UnifiedDiff(Lines(30), Lines(30, {{5, u"x"}, {12, u"y"}})).hunks, 1u);
  const LineDiff two = UnifiedDiff(Lines(30), Lines(30, {{5, u"x"}, {13, u"y"}}));
  EXPECT_EQ(two.hunks, 2u);
  EXPECT_NE(two.text.find(u"@@ -10,7 +10,7 @@\n line 10\n"), std::u16string::npos);

  // A change at the first and the last line, and one at a last line without its line break.
  EXPECT_EQ(UnifiedDiff(u"a\nb\n", u"c\nb\n").text, u"@@ -1,2 +1,2 @@\n-a\n+c\n b\n");
  EXPECT_EQ(UnifiedDiff(u"a\nb", u"a\nc").text, u"@@ -1,2 +1,2 @@\n a\n-b\n+c\n");
}

TEST(LineDiff, LineEndsCountAndLongRunsStayReadable) {
  // Only the line end changed: the line is shown changed (its text alone would hide why).
  EXPECT_EQ(UnifiedDiff(u"a\r\nb\r\n", u"a\nb\r\n").text, u"@@ -1,2 +1,2 @@\n-a\n+a\n b\n");
  EXPECT_EQ(UnifiedDiff(u"a\rb\r", u"a\rc\r").text, u"@@ -1,2 +1,2 @@\n a\n-b\n+c\n");

  // Every line changed: each shown as its old and new line, one hunk.
  std::u16string before, after;
  for (int n = 0; n < 50000; ++n) {
    before += u"old " + std::u16string(1, static_cast<char16_t>(u'a' + n % 26)) + u"\n";
    after += u"new " + std::u16string(1, static_cast<char16_t>(u'a' + n % 26)) + u"\n";
  }
  const LineDiff all = UnifiedDiff(before, after, 3, 1000000);
  EXPECT_EQ(all.hunks, 1u);
  EXPECT_FALSE(all.truncated);
  EXPECT_EQ(all.text.substr(0, 38), u"@@ -1,50000 +1,50000 @@\n-old a\n+new a\n");

  // More changes than may be shown: the view is cut and says so.
  const LineDiff cut = UnifiedDiff(before, after, 3, 100);
  EXPECT_TRUE(cut.truncated);
  EXPECT_LT(cut.text.size(), 2000u);
}

TEST(BatchDiff, AFileIsComparedInItsOwnEncoding) {
  TempDir dir;
  const std::u16string text = u"第一行\r\n首页 foo\r\n第三行\r\n";
  const std::string gbk = dir / "gbk.htm";
  const std::string utf16 = dir / "utf16.txt";
  const std::string other = dir / "other.txt";
  WriteBytes(gbk, EncodeText(text, Encoding::Gb18030));
  WriteBytes(utf16, std::string(ByteOrderMark(Encoding::Utf16Le)) + EncodeText(text, Encoding::Utf16Le));
  WriteBytes(other, "nothing to replace");
  // (a line break in the file's own line end)
  const RuleSet rules = zur::testing::RulesOf({{U("首页"), U("主页")}, {U("foo"), U("bar\nbaz")}});
  for (const auto& [path, encoding] : {std::pair{gbk, Encoding::Gb18030}, std::pair{utf16, Encoding::Utf16Le}}) {
    const BatchDiff d = DiffBatchFile(path, rules, Encoding::Utf8);
    ASSERT_EQ(d.result, BatchDiff::Result::Shown) << path;
    EXPECT_EQ(d.kind.encoding, encoding);
    EXPECT_EQ(d.diff.text, u"@@ -1,3 +1,4 @@\n 第一行\n-首页 foo\n+主页 bar\n+baz\n 第三行\n") << path;
  }
  EXPECT_EQ(DiffBatchFile(other, rules, Encoding::Utf8).result, BatchDiff::Result::Unchanged);
  EXPECT_EQ(DiffBatchFile(dir / "missing", rules, Encoding::Utf8).result, BatchDiff::Result::Refused);
}
