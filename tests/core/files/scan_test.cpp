#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>

#include "core/files/scan.h"
#include "core/text/text.h"
#include "support/tempdir.h"

namespace zur {
namespace {

using testing::TempDir;
using testing::WriteBytes;

std::vector<std::string> Shown(const std::string& folder, std::string_view ext) {
  std::vector<ScanEntry> entries;
  ScanFolderTree(folder, SetExtList(ext), entries);
  std::vector<std::string> out;
  for (const auto& e : entries) out.push_back(e.shown.substr(folder.size()));
  return out;
}

using Strings = std::vector<std::string>;

TEST(SetExtList, SplitsLikeACommaSeparatedLine) {
  EXPECT_EQ(SetExtList(" htm , txt "), (Strings{"htm", "txt"}));
  EXPECT_EQ(SetExtList("htm html"), (Strings{"htm", "html"}));
  EXPECT_EQ(SetExtList("htm;txt"), (Strings{"htm;txt"}));
  EXPECT_EQ(SetExtList("htm,,txt"), (Strings{"htm", "", "txt"}));
  EXPECT_EQ(SetExtList("htm,"), (Strings{"htm", ""}));
  EXPECT_EQ(SetExtList("\"a b\",\"x\"\"y\""), (Strings{"a b", "x\"y"}));
  EXPECT_EQ(SetExtList(".HTM"), (Strings{".HTM"}));
  EXPECT_TRUE(SetExtList("").empty());
  EXPECT_TRUE(SetExtList("  \t ").empty());
}

TEST(ExtensionFilters, MatchWithoutCaseAndNeverYieldExcludedKinds) {
  EXPECT_EQ(FileExtension("Index.HTML"), ".html");
  EXPECT_EQ(FileExtension("archive.tar.gz"), ".gz");
  EXPECT_EQ(FileExtension(".htaccess"), ".htaccess");
  EXPECT_EQ(FileExtension("Makefile"), "");
  EXPECT_TRUE(HasListedExt("page.htm", SetExtList("HTM")));
  EXPECT_FALSE(HasListedExt("page.htm", SetExtList(".htm")));
  EXPECT_FALSE(HasListedExt("README", SetExtList("htm,txt")));
  EXPECT_TRUE(HasListedExt("odd.", SetExtList("htm,")));  // an empty entry matches a trailing dot
  EXPECT_FALSE(HasListedExt("page.htm", {}));
  for (const char* name : {"a.db", "b.GIF", "c.bmp", "d.png", "e.jpg", "f.ico", "g.emf"}) {
    EXPECT_TRUE(IsExcludedExt(name)) << name;
  }
  EXPECT_FALSE(IsExcludedExt("a.jpeg"));
}

TEST(ScanFolderTree, DepthFirstInListingOrderByTheNamesTheFoldersHold) {
  TempDir dir;
  for (const char* f : {"A.HTM", "b.txt", "c.gif", "d.jpg", "sub/E.Txt", "z.txt", ".hidden.txt", "README",
                        "data.htm/inner.htm", "sub/deeper/f.htm"}) {
    WriteBytes(dir / f, "x");
  }
  EXPECT_EQ(Shown(dir.Folder(), "htm,txt"),
            (Strings{".hidden.txt", "A.HTM", "b.txt", "data.htm/inner.htm", "sub/deeper/f.htm", "sub/E.Txt", "z.txt"}));
  EXPECT_EQ(Shown(dir.Folder(), "gif,htm"), (Strings{"A.HTM", "data.htm/inner.htm", "sub/deeper/f.htm"}));
  EXPECT_TRUE(Shown(dir.Folder(), "").empty());
  EXPECT_TRUE(Shown(dir.Folder(), ".htm").empty());
  EXPECT_TRUE(Shown(dir / "missing/", "htm").empty());
}

// Two files whose names differ only in case are two files, each named as it is.
TEST(ScanFolderTree, ShowsAndOpensEachFileByItsOwnName) {
  TempDir dir;
  WriteBytes(dir / "Sub/Page.HTM", "x");
  WriteBytes(dir / "Sub/page.htm", "y");
  std::vector<ScanEntry> entries;
  ScanFolderTree(dir.Folder(), SetExtList("htm"), entries);
  ASSERT_EQ(entries.size(), 2u);
  std::sort(entries.begin(), entries.end(), [](const ScanEntry& a, const ScanEntry& b) { return a.stored < b.stored; });
  EXPECT_EQ(entries[0].shown, dir / "Sub/Page.HTM");
  EXPECT_EQ(entries[0].stored, dir / "Sub/Page.HTM");
  EXPECT_EQ(entries[1].shown, dir / "Sub/page.htm");
}

TEST(ScanFolderTree, EntersAFolderReachedThroughALinkOnlyOnce) {
  TempDir dir;
  WriteBytes(dir / "a/one.txt", "x");
  std::filesystem::create_directory_symlink(dir.Folder(), dir / "a/back-to-top");
  std::filesystem::create_directory_symlink(dir / "a", dir / "b-same-as-a");
  EXPECT_EQ(Shown(dir.Folder(), "txt"), (Strings{"a/one.txt"}));
}

// Extensions are compared in lower case, where a letter is a character of its own.
TEST(ScanFolderTree, LowerCasesOnlyLettersThatAreCharactersOfTheirOwn) {
  TempDir dir;
  WriteBytes(dir / "\x8A\x41.HTM", "x");  // 夾 in GBK: its second byte is the letter A's byte
  std::vector<ScanEntry> entries;
  ScanFolderTree(dir.Folder(), SetExtList("htm"), entries, {}, Encoding::Gb18030);
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].shown, dir / "\x8A\x41.HTM");
  // ("\x41" "B": a hex escape would swallow the letter after it.)
  EXPECT_EQ(LowerAsciiCharacters("A\x8A\x41" "B", Encoding::Gb18030), "a\x8A\x41" "b");
  EXPECT_EQ(LowerAsciiCharacters("A\x8A\x41" "B", Encoding::Utf8), "a\x8A\x61" "b");
}

TEST(ScanFolderTree, NamesTheFoldersItCannotOpen) {
  TempDir dir;
  WriteBytes(dir / "open/a.htm", "x");
  WriteBytes(dir / "locked/b.htm", "x");
  std::filesystem::permissions(dir.Folder(), std::filesystem::perms::all);
  std::filesystem::permissions(dir / "open", std::filesystem::perms::all);
  std::filesystem::permissions(dir / "locked", std::filesystem::perms::none);
  // As another user (the tests may run as root, who opens any folder).
  const pid_t pid = ::fork();
  if (pid == 0) {
    if (::getuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(90);
    std::vector<ScanEntry> entries;
    std::vector<ScanProblem> problems;
    ScanFolderTree(dir.Folder(), SetExtList("htm"), entries, {}, Encoding::Utf8, &problems);
    const bool ok = entries.size() == 1 && problems.size() == 1 && problems[0].folder == dir / "locked/" &&
                    problems[0].error == EACCES;
    ::_exit(ok ? 0 : 1);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  std::filesystem::permissions(dir / "locked", std::filesystem::perms::owner_all);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

}  // namespace
}  // namespace zur
