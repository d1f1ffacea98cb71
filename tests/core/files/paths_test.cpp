#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "core/files/paths.h"
#include "support/tempdir.h"

namespace zur {
namespace {

using testing::TempDir;
using testing::WriteBytes;

std::string Folder(std::string s) {
  NormalizeFolderPath(s);
  return s;
}
std::string Path(std::string s) {
  NormalizePath(s);
  return s;
}

TEST(NormalizeFolderPath, AppendsOneSeparatorAndCollapsesRunsInTwoPasses) {
  EXPECT_EQ(Folder("/work"), "/work/");
  EXPECT_EQ(Folder("/work/"), "/work/");
  EXPECT_EQ(Folder("  /a//b  "), "/a/b/");
  EXPECT_EQ(Folder("\t/a\r\n"), "/a/");
  EXPECT_EQ(Folder(""), "/");
  EXPECT_EQ(Folder("   "), "/");
  EXPECT_EQ(Folder("//server/share"), "/server/share/");
  EXPECT_EQ(Folder("/a/////b"), "/a//b/");  // five: one pass of three, then one of two
  EXPECT_EQ(Folder("/a////b"), "/a/b/");    // four become one
  EXPECT_EQ(Folder("rel/dir"), "rel/dir/");
}

TEST(NormalizePath, TrimsAndCollapsesWithoutAppending) {
  EXPECT_EQ(Path("/work"), "/work");
  EXPECT_EQ(Path(" /a//b "), "/a/b");
  EXPECT_EQ(Path(""), "");
}

TEST(PathParts, SplitAtTheLastSeparatorAndComposeWithOne) {
  EXPECT_EQ(FolderPart("/a/b/c.txt"), "/a/b/");
  EXPECT_EQ(FileNamePart("/a/b/c.txt"), "c.txt");
  EXPECT_EQ(FolderPart("c.txt"), "");
  EXPECT_EQ(FileNamePart("c.txt"), "c.txt");
  EXPECT_EQ(FileNamePart("C:\\x.txt"), "C:\\x.txt");  // backslash and colon are name characters here
  EXPECT_EQ(ComposePath("/src/", "a.txt"), "/src//a.txt");
}

TEST(CreateFolderPath, MakesEveryMissingLevelOrSaysWhyNot) {
  TempDir dir;
  EXPECT_EQ(CreateFolderPath(""), CreateOutcome::Invalid);
  EXPECT_EQ(CreateFolderPath("/"), CreateOutcome::Done);
  EXPECT_EQ(CreateFolderPath(dir.Folder()), CreateOutcome::Done);

  EXPECT_EQ(CreateFolderPath(dir / "a/b/c/"), CreateOutcome::Done);
  EXPECT_TRUE(FolderExists(dir / "a/b/c"));

  WriteBytes(dir / "file.txt", "x");
  EXPECT_EQ(CreateFolderPath(dir / "file.txt/sub/"), CreateOutcome::Failed);

  // A relative path whose first folder does not exist is invalid; one under an existing folder works.
  const auto old = std::filesystem::current_path();
  std::filesystem::current_path(dir.Folder());
  EXPECT_EQ(CreateFolderPath("abc/"), CreateOutcome::Invalid);
  EXPECT_EQ(CreateFolderPath("abc/def"), CreateOutcome::Invalid);
  EXPECT_EQ(CreateFolderPath("a/new/"), CreateOutcome::Done);
  EXPECT_TRUE(FolderExists(dir / "a/new"));
  std::filesystem::current_path(old);
}

TEST(FolderAndFileExist, TellFoldersFromFiles) {
  TempDir dir;
  WriteBytes(dir / "f.txt", "x");
  EXPECT_TRUE(FolderExists(dir.Folder()));
  EXPECT_TRUE(FolderExists(dir / "."));
  EXPECT_FALSE(FolderExists(dir / "f.txt"));
  EXPECT_FALSE(FolderExists(""));
  EXPECT_TRUE(FileExists(dir / "f.txt"));
  EXPECT_FALSE(FileExists(dir.Folder()));
  EXPECT_FALSE(FileExists(dir / "missing"));
}

TEST(ListFolderFiles, ListsFilesOfOneLevelHiddenIncludedInNameOrder) {
  TempDir dir;
  WriteBytes(dir / "b.txt", "");
  WriteBytes(dir / "A.htm", "");
  WriteBytes(dir / ".profile", "");
  WriteBytes(dir / "sub/inner.txt", "");
  std::filesystem::create_directory_symlink(dir / "sub", dir / "link-to-sub");
  std::vector<std::string> list{"kept"};
  ListFolderFiles(dir.Folder(), list);
  EXPECT_EQ(list, (std::vector<std::string>{"kept", dir / ".profile", dir / "A.htm", dir / "b.txt"}));

  std::vector<std::string> none;
  ListFolderFiles(dir / "missing/", none);
  EXPECT_TRUE(none.empty());
}

TEST(DriveExists, OnlyTheRootIsADrive) {
  EXPECT_TRUE(DriveExists("/"));
  EXPECT_TRUE(DriveExists(" / "));
  EXPECT_FALSE(DriveExists(""));
  EXPECT_FALSE(DriveExists("//"));
  EXPECT_FALSE(DriveExists("C:"));
}

TEST(OpenTargetText, WebAddressesPathsAndBareNames) {
  TempDir dir;
  WriteBytes(dir / "doc.txt", "x");
  EXPECT_EQ(OpenTargetText("www.example.org"), "http://www.example.org");
  EXPECT_EQ(OpenTargetText("docs\\a.txt"), "http://docs\\a.txt");  // no scheme, not absolute
  EXPECT_EQ(OpenTargetText("https://example.org/x"), "https://example.org/x");
  EXPECT_EQ(OpenTargetText("HTTP://EXAMPLE.ORG"), "HTTP://EXAMPLE.ORG");
  EXPECT_EQ(OpenTargetText(dir / "doc.txt"), dir / "doc.txt");
  EXPECT_EQ(OpenTargetText(dir.Folder()), dir.Folder());
  EXPECT_EQ(OpenTargetText(dir / "missing.txt"), std::nullopt);
  EXPECT_EQ(OpenTargetText(dir / "DOC.TXT"), std::nullopt);  // names compare with their case
  EXPECT_EQ(OpenTargetText("mailto:someone"), std::nullopt);
}

TEST(PickFolderPrompt, ShowsAnExistingFolderElseTheRoot) {
  TempDir dir;
  EXPECT_EQ(PickFolderPrompt(dir.Folder()), dir.Folder());
  EXPECT_EQ(PickFolderPrompt(dir / "missing"), "/");
  EXPECT_EQ(PickFolderPrompt(""), "/");
}

}  // namespace
}  // namespace zur
