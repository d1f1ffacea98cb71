#include <gtest/gtest.h>

#include "branding/weblinks.h"
#include "support/tempdir.h"
#include "update/updatepage.h"

namespace zur {
namespace {

TEST(BodyMarkup, IsThePageSourceFromTheBodyTagToTheEndOfItsEndTagInLowerCase) {
  EXPECT_EQ(BodyMarkup("<html><head><title>T</title></head><BODY class=X>Hi <b>There</b></BODY><!-- after --></html>"),
            "<body class=x>hi <b>there</b></body>");
  // Without an end tag, to the end of the page.
  EXPECT_EQ(BodyMarkup("<html><body><p>One"), "<body><p>one");
  // Implied tags: the body begins where its content does.
  EXPECT_EQ(BodyMarkup("Just Text"), "just text");
  EXPECT_EQ(BodyMarkup(""), std::nullopt);
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
  ParseVersionTokens("softversion_abc_softversion", version, url);
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
