#include <gtest/gtest.h>

#include <random>

#include "platform/codepage.h"

namespace zur {
namespace {

std::string RoundTrip(std::string_view bytes, CodePage cp) { return EncodeText(DecodeText(bytes, cp), cp); }

TEST(Codec, GbkTextDecodesToItsCharactersAndBack) {
  const std::string gbk = "\xD6\xD0\xCE\xC4 abc \xCE\xC4\xB1\xBE";  // 中文 abc 文本
  EXPECT_EQ(DecodeText(gbk, CodePage::Gbk), u"中文 abc 文本");
  EXPECT_EQ(EncodeText(u"中文 abc 文本", CodePage::Gbk), gbk);
}

TEST(Codec, Utf8TextDecodesToItsCharactersAndBack) {
  const std::string utf8 = "\xE4\xB8\xAD\xE6\x96\x87 \xF0\x9F\x98\x80";  // 中文 and an emoji
  EXPECT_EQ(DecodeText(utf8, CodePage::Utf8), u"中文 \U0001F600");
  EXPECT_EQ(EncodeText(u"中文 \U0001F600", CodePage::Utf8), utf8);
}

TEST(Codec, BytesThatDoNotDecodeComeBackUnchanged) {
  const std::string gbkCases[] = {
      "\x80", "\xFF", "a\xD6", "\xD6 x", "\xD6\x7F", "\xA1\x40\xD6\xD0",
  };
  for (const auto& s : gbkCases) EXPECT_EQ(RoundTrip(s, CodePage::Gbk), s);

  const std::string utf8Cases[] = {
      "\x80",            // lone continuation byte
      "\xC0\x80",        // overlong NUL
      "\xED\xA0\x80",    // encoded surrogate
      "\xE4\xB8",        // cut short at the end
      "\xE4\xB8 x",      // cut short before a blank
      "\xF5\x80\x80\x80",  // beyond U+10FFFF
      "\xD6\xD0\xCE\xC4",  // GBK bytes read as UTF-8
  };
  for (const auto& s : utf8Cases) EXPECT_EQ(RoundTrip(s, CodePage::Utf8), s);

  // Each undecodable byte is one escape character.
  EXPECT_EQ(DecodeText("a\x80z", CodePage::Utf8), std::u16string({u'a', kEscapeFirst, u'z'}));
}

TEST(Codec, CharactersInTheEscapeRangeOrThatWidgetsBreakAreEscaped) {
  // U+F780 (an escape character itself), U+2029 and U+FDD0 are kept as their bytes.
  for (const std::string s : {"\xEF\x9E\x80", "a\xE2\x80\xA9z", "\xEF\xB7\x90"}) {
    std::u16string text = DecodeText(s, CodePage::Utf8);
    EXPECT_EQ(text.find(u'\u2029'), std::u16string::npos);
    EXPECT_EQ(text.find(u'\uFDD0'), std::u16string::npos);
    EXPECT_EQ(EncodeText(text, CodePage::Utf8), s);
  }
  // U+2028 and NBSP survive the widgets and stay characters.
  EXPECT_EQ(DecodeText("\xE2\x80\xA8\xC2\xA0", CodePage::Utf8), u"\u2028\u00A0");
}

TEST(Codec, ArbitraryBytesRoundTripInBothCodePages) {
  std::mt19937 rng(20261207);
  for (int n = 0; n < 300; ++n) {
    std::string s(static_cast<size_t>(rng() % 64), '\0');
    for (char& c : s) c = static_cast<char>(rng() & 0xFF);
    EXPECT_EQ(RoundTrip(s, CodePage::Gbk), s);
    EXPECT_EQ(RoundTrip(s, CodePage::Utf8), s);
  }
}

TEST(Codec, CharactersTheCodePageLacksBecomeQuestionMarks) {
  EXPECT_EQ(EncodeText(u"a\U0001F600b", CodePage::Gbk), "a?b");
  EXPECT_EQ(EncodeText(std::u16string({u'a', char16_t(0xD800), u'b'}), CodePage::Utf8), "a?b");
}

TEST(Codec, CharsetNamesMapToCodePages) {
  for (const char* gbk : {"GBK", "gbk", "GB2312", "CP936", "GB18030", "EUC-CN", "euc_cn"}) {
    EXPECT_EQ(CodePageFromCharset(gbk), CodePage::Gbk) << gbk;
  }
  for (const char* utf : {"UTF-8", "utf8", "ANSI_X3.4-1968", "ISO-8859-1", ""}) {
    EXPECT_EQ(CodePageFromCharset(utf), CodePage::Utf8) << utf;
  }
  EXPECT_TRUE(IsLeadByte(0x81, CodePage::Gbk));
  EXPECT_TRUE(IsLeadByte(0xFE, CodePage::Gbk));
  EXPECT_FALSE(IsLeadByte(0x80, CodePage::Gbk));
  EXPECT_FALSE(IsLeadByte(0xFF, CodePage::Gbk));
  EXPECT_FALSE(IsLeadByte(0xD6, CodePage::Utf8));
}

}  // namespace
}  // namespace zur
