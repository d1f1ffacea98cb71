#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <filesystem>

#include "platform/filesystem.h"
#include "replace/worktext.h"
#include "support/tempdir.h"

namespace zur {
namespace {

using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

TEST(WorkText, EveryLineEndsInCrLfAfterLoading) {
  const std::pair<std::string, std::string> cases[] = {
      {"", ""},
      {"a", "a\r\n"},
      {"a\nb", "a\r\nb\r\n"},
      {"a\r\n", "a\r\n"},
      {"a\r", "a\r\n"},
      {"\r\n", "\r\n"},
      {"\n\n", "\r\n\r\n"},
      {"a\r\r\nb\n\rc", "a\r\n\r\nb\r\n\r\nc\r\n"},
      {std::string("x\0y\n", 4), std::string("x\0y\r\n", 5)},
  };
  for (const auto& [in, joined] : cases) {
    WorkText w;
    w.SetText(in);
    EXPECT_EQ(w.Joined(), joined) << in;
    WorkText again;
    again.SetText(w.Joined());
    EXPECT_EQ(again.Joined(), joined);  // joining is stable
    EXPECT_EQ(WorkText::Join(std::string(in)), joined);  // the path that keeps a joined string
  }
  WorkText w;
  w.SetText("a\n\nb");
  EXPECT_EQ(w.LineCount(), 3u);
  EXPECT_FALSE(w.HoldsNul());
  w.SetText(std::string("a\0b", 3));
  EXPECT_TRUE(w.HoldsNul());
}

TEST(WorkText, LoadAndSaveGoThroughTheFile) {
  TempDir dir;
  const std::string path = dir / "a.txt";
  WriteBytes(path, "one\ntwo");
  WorkText w;
  w.LoadFromFile(path);
  w.SaveToFile(path);
  EXPECT_EQ(ReadBytes(path), "one\r\ntwo\r\n");
  EXPECT_THROW(w.LoadFromFile(dir / "missing.txt"), fs::FileError);
}

TEST(SafeWrite, KeepsPermissionsAndWritesThroughLinks) {
  TempDir dir;
  const std::string target = dir / "real.txt";
  WriteBytes(target, "old");
  ::chmod(target.c_str(), 0640);
  std::filesystem::create_symlink("real.txt", dir / "link.txt");

  fs::WriteFileSafely(dir / "link.txt", "new");
  EXPECT_EQ(ReadBytes(target), "new");
  EXPECT_TRUE(std::filesystem::is_symlink(dir / "link.txt"));
  struct stat st;
  ASSERT_EQ(::stat(target.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Folder()), {}), 2);  // no temporary left
}

TEST(SafeWrite, AFailedWriteLeavesTheOldFileWhole) {
  TempDir dir;
  const std::string path = dir / "a.txt";
  WriteBytes(path, "the old content");
  // A file-size limit makes the write fail half-way, as a full disk would.
  ::signal(SIGXFSZ, SIG_IGN);
  rlimit old{};
  ::getrlimit(RLIMIT_FSIZE, &old);
  rlimit small = old;
  small.rlim_cur = 64;
  ::setrlimit(RLIMIT_FSIZE, &small);
  EXPECT_THROW(fs::WriteFileSafely(path, std::string(4096, 'x')), fs::FileError);
  ::setrlimit(RLIMIT_FSIZE, &old);
  EXPECT_EQ(ReadBytes(path), "the old content");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Folder()), {}), 1);

  EXPECT_THROW(fs::WriteFileSafely(dir / "no/such/folder.txt", "x"), fs::FileError);
  EXPECT_THROW(fs::WriteFileSafely(dir.Folder(), "x"), fs::FileError);
}

TEST(RenameNoReplace, NeverOverwritesAndNeedsTheTargetFolder) {
  TempDir dir;
  WriteBytes(dir / "a.txt", "a");
  WriteBytes(dir / "b.txt", "b");
  EXPECT_FALSE(fs::RenameNoReplace(dir / "a.txt", dir / "b.txt"));
  EXPECT_EQ(ReadBytes(dir / "a.txt"), "a");
  EXPECT_EQ(ReadBytes(dir / "b.txt"), "b");
  EXPECT_FALSE(fs::RenameNoReplace(dir / "a.txt", dir / "missing/a.txt"));
  EXPECT_TRUE(fs::RenameNoReplace(dir / "a.txt", dir / "c.txt"));
  EXPECT_EQ(ReadBytes(dir / "c.txt"), "a");
  EXPECT_FALSE(std::filesystem::exists(dir / "a.txt"));
}

}  // namespace
}  // namespace zur
