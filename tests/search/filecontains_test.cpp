#include <gtest/gtest.h>

#include <random>

#include "fileset/paths.h"
#include "platform/filesystem.h"
#include "replace/substitute.h"
#include "search/filecontains.h"
#include "support/tempdir.h"

namespace zur {
namespace {

using testing::TempDir;
using testing::WriteBytes;

TEST(FileContainsText, AgreesWithTheLineModelWhateverThePieceSize) {
  TempDir dir;
  const std::string path = dir / "f.txt";
  std::mt19937 rng(11);
  const char alphabet[] = {'a', 'b', '\r', '\n', 'c'};
  // One-line texts, texts of lines joined by CR LF, and texts that start or end with a line break.
  const std::string texts[] = {"ab", "a\r\nb", "b\r\n\r\na", "c\r\nc", "abc", "\r\n", "a\r\n", "\r\nb", "a\rb"};
  for (int n = 0; n < 400; ++n) {
    std::string body(rng() % 30, 'a');
    for (char& c : body) c = alphabet[rng() % std::size(alphabet)];
    WriteBytes(path, body);
    WorkText work;
    work.SetText(body);
    for (const auto& text : texts) {
      for (size_t chunk : {1u, 3u, 7u, 4096u}) {
        ASSERT_EQ(FileContainsText(path, text, chunk), WorkTextContains(work, text))
            << "chunk " << chunk << " text of " << text.size();
      }
    }
  }
  EXPECT_FALSE(FileContainsText(path, ""));
  EXPECT_THROW(FileContainsText(dir / "missing", "a"), fs::FileError);
}

TEST(FileContainsText, FindsATwoLineTextInAnLfFileAndStopsAtTheFirstHit) {
  TempDir dir;
  WriteBytes(dir / "lf.txt", "one\nalpha\nbeta\nend");
  EXPECT_TRUE(FileContainsText(dir / "lf.txt", "alpha\r\nbeta"));
  EXPECT_FALSE(FileContainsText(dir / "lf.txt", "alpha\r\n\r\nbeta"));
  EXPECT_TRUE(FileContainsText(dir / "lf.txt", "end\r\n"));  // the last line gets its line end
  WriteBytes(dir / "big.txt", "needle" + std::string(3'000'000, 'x'));
  EXPECT_TRUE(FileContainsText(dir / "big.txt", "needle"));
}

TEST(ResolveStoredName, FindsTheStoredNameOfALowerCasedPath) {
  TempDir dir;
  WriteBytes(dir / "Sub/Page.HTM", "x");
  EXPECT_EQ(ResolveStoredName(dir / "Sub/page.htm"), dir / "Sub/Page.HTM");
  EXPECT_EQ(ResolveStoredName(dir / "Sub/Page.HTM"), dir / "Sub/Page.HTM");
  EXPECT_EQ(ResolveStoredName(dir / "sub/page.htm"), dir / "sub/page.htm");  // folders keep their case
  EXPECT_EQ(ResolveStoredName(dir / "Sub/other.htm"), dir / "Sub/other.htm");
}

}  // namespace
}  // namespace zur
