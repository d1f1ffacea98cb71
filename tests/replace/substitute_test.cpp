#include <gtest/gtest.h>

#include <random>

#include "replace/substitute.h"

namespace zur {
namespace {

std::string Replaced(std::string_view text, std::string_view find, std::string_view repl, CodePage cp = CodePage::Utf8) {
  return ReplaceAll(text, find, repl, cp);
}

WorkText Lines(std::string_view text) {
  WorkText w;
  w.SetText(text);
  return w;
}

std::string KeyPattern(std::string_view text, std::string_view find, std::string_view repl) {
  WorkText w = Lines(text);
  ReplaceKeyPattern(w, find, repl, CodePage::Gbk);
  return w.Joined();
}

TEST(ReplaceAll, LeftToRightWithoutOverlapsOrRecursion) {
  EXPECT_EQ(Replaced("aaaa", "aa", "b"), "bb");
  EXPECT_EQ(Replaced("aaa", "aa", "b"), "ba");
  EXPECT_EQ(Replaced("abc", "abc", "xabcx"), "xabcx");
  EXPECT_EQ(Replaced("abc", "", "x"), "abc");
  EXPECT_EQ(Replaced("a-b-c", "-", ""), "abc");
  EXPECT_EQ(Replaced("Abc abc", "abc", "x"), "Abc x");  // case-sensitive
}

TEST(ReplaceAll, SkipsOccurrencesThatStartInsideAGbkCharacter) {
  const std::string text = "\xD6\xD0\xCE\xC4";  // 中文
  EXPECT_EQ(Replaced(text, "\xD0\xCE", "X", CodePage::Gbk), text);   // spans the two characters
  EXPECT_EQ(Replaced(text, "\xCE\xC4", "X", CodePage::Gbk), "\xD6\xD0X");
  // 啊啊 is B0A1 B0A1: "A1B0" lies across the boundary, "B0A1" twice on it.
  EXPECT_EQ(Replaced("\xB0\xA1\xB0\xA1", "\xA1\xB0", "-", CodePage::Gbk), "\xB0\xA1\xB0\xA1");
  EXPECT_EQ(Replaced("\xB0\xA1\xB0\xA1", "\xB0\xA1", "-", CodePage::Gbk), "--");
  // A trail byte that is an ASCII letter: "\xB0\x41" is one character, so "A" inside it is skipped.
  EXPECT_EQ(Replaced("\xB0\x41 A", "A", "b", CodePage::Gbk), "\xB0\x41 b");
  // Characters are counted again from the end of each replaced occurrence.
  EXPECT_EQ(Replaced("x\xB0\xA1", "x\xB0", "y", CodePage::Gbk), "y\xA1");
}

TEST(ReplaceAll, SkipsOccurrencesThatStartInsideAUtf8Character) {
  const std::string zhong = "\xE4\xB8\xAD";  // 中
  EXPECT_EQ(Replaced(zhong + zhong, "\xAD\xE4", "X"), zhong + zhong);
  EXPECT_EQ(Replaced(zhong + "a", "a", "b"), zhong + "b");
  EXPECT_EQ(Replaced("\x80\x80", "\x80", "."), "..");  // bytes that form no character match anywhere
  // The same bytes read as GBK pair differently, and the occurrence is on a boundary.
  EXPECT_EQ(Replaced(zhong + zhong, "\xAD\xE4", "X", CodePage::Gbk), "\xE4\xB8X\xB8\xAD");
}

// The rule written the slow way: count characters from the start of the text, skip occurrences that
// begin on a second byte, and count again from the end of each replaced occurrence.
std::string ReferenceGbkReplace(std::string_view text, std::string_view find, std::string_view repl) {
  std::string out;
  size_t rest = 0;
  while (rest < text.size()) {
    std::string_view remainder = text.substr(rest);
    size_t at = std::string_view::npos;
    for (size_t pos = remainder.find(find); pos != std::string_view::npos; pos = remainder.find(find, pos + 1)) {
      size_t k = 0;
      while (k < pos) k += (static_cast<unsigned char>(remainder[k]) >= 0x81 && static_cast<unsigned char>(remainder[k]) <= 0xFE && k + 1 < remainder.size()) ? 2 : 1;
      if (k == pos) {
        at = pos;
        break;
      }
    }
    if (at == std::string_view::npos) break;
    out.append(remainder.substr(0, at));
    out.append(repl);
    rest += at + find.size();
  }
  out.append(text.substr(std::min(rest, text.size())));
  return out;
}

TEST(ReplaceAll, GbkRuleAgreesWithCountingFromTheStart) {
  std::mt19937 rng(7);
  const unsigned char alphabet[] = {0x41, 0x42, 0xB0, 0xA1, 0x81, 0x40, 0xFE, 0x0A};
  for (int n = 0; n < 3000; ++n) {
    auto random = [&](size_t len) {
      std::string s;
      for (size_t i = 0; i < len; ++i) s.push_back(static_cast<char>(alphabet[rng() % std::size(alphabet)]));
      return s;
    };
    const std::string text = random(rng() % 40);
    const std::string find = random(1 + rng() % 3);
    ASSERT_EQ(Replaced(text, find, "#", CodePage::Gbk), ReferenceGbkReplace(text, find, "#"))
        << "text of " << text.size() << " bytes";
  }
}

TEST(ReplaceInWorkText, ReportsWhetherTheBytesOccur) {
  WorkText w = Lines("one\ntwo\n");
  EXPECT_FALSE(ReplaceInWorkText(w, "three", "3", CodePage::Utf8));
  EXPECT_EQ(w.Joined(), "one\r\ntwo\r\n");
  EXPECT_TRUE(ReplaceInWorkText(w, "one\r\ntwo", "1\r\n2\r\n3", CodePage::Utf8));
  EXPECT_EQ(w.Joined(), "1\r\n2\r\n3\r\n");
  // Found as bytes but only across a character boundary: true, and nothing changes.
  WorkText g = Lines("\xD6\xD0\xCE\xC4");
  EXPECT_TRUE(ReplaceInWorkText(g, "\xD0\xCE", "X", CodePage::Gbk));
  EXPECT_EQ(g.Joined(), "\xD6\xD0\xCE\xC4\r\n");
}

TEST(ReplaceKeyPattern, ReplacesShortestSpansFromPrefixToSuffix) {
  EXPECT_EQ(KeyPattern("[b]1[/b] and [b]2[/b]", "[b]#key#[/b]", "X"), "X and X\r\n");
  EXPECT_EQ(KeyPattern("a [b]1\nstill 1[/b] z", "[b]#key#[/b]", "X"), "a X z\r\n");  // across lines
  EXPECT_EQ(KeyPattern("[b] no end", "[b]#key#[/b]", "X"), "[b] no end\r\n");
  EXPECT_EQ(KeyPattern("x [b]1[/b]", "#key#[/b]", "X"), "x [b]1[/b]\r\n");  // empty prefix: unchanged
  EXPECT_EQ(KeyPattern("x [b]1[/b]", "#key#", "X"), "x [b]1[/b]\r\n");
  EXPECT_EQ(KeyPattern("x [b]1[/b]", "[b]#key#", "X"), "x [b]1[/b]\r\n");  // empty suffix: never complete
  EXPECT_EQ(KeyPattern("<a#key#b>", "<a#key#b>#key#", "X"), "<a#key#b>\r\n");  // a second "#key#" is literal
  EXPECT_EQ(KeyPattern("abcabc", "b", "B"), "aBcaBc\r\n");  // no placeholder: plain replace-all
}

TEST(ReplaceKeyPattern, StopsAfterMaxKeyMatchesWhenTheReplacementMatchesAgain) {
  std::string text;
  for (int i = 0; i < 3; ++i) text += "[b]x[/b] ";
  // The inserted text holds its own match, so every pass matches the same place again.
  EXPECT_EQ(KeyPattern(text, "[b]#key#[/b]", "[b]y[/b]"), "[b]y[/b] [b]x[/b] [b]x[/b] \r\n");
  // Each pass inserts one more "!"; after MaxKeyMatches passes the loop ends.
  const std::string out = KeyPattern("[b]x[/b]", "[b]#key#[/b]", "![b]y[/b]");
  EXPECT_EQ(out, std::string(MaxKeyMatches, '!') + "[b]y[/b]\r\n");
}

TEST(ReplaceKeyPattern, HandlesManySpansInALargeText) {
  std::string text;
  for (int i = 0; i < 5000; ++i) text += "<i>" + std::to_string(i) + "</i>\n";
  const std::string out = KeyPattern(text, "<i>#key#</i>", "#");
  // Only the first MaxKeyMatches spans are replaced.
  EXPECT_EQ(std::count(out.begin(), out.end(), '#'), MaxKeyMatches);
  EXPECT_NE(out.find("#\r\n<i>1000</i>"), std::string::npos);
}

TEST(ApplyRulesWithPattern, AppliesRowsInOrderAndSkipsEmptyOnes) {
  WorkText w = Lines("cat dog");
  ApplyRulesWithPattern(w, {Rule{"cat", "dog"}, Rule{"", "ignored"}, Rule{"dog", "bird"}}, CodePage::Utf8);
  EXPECT_EQ(w.Joined(), "bird bird\r\n");
}

TEST(WorkTextContains, MatchesAcrossLinesWhateverTheLineEnds) {
  EXPECT_TRUE(WorkTextContains(Lines("alpha\nbeta\n"), "alpha\r\nbeta"));
  EXPECT_TRUE(WorkTextContains(Lines("alpha\rbeta"), "alpha\r\nbeta"));
  EXPECT_FALSE(WorkTextContains(Lines("ALPHA"), "alpha"));
  EXPECT_FALSE(WorkTextContains(Lines("x"), ""));
}

TEST(MakeRule, TrimsBothTextsOfControlCharactersAndBlanks) {
  Rule r = MakeRule(" \r\n word \t", "\r\n");
  EXPECT_EQ(r.find, "word");
  EXPECT_EQ(r.replacement, "");
  EXPECT_TRUE(r.Active());
  EXPECT_FALSE(MakeRule(" \r\n ", "x").Active());
  EXPECT_EQ(MakeRule("a\r\n b", "").find, "a\r\n b");  // inner breaks and blanks stay
}

}  // namespace
}  // namespace zur
