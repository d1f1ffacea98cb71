// The choice of a tree's files: extensions, patterns on names and paths, hidden names and sizes, and
// what the scan says it left out.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/files/filter.h"
#include "core/files/scan.h"
#include "support/tempdir.h"

namespace zur {
namespace {

using Strings = std::vector<std::string>;
using testing::TempDir;
using testing::WriteBytes;

Strings Taken(const std::string& folder, const FileFilter& filter, LeftOut* leftOut = nullptr) {
  std::vector<ScanEntry> entries;
  ScanFolderTree(folder, filter, entries, {}, Encoding::Utf8, nullptr, false, false, leftOut);
  Strings out;
  for (const auto& e : entries) out.push_back(e.shown.substr(folder.size()));
  return out;
}

TEST(FileFilter, SizesAndPatternListsAreReadAsUsersWriteThem) {
  EXPECT_EQ(ParseSize(""), 0u);
  EXPECT_EQ(ParseSize("500"), 500u * 1024);
  EXPECT_EQ(ParseSize(" 2m "), 2u << 20);
  EXPECT_EQ(ParseSize("3 KB"), 3u * 1024);
  EXPECT_EQ(ParseSize("1G"), 1u << 30);
  for (const char* wrong : {"2 pages", "-1", "1.5M", "M", "99999999999999"}) EXPECT_FALSE(ParseSize(wrong)) << wrong;
  EXPECT_EQ(SplitPatterns(" .git, node_modules ,,uploads/* "), (Strings{".git", "node_modules", "uploads/*"}));
  FileFilter f;
  f.exclude = {"ok*", "[abc"};
  EXPECT_EQ(BadPattern(f), "[abc");
  f.exclude = {"[]x]", "[!a]*", "a\\*"};
  EXPECT_FALSE(BadPattern(f));
  f.include = {"tail\\"};
  EXPECT_EQ(BadPattern(f), "tail\\");
}

TEST(FileFilter, ChoosesByNameAtAnyDepthAndByPathBelowTheSource) {
  TempDir dir;
  for (const char* name : {"a.htm", "Makefile", "LICENSE", "pic.png", ".env.txt", "js", "src/app.min.js", "src/app.js",
                           "uploads/u.htm", "deep/uploads/d.htm", "build/out.txt", "docs/build/in.txt", ".git/HEAD.txt"}) {
    WriteBytes(dir / name, "x");
  }
  // Every file but pictures; a listed name without a dot takes the files of that name without
  // extension.
  EXPECT_EQ(Taken(dir.Folder(), FileFilter(SetExtList("*"))).size(), 12u);
  EXPECT_EQ(Taken(dir.Folder(), FileFilter(SetExtList("htm,Makefile"))),
            (Strings{"a.htm", "deep/uploads/d.htm", "Makefile", "uploads/u.htm"}));
  FileFilter filter(SetExtList("htm,txt,js"));
  filter.exclude = {"uploads/*", "*.min.js", "/build/", ".git"};
  LeftOut left;
  EXPECT_EQ(Taken(dir.Folder(), filter, &left),
            (Strings{".env.txt", "a.htm", "deep/uploads/d.htm", "docs/build/in.txt", "js", "src/app.js"}));
  EXPECT_EQ(left.byFilter, 4u);     // the folders .git and build, uploads/u.htm, app.min.js
  EXPECT_EQ(left.byExtension, 3u);  // Makefile, LICENSE, pic.png
  // Hidden names, files and folders; and patterns of the files to take.
  filter = FileFilter(SetExtList("*"));
  filter.skipHidden = true;
  filter.include = {"*.txt", "src/*"};
  EXPECT_EQ(Taken(dir.Folder(), filter), (Strings{"build/out.txt", "docs/build/in.txt", "src/app.js", "src/app.min.js"}));
}

TEST(FileFilter, LeavesOutFilesAboveTheLargestSize) {
  TempDir dir;
  WriteBytes(dir / "small.txt", std::string(1024, 'x'));
  WriteBytes(dir / "large.txt", std::string(1025, 'x'));
  FileFilter filter(SetExtList("txt"));
  filter.maxSize = 1024;
  LeftOut left;
  EXPECT_EQ(Taken(dir.Folder(), filter, &left), Strings{"small.txt"});
  EXPECT_EQ(left.byFilter, 1u);
}

}  // namespace
}  // namespace zur
