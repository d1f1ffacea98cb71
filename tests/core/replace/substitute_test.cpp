#include <gtest/gtest.h>

#include <random>
#include <regex>

#include "core/replace/substitute.h"
#include "support/texts.h"

namespace zur {
namespace {

using testing::Applied;
using testing::G;
using testing::RulesOf;
using testing::U;

std::string Replaced(std::string_view text, std::string_view find, std::string_view repl, Encoding cp = Encoding::Utf8) {
  return ReplaceAll(text, find, repl, cp);
}

TEST(ReplaceAll, LeftToRightWithoutOverlapsOrRecursion) {
  EXPECT_EQ(Replaced("aaaa", "aa", "b"), "bb");
  EXPECT_EQ(Replaced("aaa", "aa", "b"), "ba");
  EXPECT_EQ(Replaced("abc", "abc", "xabcx"), "xabcx");
  EXPECT_EQ(Replaced("abc", "", "x"), "abc");
  EXPECT_EQ(Replaced("a-b-c", "-", ""), "abc");
  EXPECT_EQ(Replaced("Abc abc", "abc", "x"), "Abc x");  // case-sensitive
}

TEST(ReplaceAll, NeverCutsAGbkCharacterAtEitherEnd) {
  const std::string text = "\xD6\xD0\xCE\xC4";  // 中文
  EXPECT_EQ(Replaced(text, "\xD0\xCE", "X", Encoding::Gb18030), text);  // spans the two characters
  EXPECT_EQ(Replaced(text, "\xCE\xC4", "X", Encoding::Gb18030), "\xD6\xD0X");
  // A trail byte that is an ASCII letter: "\xB0\x41" is one character, so "A" inside it is skipped.
  EXPECT_EQ(Replaced("\xB0\x41 A", "A", "b", Encoding::Gb18030), "\xB0\x41 b");
  // An occurrence that would end inside a character: "a" + the lead byte of 中 in "a中b".
  EXPECT_EQ(Replaced("a\xD6\xD0" "b", "a\xD6", "X", Encoding::Gb18030), "a\xD6\xD0" "b");
  // Characters are counted on the original text: after a skipped occurrence the next byte is a trail.
  EXPECT_EQ(Replaced("\x41\x8A\x41\x8A\x41", "\x41\x8A", "X", Encoding::Gb18030), "\x41\x8A\x41\x8A\x41");
  // A four-byte GB18030 character is one character.
  EXPECT_EQ(Replaced("\x81\x30\x81\x30" "0", "0", "#", Encoding::Gb18030), "\x81\x30\x81\x30#");
}

TEST(ReplaceAll, NeverCutsAUtf8Character) {
  const std::string zhong = "\xE4\xB8\xAD";  // 中
  EXPECT_EQ(Replaced(zhong + zhong, "\xAD\xE4", "X"), zhong + zhong);
  EXPECT_EQ(Replaced(zhong + zhong, "\xE4\xB8", "X"), zhong + zhong);  // would end inside 中
  EXPECT_EQ(Replaced(zhong + "a", "a", "b"), zhong + "b");
  EXPECT_EQ(Replaced("\x80\x80", "\x80", "."), "..");  // bytes that form no character match anywhere
}

// GB18030 characters counted from the start of the text, the slow way.
std::vector<bool> GbStarts(std::string_view s) {
  std::vector<bool> start(s.size() + 1, false);
  auto b = [&](size_t i) { return static_cast<unsigned char>(s[i]); };
  size_t i = 0;
  while (i < s.size()) {
    start[i] = true;
    size_t len = 1;
    if (b(i) >= 0x81 && b(i) <= 0xFE && i + 1 < s.size()) {
      if (b(i + 1) >= 0x30 && b(i + 1) <= 0x39) {
        if (i + 3 < s.size() && b(i + 2) >= 0x81 && b(i + 2) <= 0xFE && b(i + 3) >= 0x30 && b(i + 3) <= 0x39) len = 4;
      } else if (b(i + 1) >= 0x40 && b(i + 1) != 0x7F && b(i + 1) != 0xFF) {
        len = 2;
      }
    }
    i += len;
  }
  start[s.size()] = true;
  return start;
}

std::string ReferenceGbReplace(std::string_view text, std::string_view find, std::string_view repl) {
  const std::vector<bool> start = GbStarts(text);
  std::string out;
  size_t copied = 0;
  for (size_t pos = text.find(find); pos != std::string_view::npos; pos = text.find(find, pos + 1)) {
    if (pos < copied || !start[pos] || !start[pos + find.size()]) continue;
    out.append(text.substr(copied, pos - copied));
    out.append(repl);
    copied = pos + find.size();
  }
  out.append(text.substr(copied));
  return out;
}

TEST(ReplaceAll, GbRuleAgreesWithCountingFromTheStart) {
  std::mt19937 rng(7);
  const unsigned char alphabet[] = {0x41, 0x42, 0x30, 0x31, 0xB0, 0xA1, 0x81, 0x40, 0xFE, 0x0A, 0x7F, 0xFF, 0x80};
  for (int n = 0; n < 4000; ++n) {
    auto random = [&](size_t len) {
      std::string s;
      for (size_t i = 0; i < len; ++i) s.push_back(static_cast<char>(alphabet[rng() % std::size(alphabet)]));
      return s;
    };
    const std::string text = random(rng() % 48);
    const std::string find = random(1 + rng() % 3);
    ASSERT_EQ(Replaced(text, find, "#", Encoding::Gb18030), ReferenceGbReplace(text, find, "#"))
        << "text of " << text.size() << " bytes";
  }
}

TEST(ApplyRules, CountTheOccurrencesEachRuleReplaced) {
  auto counts = [](std::string_view bytes, const RuleSet& rules) {
    WorkText w(Encoding::Utf8);
    w.SetBytes(bytes);
    return ApplyRules(w, rules).counts;
  };
  // The second rule counts what the first inserted; a third that finds nothing counts none.
  EXPECT_EQ(counts("a a b", RulesOf({{u"a", u"b"}, {u"b", u"cc"}, {u"zz", u"y"}})), (std::vector<size_t>{2, 3, 0}));
  // A GBK byte pair that is not a character of the text is no occurrence.
  EXPECT_EQ(counts("\xD6\xD0\xCE\xC4 \xD0\xCE", RulesOf({{G("\xD0\xCE"), u"X"}})), (std::vector<size_t>{1, 0, 0}));
  // A key match counts once, however much it spans.
  EXPECT_EQ(counts("[b]1[/b] [b]22[/b]", RulesOf({{u"[b]#key#[/b]", u"X"}}, true)), (std::vector<size_t>{2, 0, 0}));
}

TEST(ApplyRules, AChineseRuleAgreesWithTheReferenceInEitherEncoding) {
  // Files pieced together from both forms of the rule's text, parts of them and other characters:
  // a file that is UTF-8 as a whole takes the UTF-8 form, any other the GB18030 form counted from the
  // start. Both forms are looked for together, so the one found first is often not the one that counts.
  std::mt19937 rng(41);
  const char* const pieces[] = {"a", " ", "首页", "\xCA\xD7\xD2\xB3", "页", "\xD2\xB3", "\xCA", "\x81\x30\x81\x30", "\xA1", "\xE9"};
  const auto rules = RulesOf({{U("首页"), u"#"}});
  for (int n = 0; n < 3000; ++n) {
    std::string text;
    for (size_t i = 0, count = rng() % 40; i < count; ++i) text += pieces[rng() % std::size(pieces)];
    std::string expected = text;
    if (IsValidUtf8(text)) {
      for (size_t at = expected.find("首页"); at != std::string::npos; at = expected.find("首页", at + 1)) expected.replace(at, 6, "#");
    } else {
      expected = ReferenceGbReplace(text, "\xCA\xD7\xD2\xB3", "#");
    }
    ASSERT_EQ(Applied(text, rules), expected) << n;
  }
}

// The line-model meaning of a rule with line breaks: each break is one line end of the file (CR LF,
// lone CR or LF; a CR LF pair always counts as one), leftmost first, no overlaps.
std::string ReferenceLines(const std::string& text, const std::vector<std::string>& pieces, const std::string& repl) {
  std::string pattern;
  for (size_t i = 0; i < pieces.size(); ++i) {
    if (i > 0) pattern += "(?:\r\n|\r(?!\n)|\n)";
    pattern += pieces[i];  // letters only
  }
  const std::regex re(pattern);
  std::string out;
  auto from = text.cbegin();
  std::smatch m;
  while (std::regex_search(from, text.cend(), m, re, from == text.cbegin() ? std::regex_constants::match_default
                                                                             : std::regex_constants::match_prev_avail)) {
    out.append(from, m[0].first);
    out += repl;
    from = m[0].second;
  }
  out.append(from, text.cend());
  return out;
}

TEST(ApplyRules, ALineBreakOfARuleMatchesAnyLineEndOfTheFile) {
  std::mt19937 rng(11);
  const char alphabet[] = {'a', 'b', '\r', '\n'};
  for (int n = 0; n < 3000; ++n) {
    std::string text;
    for (size_t i = 0, len = rng() % 30; i < len; ++i) text.push_back(alphabet[rng() % 4]);
    std::vector<std::string> pieces;
    std::u16string find;
    for (size_t i = 0, count = 2 + rng() % 2; i < count; ++i) {
      std::string piece(i == 0 || i + 1 == count ? 1 + rng() % 2 : rng() % 2, 'a' + static_cast<char>(rng() % 2));
      pieces.push_back(piece);
      if (i > 0) find += u"\r\n";
      find += U(piece);
    }
    ASSERT_EQ(Applied(text, RulesOf({{find, u"#"}})), ReferenceLines(text, pieces, "#")) << n;
  }
}

TEST(ApplyRules, ReplaceInPlaceLikeThePlainWayAtAnyLength) {
  std::mt19937 rng(21);
  for (int n = 0; n < 3000; ++n) {
    std::string text(rng() % 60, 'a');
    for (char& c : text) c = static_cast<char>('a' + rng() % 3);
    const std::string find(1 + rng() % 3, static_cast<char>('a' + rng() % 3));
    const std::string repl(rng() % 6, 'R');
    ASSERT_EQ(Applied(text, RulesOf({{U(find), U(repl)}})), Replaced(text, find, repl)) << text << " " << find;
  }
}

TEST(ApplyRules, KeepEveryByteOutsideTheOccurrences) {
  // Line ends of every kind and a missing last line break stay as they are.
  EXPECT_EQ(Applied("foo\nbar\r\nfoo\rbaz", RulesOf({{u"foo", u"X"}})), "X\nbar\r\nX\rbaz");
  EXPECT_EQ(Applied("a\nb", RulesOf({{u"zzz", u"X"}})), "a\nb");
  // A two-line rule finds its text in LF and CR LF files alike, and only that text changes.
  EXPECT_EQ(Applied("<p>\nold\n</p>\n", RulesOf({{u"<p>\r\nold", u"<p>\r\nnew"}})), "<p>\nnew\n</p>\n");
  EXPECT_EQ(Applied("<p>\r\nold", RulesOf({{u"<p>\r\nold", u"x"}})), "x");
  // A line break inserted by a replacement takes the file's own line end; LF when it has none.
  EXPECT_EQ(Applied("a\r\nb\r\n", RulesOf({{u"a", u"1\r\n2"}})), "1\r\n2\r\nb\r\n");
  EXPECT_EQ(Applied("a\rb", RulesOf({{u"a", u"1\r\n2"}})), "1\r2\rb");
  EXPECT_EQ(Applied("a", RulesOf({{u"a", u"1\r\n2"}})), "1\n2");
  // Rows apply in order, each to what the one before left; an empty find text is skipped.
  EXPECT_EQ(Applied("cat dog", RulesOf({{u"cat", u"dog"}, {u"", u"ignored"}, {u"dog", u"bird"}})), "bird bird");
}

TEST(ApplyRules, WorkInEachFilesOwnEncoding) {
  const auto rules = RulesOf({{U("首页"), U("主页")}});
  const std::string gbkPage = "<a>\xCA\xD7\xD2\xB3</a>";  // 首页 in GBK
  EXPECT_EQ(Applied(gbkPage, rules), "<a>\xD6\xF7\xD2\xB3</a>");
  EXPECT_EQ(Applied("<a>首页</a>", rules), "<a>主页</a>");
  EXPECT_EQ(Applied("<a>首页</a>", rules, Encoding::Gb18030), "<a>主页</a>");  // the locale does not matter
  // UTF-16 files with their byte-order mark, both byte orders.
  const std::string le("\xFF\xFE\x96\x99\x75\x98", 6);  // 首页
  EXPECT_EQ(Applied(le, rules), std::string("\xFF\xFE\x3B\x4E\x75\x98", 6));
  const std::string be("\xFE\xFF\x99\x96\x98\x75", 6);
  EXPECT_EQ(Applied(be, rules), std::string("\xFE\xFF\x4E\x3B\x98\x75", 6));
  // A UTF-16 code unit is never matched from its middle.
  // (U+6200 is the bytes 00 62 in UTF-16LE, which "ab" holds at an odd place.)
  EXPECT_EQ(Applied(std::string("\xFF\xFE" "a\x00" "b\x00", 6), RulesOf({{u"\u6200", u"x"}})),
            std::string("\xFF\xFE" "a\x00" "b\x00", 6));
  // A GB18030 four-byte character is kept as it is around a replacement.
  EXPECT_EQ(Applied("\x81\x30\x81\x30\xCA\xD7", rules), "\x81\x30\x81\x30\xCA\xD7");
  EXPECT_EQ(Applied("x\x81\x30\x81\x30" "a", RulesOf({{u"a", U("页")}})), "x\x81\x30\x81\x30\xD2\xB3");
  // Both forms are looked for in one pass, and the one found first need not be the one that counts:
  // a GBK page may hold the UTF-8 bytes of 首页 before and after its own, and the GB18030 bytes of
  // 浣犲ソ are the UTF-8 bytes of 你好.
  EXPECT_EQ(Applied("首页 \xCA\xD7\xD2\xB3 首页 \xCA\xD7\xD2\xB3", rules), "首页 \xD6\xF7\xD2\xB3 首页 \xD6\xF7\xD2\xB3");
  const auto mojibake = RulesOf({{U("浣犲ソ"), u"x"}});
  EXPECT_EQ(Applied("浣犲ソ \xCA\xD7 你好", mojibake), "浣犲ソ \xCA\xD7 x");  // GBK: its form is the later one
  EXPECT_EQ(Applied("你好 浣犲ソ", mojibake), "你好 x");                       // UTF-8
}

TEST(ApplyRules, AnAsciiFileTakesTheEncodingItDeclaresWhenSomethingElseIsInserted) {
  const auto rules = RulesOf({{u"Home", U("主页")}});
  EXPECT_EQ(Applied("<meta charset=\"gb2312\">Home", rules), "<meta charset=\"gb2312\">\xD6\xF7\xD2\xB3");
  EXPECT_EQ(Applied("<meta http-equiv=Content-Type content=\"text/html; charset=UTF-8\">Home", rules),
            "<meta http-equiv=Content-Type content=\"text/html; charset=UTF-8\">主页");
  EXPECT_EQ(Applied("Home", rules, Encoding::Gb18030), "\xD6\xF7\xD2\xB3");  // else the locale's
  EXPECT_EQ(Applied("Home", rules, Encoding::Utf8), "主页");
  EXPECT_EQ(Applied("\xEF\xBB\xBFHome", rules, Encoding::Gb18030), "\xEF\xBB\xBF主页");  // the mark decides
}

TEST(ApplyRules, NeverTouchAFileThatIsNotText) {
  const std::string binary("foo\0bar", 7);
  EXPECT_EQ(Applied(binary, RulesOf({{u"foo", u"X"}})), binary);
  WorkText w;
  w.SetBytes(binary);
  EXPECT_TRUE(w.NotText());
}

std::string KeyPattern(std::string_view text, std::u16string find, std::u16string repl) {
  return Applied(text, RulesOf({{find, repl}}, true));
}

TEST(ReplaceKeyPattern, ReplacesShortestSpansFromPrefixToSuffix) {
  EXPECT_EQ(KeyPattern("[b]1[/b] and [b]2[/b]", u"[b]#key#[/b]", u"X"), "X and X");
  EXPECT_EQ(KeyPattern("a [b]1\nstill 1[/b] z\n", u"[b]#key#[/b]", u"X"), "a X z\n");  // across lines
  EXPECT_EQ(KeyPattern("[b] no end", u"[b]#key#[/b]", u"X"), "[b] no end");
  EXPECT_EQ(KeyPattern("x [b]1[/b]", u"#key#[/b]", u"X"), "x [b]1[/b]");  // empty prefix: unchanged
  EXPECT_EQ(KeyPattern("x [b]1[/b]", u"[b]#key#", u"X"), "x [b]1[/b]");   // empty suffix: never complete
  EXPECT_EQ(KeyPattern("<a#key#b>", u"<a#key#b>#key#", u"X"), "<a#key#b>");  // a second "#key#" is literal
  EXPECT_EQ(KeyPattern("abcabc", u"b", u"B"), "aBcaBc");  // no placeholder: plain replace-all
  // Line breaks of the prefix and the suffix match the file's own line ends.
  EXPECT_EQ(KeyPattern("<ul>\nA\nB\n</ul>\n", u"<ul>\r\n#key#\r\n</ul>", u"-"), "-\n");
  // In a GBK file the texts are GBK.
  EXPECT_EQ(KeyPattern("\xA1\xBE" "x\xA1\xBF", U("【#key#】"), u"Y"), "Y");
}

TEST(ReplaceKeyPattern, StopsAfterMaxKeyMatchesWhenTheReplacementMatchesAgain) {
  std::string text;
  for (int i = 0; i < 3; ++i) text += "[b]x[/b] ";
  EXPECT_EQ(KeyPattern(text, u"[b]#key#[/b]", u"[b]y[/b]"), "[b]y[/b] [b]x[/b] [b]x[/b] ");
  EXPECT_EQ(KeyPattern("[b]x[/b]", u"[b]#key#[/b]", u"![b]y[/b]"), std::string(MaxKeyMatches, '!') + "[b]y[/b]");
  std::string many;
  for (int i = 0; i < 5000; ++i) many += "<i>" + std::to_string(i) + "</i>\n";
  const std::string out = KeyPattern(many, u"<i>#key#</i>", u"#");
  EXPECT_EQ(std::count(out.begin(), out.end(), '#'), MaxKeyMatches);
  EXPECT_NE(out.find("#\n<i>1000</i>"), std::string::npos);
}

TEST(ReplaceSpans, GivesTheSameBytesGrowingShrinkingOrMixed) {
  std::mt19937 rng(3);
  for (int n = 0; n < 2000; ++n) {
    std::string text(rng() % 40, 'x');
    for (char& c : text) c = static_cast<char>('a' + rng() % 3);
    std::vector<Span> spans;
    for (size_t at = 0; at < text.size();) {
      const size_t len = 1 + rng() % 3;
      if (rng() % 3 == 0 && at + len <= text.size()) {
        spans.push_back({at, at + len});
        at += len;
      }
      at += 1 + rng() % 3;
    }
    const std::string repl(rng() % 4, 'R');
    std::string expected;
    size_t copied = 0;
    for (const Span& s : spans) {
      expected += text.substr(copied, s.begin - copied) + repl;
      copied = s.end;
    }
    expected += text.substr(copied);
    ByteBuffer b;
    b.assign(text);
    ReplaceSpans(b, spans, repl);
    ASSERT_EQ(std::string(b.view()), expected) << n;
  }
}

TEST(WorkTextContains, FindsTheTextInTheFilesOwnEncoding) {
  auto contains = [](std::string_view bytes, std::u16string text) {
    WorkText w;
    w.SetBytes(bytes);
    return WorkTextContains(w, PrepareText(text));
  };
  EXPECT_TRUE(contains("alpha\nbeta\n", u"alpha\r\nbeta"));
  EXPECT_TRUE(contains("alpha\rbeta", u"alpha\r\nbeta"));
  EXPECT_FALSE(contains("ALPHA", u"alpha"));
  EXPECT_FALSE(contains("x", u""));
  EXPECT_TRUE(contains("\xCA\xD7\xD2\xB3", U("首页")));  // GBK
  EXPECT_TRUE(contains("首页", U("首页")));              // UTF-8
  EXPECT_TRUE(contains(std::string("\xFF\xFE\x96\x99\x75\x98", 6), U("首页")));
  EXPECT_FALSE(contains("首页\xFF", U("首页")));  // not UTF-8 as a whole: the UTF-8 form does not count
  // The form found first is not always the one that counts. The GB18030 bytes of 浣犲ソ are the UTF-8
  // bytes of 你好, and a GBK file may hold the UTF-8 bytes of 首页 before its own.
  EXPECT_FALSE(contains("你好", U("浣犲ソ")));
  EXPECT_TRUE(contains("你好 浣犲ソ", U("浣犲ソ")));
  EXPECT_TRUE(contains("首页 \xCA\xD7\xD2\xB3", U("首页")));
}

TEST(MakeRule, TrimsBothTextsOfControlCharactersAndBlanks) {
  Rule r = MakeRule(u" \r\n word \t", u"\r\n");
  EXPECT_EQ(r.find, u"word");
  EXPECT_EQ(r.replacement, u"");
  EXPECT_TRUE(r.Active());
  EXPECT_FALSE(MakeRule(u" \r\n ", u"x").Active());
  EXPECT_EQ(MakeRule(u"a\r\n b", u"").find, u"a\r\n b");  // inner breaks and blanks stay
}

}  // namespace
}  // namespace zur
