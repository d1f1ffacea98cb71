// The rule options and patterns: what each kind of rule matches in files of every encoding, judged
// against PCRE2's own substitution on the decoded text; case and whole words by Unicode; the limits of
// a pattern that backtracks without end; the errors that refuse a rule.
#define PCRE2_CODE_UNIT_WIDTH 8
#include <gtest/gtest.h>
#include <pcre2.h>

#include <string>
#include <vector>

#include "core/replace/matcher.h"
#include "core/replace/pattern.h"
#include "support/texts.h"

namespace zur {
namespace {

using testing::U;

constexpr RuleOptions kRegex{true, false, true};
constexpr RuleOptions kIgnoreCase{false, false, false};
constexpr RuleOptions kWord{true, true, false};

std::string Utf8(std::u16string_view text) { return EncodeText(text, Encoding::Utf8); }

RuleSet One(std::string_view find, std::string_view replacement, RuleOptions options, bool keyed = false) {
  RuleError error;
  auto rules = BuildRules({MakeRule(U(find), U(replacement), options)}, keyed, error);
  EXPECT_TRUE(rules) << find << ": " << error.message;
  return rules ? *rules : RuleSet{};
}

// PCRE2's own global substitution of the pattern as the rule compiles it, on UTF-8 text.
std::string Reference(std::string_view pattern, std::string_view replacement, std::string_view subject) {
  const std::string compiled = CompiledPatternText(pattern, {});
  pcre2_compile_context* cc = pcre2_compile_context_create(nullptr);
  pcre2_set_newline(cc, PCRE2_NEWLINE_ANYCRLF);
  pcre2_set_bsr(cc, PCRE2_BSR_ANYCRLF);
  int code = 0;
  PCRE2_SIZE at = 0;
  pcre2_code* re = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(compiled.data()), compiled.size(),
                                 PCRE2_UTF | PCRE2_UCP | PCRE2_MULTILINE, &code, &at, cc);
  pcre2_compile_context_free(cc);
  if (!re) return "<no pattern>";
  std::string out(subject.size() * 4 + 256, '\0');
  PCRE2_SIZE size = out.size();
  const int n = pcre2_substitute(re, reinterpret_cast<PCRE2_SPTR>(subject.data()), subject.size(), 0,
                                 PCRE2_SUBSTITUTE_GLOBAL, nullptr, nullptr,
                                 reinterpret_cast<PCRE2_SPTR>(replacement.data()), replacement.size(),
                                 reinterpret_cast<PCRE2_UCHAR*>(out.data()), &size);
  pcre2_code_free(re);
  if (n < 0) return "<failed>";
  out.resize(size);
  return out;
}

// A file of `text` in `e` (UTF-16 with its byte-order mark), the rules applied, decoded back.
struct Result {
  std::string text;  // UTF-8
  Encoding encoding;
  Applied applied;
};
Result InFile(std::u16string_view text, Encoding e, const RuleSet& rules) {
  const bool utf16 = e == Encoding::Utf16Le || e == Encoding::Utf16Be;
  const std::string bytes = std::string(utf16 ? ByteOrderMark(e) : "") + *EncodeExactly(text, e);
  WorkText work(e == Encoding::Gb18030 ? Encoding::Gb18030 : Encoding::Utf8);
  work.SetBytes(bytes);
  Result o{{}, e, ApplyRules(work, rules)};
  o.encoding = work.Kind().encoding;
  o.text = Utf8(DecodeText(work.View().substr(work.Start()), o.encoding));
  return o;
}

TEST(Pattern, AgreesWithPcre2OnTheDecodedTextInEveryEncoding) {
  struct Case {
    const char* pattern;
    const char* replacement;
  };
  const Case cases[] = {
      {"(\\w+) (\\w+)", "$2 $1"},      {"^", ">"},           {"$", ";"},
      {"o*", "-"},                     {"(?<w>首页)", "[${w}]"}, {".+", "<$0>"},
      {"(?i)foo", "X"},                {"b(a)?r", "[$1]"},   {"\\d+", "$$"},
      {"\\p{Han}+", "汉"},             {"[ａ-ｚ]", "${0}${0}"}, {"\\bfoo\\b", "bar"},
      {"\\s+", "_"},                   {"(?s)a.b", "ab"},    {"x?", "·"},
  };
  const char* texts[] = {
      "foo bar Foo\r\nbaz 首页 qux\n首页。foo\r", "ａｂｃ ＡＢＣ x\u00e9y 12 34\r\n\r\n", "", "a\r\nb a\nb",
      "no line end", "首页首页 100元\n",
  };
  for (const Case& c : cases) {
    const RuleSet rules = One(c.pattern, c.replacement, kRegex);
    for (const char* text : texts) {
      const std::string expected = Reference(c.pattern, c.replacement, text);
      for (Encoding e : {Encoding::Utf8, Encoding::Gb18030, Encoding::Utf16Le, Encoding::Utf16Be}) {
        const Result o = InFile(U(text), e, rules);
        EXPECT_EQ(o.text, expected) << c.pattern << " on \"" << text << "\" in encoding " << static_cast<int>(e);
        EXPECT_EQ(o.applied.problem, RuleProblem::None);
      }
    }
  }
}

TEST(Pattern, TheFirstLookAtAFilesBytesNeverPassesOverAMatch) {
  // Patterns whose start looks like text but is not all required: a quantifier, an alternative, a
  // class, inline options; and files in every encoding.
  struct Case {
    const char* pattern;
    const char* text;
    const char* expected;
  };
  const Case cases[] = {
      {"colou?r", "color", "X"},        {"ab*c", "ac", "X"},           {"ab{0,2}c", "ac", "X"},
      {"abc|xyz", "xyz", "X"},          {"foo(?i)BAR", "fooBar", "X"}, {"(?i)foo", "FOO", "X"},
      {"x[yz]", "xz", "X"},             {"a\\.b", "a.b", "X"},       {"首页|home", "home", "X"},
      {"home\\b", "homepage home", "homepage X"},
  };
  for (const Case& c : cases) {
    for (Encoding e : {Encoding::Utf8, Encoding::Gb18030, Encoding::Utf16Le}) {
      EXPECT_EQ(InFile(U(c.text), e, One(c.pattern, "X", kRegex)).text, c.expected) << c.pattern << " " << static_cast<int>(e);
    }
  }
  // A whole word that ignores case, in a UTF-16 file, where ASCII is not itself.
  EXPECT_EQ(InFile(U("a Foo b"), Encoding::Utf16Be, One("foo", "x", {false, true, false})).text, "a x b");
}

TEST(Pattern, LineBreaksMeanAnyLineEndAndNeverSplitACrLfPair) {
  // "\n" and a typed line break match CR LF, LF and CR alike; a CR LF pair is one line end.
  for (const char* find : {"a\\nb", "a\nb", "a\\Rb"}) {
    EXPECT_EQ(testing::Applied("a\r\nb a\nb a\rb", One(find, "X", kRegex)), "X X X") << find;
  }
  EXPECT_EQ(testing::Applied("a\r\nb", One("a\nb", "X", {})), "X");  // an exact row the same
  EXPECT_EQ(testing::Applied("1\r\n2\r\n", One("$", ";", kRegex)), "1;\r\n2;\r\n;");
  EXPECT_EQ(testing::Applied("1\r\n2", One("^", ">", kRegex)), ">1\r\n>2");
  EXPECT_EQ(testing::Applied("a\r\nb", One("\\n", "", kRegex)), "ab");
  EXPECT_EQ(testing::Applied("a\r\nb", One("\\r", "", kRegex)), "a\nb");
  // A pattern that takes a CR alone leaves the LF to be matched on its own, as PCRE2 does.
  EXPECT_EQ(testing::Applied("a\r\nb", One("(?s).", "-", kRegex)), "----");
  EXPECT_EQ(testing::Applied("a\r\nb", One("[^a]", "-", kRegex)), "a---");
  // An empty match is never put between the CR and the LF of a pair.
  EXPECT_EQ(testing::Applied("a\r\nb", One("x*", "-", kRegex)), "-a-\r\n-b-");
  // A line break in the replacement writes the file's own line end.
  EXPECT_EQ(testing::Applied("x;y\r\n", One("(\\w);", "$1\\n", kRegex)), "x\r\ny\r\n");
  EXPECT_EQ(testing::Applied("x;y", One(";", "\\n", kRegex)), "x\ny");
}

TEST(Pattern, BytesThatAreNoCharacterMatchNothingAndStayAsTheyWere) {
  EXPECT_EQ(testing::Applied("foo\xFF" "bar", One("o.b", "X", kRegex)), "foo\xFF" "bar");
  EXPECT_EQ(testing::Applied("foo\xFF" "bar", One(".", "-", kRegex)), "---\xFF---");
  EXPECT_EQ(testing::Applied("foo\xFF" "bar", One("foo", "X", kIgnoreCase)), "X\xFF" "bar");
  // A GBK file with a stray lead byte: the characters around it are found, the byte kept.
  const std::string gbk = "\xCA\xD7\xD2\xB3\x81 \xCA\xD7\xD2\xB3";  // 首页, a lone 0x81, 首页
  EXPECT_EQ(testing::Applied(gbk, One("首页", "主页", kRegex), Encoding::Gb18030),
            "\xD6\xF7\xD2\xB3\x81 \xD6\xF7\xD2\xB3");
  // Empty matches fall between characters, never inside a GBK or UTF-16 character.
  EXPECT_EQ(testing::Applied("\xCA\xD7\xD2\xB3", One("x*", "-", kRegex), Encoding::Gb18030), "-\xCA\xD7-\xD2\xB3-");
  EXPECT_EQ(InFile(U("首页"), Encoding::Utf16Le, One("x*", "-", kRegex)).text, "-首-页-");
  // A byte-order mark is kept and never matched.
  EXPECT_EQ(testing::Applied("\xEF\xBB\xBF" "ab", One("^", ">", kRegex)), "\xEF\xBB\xBF>ab");
}

TEST(Pattern, CapturedTextIsTheFilesOwnBytes) {
  // A GBK page turned from <font> to <span>: the colour and the Chinese text between are carried over.
  const std::string page = "<font color=\"red\">\xC4\xE3\xBA\xC3</font>\r\n<FONT color=\"blue\">x</FONT>";
  EXPECT_EQ(testing::Applied(page, One("(?i)<font color=\"(\\w+)\">(.*?)</font>", "<span class=\"$1\">$2</span>", kRegex),
                             Encoding::Gb18030),
            "<span class=\"red\">\xC4\xE3\xBA\xC3</span>\r\n<span class=\"blue\">x</span>");
  // A group that took no part gives nothing; a named group, and ${1}, as PCRE2 says.
  EXPECT_EQ(testing::Applied("ab b", One("(a)?b", "[$1]", kRegex)), "[a] []");
  EXPECT_EQ(testing::Applied("2026-12", One("(?<y>\\d+)-(?<m>\\d+)", "${m}/${y} ${1}0 $$1", kRegex)), "12/2026 20260 $1");
}

TEST(Options, CaseIsFoldedByUnicodeNeverByByte) {
  const std::u16string text = U("Foo FOO foo ｆｏｏ ＦＯＯ Ｆｏｏ ΣΑΣ σας");
  for (Encoding e : {Encoding::Utf8, Encoding::Gb18030, Encoding::Utf16Be}) {
    EXPECT_EQ(InFile(text, e, One("foo", "x", kIgnoreCase)).text, "x x x ｆｏｏ ＦＯＯ Ｆｏｏ ΣΑΣ σας");
    EXPECT_EQ(InFile(text, e, One("ｆｏｏ", "x", kIgnoreCase)).text, "Foo FOO foo x x x ΣΑΣ σας");
    EXPECT_EQ(InFile(text, e, One("σας", "x", kIgnoreCase)).text, "Foo FOO foo ｆｏｏ ＦＯＯ Ｆｏｏ x x");
    // Case kept: only the very text.
    EXPECT_EQ(InFile(text, e, One("Ｆｏｏ", "x", {})).text, "Foo FOO foo ｆｏｏ ＦＯＯ x ΣΑΣ σας");
  }
  // A GBK double-byte character whose second byte is an ASCII letter is no letter to fold.
  const std::string gbk = "\x81\x41 A a";  // 丂 (81 41), then A and a
  EXPECT_EQ(testing::Applied(gbk, One("a", "b", kIgnoreCase), Encoding::Gb18030), "\x81\x41 b b");
  // Unicode folds the Kelvin sign onto k and the long s onto s: found as the pattern finds them.
  EXPECT_EQ(testing::Applied("\u212Aiss kiſs KISS", One("kiss", "x", kIgnoreCase)), "x x x");
  EXPECT_EQ(InFile(U("\u212Aiss kiſs"), Encoding::Gb18030, One("KISS", "x", kIgnoreCase)).text, "x x");
  // Line breaks of the text match any line end, whatever the case around them.
  EXPECT_EQ(testing::Applied("Foo\r\nBAR foo\nbar", One("FOO\nbar", "-", kIgnoreCase)), "- -");
  // A pattern's characters are no pattern in an exact row: ignore case finds "A.B" only.
  EXPECT_EQ(testing::Applied("a.b axb", One("A.B", "-", kIgnoreCase)), "- axb");
}

TEST(Options, AWholeWordHasNoLetterDigitOrUnderscoreBesideIt) {
  const std::u16string text = U("foo首页foo foo_x xfoo foo。foo （foo） ｆoo foo2 foo");
  EXPECT_EQ(Utf8(DecodeText(testing::Applied(Utf8(text), One("foo", "X", kWord)), Encoding::Utf8)),
            "foo首页foo foo_x xfoo X。X （X） ｆoo foo2 X");
  EXPECT_EQ(InFile(text, Encoding::Gb18030, One("foo", "X", kWord)).text, "foo首页foo foo_x xfoo X。X （X） ｆoo foo2 X");
  // Chinese words: next to punctuation they stand alone, next to another character they do not.
  EXPECT_EQ(InFile(U("首页。首页面 (首页)"), Encoding::Gb18030, One("首页", "主页", kWord)).text, "主页。首页面 (主页)");
  // With a pattern, at the two ends of the whole match; with ignore case too.
  EXPECT_EQ(testing::Applied("cat cats Cat concat", One("c\\w?t", "dog", {false, true, true})), "dog cats dog concat");
  // A text that begins or ends with no letter is still not to stand next to one.
  EXPECT_EQ(testing::Applied("a(b) x (b) y", One("(b)", "-", kWord)), "a(b) x - y");
}

TEST(Options, KeyedRowsKeepThePlaceholderAndTakeTheOptions) {
  EXPECT_EQ(testing::Applied("[B]one[/b] [b]two[/B]", One("[b]#key#[/b]", "<b/>", kIgnoreCase, true)), "<b/> <b/>");
  EXPECT_EQ(testing::Applied("<i>x</i> <ii>y</ii>", One("<i>#key#</i>", "-", kWord, true)), "- <ii>y</ii>");
  RuleError error;
  EXPECT_FALSE(BuildRules({MakeRule(U("<b>#key#</b>"), U("x"), kRegex)}, true, error));
  EXPECT_EQ(error.what, RuleError::What::KeyInPattern);
  // Outside the match commands "#key#" is text, in a pattern as anywhere.
  EXPECT_EQ(testing::Applied("a#key#b", One("#key#", "-", kRegex)), "a-b");
}

TEST(Pattern, AWrongPatternOrGroupIsRefusedNamingTheRuleAndThePlace) {
  RuleError error;
  const std::vector<Rule> rules{MakeRule(U("foo"), U("bar")), MakeRule(U("首页(a"), U("x"), kRegex)};
  EXPECT_FALSE(BuildRules(rules, false, error));
  EXPECT_EQ(error.rule, 2u);
  EXPECT_EQ(error.what, RuleError::What::Pattern);
  EXPECT_EQ(error.offset, 4u);  // characters, not bytes
  EXPECT_NE(error.message.find("parenthesis"), std::string::npos) << error.message;
  for (const char* replacement : {"$3", "${name}", "${3}"}) {
    EXPECT_FALSE(BuildRules({MakeRule(U("(a)(?<nom>b)"), U(replacement), kRegex)}, false, error)) << replacement;
    EXPECT_EQ(error.what, RuleError::What::Replacement) << replacement;
  }
  EXPECT_TRUE(BuildRules({MakeRule(U("(a)(?<nom>b)"), U("$2${nom}$$2$x"), kRegex)}, false, error));
  // An exact row's "$1" is text.
  EXPECT_EQ(testing::Applied("a", One("a", "$1", {})), "$1");
}

TEST(Pattern, OneThatBacktracksWithoutEndLeavesTheFileAsItWas) {
  const std::string line = std::string(20000, 'a') + "b\n";  // (kept out of failure messages)
  WorkText work;
  work.SetBytes("foo\n" + line);
  const Applied applied = ApplyRules(work, {One("foo", "bar", {}).front(), One("(a+)+$", "x", kRegex).front()});
  EXPECT_EQ(applied.problem, RuleProblem::TooCostly);
  EXPECT_EQ(applied.rule, 1u);
  // The same pattern where it ends quickly is fine.
  EXPECT_EQ(testing::Applied("aaa\n", One("(a+)+$", "x", kRegex)), "x\n");
}

TEST(Pattern, AnEmptyMatchReplacesBetweenCharactersAsPcre2AndPerlDo) {
  EXPECT_EQ(testing::Applied("abc", One("b*", "-", kRegex)), "-a--c-");
  EXPECT_EQ(testing::Applied("首页", One("", "", kRegex)), "首页");  // an empty find text is no rule
  // Nothing changed: the bytes are the same, and the counts say so.
  WorkText work;
  work.SetBytes("abc");
  EXPECT_EQ(ApplyRules(work, One("(b)", "$1", kRegex)).Total(), 1u);
  EXPECT_EQ(work.View(), "abc");
}

}  // namespace
}  // namespace zur
