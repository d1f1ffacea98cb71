// Rule tables: the file read in each encoding and as CSV, its refusals, and the one pass that applies
// every pair at once, judged against a slow reference on random texts.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "core/replace/matcher.h"
#include "core/replace/multimatch.h"
#include "core/replace/ruletable.h"
#include "core/text/encoding.h"
#include "support/texts.h"

namespace zur {
namespace {

using testing::U;

std::string Utf8(std::u16string_view text) { return EncodeText(text, Encoding::Utf8); }

RuleTable TableOf(std::string_view tsv) {
  std::vector<TableProblem> problems;
  auto table = ParseRuleTable(tsv, false, false, problems);
  EXPECT_TRUE(table) << (problems.empty() ? "" : "line " + std::to_string(problems[0].line));
  return table.value_or(RuleTable{});
}

std::string Applied(std::string_view bytes, const RuleTable& table, Encoding locale = Encoding::Utf8) {
  RuleError error;
  auto matcher = BuildTable(table, false, error);
  EXPECT_TRUE(matcher) << error.message;
  return testing::Applied(bytes, {matcher}, locale);
}

// The slow reference of an exact table: at each character, the longest find text that starts there
// (equal lengths: the earlier line) is replaced and passed over; else the character is kept.
std::u16string Reference(std::u16string_view text, const std::vector<std::pair<std::u16string, std::u16string>>& pairs) {
  std::u16string out;
  for (size_t i = 0; i < text.size();) {
    size_t best = pairs.size();
    for (size_t k = 0; k < pairs.size(); ++k) {
      const auto& f = pairs[k].first;
      if (text.compare(i, f.size(), f) != 0) continue;
      if (best == pairs.size() || f.size() > pairs[best].first.size()) best = k;
    }
    if (best == pairs.size()) {
      out += text[i++];
    } else {
      out += pairs[best].second;
      i += pairs[best].first.size();
    }
  }
  return out;
}

TEST(RuleTable, OnePassAgreesWithTheSlowReferenceInEveryEncoding) {
  // Characters whose GBK bytes hold ASCII letters and each other's bytes, so that a search that cut
  // characters would go wrong.
  const std::u16string alphabet = U("ab丂乣首页 A\u00e9");
  std::mt19937 random(12345);
  auto word = [&](size_t most) {
    std::u16string w;
    const size_t n = 1 + random() % most;
    for (size_t i = 0; i < n; ++i) w += alphabet[random() % alphabet.size()];
    return w;
  };
  for (int round = 0; round < 200; ++round) {
    std::vector<std::pair<std::u16string, std::u16string>> pairs;
    std::string tsv;
    for (int k = 0; k < 6; ++k) {
      const std::u16string find = word(3);
      bool known = false;
      for (const auto& p : pairs) known = known || p.first == find;
      if (known || find.find(u' ') != std::u16string::npos) continue;
      pairs.emplace_back(find, word(4));
      tsv += Utf8(find) + "\t" + Utf8(pairs.back().second) + "\n";
    }
    const RuleTable table = TableOf(tsv);
    const std::u16string text = word(60);
    const std::string expected = Utf8(Reference(text, pairs));
    for (Encoding e : {Encoding::Utf8, Encoding::Gb18030, Encoding::Utf16Le}) {
      const bool utf16 = e == Encoding::Utf16Le;
      const std::string bytes = std::string(utf16 ? ByteOrderMark(e) : "") + *EncodeExactly(text, e);
      if (e == Encoding::Gb18030 && IsValidUtf8(bytes)) continue;  // (such bytes are read as UTF-8)
      WorkText work(e == Encoding::Gb18030 ? Encoding::Gb18030 : Encoding::Utf8);
      work.SetBytes(bytes);
      RuleError error;
      ApplyRules(work, {BuildTable(table, false, error)});
      const Encoding got = work.Kind().encoding;
      EXPECT_EQ(Utf8(DecodeText(work.View().substr(work.Start()), got)), expected)
          << "round " << round << " encoding " << static_cast<int>(e) << " text " << Utf8(text) << "\n" << tsv;
    }
  }
}

TEST(RuleTable, PairsSwapAndTheLongestWinsWithoutAnyRescan) {
  EXPECT_EQ(Applied("ab ba", TableOf("a\tb\nb\ta\n")), "ba ab");
  EXPECT_EQ(Applied("foobar foo", TableOf("foo\tX\nfoobar\tY\n")), "Y X");
  EXPECT_EQ(Applied("aaa", TableOf("a\taa\n")), "aaaaaa");  // what was put in is not searched again
  // Pairs with options, and pairs with line breaks, come after the exact ones at one place.
  const RuleTable mixed = TableOf("(?i)FOO\\d\tP\tr\nfoo1\tE\nBAR\tb\ti\nx\\ny\tXY\n");
  EXPECT_EQ(Applied("foo1 FOO2 bar Bar x\r\ny", mixed), "E P b b XY");
  // A group of a pattern pair.
  EXPECT_EQ(Applied("2026-12", TableOf("(\\d+)-(\\d+)\t$2/$1\tr\n")), "12/2026");
}

TEST(RuleTable, IsReadInEachEncodingAndAsCsv) {
  const std::string tsv = "# a comment\n\n首页\t主页\r\n tab\\there\tx\\ny\nWord\tw\tiw\n";
  std::vector<TableProblem> problems;
  for (Encoding e : {Encoding::Utf8, Encoding::Gb18030, Encoding::Utf16Le, Encoding::Utf16Be}) {
    const bool utf16 = e == Encoding::Utf16Le || e == Encoding::Utf16Be;
    const std::string bytes = std::string(utf16 ? ByteOrderMark(e) : "") + *EncodeExactly(U(tsv), e);
    auto table = ParseRuleTable(bytes, false, false, problems);
    ASSERT_TRUE(table) << static_cast<int>(e);
    ASSERT_EQ(table->pairs.size(), 3u);
    EXPECT_EQ(table->pairs[0].line, 3u);
    EXPECT_EQ(table->pairs[0].rule.find, U("首页"));
    EXPECT_EQ(table->pairs[1].rule.find, U(" tab\there"));  // not trimmed: a table says what it means
    EXPECT_EQ(table->pairs[1].rule.replacement, U("x\ny"));
    EXPECT_EQ(table->pairs[2].rule.options, (RuleOptions{false, true, false}));
  }
  // As a spreadsheet writes it: quotes around commas, quotes and line breaks; a tab is a tab.
  const std::string csv = "#find,replacement,options\r\n\"a,b\",\"say \"\"hi\"\"\"\r\n\"two\nlines\",x\r\nt\tb,\\n,\r\n";
  auto table = ParseRuleTable(csv, true, false, problems);
  ASSERT_TRUE(table);
  ASSERT_EQ(table->pairs.size(), 3u);  // the heading is a comment
  EXPECT_EQ(table->pairs[0].rule.find, U("a,b"));
  EXPECT_EQ(table->pairs[0].rule.replacement, U("say \"hi\""));
  EXPECT_EQ(table->pairs[1].rule.find, U("two\nlines"));
  EXPECT_EQ(table->pairs[2].line, 5u);
  EXPECT_EQ(table->pairs[2].rule.find, U("t\tb"));
  EXPECT_EQ(table->pairs[2].rule.replacement, U("\\n"));
}

TEST(RuleTable, AWrongTableIsRefusedNamingEachLine) {
  std::vector<TableProblem> problems;
  const std::string tsv = "ok\tfine\nno tab here\n\tempty find\na\tb\tq\n(\tx\tr\nok\tother\nok\tfine\na\tb\tc\td\n";
  EXPECT_FALSE(ParseRuleTable(tsv, false, false, problems));
  using W = TableProblem::What;
  std::vector<std::pair<size_t, W>> got;
  for (const auto& p : problems) got.emplace_back(p.line, p.what);
  EXPECT_EQ(got, (std::vector<std::pair<size_t, W>>{{2, W::NoTab}, {3, W::EmptyFind}, {4, W::Options}, {5, W::Pattern},
                                                     {6, W::Duplicate}, {8, W::TooManyColumns}}));
  EXPECT_EQ(problems[4].detail, "1");  // the line it repeats
  // At most twenty are listed.
  std::string many;
  for (int i = 0; i < 50; ++i) many += "no tab\n";
  EXPECT_FALSE(ParseRuleTable(many, false, false, problems));
  EXPECT_EQ(problems.size(), kMaxTableProblems);
  // Not text at all; "#key#" in a pattern pair of the match commands.
  EXPECT_FALSE(ParseRuleTable(std::string("a\tb\0c", 5), false, false, problems));
  EXPECT_EQ(problems[0].what, W::NotText);
  EXPECT_FALSE(ParseRuleTable("<b>#key#</b>\tx\tr\n", false, true, problems));
  EXPECT_EQ(problems[0].what, W::KeyInPattern);
}

TEST(MultiMatch, FindsTheLeftmostLongestAndAsksAboutEachCandidate) {
  MultiMatch m;
  for (const char* s : {"he", "she", "his", "hers", "", "she"}) m.Add(s);
  m.Build();
  MultiMatch::Hit hit;
  auto all = [](const MultiMatch::Hit&) { return true; };
  ASSERT_TRUE(m.Find("ushers", 0, all, hit));
  EXPECT_EQ((std::vector<size_t>{hit.begin, hit.end, hit.which}), (std::vector<size_t>{1, 4, 1}));
  ASSERT_TRUE(m.Find("ushers", 2, all, hit));
  EXPECT_EQ((std::vector<size_t>{hit.begin, hit.end, hit.which}), (std::vector<size_t>{2, 6, 3}));
  // A candidate refused gives way to the next.
  ASSERT_TRUE(m.Find("ushers", 0, [](const MultiMatch::Hit& h) { return h.which != 1; }, hit));
  EXPECT_EQ(hit.which, 3u);
  EXPECT_FALSE(m.Find("xyz", 0, all, hit));
}

// Sets of strings of every size (so that few and many first bytes, with and without strings of one
// byte, take each way of passing over the text) against the slowest search there is.
TEST(MultiMatch, AgreesWithANaiveSearchForFewAndManyStrings) {
  std::mt19937 random(99);
  for (int round = 0; round < 300; ++round) {
    const size_t letters = 2 + random() % 30, count = 1 + random() % 40, shortest = 1 + round % 3;
    auto word = [&](size_t least, size_t most) {
      std::string w(least + random() % (most - least + 1), 'a');
      for (char& c : w) c = static_cast<char>('a' + random() % letters);
      return w;
    };
    std::vector<std::string> strings;
    MultiMatch m;
    for (size_t k = 0; k < count; ++k) {
      strings.push_back(word(shortest, 4));
      m.Add(strings.back());
    }
    m.Build();
    const std::string text = word(0, 300);
    for (size_t from = 0; from <= text.size(); from += 1 + random() % 40) {
      MultiMatch::Hit want{0, 0, UINT32_MAX};
      for (size_t at = from; at < text.size() && want.which == UINT32_MAX; ++at) {
        for (size_t k = 0; k < strings.size(); ++k) {
          if (text.compare(at, strings[k].size(), strings[k]) == 0 && (want.which == UINT32_MAX || strings[k].size() > want.end - want.begin)) {
            want = {at, at + strings[k].size(), static_cast<uint32_t>(k)};
          }
        }
      }
      MultiMatch::Hit hit;
      const bool found = m.Find(text, from, [](const MultiMatch::Hit&) { return true; }, hit);
      ASSERT_EQ(found, want.which != UINT32_MAX) << "round " << round << " from " << from;
      if (found) {
        ASSERT_EQ((std::vector<size_t>{hit.begin, hit.end, hit.which}), (std::vector<size_t>{want.begin, want.end, want.which}));
      }
    }
  }
}

}  // namespace
}  // namespace zur
