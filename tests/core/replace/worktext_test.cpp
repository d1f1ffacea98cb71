#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <filesystem>

#include "core/platform/filesystem.h"
#include "core/replace/worktext.h"
#include "support/tempdir.h"

namespace zur {
namespace {

using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

TEST(WorkText, HoldsTheFilesBytesAndItsFirstLineEnd) {
  const std::pair<std::string, std::string> cases[] = {
      {"", "\n"}, {"a", "\n"}, {"a\nb", "\n"}, {"a\r\nb\n", "\r\n"}, {"a\rb\r\n", "\r"},
  };
  for (const auto& [bytes, lineEnd] : cases) {
    WorkText w;
    w.SetBytes(bytes);
    EXPECT_EQ(w.View(), bytes);
    EXPECT_EQ(w.LineEnd(), lineEnd) << bytes;
  }
  WorkText u16;
  u16.SetBytes(std::string("\xFF\xFE" "a\0\r\0\n\0", 8));
  EXPECT_EQ(u16.LineEnd(), std::string("\r\0\n\0", 4));
  EXPECT_EQ(u16.Start(), 2u);
  EXPECT_FALSE(u16.NotText());
}

TEST(WorkText, LoadsRegularFilesOnly) {
  TempDir dir;
  const std::string path = dir / "a.txt";
  WriteBytes(path, "one\ntwo");
  WorkText w;
  w.LoadFromFile(path);
  EXPECT_EQ(w.View(), "one\ntwo");
  EXPECT_THROW(w.LoadFromFile(dir / "missing.txt"), fs::FileError);
  EXPECT_THROW(w.LoadFromFile(dir.Folder()), fs::FileError);
  ASSERT_EQ(::mkfifo((dir / "pipe.txt").c_str(), 0600), 0);
  EXPECT_THROW(w.LoadFromFile(dir / "pipe.txt"), fs::FileError);  // refused without waiting for a writer
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
