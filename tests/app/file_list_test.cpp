// The folder scan, sizes, size texts, rows and the picker's OK.
#include "app/file_list.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "platform/files.h"
#include "platform/system.h"
#include "recording_view.h"
#include "temp_folder.h"

namespace quillon {
namespace {

using testing::RecordingView;
using testing::TempFolder;

TEST(MaskListTest, StarsRemovedThenSplit) {
  EXPECT_EQ(MaskList("*.docx"), std::vector<std::string>{".docx"});
  EXPECT_EQ(MaskList("*.docx;*.doc"), (std::vector<std::string>{".docx", ".doc"}));
  EXPECT_EQ(MaskList("*.a,*.b"), (std::vector<std::string>{".a", ".b"}));
  EXPECT_EQ(MaskList("*.a;*.b,c"), (std::vector<std::string>{".a", ".b,c"}));  // ";" wins over ","
  EXPECT_EQ(MaskList(""), std::vector<std::string>{""});
  EXPECT_EQ(MaskList("**.x*"), std::vector<std::string>{".x"});
}

TEST(SizeTextTest, WholeKilobytesPlusOne) {
  EXPECT_EQ(SizeText(0), "0 KB");
  EXPECT_EQ(SizeText(-5), "0 KB");
  EXPECT_EQ(SizeText(1), "1 KB");
  EXPECT_EQ(SizeText(1023), "1 KB");
  EXPECT_EQ(SizeText(1024), "2 KB");
  EXPECT_EQ(SizeText(2047), "2 KB");
  EXPECT_EQ(SizeText(2048), "3 KB");
  EXPECT_EQ(SizeText(5000000000LL), "4882813 KB");
}

TEST(WithTrailingBackslashTest, AppendsOnce) {
  EXPECT_EQ(WithTrailingBackslash("a"), "a\\");
  EXPECT_EQ(WithTrailingBackslash("a\\"), "a\\");
  EXPECT_EQ(WithTrailingBackslash(""), "\\");
}

class ScanFolderTest : public ::testing::Test {
 protected:
  TempFolder folder_;
  SourceFileList list_;
};

TEST_F(ScanFolderTest, ListsDocumentsByLowerCasedExtensionSortedIgnoringCase) {
  folder_.Write("REPORT.DOCX", std::string(3000, 'r'));
  folder_.Write("notes.docx", "n");
  folder_.Write("Apple.Docx", "");
  for (const char* other :
       {"old.doc", "macro.docm", "save.docx.bak", "docx", "plain.txt", "x.docx.tmp"}) {
    folder_.Write(other, "x");
  }
  ASSERT_TRUE(ScanFolder(folder_.dir(), kDocumentMask, list_));
  EXPECT_EQ(list_.SourceFiles,
            (std::vector<std::string>{"Apple.Docx", "notes.docx", "REPORT.DOCX"}));
  EXPECT_EQ(list_.SourceSizes, (std::vector<int32_t>{0, 1, 3000}));
}

TEST_F(ScanFolderTest, MatchingFolderIsListedWithSizeZero) {
  folder_.Make("sub.docx");
  folder_.Write("sub.docx/inner.bin", std::string(9000, 'i'));
  folder_.Make("other");
  ASSERT_TRUE(ScanFolder(folder_.dir(), kDocumentMask, list_));
  EXPECT_EQ(list_.SourceFiles, std::vector<std::string>{"sub.docx"});
  EXPECT_EQ(list_.SourceSizes, std::vector<int32_t>{0});
  EXPECT_EQ(SizeText(list_.SourceSizes[0]), "0 KB");
}

TEST_F(ScanFolderTest, NameMatchingTwoMasksIsListedTwice) {
  folder_.Write("a.docx", "aa");
  ASSERT_TRUE(ScanFolder(folder_.dir(), "*.docx;*.docx", list_));
  EXPECT_EQ(list_.SourceFiles, (std::vector<std::string>{"a.docx", "a.docx"}));
  EXPECT_EQ(list_.SourceSizes, (std::vector<int32_t>{2, 2}));
  // Masks are compared exactly: an upper-case mask matches nothing.
  ASSERT_TRUE(ScanFolder(folder_.dir(), "*.DOCX", list_));
  EXPECT_TRUE(list_.SourceFiles.empty());
}

TEST_F(ScanFolderTest, UnreadableFolderGivesFalseAndEmptyLists) {
  list_.SourceFiles = {"stale.docx"};
  list_.SourceSizes = {7};
  EXPECT_FALSE(ScanFolder(folder_.dir() + "missing\\", kDocumentMask, list_));
  EXPECT_TRUE(list_.SourceFiles.empty());
  EXPECT_TRUE(list_.SourceSizes.empty());
}

TEST_F(ScanFolderTest, EmptyFolderIsReadable) {
  EXPECT_TRUE(ScanFolder(folder_.dir(), kDocumentMask, list_));
  EXPECT_TRUE(list_.SourceFiles.empty());
}

TEST(FileSizeOfTest, FilesFoldersAndRelativePaths) {
  TempFolder folder;
  folder.Write("f.bin", std::string(1234, 'x'));
  folder.Make("d");
  EXPECT_EQ(FileSizeOf(folder.dir() + "f.bin"), 1234);
  EXPECT_EQ(FileSizeOf(folder.dir() + "missing"), 0);
  EXPECT_EQ(FileSizeOf(folder.dir() + "d"), 0);
  const std::string old = platform::CurrentFolder();
  ASSERT_TRUE(platform::SetCurrentFolder(folder.path()));
  EXPECT_EQ(FileSizeOf("f.bin"), 1234);
  platform::SetCurrentFolder(old);
}

TEST(FileSizeOfTest, HugeFileIsClampedNotWrapped) {
  TempFolder folder;
  folder.Write("huge.docx", "");
  ASSERT_EQ(truncate((folder.path() + "/huge.docx").c_str(), 3LL * 1024 * 1024 * 1024), 0);
  EXPECT_EQ(FileSizeOf(folder.dir() + "huge.docx"), INT32_MAX);
}

class RowsTest : public ::testing::Test {
 protected:
  void Sized(const std::string& name, off_t size) {
    folder_.Write(name, "");
    ASSERT_EQ(truncate((folder_.path() + "/" + name).c_str(), size), 0);
  }
  TempFolder folder_;
  SourceFileList list_;
  RecordingView view_;
};

TEST_F(RowsTest, OneCheckedRowPerFileWithSizeText) {
  Sized("b.docx", 1024);
  Sized("a.docx", 0);
  view_.status = "before";
  view_.rows.push_back({"  old", false, {}});
  ASSERT_TRUE(ScanFolder(folder_.dir(), kDocumentMask, list_));
  showFileInfo1(view_, list_);
  ASSERT_EQ(view_.rows.size(), 2u);
  EXPECT_EQ(view_.rows[0].caption, "  a.docx");
  EXPECT_EQ(view_.rows[1].caption, "  b.docx");
  EXPECT_TRUE(view_.rows[0].checked && view_.rows[1].checked);
  EXPECT_EQ(view_.rows[0].sub_items, std::vector<std::string>{"0 KB"});
  EXPECT_EQ(view_.rows[1].sub_items, std::vector<std::string>{"2 KB"});
  EXPECT_EQ(view_.status, "before");
}

TEST_F(RowsTest, BigFileWarningOnlyAboveTheLimit) {
  Sized("edge.docx", 512000);
  ASSERT_TRUE(ScanFolder(folder_.dir(), kDocumentMask, list_));
  view_.status = "before";
  showFileInfo1(view_, list_);
  EXPECT_EQ(view_.status, "before");
  Sized("big.docx", 512001);
  ASSERT_TRUE(ScanFolder(folder_.dir(), kDocumentMask, list_));
  showFileInfo1(view_, list_);
  EXPECT_EQ(view_.status, "Warning: Big file in list, conversion may be slow, please be patient.");
}

TEST_F(RowsTest, ShowFilesPresentsTheFolder) {
  Sized("a.docx", 10);
  list_.ResultDir = folder_.dir();
  ASSERT_TRUE(ScanFolder(list_.ResultDir, kDocumentMask, list_));
  showFiles(view_, list_);
  EXPECT_TRUE(view_.list_visible);
  EXPECT_TRUE(view_.convert_enabled);
  EXPECT_EQ(view_.caption, " Quillon - " + folder_.dir());
  EXPECT_EQ(view_.rows.size(), 1u);
}

class PickerOkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::SetMessageBoxHandler([this](const std::string& text, const std::string& caption) {
      messages_.push_back(caption + ": " + text);
    });
  }
  void TearDown() override { platform::SetMessageBoxHandler(nullptr); }
  std::vector<std::string> messages_;
  SourceFileList list_;
};

TEST_F(PickerOkTest, FolderWithDocumentsIsTakenWithTrailingBackslash) {
  TempFolder folder;
  folder.Write("x.docx", "x");
  EXPECT_TRUE(PickerOk(folder.path(), kDocumentMask, list_));
  EXPECT_EQ(list_.ResultDir, folder.dir());
  EXPECT_EQ(list_.SourceFiles, std::vector<std::string>{"x.docx"});
  EXPECT_TRUE(messages_.empty());
  EXPECT_TRUE(PickerOk(folder.dir(), kDocumentMask, list_));
  EXPECT_EQ(list_.ResultDir, folder.dir());
}

TEST_F(PickerOkTest, FolderWithoutDocumentsKeepsPickerOpenAndEarlierList) {
  TempFolder good, empty;
  good.Write("x.docx", "x");
  empty.Write("x.doc", "x");
  ASSERT_TRUE(PickerOk(good.path(), kDocumentMask, list_));
  EXPECT_FALSE(PickerOk(empty.path(), kDocumentMask, list_));
  EXPECT_FALSE(PickerOk(empty.path() + "/missing", kDocumentMask, list_));
  EXPECT_EQ(messages_,
            (std::vector<std::string>{"Quillon: There's no proper files in this folder",
                                      "Quillon: There's no proper files in this folder"}));
  EXPECT_EQ(list_.ResultDir, good.dir());
  EXPECT_EQ(list_.SourceFiles, std::vector<std::string>{"x.docx"});
}

}  // namespace
}  // namespace quillon
