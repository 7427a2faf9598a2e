// The conversion workspace: unpacking packages, the clean-up that never
// follows links, and the lock that lets running instances share the folder.
#include "package/workspace.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

#include "package/workspace_lock.h"
#include "package/zip_errors.h"
#include "platform/files.h"
#include "platform/system.h"
#include "temp_dir.h"
#include "zip_builder.h"

namespace quillon {
namespace {

using testing_zip::BuildZip;
using testing_zip::TempDir;

std::string Backslashes(std::string path) {
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
}

TEST(Workspace, DefaultFolderIsUnderTheSystemFolder) {
  std::string dir = DefaultWorkspaceDir();
  EXPECT_EQ(dir, platform::SystemFolder() + "\\temp\\zorv\\");
  EXPECT_EQ(SpecialFolderPath(36), platform::SystemFolder());
  EXPECT_EQ(SpecialFolderPath(12345), "");
}

TEST(Workspace, ExtractPackageEmptiesThePackageFolderFirst) {
  TempDir dir;
  std::string first = dir.Write("one.docx", BuildZip({{.name = "word/document.xml", .data = "1"},
                                                      {.name = "word/numbering.xml", .data = "n"}})
                                                .bytes);
  std::string second =
      dir.Write("two.docx", BuildZip({{.name = "word/document.xml", .data = "2"}}).bytes);
  std::string target = Backslashes(dir.Path("ws/report")) + "\\";
  EXPECT_EQ(ExtractPackage(first, target), 2);
  EXPECT_EQ(dir.Read("ws/report/word/numbering.xml"), "n");
  EXPECT_EQ(ExtractPackage(second, target), 1);
  EXPECT_EQ(dir.Read("ws/report/word/document.xml"), "2");
  EXPECT_FALSE(dir.Exists("ws/report/word/numbering.xml"));
  // The same package again, unchanged: same result.
  EXPECT_EQ(ExtractPackage(second, target), 1);
  EXPECT_EQ(dir.Read("ws/report/word/document.xml"), "2");
}

// True when nobody holds a lock on |path| (so the unpacking let it go).
bool Unheld(const std::string& path) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  bool free = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
  ::close(fd);
  return free;
}

TEST(Workspace, ExtractPackageLetsThePackageGo) {
  TempDir dir;
  std::string good =
      dir.Write("good.docx", BuildZip({{.name = "word/document.xml", .data = "d"}}).bytes);
  std::string junk = dir.Write("junk.docx", "not an archive");
  const std::string ws = Backslashes(dir.Path("ws")) + "\\";
  EXPECT_EQ(ExtractPackage(good, ws + "good\\"), 1);
  EXPECT_TRUE(Unheld(good));
  EXPECT_THROW(ExtractPackage(junk, ws + "junk\\"), EIncompleteZip);
  EXPECT_TRUE(Unheld(junk));
  // A failure leaves the shared component as usable as before.
  EXPECT_EQ(ExtractPackage(good, ws + "again\\"), 1);
  EXPECT_EQ(dir.Read("ws/again/word/document.xml"), "d");
  EXPECT_TRUE(Unheld(good));
}

TEST(Workspace, ReadOnlyPartsAreUnpackedAndCleanedUp) {
  TempDir dir;
  std::string pkg = dir.Write(
      "ro.docx", BuildZip({{.name = "word/", .data = "", .external = 0x11},
                           {.name = "word/document.xml", .data = "d", .external = 0x21},
                           {.name = "word/media/image1.png", .data = "p", .external = 0x21}})
                     .bytes);
  const std::string ws = Backslashes(dir.Path("ws")) + "\\";
  EXPECT_EQ(ExtractPackage(pkg, ws + "ro\\"), 3);
  EXPECT_NE(platform::GetAttributes(dir.Path("ws/ro/word/document.xml")) & platform::kAttrReadOnly,
            0u);
  EXPECT_NE(
      platform::GetAttributes(dir.Path("ws/ro/word/media/image1.png")) & platform::kAttrReadOnly,
      0u);
  // Unpacking again must first get rid of the read-only parts.
  platform::SetAttributes(dir.Path("ws/ro/word/media"), platform::kAttrReadOnly);
  EXPECT_EQ(ExtractPackage(pkg, ws + "ro\\"), 3);
  EXPECT_EQ(dir.Read("ws/ro/word/document.xml"), "d");
  EXPECT_TRUE(ClearFolder(ws));
  std::vector<platform::DirEntry> left;
  ASSERT_TRUE(platform::ListFolder(dir.Path("ws"), left));
  EXPECT_TRUE(left.empty());
}

TEST(Workspace, ExtractPackageRaisesOnBadArchives) {
  TempDir dir;
  std::string junk = dir.Write("junk.docx", "this is not a zip archive at all");
  EXPECT_THROW(ExtractPackage(junk, Backslashes(dir.Path("ws/junk")) + "\\"), EIncompleteZip);
  EXPECT_THROW(ExtractPackage(dir.Path("none.docx"), Backslashes(dir.Path("ws/none")) + "\\"),
               EFOpenError);
}

TEST(Workspace, ExtractPackageRefusesFolderNamesThatClimbOut) {
  TempDir dir;
  std::string pkg =
      dir.Write("a.docx", BuildZip({{.name = "word/document.xml", .data = "1"}}).bytes);
  std::filesystem::create_directories(dir.Path("ws"));
  dir.Write("ws/keep.txt", "mine");
  std::string ws = Backslashes(dir.Path("ws")) + "\\";
  // A file named "...docx" has the package name "..": its folder would be the
  // workspace's parent, which the unpacking empties first.
  EXPECT_THROW(ExtractPackage(pkg, ws + "..\\"), EWorkspaceError);
  EXPECT_THROW(ExtractPackage(pkg, ws + ".\\"), EWorkspaceError);
  EXPECT_THROW(ExtractPackage(pkg, "\\"), EWorkspaceError);
  EXPECT_EQ(dir.Read("ws/keep.txt"), "mine");
  EXPECT_EQ(ExtractPackage(pkg, ws + "..a\\"), 1);
}

TEST(Workspace, ClearFolderDeletesEverythingButNeverFollowsLinks) {
  TempDir dir;
  std::filesystem::create_directories(dir.Path("ws/pkg/word/media"));
  std::filesystem::create_directories(dir.Path("outside/deep"));
  dir.Write("outside/deep/keep.txt", "keep");
  dir.Write("ws/pkg/word/document.xml", "d");
  dir.Write("ws/pkg/word/media/ro.png", "p");
  platform::SetAttributes(dir.Path("ws/pkg/word/media/ro.png"), platform::kAttrReadOnly);
  platform::SetAttributes(dir.Path("ws/pkg/word/media"), platform::kAttrReadOnly);
  std::filesystem::create_directory_symlink(dir.Path("outside"), dir.Path("ws/pkg/link"));
  std::filesystem::create_directory_symlink(dir.Path("outside"), dir.Path("ws/toplink"));
  std::filesystem::create_symlink(dir.Path("outside/deep/keep.txt"), dir.Path("ws/filelink"));
  // Slashes and no trailing separator are taken as the system's form.
  EXPECT_TRUE(ClearFolder(dir.Path("ws")));
  EXPECT_TRUE(platform::DirectoryExists(dir.Path("ws")));
  std::vector<platform::DirEntry> left;
  platform::ListFolder(dir.Path("ws"), left);
  EXPECT_TRUE(left.empty());
  EXPECT_EQ(dir.Read("outside/deep/keep.txt"), "keep");
  EXPECT_TRUE(ClearFolder(dir.Path("does-not-exist")));
}

TEST(Workspace, ClearFolderEmptiesManyPackagesAndKeepsTheLock) {
  TempDir dir;
  std::filesystem::create_directories(dir.Path("outside"));
  dir.Write("outside/keep.txt", "keep");
  std::filesystem::create_directories(dir.Path("ws"));
  dir.Write(std::string("ws/") + kWorkspaceLockName, "");
  for (int i = 0; i < 12; ++i) {
    const std::string pkg = "ws/pkg" + std::to_string(i);
    std::filesystem::create_directories(dir.Path(pkg + "/word/_rels"));
    std::filesystem::create_directories(dir.Path(pkg + "/docProps"));
    dir.Write(pkg + "/word/document.xml", "d");
    dir.Write(pkg + "/word/_rels/document.xml.rels", "r");
    dir.Write(pkg + "/docProps/core.xml", "c");
    platform::SetAttributes(dir.Path(pkg + "/docProps/core.xml"), platform::kAttrReadOnly);
    platform::SetAttributes(dir.Path(pkg + "/docProps"), platform::kAttrReadOnly);
    std::filesystem::create_directory_symlink(dir.Path("outside"), dir.Path(pkg + "/word/link"));
  }
  dir.Write("ws/loose.txt", "l");
  EXPECT_TRUE(ClearFolder(dir.Path("ws")));
  std::vector<platform::DirEntry> left;
  ASSERT_TRUE(platform::ListFolder(dir.Path("ws"), left));
  ASSERT_EQ(left.size(), 1u);
  EXPECT_EQ(left[0].name, kWorkspaceLockName);
  EXPECT_EQ(dir.Read("outside/keep.txt"), "keep");
}

TEST(Workspace, DeleteTreeRemovesTheFolderOrOnlyTheLink) {
  TempDir dir;
  std::filesystem::create_directories(dir.Path("tree/sub"));
  dir.Write("tree/sub/f.txt", "f");
  std::filesystem::create_directories(dir.Path("target"));
  dir.Write("target/t.txt", "t");
  std::filesystem::create_directory_symlink(dir.Path("target"), dir.Path("link"));
  EXPECT_TRUE(DeleteTree(Backslashes(dir.Path("tree")) + "\\"));
  EXPECT_FALSE(dir.Exists("tree"));
  EXPECT_TRUE(DeleteTree(Backslashes(dir.Path("link")) + "\\"));
  EXPECT_FALSE(dir.Exists("link"));
  EXPECT_EQ(dir.Read("target/t.txt"), "t");
}

TEST(WorkspaceLock, CleanUpWaitsForTheLastInstance) {
  TempDir dir;
  std::string ws = Backslashes(dir.Path("ws")) + "\\";
  TWorkspaceLock first(ws);
  ASSERT_TRUE(first.Held());
  std::filesystem::create_directories(dir.Path("ws/busy/word"));
  dir.Write("ws/busy/word/document.xml", "in use");
  {
    TWorkspaceLock second(ws);  // another running instance
    ASSERT_TRUE(second.Held());
    EXPECT_FALSE(first.ClearIfAlone());
    EXPECT_FALSE(second.ClearIfAlone());
    EXPECT_EQ(dir.Read("ws/busy/word/document.xml"), "in use");
  }
  EXPECT_TRUE(first.ClearIfAlone());
  EXPECT_FALSE(dir.Exists("ws/busy"));
  // The lock file stays, so instances keep meeting on the same file.
  EXPECT_TRUE(dir.Exists(std::string("ws/") + kWorkspaceLockName));
  EXPECT_TRUE(first.Held());
  TWorkspaceLock third(ws);
  EXPECT_FALSE(first.ClearIfAlone());
}

TEST(WorkspaceLock, RefusesAFolderThatHoldsSomebodyElsesFiles) {
  TempDir dir;
  std::filesystem::create_directories(dir.Path("home/Documents"));
  dir.Write("home/Documents/letter.txt", "precious");
  std::string home = Backslashes(dir.Path("home")) + "\\";
  TWorkspaceLock lock(home);
  EXPECT_FALSE(lock.Held());
  EXPECT_TRUE(lock.Foreign());
  EXPECT_FALSE(lock.ClearIfAlone());
  EXPECT_EQ(dir.Read("home/Documents/letter.txt"), "precious");
  EXPECT_FALSE(dir.Exists(std::string("home/") + kWorkspaceLockName));
  // An empty folder, or one that is already a workspace, is taken.
  TWorkspaceLock fresh(Backslashes(dir.Path("empty")) + "\\");
  EXPECT_TRUE(fresh.Held());
  EXPECT_FALSE(fresh.Foreign());
}

// Two instances (two locks on one workspace) take turns on a package name;
// other names, and the same instance, are not held up.
TEST(WorkspaceLock, SameNamedPackagesTakeTurnsAcrossInstances) {
  TempDir dir;
  const std::string ws = Backslashes(dir.Path("ws")) + "\\";
  TWorkspaceLock first(ws);
  TWorkspaceLock second(ws);  // another running instance
  ASSERT_TRUE(first.Held());
  ASSERT_TRUE(second.Held());
  {
    TPackageLock report = first.LockPackage("report");
    ASSERT_TRUE(report.Held());
    EXPECT_FALSE(second.LockPackage("report", false).Held());
    EXPECT_TRUE(second.LockPackage("Report", false).Held());
    EXPECT_TRUE(second.LockPackage("report2", false).Held());

    // Moving the lock keeps it held; the moved-from one lets nothing go.
    TPackageLock moved = std::move(report);
    EXPECT_FALSE(report.Held());
    EXPECT_FALSE(second.LockPackage("report", false).Held());
    moved.Release();
    TPackageLock again = second.LockPackage("report", false);
    EXPECT_TRUE(again.Held());
    EXPECT_FALSE(first.LockPackage("report", false).Held());
  }
  EXPECT_TRUE(first.LockPackage("report", false).Held());

  // A waiting instance goes on as soon as the package is let go.
  TPackageLock held = first.LockPackage("letter");
  std::atomic<bool> got{false};
  std::thread waiter([&] {
    TPackageLock mine = second.LockPackage("letter");
    got = mine.Held();
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_FALSE(got.load());
  held.Release();
  waiter.join();
  EXPECT_TRUE(got.load());

  // Without the workspace lock there is nobody to take turns with.
  TempDir other;
  std::filesystem::create_directories(other.Path("mine"));
  other.Write("mine/notes.txt", "keep");
  TWorkspaceLock refused(Backslashes(other.Path("mine")) + "\\");
  EXPECT_FALSE(refused.LockPackage("report").Held());
}

// The allocation hint on the workspace: set on a folder that becomes a
// workspace, never on one refused as somebody else's. Skipped on file systems
// that have no such hint (tmpfs, overlay, ...).
TEST(WorkspaceLock, AsksForPackageFoldersToBeSpreadOverTheDisk) {
  TempDir dir;
  std::filesystem::create_directories(dir.Path("probe"));
  if (!platform::SpreadSubfolders(dir.Path("probe"))) GTEST_SKIP() << "no folder flags here";
  auto flagged = [&](const std::string& name) {
    int fd = ::open(dir.Path(name).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    EXPECT_GE(fd, 0) << name;
    int flags = 0;
    EXPECT_EQ(::ioctl(fd, FS_IOC_GETFLAGS, &flags), 0) << name;
    ::close(fd);
    return (flags & FS_TOPDIR_FL) != 0;
  };
  EXPECT_TRUE(flagged("probe"));
  EXPECT_TRUE(platform::SpreadSubfolders(dir.Path("probe")));  // already set: still true

  TWorkspaceLock lock(Backslashes(dir.Path("ws")) + "\\");
  ASSERT_TRUE(lock.Held());
  EXPECT_TRUE(flagged("ws"));

  std::filesystem::create_directories(dir.Path("mine"));
  dir.Write("mine/notes.txt", "keep");
  TWorkspaceLock refused(Backslashes(dir.Path("mine")) + "\\");
  ASSERT_TRUE(refused.Foreign());
  EXPECT_FALSE(flagged("mine"));
  EXPECT_FALSE(platform::SpreadSubfolders(dir.Path("missing")));
}

}  // namespace
}  // namespace quillon
