// The descriptor-based file calls that extraction and clean-up are built on:
// folder handles that never follow links, listing by kind, finishing a file
// through its descriptor, and the date-time conversion.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <filesystem>

#include "platform/files.h"
#include "temp_dir.h"

namespace quillon {
namespace {

using testing_zip::TempDir;

mode_t ModeOf(const std::string& path) {
  struct stat st;
  EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
  return st.st_mode & 07777;
}

TEST(FolderHandle, ChildrenAreMadeOnceAndLinksAreRefused) {
  TempDir dir;
  std::filesystem::create_directories(dir.Path("outside"));
  std::filesystem::create_directory_symlink(dir.Path("outside"), dir.Path("link"));
  dir.Write("file", "f");
  platform::FolderHandle top;
  ASSERT_TRUE(top.Open(dir.Path()));
  platform::FolderHandle child;
  bool created = false;
  EXPECT_TRUE(child.OpenChild(top, "word", true, &created));
  EXPECT_TRUE(created);
  EXPECT_TRUE(platform::DirectoryExists(dir.Path("word")));
  EXPECT_EQ(ModeOf(dir.Path("word")), platform::NewEntryMode(true));
  EXPECT_TRUE(child.OpenChild(top, "word", true, &created));
  EXPECT_FALSE(created);
  EXPECT_FALSE(child.OpenChild(top, "link", true, &created));
  EXPECT_FALSE(child.IsOpen());
  EXPECT_FALSE(child.OpenChild(top, "file", true, &created));
  EXPECT_FALSE(child.OpenChild(top, "missing", false, &created));
  EXPECT_FALSE(platform::PathExists(dir.Path("missing")));
  // The folder itself may be reached through a link unless that is refused.
  platform::FolderHandle via_link;
  EXPECT_TRUE(via_link.Open(dir.Path("link")));
  EXPECT_FALSE(via_link.Open(dir.Path("link"), true));
  // Moving hands the descriptor over.
  platform::FolderHandle moved(std::move(top));
  EXPECT_FALSE(top.IsOpen());
  EXPECT_TRUE(moved.IsOpen());
}

TEST(FolderHandle, ListsKindsWithoutFollowingLinks) {
  TempDir dir;
  std::filesystem::create_directories(dir.Path("sub"));
  dir.Write("a.txt", "a");
  std::filesystem::create_directory_symlink(dir.Path("sub"), dir.Path("dirlink"));
  std::filesystem::create_symlink(dir.Path("a.txt"), dir.Path("filelink"));
  // Enough entries to need more than one read of the folder.
  for (int i = 0; i < 400; ++i) dir.Write("sub/" + std::string(40, 'x') + std::to_string(i), "");
  platform::FolderHandle top;
  ASSERT_TRUE(top.Open(dir.Path()));
  std::vector<platform::DirEntry> entries;
  ASSERT_TRUE(top.ListKinds(entries));
  std::sort(entries.begin(), entries.end(),
            [](const auto& x, const auto& y) { return x.name < y.name; });
  ASSERT_EQ(entries.size(), 4u);
  EXPECT_EQ(entries[0].name, "a.txt");
  EXPECT_FALSE(entries[0].is_dir || entries[0].is_symlink);
  EXPECT_EQ(entries[1].name, "dirlink");
  EXPECT_TRUE(entries[1].is_symlink);
  EXPECT_FALSE(entries[1].is_dir);
  EXPECT_EQ(entries[2].name, "filelink");
  EXPECT_TRUE(entries[2].is_symlink);
  EXPECT_EQ(entries[3].name, "sub");
  EXPECT_TRUE(entries[3].is_dir);
  // A second listing starts from the beginning again.
  ASSERT_TRUE(top.ListKinds(entries));
  EXPECT_EQ(entries.size(), 4u);
  platform::FolderHandle sub;
  ASSERT_TRUE(sub.OpenChild(top, "sub", false));
  ASSERT_TRUE(sub.ListKinds(entries));
  EXPECT_EQ(entries.size(), 400u);
}

TEST(FolderHandle, CreatesFilesExclusivelyOrByEmptyingThem) {
  TempDir dir;
  dir.Write("old.txt", "old contents");
  std::filesystem::create_symlink(dir.Path("old.txt"), dir.Path("link.txt"));
  platform::FolderHandle top;
  ASSERT_TRUE(top.Open(dir.Path()));
  int fd = top.CreateFile("new.txt", true);
  ASSERT_GE(fd, 0);
  ::close(fd);
  EXPECT_EQ(ModeOf(dir.Path("new.txt")), platform::NewEntryMode(false));
  EXPECT_EQ(top.CreateFile("old.txt", true), -1);
  EXPECT_EQ(errno, EEXIST);
  fd = top.CreateFile("old.txt", false);
  ASSERT_GE(fd, 0);
  ::close(fd);
  EXPECT_EQ(dir.Read("old.txt"), "");
  // A link is never written through.
  dir.Write("old.txt", "kept");
  EXPECT_EQ(top.CreateFile("link.txt", false), -1);
  EXPECT_EQ(dir.Read("old.txt"), "kept");
  platform::EntryStat st;
  ASSERT_TRUE(top.Stat("link.txt", st));
  EXPECT_TRUE(st.is_symlink);
  EXPECT_TRUE(top.DeleteFile("link.txt"));
  EXPECT_FALSE(dir.Exists("link.txt"));
  EXPECT_EQ(dir.Read("old.txt"), "kept");
  EXPECT_FALSE(top.Stat("link.txt", st));
}

TEST(FolderHandle, AttributesOfEntriesAndDescriptors) {
  TempDir dir;
  dir.Write("f.txt", "f");
  platform::FolderHandle top;
  ASSERT_TRUE(top.Open(dir.Path()));
  EXPECT_TRUE(top.SetAttributes("f.txt", platform::kAttrReadOnly | platform::kAttrArchive));
  platform::EntryStat st;
  ASSERT_TRUE(top.Stat("f.txt", st));
  EXPECT_TRUE(st.is_regular);
  EXPECT_TRUE(st.ReadOnly());
  EXPECT_EQ(st.mode & 0222u, 0u);
  EXPECT_TRUE(top.SetAttributes("f.txt", 0));
  ASSERT_TRUE(top.Stat("f.txt", st));
  EXPECT_FALSE(st.ReadOnly());

  int fd = ::open(dir.Path("f.txt").c_str(), O_WRONLY);
  ASSERT_GE(fd, 0);
  EXPECT_TRUE(platform::SetDescriptorAttributes(fd, platform::kAttrReadOnly));
  EXPECT_EQ(ModeOf(dir.Path("f.txt")) & 0222u, 0u);
  // With the current bits given, the call works from them.
  EXPECT_TRUE(
      platform::SetDescriptorAttributes(fd, 0, static_cast<int>(ModeOf(dir.Path("f.txt")))));
  EXPECT_NE(ModeOf(dir.Path("f.txt")) & S_IWUSR, 0u);
  EXPECT_TRUE(platform::SetDescriptorTime(fd, 1000000000));
  ::close(fd);
  struct stat full;
  ASSERT_EQ(::stat(dir.Path("f.txt").c_str(), &full), 0);
  EXPECT_EQ(full.st_mtime, 1000000000);
  EXPECT_EQ(full.st_atime, 1000000000);
  EXPECT_FALSE(platform::SetDescriptorTime(-1, 0));
}

TEST(FolderHandle, RemovesOnlyEmptyFolders) {
  TempDir dir;
  std::filesystem::create_directories(dir.Path("full"));
  std::filesystem::create_directories(dir.Path("empty"));
  dir.Write("full/f", "f");
  platform::FolderHandle top;
  ASSERT_TRUE(top.Open(dir.Path()));
  EXPECT_FALSE(top.RemoveFolder("full"));
  EXPECT_TRUE(top.RemoveFolder("empty"));
  EXPECT_FALSE(dir.Exists("empty"));
  EXPECT_TRUE(dir.Exists("full/f"));
}

TEST(Platform, MakeFolderReportsWhy) {
  TempDir dir;
  EXPECT_EQ(platform::MakeFolder(dir.Path("a")), 0);
  EXPECT_EQ(platform::MakeFolder(dir.Path("a")), EEXIST);
  EXPECT_EQ(platform::MakeFolder(dir.Path("b/c")), ENOENT);
}

TEST(Platform, NewEntryModeFollowsTheCreationMask) {
  const mode_t mask = ::umask(022);
  ::umask(mask);
  EXPECT_EQ(platform::NewEntryMode(false), 0666u & ~mask);
  EXPECT_EQ(platform::NewEntryMode(true), 0777u & ~mask);
}

TEST(Platform, DosDateTimeIsLocalTime) {
  // 2025-01-01 12:00:00, then 1999-12-31 23:59:58.
  const uint32_t noon = (((2025u - 1980u) << 9 | 1u << 5 | 1u) << 16) | (12u << 11);
  const uint32_t late =
      (((1999u - 1980u) << 9 | 12u << 5 | 31u) << 16) | (23u << 11 | 59u << 5 | 29u);
  struct tm tm = {};
  tm.tm_year = 125, tm.tm_mon = 0, tm.tm_mday = 1, tm.tm_hour = 12, tm.tm_isdst = -1;
  EXPECT_EQ(platform::DosDateTimeToUnix(noon), static_cast<int64_t>(::mktime(&tm)));
  tm = {};
  tm.tm_year = 99, tm.tm_mon = 11, tm.tm_mday = 31, tm.tm_hour = 23, tm.tm_min = 59, tm.tm_sec = 58;
  tm.tm_isdst = -1;
  EXPECT_EQ(platform::DosDateTimeToUnix(late), static_cast<int64_t>(::mktime(&tm)));
}

}  // namespace
}  // namespace quillon
