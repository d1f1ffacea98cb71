#include <gtest/gtest.h>

#include "core/branding/weblinks.h"
#include "core/update/updatepage.h"
#include "support/tempdir.h"

namespace zur {
namespace {

std::optional<std::string> BodyMarkup(std::string_view page) { return ParseUpdatePage(page).body; }

TEST(ParseUpdatePage, BodyMarkupIsThePageSourceFromTheBodyTagToTheEndOfItsEndTagInLowerCase) {
  EXPECT_EQ(BodyMarkup("<html><head><title>T</title></head><BODY class=X>Hi <b>There</b></BODY><!-- after --></html>"),
            "<body class=x>hi <b>there</b></body>");
  // Without an end tag, to the end of the page.
  EXPECT_EQ(BodyMarkup("<html><body><p>One"), "<body><p>one");
  // Implied tags: the body begins where its content does.
  EXPECT_EQ(BodyMarkup("Just Text"), "just text");
  EXPECT_EQ(BodyMarkup(""), std::nullopt);
}

TEST(ParseUpdatePage, TextIsTheVisibleTextWithBlanksCollapsedAndOneLineABlock) {
  EXPECT_EQ(ParseUpdatePage("<title>No</title><body>\n  New  <b>Version</b>&amp;<script>var x;</script>"
                            "<style>p{}</style><p>Get it</p><div><br>now</div></body>")
                .text,
            "New Version&\nGet it\nnow");
  // The text is cut at a character boundary.
  std::string chinese;
  for (int i = 0; i < 2000; ++i) chinese += "新";
  const std::string text = ParseUpdatePage("<body>a" + chinese).text;
  EXPECT_EQ(text.size(), 1 + (kMaxShownTextBytes - 1) / 3 * 3);
  EXPECT_EQ(text.substr(text.size() - 3), "新");
}

TEST(ParseUpdatePage, RefusesPagesTooLongOrWithTooManyTags) {
  EXPECT_TRUE(WithinPageBounds(std::string(kMaxPageBytes, 'x')));
  EXPECT_FALSE(WithinPageBounds(std::string(kMaxPageBytes + 1, 'x')));
  std::string tags;
  for (size_t i = 0; i < kMaxPageTags / 2; ++i) tags += "<b></b>";
  EXPECT_TRUE(WithinPageBounds(tags + "a < b <1 <"));  // a "<" that opens no tag does not count
  EXPECT_FALSE(WithinPageBounds(tags + "<!-- -->"));
  EXPECT_FALSE(WithinPageBounds(tags + "<?x"));

  // Deep nesting makes the parser slow; such a page is refused before parsing.
  std::string nested = "<body>zursoft update center";
  for (int i = 0; i < 50000; ++i) nested += "<div>";
  const ParsedPage page = ParseUpdatePage(nested);
  EXPECT_TRUE(page.refused);
  EXPECT_EQ(page.body, std::nullopt);
  EXPECT_FALSE(ParseUpdatePage(tags).refused);
}

TEST(DecimalNumber, AcceptsFiniteDecimalNumbersOnly) {
  EXPECT_EQ(DecimalNumber("2.2"), 2.2f);
  EXPECT_EQ(DecimalNumber("-1"), -1.0f);
  EXPECT_EQ(DecimalNumber("2e1"), 20.0f);
  for (const char* text : {"", "inf", "INF", "infinity", "nan", "-nan", "nan(1)", "1e999", "0x2.2p0", "2.2f", " 2.2", "+2.2", "2,2"}) {
    EXPECT_EQ(DecimalNumber(text), std::nullopt) << text;
  }
}

TEST(ParseVersionTokens, TakesTheFirstTokensAsTheyStand) {
  float version = 0;
  std::string url;
  ParseVersionTokens("x softversion_2.12_softversion softurl_http://a/u.exe_softurl softversion_9_softversion", version, url);
  EXPECT_FLOAT_EQ(version, 2.12f);
  EXPECT_EQ(url, "http://a/u.exe");

  // A version that is no number keeps the previous one; blanks are not trimmed.
  ParseVersionTokens("softversion_ 3.0_softversion", version, url);
  EXPECT_FLOAT_EQ(version, 2.12f);
  EXPECT_EQ(url, "");
  ParseVersionTokens("softversion_inf_softversion", version, url);
  EXPECT_FLOAT_EQ(version, 2.12f);

  // A missing opening token counts from the start of the text, as the positions fall.
  ParseVersionTokens("0123456789A2.5_softversion", version, url);
  EXPECT_FLOAT_EQ(version, 2.5f);
}

TEST(IsNewerVersion, ComparesTheSinglePrecisionValue) {
  EXPECT_FALSE(IsNewerVersion(2.1f));
  EXPECT_FALSE(IsNewerVersion(2.11f));
  EXPECT_TRUE(IsNewerVersion(2.111f));
  EXPECT_TRUE(IsNewerVersion(2.12f));
  EXPECT_TRUE(IsNewerVersion(2.2f));
  EXPECT_FALSE(IsNewerVersion(0));
}

TEST(HasMarkerAndSameOrigin, CompareWithoutLetterCase) {
  EXPECT_TRUE(HasMarker("<body>zursoft update center</body>"));
  EXPECT_FALSE(HasMarker("<body>zursoft</body>"));
  EXPECT_TRUE(SameOrigin("http://127.0.0.1:8080/update/tr/", "HTTP://127.0.0.1:8080/files/u.exe"));
  EXPECT_TRUE(SameOrigin("http://www.zursoft.example/a", "http://WWW.zursoft.example:80/b"));
  EXPECT_FALSE(SameOrigin("http://127.0.0.1:8080/", "http://localhost:8080/u.exe"));
  EXPECT_FALSE(SameOrigin("http://127.0.0.1:8080/", "https://127.0.0.1:8080/u.exe"));
  EXPECT_FALSE(SameOrigin("http://127.0.0.1:8080/", "http://127.0.0.1:9090/u.exe"));
  EXPECT_FALSE(SameOrigin("http://a.example/", "http://evil.example@a.example.evil/u.exe"));
  EXPECT_FALSE(SameOrigin("http://a.example/", "u.exe"));
}

TEST(WebLinks, AddressesAndUpdateTxt) {
  EXPECT_EQ(WebAddressText("www.zursoft.example/tr/"), "http://www.zursoft.example/tr/");
  EXPECT_EQ(WebAddressText("https://x.example/"), "https://x.example/");
  testing::TempDir dir;
  WriteUpdateTxt(dir.Folder(), "ZURBatchProcess");
  EXPECT_EQ(testing::ReadBytes(dir / "update.txt"), "ZURBatchProcess\r\n");
}

}  // namespace
}  // namespace zur
