#include <gtest/gtest.h>

#include <random>

#include "core/text/codec.h"

namespace zur {
namespace {

std::string RoundTrip(std::string_view bytes, Encoding cp) { return EncodeText(DecodeText(bytes, cp), cp); }

TEST(Codec, GbkTextDecodesToItsCharactersAndBack) {
  const std::string gbk = "\xD6\xD0\xCE\xC4 abc \xCE\xC4\xB1\xBE";  // 中文 abc 文本
  EXPECT_EQ(DecodeText(gbk, Encoding::Gb18030), u"中文 abc 文本");
  EXPECT_EQ(EncodeText(u"中文 abc 文本", Encoding::Gb18030), gbk);
}

TEST(Codec, Utf8TextDecodesToItsCharactersAndBack) {
  const std::string utf8 = "\xE4\xB8\xAD\xE6\x96\x87 \xF0\x9F\x98\x80";  // 中文 and an emoji
  EXPECT_EQ(DecodeText(utf8, Encoding::Utf8), u"中文 \U0001F600");
  EXPECT_EQ(EncodeText(u"中文 \U0001F600", Encoding::Utf8), utf8);
}

TEST(Codec, BytesThatDoNotDecodeComeBackUnchanged) {
  const std::string gbkCases[] = {
      "\x80", "\xFF", "a\xD6", "\xD6 x", "\xD6\x7F", "\xA1\x40\xD6\xD0",
      "\xFB\x30\x89\x32",  // four-byte form that is no character
      "\x81\x30\x81",       // four-byte form cut short
  };
  for (const auto& s : gbkCases) EXPECT_EQ(RoundTrip(s, Encoding::Gb18030), s);

  const std::string utf8Cases[] = {
      "\x80",            // lone continuation byte
      "\xC0\x80",        // overlong NUL
      "\xED\xA0\x80",    // encoded surrogate
      "\xE4\xB8",        // cut short at the end
      "\xE4\xB8 x",      // cut short before a blank
      "\xF5\x80\x80\x80",  // beyond U+10FFFF
      "\xD6\xD0\xCE\xC4",  // GBK bytes read as UTF-8
  };
  for (const auto& s : utf8Cases) EXPECT_EQ(RoundTrip(s, Encoding::Utf8), s);

  // Each undecodable byte is one escape character.
  EXPECT_EQ(DecodeText("a\x80z", Encoding::Utf8), std::u16string({u'a', kEscapeFirst, u'z'}));
}

TEST(Codec, CharactersInTheEscapeRangeOrThatWidgetsBreakAreEscaped) {
  // U+F780 (an escape character itself), U+2029 and U+FDD0 are kept as their bytes.
  for (const std::string s : {"\xEF\x9E\x80", "a\xE2\x80\xA9z", "\xEF\xB7\x90"}) {
    std::u16string text = DecodeText(s, Encoding::Utf8);
    EXPECT_EQ(text.find(u'\u2029'), std::u16string::npos);
    EXPECT_EQ(text.find(u'\uFDD0'), std::u16string::npos);
    EXPECT_EQ(EncodeText(text, Encoding::Utf8), s);
  }
  // U+2028 and NBSP survive the widgets and stay characters.
  EXPECT_EQ(DecodeText("\xE2\x80\xA8\xC2\xA0", Encoding::Utf8), u"\u2028\u00A0");
}

TEST(Codec, ArbitraryBytesRoundTripInBothByteEncodings) {
  std::mt19937 rng(20261207);
  for (int n = 0; n < 300; ++n) {
    std::string s(static_cast<size_t>(rng() % 64), '\0');
    for (char& c : s) c = static_cast<char>(rng() & 0xFF);
    EXPECT_EQ(RoundTrip(s, Encoding::Gb18030), s);
    EXPECT_EQ(RoundTrip(s, Encoding::Utf8), s);
  }
}

TEST(Codec, FourByteGbSequencesAndCharactersNoEncodingHolds) {
  // GB18030 holds every character: what GBK lacks takes four bytes, both ways.
  EXPECT_EQ(EncodeText(u"a\U0001F600b", Encoding::Gb18030), "a\x94\x39\xFC\x36" "b");
  EXPECT_EQ(DecodeText("a\x94\x39\xFC\x36" "b", Encoding::Gb18030), u"a\U0001F600b");
  // A lone surrogate is no character anywhere.
  EXPECT_EQ(EncodeText(std::u16string({u'a', char16_t(0xD800), u'b'}), Encoding::Utf8), "a?b");
  EXPECT_EQ(EncodeText(std::u16string({u'a', char16_t(0xD800), u'b'}), Encoding::Gb18030), "a?b");
  EXPECT_FALSE(EncodeExactly(std::u16string({u'a', char16_t(0xDC00)}), Encoding::Gb18030));
}

TEST(Codec, CharsetNamesMapToEncodings) {
  for (const char* gbk : {"GBK", "gbk", "GB2312", "CP936", "GB18030", "EUC-CN", "euc_cn"}) {
    EXPECT_EQ(EncodingFromCharset(gbk), Encoding::Gb18030) << gbk;
  }
  for (const char* utf : {"UTF-8", "utf8", "ANSI_X3.4-1968", "ISO-8859-1", ""}) {
    EXPECT_EQ(EncodingFromCharset(utf), Encoding::Utf8) << utf;
  }
  // Character lengths: GB lead bytes 0x81-0xFE start two or four bytes, UTF-8 sequences their own.
  EXPECT_EQ(CharLengthAt("\x81\x40", 0, Encoding::Gb18030), 2u);
  EXPECT_EQ(CharLengthAt("\xFE\x40", 0, Encoding::Gb18030), 2u);
  EXPECT_EQ(CharLengthAt("\x81\x30\x81\x30", 0, Encoding::Gb18030), 4u);
  EXPECT_EQ(CharLengthAt("\x80\x40", 0, Encoding::Gb18030), 1u);
  EXPECT_EQ(CharLengthAt("\xFF\x40", 0, Encoding::Gb18030), 1u);
  EXPECT_EQ(CharLengthAt("\xD6", 0, Encoding::Gb18030), 1u);
  EXPECT_EQ(CharLengthAt("\xD6\xD0", 0, Encoding::Utf8), 1u);
  EXPECT_EQ(CharLengthAt("\xE4\xB8\xAD", 0, Encoding::Utf8), 3u);
}

}  // namespace
}  // namespace zur
