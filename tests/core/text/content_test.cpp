#include <gtest/gtest.h>

#include <random>

#include "core/text/bytesearch.h"
#include "core/text/codec.h"
#include "core/text/encoding.h"
#include "core/text/matching.h"
#include "core/text/utf8check.h"
#include "support/texts.h"

namespace zur {
namespace {

using testing::U;

TEST(DetectText, DecidesFromTheMarkThenUtf8ThenGb18030) {
  EXPECT_EQ(DetectText("\xEF\xBB\xBFx", Encoding::Gb18030).encoding, Encoding::Utf8);
  EXPECT_EQ(DetectText("\xEF\xBB\xBFx", Encoding::Gb18030).bomSize, 3u);
  EXPECT_EQ(DetectText(std::string("\xFF\xFEx\0", 4), Encoding::Utf8).encoding, Encoding::Utf16Le);
  EXPECT_EQ(DetectText(std::string("\xFE\xFF\0x", 4), Encoding::Utf8).encoding, Encoding::Utf16Be);
  EXPECT_TRUE(DetectText(std::string("\xFF\xFEx\0", 4), Encoding::Utf8).text);  // NUL bytes in UTF-16 are text
  EXPECT_FALSE(DetectText(std::string("x\0y", 3), Encoding::Utf8).text);
  EXPECT_EQ(DetectText("中文", Encoding::Gb18030).encoding, Encoding::Utf8);
  EXPECT_EQ(DetectText("\xD6\xD0\xCE\xC4", Encoding::Utf8).encoding, Encoding::Gb18030);
  // Valid UTF-8 for its first kilobytes, GBK after them: the whole file decides.
  EXPECT_EQ(DetectText(std::string(5000, 'a') + "中" + "\xD6\xD0", Encoding::Utf8).encoding, Encoding::Gb18030);
  // ASCII alone fits both: the declaration decides, else the locale.
  const TextKind ascii = DetectText("plain", Encoding::Gb18030);
  EXPECT_TRUE(ascii.asciiOnly);
  EXPECT_EQ(ascii.encoding, Encoding::Gb18030);
  EXPECT_EQ(DetectText("<meta charset='GBK'>", Encoding::Utf8).encoding, Encoding::Gb18030);
  EXPECT_EQ(DetectText("@charset \"utf-8\";", Encoding::Gb18030).encoding, Encoding::Utf8);
  EXPECT_EQ(DetectText("charset=big5", Encoding::Utf8).encoding, Encoding::Utf8);  // one we do not know
  // Overlong forms and surrogates are not UTF-8.
  EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));
  EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));
  EXPECT_TRUE(IsValidUtf8("\xF0\x9F\x98\x80"));
}

TEST(Transcode, FileTextComesBackByteForByte) {
  std::mt19937 rng(5);
  for (Encoding e : {Encoding::Utf8, Encoding::Gb18030, Encoding::Utf16Le, Encoding::Utf16Be}) {
    for (int n = 0; n < 400; ++n) {
      std::string bytes(rng() % 24, '\0');
      for (char& c : bytes) c = static_cast<char>(rng() % 256);
      ASSERT_EQ(EncodeText(DecodeText(bytes, e), e), bytes) << static_cast<int>(e) << " #" << n;
    }
  }
  // A four-byte GB18030 character is shown as the character it is and written back as it was.
  const std::string four = "\x81\x30\x81\x30\x90\x30\x81\x30";  // U+0080, U+10000
  EXPECT_EQ(DecodeText(four, Encoding::Gb18030), std::u16string(u"\u0080\U00010000"));
  EXPECT_EQ(EncodeText(DecodeText(four, Encoding::Gb18030), Encoding::Gb18030), four);
}

TEST(Transcode, ARuleTextThatCannotBeExpressedIsNothing) {
  EXPECT_EQ(*EncodeExactly(U("首页"), Encoding::Gb18030), "\xCA\xD7\xD2\xB3");
  EXPECT_EQ(*EncodeExactly(U("首页"), Encoding::Utf16Be), "\x99\x96\x98\x75");
  EXPECT_FALSE(EncodeExactly(u"\xDC00", Encoding::Utf8));                  // a lone surrogate
  EXPECT_FALSE(EncodeExactly(testing::G("\x80"), Encoding::Utf16Le));      // an escaped byte
  EXPECT_EQ(*EncodeExactly(testing::G("\x80"), Encoding::Gb18030), "\x80");  // the byte itself
}

TEST(CheckUtf8, AgreesWithTheOneSequenceAtATimeCheck) {
  std::mt19937 rng(17);
  // Well-formed sequences of each length at the edges of their ranges, and pieces that break them:
  // overlong forms, surrogates, values above U+10FFFF, stray and missing continuation bytes.
  const std::vector<std::string> good = {"a", "\n", "\xC2\x80", "\xDF\xBF", "\xE0\xA0\x80", "\xE4\xB8\xAD",
                                         "\xED\x9F\xBF", "\xEF\xBF\xBF", "\xF0\x90\x80\x80", "\xF4\x8F\xBF\xBF"};
  const std::vector<std::string> bad = {"\xC0\xAF", "\xC1\xBF", "\xE0\x9F\xBF", "\xED\xA0\x80", "\xF0\x8F\xBF\xBF",
                                        "\xF4\x90\x80\x80", "\xF5\x80\x80\x80", "\x80", "\xBF", "\xE4", "\xE4\xB8",
                                        "\xF0\x90", "\xFF", "\xFE"};
  int valid = 0;
  for (int n = 0; n < 20000; ++n) {
    // Texts across several 32-byte blocks, with no fault, a rare one, or many. Every fourth text is
    // mostly ASCII, so that whole stretches of it are, with other pieces (a sequence left open among
    // them) here and there.
    const bool mostlyAscii = n % 4 == 3;
    const size_t length = rng() % (mostlyAscii ? 1500 : n % 10 == 0 ? 700 : 140);
    const unsigned faults = n % 3 == 0 ? 0 : n % 3 == 1 ? 150 : 4;  // one piece in that many is bad
    std::string text;
    while (text.size() < length) {
      if (mostlyAscii && rng() % 200 != 0) {
        text += 'a';
      } else {
        text += (faults > 0 && rng() % faults == 0) ? bad[rng() % bad.size()] : good[rng() % good.size()];
      }
    }
    bool asciiFast = false, asciiSimple = false;
    const bool fast = CheckUtf8(text, asciiFast), simple = CheckUtf8Simple(text, asciiSimple);
    ASSERT_EQ(fast, simple) << ::testing::PrintToString(text);
    if (simple) {
      ++valid;
      ASSERT_EQ(asciiFast, asciiSimple) << ::testing::PrintToString(text);
    }
  }
  EXPECT_GT(valid, 6000);  // both answers were checked often
}

TEST(FindBytes, AgreesWithThePlainSearch) {
  std::mt19937 rng(9);
  for (int n = 0; n < 20000; ++n) {
    // Short hays full of candidates, and longer ones where the needle's letters are rare.
    const bool sparse = n % 2 == 1;
    std::string hay(rng() % (sparse ? 600 : 80), 'a');
    for (char& c : hay) c = sparse && rng() % 24 != 0 ? 'x' : static_cast<char>('a' + rng() % 3);
    std::string needle(1 + rng() % 5, 'a');
    for (char& c : needle) c = static_cast<char>('a' + rng() % 3);
    const size_t from = hay.empty() ? 0 : rng() % (hay.size() + 1);
    ASSERT_EQ(FindBytes(hay, needle, from), FindBytesSimple(hay, needle, from)) << hay << " / " << needle;
  }
  // A needle of one repeated letter in a long run of it stays linear and right.
  const std::string run(1 << 20, 'a');
  EXPECT_EQ(FindBytes(run + "b", std::string(300, 'a') + "b"), run.size() - 300);
}

TEST(ForEachBytes, FindsWhatRepeatedSearchesFind) {
  std::mt19937 rng(12);
  for (int n = 0; n < 8000; ++n) {
    // Half the hays are dense with candidates; the other half are long quiet stretches with the
    // needle's letters here and there, so that the filter skips ahead and starts again after hits.
    const bool sparse = n % 2 == 1;
    std::string hay(rng() % (sparse ? 1000 : 300), 'a');
    for (char& c : hay) c = sparse ? (rng() % 16 == 0 ? static_cast<char>('a' + rng() % 2) : 'x') : static_cast<char>('a' + rng() % 2);
    std::string needle(2 + rng() % 4, 'a');
    for (char& c : needle) c = static_cast<char>('a' + rng() % 2);
    const bool overlap = rng() % 2;  // go on one further (overlapping) or after each occurrence
    const size_t from = rng() % 3 == 0 ? rng() % (hay.size() + 1) : 0;
    std::vector<size_t> expected, got;
    for (size_t at = FindBytesSimple(hay, needle, from); at != kNotFound; at = FindBytesSimple(hay, needle, at + (overlap ? 1 : needle.size()))) {
      expected.push_back(at);
    }
    ForEachBytes(hay, needle, from, [&](size_t at) {
      got.push_back(at);
      return at + (overlap ? 1 : needle.size());
    });
    ASSERT_EQ(got, expected) << hay << " / " << needle;
  }
  // The filter's fallback on a long run of one letter still gives every occurrence.
  const std::string run(100000, 'a');
  size_t count = 0;
  ForEachBytes(run, "aaaa", 0, [&](size_t at) {
    ++count;
    return at + 4;
  });
  EXPECT_EQ(count, 25000u);
}

TEST(FindEitherBytes, FindsTheNearerOfTwoPlainSearches) {
  std::mt19937 rng(31);
  auto random = [&](size_t length, int letters) {
    std::string s(length, 'a');
    for (char& c : s) c = static_cast<char>('a' + rng() % letters);
    return s;
  };
  for (int n = 0; n < 20000; ++n) {
    // Few letters and hays long enough for the vector steps: many candidates, hits at the edges.
    // Every fourth hay is long and mostly quiet, the needles' letters only here and there.
    std::string hay = random(rng() % (n % 4 == 3 ? 700 : 200), 2 + n % 3);
    if (n % 4 == 3) {
      for (char& c : hay) c = rng() % 20 == 0 ? c : 'x';
    }
    const std::string a = random(rng() % 6, 3), b = random(rng() % 6, 3);
    const size_t from = rng() % (hay.size() + 2);
    const size_t atA = FindBytesSimple(hay, a, from), atB = FindBytesSimple(hay, b, from);
    const size_t expected = std::min(atA, atB);
    int which = -1;
    ASSERT_EQ(FindEitherBytes(hay, a, b, from, which), expected) << hay << " / " << a << " / " << b << " from " << from;
    if (expected != kNotFound) {
      ASSERT_EQ(which, atA == expected ? 0 : 1) << hay << " / " << a << " / " << b;
    }
  }
  // A text made to defeat the filter: still right, by the plain searches.
  const std::string run(1 << 18, 'a');
  int which = -1;
  EXPECT_EQ(FindEitherBytes(run + "ab", std::string(40, 'a') + "c", "aab", 0, which), run.size() - 1);
  EXPECT_EQ(which, 1);
}

TEST(FindText, MatchesLineBreaksOfAnyKindAndWholeUnits) {
  const FindText two({"a", "b"}, Units{});
  EXPECT_EQ(two.Find("xa\r\nb", 0).begin, 1u);
  EXPECT_EQ(two.Find("xa\r\nb", 0).end, 5u);
  EXPECT_EQ(two.Find("a\rb", 0).end, 3u);
  EXPECT_EQ(two.Find("a\r\rb", 0).begin, kNoSpan);  // two line ends
  // A text that starts with a line break never starts between the CR and the LF of a pair.
  const FindText lead({"", "b"}, Units{});
  EXPECT_EQ(lead.Find("a\r\nb", 2).begin, kNoSpan);
  EXPECT_EQ(lead.Find("a\r\nb", 0).begin, 1u);
  const FindText wide({std::string("\0b", 2)}, Units{2, false});
  EXPECT_EQ(wide.Find(std::string("\xFF\xFE" "a\0b\0", 6), 2).begin, kNoSpan);
}

}  // namespace
}  // namespace zur
