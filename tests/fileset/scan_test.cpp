#include <gtest/gtest.h>

#include <filesystem>

#include "fileset/scan.h"
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

TEST(ScanFolderTree, DepthFirstInListingOrderWithLowerCasedNames) {
  TempDir dir;
  for (const char* f : {"A.HTM", "b.txt", "c.gif", "d.jpg", "sub/E.Txt", "z.txt", ".hidden.txt", "README",
                        "data.htm/inner.htm", "sub/deeper/f.htm"}) {
    WriteBytes(dir / f, "x");
  }
  EXPECT_EQ(Shown(dir.Folder(), "htm,txt"),
            (Strings{".hidden.txt", "a.htm", "b.txt", "data.htm/inner.htm", "sub/deeper/f.htm", "sub/e.txt", "z.txt"}));
  EXPECT_EQ(Shown(dir.Folder(), "gif,htm"), (Strings{"a.htm", "data.htm/inner.htm", "sub/deeper/f.htm"}));
  EXPECT_TRUE(Shown(dir.Folder(), "").empty());
  EXPECT_TRUE(Shown(dir.Folder(), ".htm").empty());
  EXPECT_TRUE(Shown(dir / "missing/", "htm").empty());
}

TEST(ScanFolderTree, CarriesTheStoredNameForFileAccess) {
  TempDir dir;
  WriteBytes(dir / "Sub/Page.HTM", "x");
  std::vector<ScanEntry> entries;
  ScanFolderTree(dir.Folder(), SetExtList("htm"), entries);
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].shown, dir / "Sub/page.htm");  // folders keep their case
  EXPECT_EQ(entries[0].stored, dir / "Sub/Page.HTM");
}

TEST(ScanFolderTree, EntersAFolderReachedThroughALinkOnlyOnce) {
  TempDir dir;
  WriteBytes(dir / "a/one.txt", "x");
  std::filesystem::create_directory_symlink(dir.Folder(), dir / "a/back-to-top");
  std::filesystem::create_directory_symlink(dir / "a", dir / "b-same-as-a");
  EXPECT_EQ(Shown(dir.Folder(), "txt"), (Strings{"a/one.txt"}));
}

}  // namespace
}  // namespace zur
