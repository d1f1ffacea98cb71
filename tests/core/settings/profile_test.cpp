#include <gtest/gtest.h>

#include "core/files/folders.h"
#include "core/platform/filesystem.h"
#include "core/run/progress.h"
#include "core/settings/profile.h"
#include "support/tempdir.h"

namespace zur {
namespace {

using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

TEST(ProfileFile, ReadsValuesTheWayWindowsProfilesDo) {
  TempDir dir;
  const std::string path = dir / "defualt.ini";
  WriteBytes(path, "[other]\nRECPath=wrong\n[Default]\n  recpath =  /a/b  \nQuoted=\"x y\"\nSingle='z'\n"
                   "Half=\"open\nEmpty=\nLong=" + std::string(3000, 'v') + "\n");
  ProfileFile ini(path, "default");
  EXPECT_EQ(ini.ReadString("RECPath", "d"), "/a/b");
  EXPECT_EQ(ini.ReadString("quoted", "d"), "x y");
  EXPECT_EQ(ini.ReadString("Single", "d"), "z");
  EXPECT_EQ(ini.ReadString("Half", "d"), "\"open");
  EXPECT_EQ(ini.ReadString("Empty", "d"), "");
  EXPECT_EQ(ini.ReadString("Missing", "d"), "d");
  EXPECT_EQ(ini.ReadString("Long", "d").size(), 2047u);
  EXPECT_EQ(ProfileFile(dir / "none.ini", "default").ReadString("RECPath", "d"), "d");
}

TEST(ProfileFile, IntegersAreDecimalOrHexAndBooleansAreIntegers) {
  EXPECT_EQ(ProfileFile::ParseInteger("42"), 42);
  EXPECT_EQ(ProfileFile::ParseInteger("-1"), -1);
  EXPECT_EQ(ProfileFile::ParseInteger("0x1F"), 31);
  EXPECT_EQ(ProfileFile::ParseInteger("0X1"), 1);
  EXPECT_EQ(ProfileFile::ParseInteger("0x"), std::nullopt);
  EXPECT_EQ(ProfileFile::ParseInteger("yes"), std::nullopt);
  EXPECT_EQ(ProfileFile::ParseInteger("12abc"), std::nullopt);
  EXPECT_EQ(ProfileFile::ParseInteger("99999999999"), std::nullopt);
  TempDir dir;
  WriteBytes(dir / "a.ini", "[default]\nA=yes\nB=0x1\nC=0\nD=7\n");
  ProfileFile ini(dir / "a.ini", "default");
  EXPECT_FALSE(ini.ReadBool("A", false));
  EXPECT_TRUE(ini.ReadBool("B", false));
  EXPECT_FALSE(ini.ReadBool("C", true));
  EXPECT_TRUE(ini.ReadBool("D", false));
  EXPECT_EQ(ini.ReadInteger("A", 5), 5);
}

TEST(ProfileFile, WritesInPlaceAppendsNewKeysAndGoesStraightToDisk) {
  TempDir dir;
  const std::string path = dir / "defualt.ini";
  ProfileFile ini(path, "default");
  ini.WriteString("RECPath", "/src/");
  ini.WriteInteger("BatchType", 2);
  ini.WriteBool("CbCover", true);
  EXPECT_EQ(ReadBytes(path), "[default]\r\nRECPath=/src/\r\nBatchType=2\r\nCbCover=1\r\n");
  ini.WriteString("recpath", "/new/");
  EXPECT_EQ(ReadBytes(path), "[default]\r\nrecpath=/new/\r\nBatchType=2\r\nCbCover=1\r\n");

  // An existing file keeps its order and other sections; a new key ends its own section.
  WriteBytes(path, "; note\n[default]\nB=1\nA=2\n\n[other]\nX=1\n");
  ini.WriteString("A", "3");
  ini.WriteString("C", "4");
  EXPECT_EQ(ReadBytes(path), "; note\r\n[default]\r\nB=1\r\nA=3\r\nC=4\r\n\r\n[other]\r\nX=1\r\n");

  // A line break in a value cannot forge another key.
  ini.WriteString("A", "x\r\nB=evil");
  EXPECT_EQ(ini.ReadString("B", ""), "1");
  EXPECT_THROW(ProfileFile(dir / "no/folder.ini", "default").WriteString("A", "1"), fs::FileError);
}

TEST(Backup, CopiesKeepTheirPlaceBelowTheFolders) {
  EXPECT_EQ(PathBelow("/src/", "/src/a.htm"), "a.htm");
  EXPECT_EQ(PathBelow("/src/", "/src/x/Page.HTM"), "x/Page.HTM");
  EXPECT_EQ(PathBelow("/src/", "/elsewhere/b.htm"), "b.htm");
  EXPECT_EQ(ProgressAfterStep(0), 10);
  EXPECT_EQ(ProgressAfterStep(90), 100);
  EXPECT_EQ(ProgressAfterStep(100), 10);  // a full bar starts again
}

}  // namespace
}  // namespace zur
