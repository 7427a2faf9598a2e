// Reading an archive's directory: the end record search, Zip64, the ".zfc"
// sibling, damaged directories and their recovery, name conversion, reuse.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include "package/unzip.h"
#include "package/zip_errors.h"
#include "platform/system.h"
#include "temp_dir.h"
#include "zip_builder.h"

namespace quillon {
namespace {

using testing_zip::BuildZip;
using testing_zip::TempDir;
using testing_zip::TestEntry;
using testing_zip::ZipOptions;

class ReaderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::SetMessageBoxHandler([](const std::string&, const std::string&) {});
  }
  void TearDown() override { platform::SetMessageBoxHandler(nullptr); }

  // Reads the directory of |bytes| written as |name|.
  TUnZip& Read(const std::string& bytes, const std::string& name = "a.zip") {
    zip_.SetZipName(dir_.Write(name, bytes));
    zip_.ReadDirectory();
    return zip_;
  }

  TempDir dir_;
  TUnZip zip_;
};

TEST_F(ReaderTest, EmptyFileIsAnArchiveWithoutEntries) {
  Read("");
  EXPECT_EQ(zip_.EntryCount(), 0);
  zip_.SetDestDir(dir_.Path("out"));
  EXPECT_EQ(zip_.ExtractEntries(), 0);
}

TEST_F(ReaderTest, ShortFileOrNoEndRecordIsIncomplete) {
  for (const std::string& bytes :
       {std::string("x"), std::string(21, 'P'),
        std::string(70000, 'a') + "PK\x05\x06" + std::string(70000, 'b')}) {
    Read(bytes);
    EXPECT_EQ(zip_.EntryCount(), 0);
    EXPECT_EQ(zip_.ZipName(), dir_.Path("a.zip"));  // not reset
    zip_.SetDestDir(dir_.Path("out"));
    try {
      zip_.ExtractEntries();
      ADD_FAILURE() << "no exception for " << bytes.size() << " bytes";
    } catch (const EIncompleteZip& e) {
      EXPECT_STREQ(e.what(), "Incomplete Zip File");
    }
    zip_.SetZipName("");
  }
}

TEST_F(ReaderTest, SplitsNamesIntoFolderAndFile) {
  Read(BuildZip(
           {{.name = "word/_rels/document.xml.rels", .data = "r"}, {.name = "word/", .data = ""}})
           .bytes);
  ASSERT_EQ(zip_.EntryCount(), 2);
  EXPECT_EQ(zip_.Entry(0).Directory(), "word\\_rels\\");
  EXPECT_EQ(zip_.Entry(0).FileName(), "document.xml.rels");
  EXPECT_EQ(zip_.Entry(1).Directory(), "word\\");
  EXPECT_EQ(zip_.Entry(1).FileName(), "");
}

TEST_F(ReaderTest, EntriesComeInDataOrder) {
  Read(BuildZip({{.name = "first", .data = "1"},
                 {.name = "second", .data = "22"},
                 {.name = "third", .data = "333"}},
                {.central_order = {2, 0, 1}})
           .bytes);
  ASSERT_EQ(zip_.EntryCount(), 3);
  EXPECT_EQ(zip_.Entry(0).FileName(), "first");
  EXPECT_EQ(zip_.Entry(1).FileName(), "second");
  EXPECT_EQ(zip_.Entry(2).FileName(), "third");
  EXPECT_LT(zip_.Entry(0).LocalHeaderOffset(), zip_.Entry(1).LocalHeaderOffset());
}

TEST_F(ReaderTest, EndSignatureInsideTheCommentNearestTheEndWins) {
  // The comment carries a second end record naming no entries; it lies
  // nearer the end of the file than the real one.
  std::string fake = "PK\x05\x06" + std::string(18, '\0');
  auto built = BuildZip({{.name = "a.txt", .data = "abc"}}, {.comment = "x" + fake + "y"});
  Read(built.bytes);
  EXPECT_EQ(zip_.EntryCount(), 0);
  EXPECT_EQ(zip_.EndCentral().comment_position, static_cast<int64_t>(built.bytes.size()) - 1);
  // Without the trap the real record is found, and its comment position kept.
  auto plain = BuildZip({{.name = "a.txt", .data = "abc"}}, {.comment = "hello"});
  Read(plain.bytes, "b.zip");
  EXPECT_EQ(zip_.EntryCount(), 1);
  EXPECT_EQ(zip_.EndCentral().comment_position, static_cast<int64_t>(plain.bytes.size()) - 5);
  EXPECT_EQ(zip_.EndCentral().comment_length, 5);
}

TEST_F(ReaderTest, ReadsZip64EndRecordAndExtraField) {
  // Central sizes and offset saturated, real values in the Zip64 extra field.
  std::string extra;
  testing_zip::Put16(extra, 1), testing_zip::Put16(extra, 24);
  testing_zip::Put64(extra, 5), testing_zip::Put64(extra, 5), testing_zip::Put64(extra, 0);
  TestEntry e{.name = "big.txt", .data = "hello", .central_extra = extra};
  auto built = BuildZip({e}, {.zip64_end = true});
  // Saturate the central fields (compressed size, size, offset) in place.
  size_t c = built.central_offset;
  for (size_t field : {20u, 24u, 42u}) {
    for (int k = 0; k < 4; ++k) built.bytes[c + field + k] = '\xFF';
  }
  Read(built.bytes);
  ASSERT_EQ(zip_.EntryCount(), 1);
  EXPECT_EQ(zip_.EndCentral().total_entries, 0xFFFF);
  EXPECT_EQ(zip_.EndCentral().TotalEntries(), 1u);
  const TZipHeaderInfo& info = zip_.Entry(0);
  EXPECT_EQ(info.compressed_size, 0xFFFFFFFFu);
  EXPECT_EQ(info.CompressedSize(), 5u);
  EXPECT_EQ(info.UncompressedSize(), 5u);
  EXPECT_EQ(info.LocalHeaderOffset(), 0u);
  EXPECT_EQ(info.zip64_block_size, 28);
  zip_.SetDestDir(dir_.Path("out"));
  EXPECT_EQ(zip_.ExtractEntries(), 1);
  EXPECT_EQ(dir_.Read("out/big.txt"), "hello");
}

TEST_F(ReaderTest, RetriesAfterAWrongExtraFieldLength) {
  // The first header claims 6 extra bytes it does not have.
  auto built = BuildZip({{.name = "one", .data = "1", .central_extra_length = uint16_t{6}},
                         {.name = "two", .data = "2"}});
  Read(built.bytes);
  ASSERT_EQ(zip_.EntryCount(), 2);
  EXPECT_EQ(zip_.Entry(0).central_extra_length, 0);
  EXPECT_EQ(zip_.Entry(1).FileName(), "two");
}

TEST_F(ReaderTest, DuplicateLocalOffsetsAreRebuiltFromLocalHeaders) {
  auto built = BuildZip({{.name = "a.txt", .data = "aaa"},
                         {.name = "b.txt", .data = "bbbb", .central_offset = 0u},
                         {.name = "c.txt", .data = "c"}});
  Read(built.bytes);
  ASSERT_EQ(zip_.EntryCount(), 3);
  EXPECT_EQ(zip_.Entry(0).FileName(), "a.txt");
  EXPECT_EQ(zip_.Entry(1).FileName(), "b.txt");
  EXPECT_EQ(zip_.Entry(1).LocalHeaderOffset(), built.local_offsets[1]);
  EXPECT_EQ(zip_.Entry(2).FileName(), "c.txt");
  // Central values were merged into the scanned records they first named;
  // the second claim on offset 0 was dropped, so b.txt keeps its local values.
  EXPECT_EQ(zip_.Entry(0).version_made_by, 20);
  EXPECT_EQ(zip_.Entry(1).version_made_by, 0);
  EXPECT_EQ(zip_.Entry(2).version_made_by, 20);
  zip_.SetDestDir(dir_.Path("out"));
  EXPECT_EQ(zip_.ExtractEntries(), 3);
  EXPECT_EQ(dir_.Read("out/b.txt"), "bbbb");
}

TEST_F(ReaderTest, UnreadableDirectoryWithoutLocalHeadersIsBad) {
  // An end record pointing at garbage, and no local header anywhere.
  std::string bytes = std::string(100, 'z');
  testing_zip::Put32(bytes, 0x06054B50);
  testing_zip::Put16(bytes, 0), testing_zip::Put16(bytes, 0);
  testing_zip::Put16(bytes, 1), testing_zip::Put16(bytes, 1);
  testing_zip::Put32(bytes, 46), testing_zip::Put32(bytes, 10);
  testing_zip::Put16(bytes, 0);
  zip_.SetZipName(dir_.Write("bad.zip", bytes));
  try {
    zip_.ReadDirectory();
    FAIL() << "no exception";
  } catch (const EBadZipFile& e) {
    EXPECT_STREQ(e.what(), "Not a valid zip file!");
  }
  EXPECT_EQ(zip_.ZipName(), "");  // the component was reset
  EXPECT_EQ(zip_.EntryCount(), 0);
}

TEST_F(ReaderTest, ExeArchivesAreScannedFrom14000) {
  // Two local headers, one before and one after offset 14000, and a
  // directory that cannot be read.
  auto early = BuildZip({{.name = "early.txt", .data = "e"}}, {.end_record = false});
  std::string bytes = early.bytes.substr(0, early.central_offset);
  bytes += std::string(14000 - bytes.size() + 10, 'x');
  auto late = BuildZip({{.name = "late.txt", .data = "l"}}, {.end_record = false});
  bytes += late.bytes.substr(0, late.central_offset);
  std::string end;
  testing_zip::Put32(end, 0x06054B50);
  testing_zip::Put16(end, 0), testing_zip::Put16(end, 0), testing_zip::Put16(end, 1);
  testing_zip::Put16(end, 1), testing_zip::Put32(end, 0), testing_zip::Put32(end, 5);
  testing_zip::Put16(end, 0);
  Read(bytes + end, "setup.exe");
  ASSERT_EQ(zip_.EntryCount(), 1);
  EXPECT_EQ(zip_.Entry(0).FileName(), "late.txt");
  // From offset 0 the walk finds the early header and stops at the junk.
  Read(bytes + end, "setup.zip");
  ASSERT_EQ(zip_.EntryCount(), 1);
  EXPECT_EQ(zip_.Entry(0).FileName(), "early.txt");
}

TEST_F(ReaderTest, ZfcSiblingHoldsTheDirectoryOfAnArchiveWithoutEndRecord) {
  auto built = BuildZip({{.name = "x.txt", .data = "xyz"}});
  std::string data_part = built.bytes.substr(0, built.central_offset);
  dir_.Write("part.zfc", built.bytes.substr(built.central_offset));
  Read(data_part, "part.zip");
  ASSERT_EQ(zip_.EntryCount(), 1);
  zip_.SetDestDir(dir_.Path("out"));
  EXPECT_EQ(zip_.ExtractEntries(), 1);
  EXPECT_EQ(dir_.Read("out/x.txt"), "xyz");
  // A complete archive never looks at its sibling.
  dir_.Write("whole.zfc", "garbage");
  Read(built.bytes, "whole.zip");
  EXPECT_EQ(zip_.EntryCount(), 1);
}

TEST_F(ReaderTest, ReusesTheDirectoryWhileTheFileIsUnchanged) {
  std::string path = dir_.Write("r.zip", BuildZip({{.name = "a", .data = "1"}}).bytes);
  zip_.SetZipName(path);
  zip_.ReadDirectory();
  zip_.ReadDirectory();
  zip_.SetZipName(path);
  zip_.ReadDirectory();
  EXPECT_EQ(zip_.DirectoryReads(), 1);
  dir_.Write("r.zip", BuildZip({{.name = "a", .data = "1"}, {.name = "b", .data = "2"}}).bytes);
  zip_.ReadDirectory();
  EXPECT_EQ(zip_.DirectoryReads(), 2);
  EXPECT_EQ(zip_.EntryCount(), 2);
  // Another archive forgets the list; a name differing only in case is
  // another file on POSIX.
  std::string upper = dir_.Write("R.zip", BuildZip({{.name = "z", .data = "9"}}).bytes);
  zip_.SetZipName(upper);
  EXPECT_EQ(zip_.EntryCount(), 0);
  zip_.ReadDirectory();
  EXPECT_EQ(zip_.DirectoryReads(), 3);
  EXPECT_EQ(zip_.Entry(0).FileName(), "z");
}

TEST_F(ReaderTest, MissingArchiveCannotBeOpened) {
  std::string path = dir_.Path("missing.zip");
  zip_.SetZipName(path);
  try {
    zip_.ReadDirectory();
    FAIL() << "no exception";
  } catch (const EFOpenError& e) {
    EXPECT_EQ(std::string(e.what()), "Cannot open file " + path);
  }
  EXPECT_EQ(zip_.ZipName(), "");
}

TEST_F(ReaderTest, ArchiveLockedByAWriterCannotBeOpened) {
  std::string path = dir_.Write("w.zip", BuildZip({{.name = "a", .data = "1"}}).bytes);
  int fd = ::open(path.c_str(), O_RDWR);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::flock(fd, LOCK_EX), 0);
  zip_.SetZipName(path);
  EXPECT_THROW(zip_.ReadDirectory(), EFOpenError);
  ::close(fd);
  zip_.SetZipName(path);
  zip_.ReadDirectory();
  EXPECT_EQ(zip_.EntryCount(), 1);
}

TEST_F(ReaderTest, ConvertsDosNamesButNotUtf8FlaggedOnes) {
  // 0x82 is e-acute in code page 437 (0xE9 in 1252).
  Read(BuildZip({{.name = "caf\x82.txt", .data = "1"},
                 {.name = "na\xC3\xAFve.txt", .data = "2", .flags = 0x800},
                 {.name = "unix\x82.txt", .data = "3", .made_by = 0x0314}})
           .bytes);
  ASSERT_EQ(zip_.EntryCount(), 3);
  EXPECT_EQ(zip_.Entry(0).FileName(), "caf\xE9.txt");
  EXPECT_TRUE(zip_.Entry(0).name_is_ansi);
  EXPECT_EQ(zip_.Entry(1).FileName(), "na\xC3\xAFve.txt");
  EXPECT_EQ(zip_.Entry(2).FileName(), "unix\x82.txt");
  zip_.SetDestDir(dir_.Path("out"));
  EXPECT_EQ(zip_.ExtractEntries(), 3);
  EXPECT_EQ(dir_.Read("out/caf\xC3\xA9.txt"), "1");  // UTF-8 on disk
  EXPECT_EQ(dir_.Read("out/na\xC3\xAFve.txt"), "2");
  EXPECT_EQ(dir_.Read("out/unix\x82.txt"), "3");
}

}  // namespace
}  // namespace quillon
