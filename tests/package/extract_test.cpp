// Extraction: contents, times and attributes, folder entries, every row of
// the failure table, and names that try to leave the destination folder.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <ctime>
#include <filesystem>

#include "package/unzip.h"
#include "package/zip_errors.h"
#include "platform/files.h"
#include "platform/system.h"
#include "temp_dir.h"
#include "zip_builder.h"

namespace quillon {
namespace {

using testing_zip::BuildZip;
using testing_zip::TempDir;
using testing_zip::TestEntry;

class ExtractTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::SetMessageBoxHandler([this](const std::string& text, const std::string& caption) {
      boxes_.push_back(caption + "|" + text);
    });
  }
  void TearDown() override { platform::SetMessageBoxHandler(nullptr); }

  // Extracts |entries| into <tmp>/dest (or |dest|) and returns the count.
  int Extract(const std::vector<TestEntry>& entries, const std::string& dest = "") {
    return ExtractBytes(BuildZip(entries).bytes, dest);
  }
  int ExtractBytes(const std::string& bytes, const std::string& dest = "") {
    TUnZip zip;
    zip.SetOverwriteMode(TUZOverwriteMode::Always);
    zip.SetZipName(dir_.Write("p.zip", bytes));
    zip.ReadDirectory();
    zip.SetDestDir(dest.empty() ? dir_.Path("dest") : dest);
    return zip.ExtractEntries();
  }

  TempDir dir_;
  std::vector<std::string> boxes_;
};

TEST_F(ExtractTest, StoredAndDeflatedEntriesWithFolders) {
  std::string big(200000, '\0');
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>((i * 31) ^ (i >> 7));
  EXPECT_EQ(Extract({{.name = "word/document.xml", .data = "<w:document/>", .method = 8},
                     {.name = "word/media/big.bin", .data = big, .method = 0},
                     {.name = "word/media/big2.bin", .data = big, .method = 8},
                     {.name = "[Content_Types].xml", .data = "types"}}),
            4);
  EXPECT_EQ(dir_.Read("dest/word/document.xml"), "<w:document/>");
  EXPECT_EQ(dir_.Read("dest/word/media/big.bin"), big);
  EXPECT_EQ(dir_.Read("dest/word/media/big2.bin"), big);
  EXPECT_EQ(dir_.Read("dest/[Content_Types].xml"), "types");
}

TEST_F(ExtractTest, StampsTimeAndReadOnlyAttribute) {
  EXPECT_EQ(
      Extract({{.name = "ro.txt", .data = "r", .external = 0x21}, {.name = "rw.txt", .data = "w"}}),
      2);
  struct stat st;
  ASSERT_EQ(::stat(dir_.Path("dest/ro.txt").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH), 0u);
  struct tm tm = {};
  tm.tm_year = 125, tm.tm_mon = 0, tm.tm_mday = 1, tm.tm_hour = 12, tm.tm_isdst = -1;
  EXPECT_EQ(st.st_mtime, ::mktime(&tm));
  ASSERT_EQ(::stat(dir_.Path("dest/rw.txt").c_str(), &st), 0);
  EXPECT_NE(st.st_mode & S_IWUSR, 0u);
}

TEST_F(ExtractTest, EachEntryKeepsItsOwnTime) {
  const uint32_t older = ((2001u - 1980u) << 9 | 6u << 5 | 15u) << 16 | (8u << 11 | 30u << 5);
  EXPECT_EQ(Extract({{.name = "a.txt", .data = "a"},
                     {.name = "b.txt", .data = "b", .dos_time = older},
                     {.name = "c.txt", .data = "c"},
                     {.name = "sub/d.txt", .data = "d", .method = 8, .dos_time = older}}),
            4);
  struct stat st;
  const time_t noon = static_cast<time_t>(platform::DosDateTimeToUnix(testing_zip::kDosTime));
  const time_t morning = static_cast<time_t>(platform::DosDateTimeToUnix(older));
  ASSERT_NE(noon, morning);
  for (const char* name : {"dest/a.txt", "dest/c.txt"}) {
    ASSERT_EQ(::stat(dir_.Path(name).c_str(), &st), 0);
    EXPECT_EQ(st.st_mtime, noon) << name;
  }
  for (const char* name : {"dest/b.txt", "dest/sub/d.txt"}) {
    ASSERT_EQ(::stat(dir_.Path(name).c_str(), &st), 0);
    EXPECT_EQ(st.st_mtime, morning) << name;
  }
}

TEST_F(ExtractTest, ReplacedFilesKeepTheirModeUnlessMadeReadOnly) {
  std::filesystem::create_directories(dir_.Path("dest"));
  dir_.Write("dest/plain.txt", "old");
  dir_.Write("dest/locked.txt", "old");
  ::chmod(dir_.Path("dest/plain.txt").c_str(), 0640);
  ::chmod(dir_.Path("dest/locked.txt").c_str(), 0660);
  EXPECT_EQ(Extract({{.name = "plain.txt", .data = "new plain"},
                     {.name = "locked.txt", .data = "new locked", .external = 0x21}}),
            2);
  EXPECT_EQ(dir_.Read("dest/plain.txt"), "new plain");
  EXPECT_EQ(dir_.Read("dest/locked.txt"), "new locked");
  struct stat st;
  ASSERT_EQ(::stat(dir_.Path("dest/plain.txt").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  ASSERT_EQ(::stat(dir_.Path("dest/locked.txt").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0440u);
}

TEST_F(ExtractTest, SameNameTwiceTheLaterEntryWins) {
  EXPECT_EQ(Extract({{.name = "word/x.xml", .data = "first", .external = 0x21},
                     {.name = "word/x.xml", .data = "second"}}),
            1);  // the first is read-only by then, so the second is not written
  EXPECT_EQ(dir_.Read("dest/word/x.xml"), "first");
  EXPECT_EQ(Extract({{.name = "y.xml", .data = "first"}, {.name = "y.xml", .data = "second!"}},
                    dir_.Path("other")),
            2);
  EXPECT_EQ(dir_.Read("other/y.xml"), "second!");
}

TEST_F(ExtractTest, NonRegularFilesInTheWayAreSkipped) {
  std::filesystem::create_directories(dir_.Path("dest/folder.txt"));
  ASSERT_EQ(::mkfifo(dir_.Path("dest/pipe.txt").c_str(), 0644), 0);
  EXPECT_EQ(Extract({{.name = "pipe.txt", .data = "p"},
                     {.name = "folder.txt", .data = "f"},
                     {.name = "fine.txt", .data = "ok"}}),
            1);
  struct stat st;
  ASSERT_EQ(::lstat(dir_.Path("dest/pipe.txt").c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));
  EXPECT_TRUE(platform::DirectoryExists(dir_.Path("dest/folder.txt")));
  EXPECT_EQ(dir_.Read("dest/fine.txt"), "ok");
}

TEST_F(ExtractTest, ManyFoldersInOneArchive) {
  // More folders than are kept open at once, visited out of order.
  std::vector<TestEntry> entries;
  for (int i = 0; i < 150; ++i) {
    entries.push_back({.name = "f" + std::to_string(i) + "/deep/x.txt", .data = std::to_string(i)});
  }
  for (int i = 0; i < 150; i += 7) {
    entries.push_back(
        {.name = "f" + std::to_string(i) + "/y.txt", .data = "y" + std::to_string(i)});
  }
  // And one folder nested deeper than that.
  std::string deep;
  for (int i = 0; i < 80; ++i) deep += "d" + std::to_string(i) + "/";
  entries.push_back({.name = deep + "z.txt", .data = "deep"});
  entries.push_back({.name = "f0/deep/again.txt", .data = "again"});
  EXPECT_EQ(Extract(entries), static_cast<int>(entries.size()));
  EXPECT_EQ(dir_.Read("dest/" + deep + "z.txt"), "deep");
  EXPECT_EQ(dir_.Read("dest/f0/deep/again.txt"), "again");
  for (int i = 0; i < 150; ++i) {
    EXPECT_EQ(dir_.Read("dest/f" + std::to_string(i) + "/deep/x.txt"), std::to_string(i));
  }
  for (int i = 0; i < 150; i += 7) {
    EXPECT_EQ(dir_.Read("dest/f" + std::to_string(i) + "/y.txt"), "y" + std::to_string(i));
  }
}

TEST_F(ExtractTest, FolderEntryForAnExistingFolderMakesItWritable) {
  std::filesystem::create_directories(dir_.Path("dest/word"));
  dir_.Write("dest/word/keep.txt", "keep");
  ::chmod(dir_.Path("dest/word").c_str(), 0555);
  EXPECT_EQ(Extract({{.name = "word/", .data = "", .external = 0x11},
                     {.name = "media/a.bin", .data = "a"},
                     {.name = "media/", .data = "", .external = 0x10}}),
            3);
  struct stat st;
  ASSERT_EQ(::stat(dir_.Path("dest/word").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0755u);
  EXPECT_EQ(dir_.Read("dest/word/keep.txt"), "keep");
  EXPECT_EQ(dir_.Read("dest/media/a.bin"), "a");
  ASSERT_EQ(::stat(dir_.Path("dest/media").c_str(), &st), 0);
  EXPECT_NE(st.st_mode & S_IWUSR, 0u);
}

TEST_F(ExtractTest, ReadOnlyEntryWithWrongCrcIsStillDeleted) {
  EXPECT_EQ(Extract({{.name = "ro.txt", .data = "r", .external = 0x21, .crc = 1u}}), 0);
  EXPECT_FALSE(dir_.Exists("dest/ro.txt"));
}

TEST_F(ExtractTest, FolderEntriesAndEmptyFilesCount) {
  EXPECT_EQ(Extract({{.name = "word/", .data = "", .external = 0x11},
                     {.name = "word/empty.txt", .data = ""}}),
            2);
  EXPECT_TRUE(platform::DirectoryExists(dir_.Path("dest/word")));
  // The read-only bit is not applied to folders, which would lock their files out.
  EXPECT_EQ(platform::GetAttributes(dir_.Path("dest/word")) & platform::kAttrReadOnly, 0u);
  EXPECT_TRUE(platform::FileExists(dir_.Path("dest/word/empty.txt")));
  EXPECT_EQ(platform::FileSize(dir_.Path("dest/word/empty.txt")), 0);
}

TEST_F(ExtractTest, WrongCrcDeletesTheFileWithoutError) {
  EXPECT_EQ(Extract({{.name = "good.txt", .data = "good"},
                     {.name = "bad.txt", .data = "bad", .method = 8, .crc = 0x12345678u}}),
            1);
  EXPECT_TRUE(dir_.Exists("dest/good.txt"));
  EXPECT_FALSE(dir_.Exists("dest/bad.txt"));
}

TEST_F(ExtractTest, ExistingReadOnlyFileIsNotReplaced) {
  std::filesystem::create_directories(dir_.Path("dest"));
  dir_.Write("dest/keep.txt", "old");
  platform::SetAttributes(dir_.Path("dest/keep.txt"), platform::kAttrReadOnly);
  dir_.Write("dest/over.txt", "old");
  EXPECT_EQ(Extract({{.name = "keep.txt", .data = "new"}, {.name = "over.txt", .data = "new"}}), 1);
  EXPECT_EQ(dir_.Read("dest/keep.txt"), "old");
  EXPECT_EQ(dir_.Read("dest/over.txt"), "new");
}

TEST_F(ExtractTest, TruncatedDataRaisesAndKeepsEarlierFiles) {
  auto built = BuildZip({{.name = "first.txt", .data = "first"},
                         {.name = "second.txt", .data = std::string(5000, 's')}});
  // Cut inside the second entry's data: no end record is left.
  try {
    ExtractBytes(built.bytes.substr(0, built.local_offsets[1] + 30 + 10 + 100));
    ADD_FAILURE() << "no exception";
  } catch (const EIncompleteZip& e) {
    EXPECT_STREQ(e.what(), "Incomplete Zip File");
  }
  // The directory survives but promises more data than the file holds.
  std::string bytes = built.bytes;
  size_t second = built.central_offset + 46 + 9;  // the second central header
  for (size_t field : {20u, 24u}) {
    const uint32_t v = 900000;
    for (int k = 0; k < 4; ++k) bytes[second + field + k] = static_cast<char>(v >> (8 * k));
  }
  try {
    ExtractBytes(bytes);
    ADD_FAILURE() << "no exception";
  } catch (const EFatalUnzipError& e) {
    EXPECT_STREQ(e.what(), "Premature end of file reached");
  }
  EXPECT_EQ(dir_.Read("dest/first.txt"), "first");
}

TEST_F(ExtractTest, AbsoluteAndDriveFoldersStayInside) {
  EXPECT_EQ(Extract({{.name = "\\abs\\one.txt", .data = "1"},
                     {.name = "C:\\abs\\two.txt", .data = "2"},
                     {.name = "C:rel\\three.txt", .data = "3"},
                     {.name = "/root/four.txt", .data = "4"}}),
            4);
  EXPECT_EQ(dir_.Read("dest/abs/one.txt"), "1");
  EXPECT_EQ(dir_.Read("dest/abs/two.txt"), "2");
  EXPECT_EQ(dir_.Read("dest/rel/three.txt"), "3");
  EXPECT_EQ(dir_.Read("dest/root/four.txt"), "4");
  EXPECT_FALSE(dir_.Exists("destrel"));  // never a sibling of the destination
}

TEST_F(ExtractTest, NamesLeadingOutsideAreRefused) {
  EXPECT_EQ(Extract({{.name = "../evil.txt", .data = "e"},
                     {.name = "a/../../evil2.txt", .data = "e"},
                     {.name = "..\\evil3.txt", .data = "e"},
                     {.name = "C:..\\evil4.txt", .data = "e"},
                     {.name = "x/..", .data = "e"},
                     {.name = "../", .data = ""},
                     {.name = "ok/./fine.txt", .data = "f"}}),
            1);
  EXPECT_EQ(dir_.Read("dest/ok/fine.txt"), "f");
  std::vector<platform::DirEntry> top;
  platform::ListFolder(dir_.Path(), top);
  for (const auto& e : top) EXPECT_TRUE(e.name == "dest" || e.name == "p.zip") << e.name;
}

TEST_F(ExtractTest, LinksInsideTheDestinationAreNeverFollowed) {
  std::filesystem::create_directories(dir_.Path("dest"));
  std::filesystem::create_directories(dir_.Path("outside"));
  dir_.Write("outside/target.txt", "precious");
  std::filesystem::create_directory_symlink(dir_.Path("outside"), dir_.Path("dest/link"));
  std::filesystem::create_symlink(dir_.Path("outside/target.txt"), dir_.Path("dest/file.txt"));
  EXPECT_EQ(
      Extract({{.name = "link/target.txt", .data = "x"}, {.name = "file.txt", .data = "replaced"}}),
      1);
  EXPECT_EQ(dir_.Read("outside/target.txt"), "precious");
  EXPECT_FALSE(platform::IsSymlink(dir_.Path("dest/file.txt")));
  EXPECT_EQ(dir_.Read("dest/file.txt"), "replaced");
}

TEST_F(ExtractTest, EncryptedEntriesAreSkipped) {
  EXPECT_EQ(
      Extract({{.name = "secret.txt", .data = "s", .flags = 1}, {.name = "open.txt", .data = "o"}}),
      1);
  EXPECT_FALSE(dir_.Exists("dest/secret.txt"));
  EXPECT_TRUE(boxes_.empty());
}

TEST_F(ExtractTest, UnknownMethodShowsAMessageAndDeletesTheFile) {
  EXPECT_EQ(Extract({{.name = "lzma.bin", .data = "data", .method = 14},
                     {.name = "zero.bin", .data = "", .method = 99}}),
            1);  // the empty entry's CRC-32 is 0 and still matches
  ASSERT_EQ(boxes_.size(), 2u);
  EXPECT_EQ(boxes_[0], "Zip Error|Unknown Compression Method");
  EXPECT_FALSE(dir_.Exists("dest/lzma.bin"));
  EXPECT_TRUE(dir_.Exists("dest/zero.bin"));
}

TEST_F(ExtractTest, MoreDataThanDeclaredFailsTheEntry) {
  EXPECT_EQ(
      Extract(
          {{.name = "long.txt", .data = std::string(100, 'L'), .method = 8, .declared_size = 50u},
           {.name = "fine.txt", .data = "ok"}}),
      1);
  EXPECT_FALSE(dir_.Exists("dest/long.txt"));
  EXPECT_TRUE(dir_.Exists("dest/fine.txt"));
}

TEST_F(ExtractTest, DeclaredSizeAboveTheDataLeavesNoZeroTail) {
  EXPECT_EQ(Extract({{.name = "short.txt", .data = "abc", .method = 8, .declared_size = 4000u}}),
            1);
  EXPECT_EQ(dir_.Read("dest/short.txt"), "abc");
}

TEST_F(ExtractTest, ExpansionBeyondTheBoundIsRefused) {
  // Two entries claiming 1.5 GiB each; neither is written.
  const uint32_t claim = 3u << 29;
  try {
    Extract({{.name = "a.bin", .data = "x", .declared_size = claim},
             {.name = "b.bin", .data = "y", .declared_size = claim}});
    FAIL() << "no exception";
  } catch (const EZipTooLarge& e) {
    EXPECT_NE(std::string(e.what()).find("2 GiB"), std::string::npos);
  }
  EXPECT_FALSE(dir_.Exists("dest/a.bin"));
}

TEST_F(ExtractTest, CorruptDeflateDataRaisesZlibError) {
  try {
    Extract({{.name = "bad.bin",
              .data = "whatever",
              .method = 8,
              .raw_payload = std::string("\xff\xff\xff\xff\xff\xff", 6)}});
    FAIL() << "no exception";
  } catch (const EZCompressionError& e) {
    EXPECT_STREQ(e.what(), "error");
  }
}

TEST_F(ExtractTest, ArchiveWithoutEntriesExtractsNothing) {
  EXPECT_EQ(Extract({}), 0);
  EXPECT_TRUE(platform::DirectoryExists(dir_.Path("dest")));
}

TEST_F(ExtractTest, DestinationWithTrailingBackslashAndMissingParents) {
  std::string dest = dir_.Path("a/b/c");
  for (char& c : dest) {
    if (c == '/') c = '\\';
  }
  EXPECT_EQ(Extract({{.name = "f.txt", .data = "f"}}, dest + "\\"), 1);
  EXPECT_EQ(dir_.Read("a/b/c/f.txt"), "f");
}

TEST_F(ExtractTest, RefillsAcrossChunkBoundaries) {
  // Incompressible data larger than several 32768-byte chunks, in both
  // stored and deflated form, ending exactly on and just off a boundary.
  for (size_t size : {32768u * 3, 32768u * 3 + 1, 32767u}) {
    std::string data(size, '\0');
    uint32_t x = 12345;
    for (char& c : data) {
      x = x * 1103515245 + 12345;
      c = static_cast<char>(x >> 24);
    }
    EXPECT_EQ(Extract({{.name = "s.bin", .data = data, .method = 0},
                       {.name = "d.bin", .data = data, .method = 8}}),
              2);
    EXPECT_EQ(dir_.Read("dest/s.bin"), data);
    EXPECT_EQ(dir_.Read("dest/d.bin"), data);
  }
}

}  // namespace
}  // namespace quillon
