// The ZIP records: date repair, Zip64 accessors, the sorted owning list.
#include <gtest/gtest.h>

#include "package/crc32.h"
#include "package/zip_records.h"

namespace quillon {
namespace {

uint32_t Dos(int year, int month, int day, int hour, int minute, int second) {
  uint32_t date = static_cast<uint32_t>(((year - 1980) << 9) | (month << 5) | day);
  uint32_t time = static_cast<uint32_t>((hour << 11) | (minute << 5) | (second / 2));
  return (date << 16) | time;
}

TEST(RepairDosDateTime, KeepsValidValuesBitForBit) {
  EXPECT_EQ(RepairDosDateTime(Dos(2024, 2, 29, 23, 59, 58)), Dos(2024, 2, 29, 23, 59, 58));
  EXPECT_EQ(RepairDosDateTime(Dos(1980, 1, 1, 0, 0, 0)), Dos(1980, 1, 1, 0, 0, 0));
  // Day 31 in February is not a clamped field: kept as stored.
  EXPECT_EQ(RepairDosDateTime(Dos(2023, 2, 31, 1, 2, 4)), Dos(2023, 2, 31, 1, 2, 4));
}

TEST(RepairDosDateTime, ClampsEachFieldIntoRange) {
  EXPECT_EQ(RepairDosDateTime(Dos(2001, 0, 0, 10, 0, 0)), Dos(2001, 1, 1, 10, 0, 0));
  EXPECT_EQ(RepairDosDateTime(Dos(2001, 5, 5, 24, 61, 0)), Dos(2001, 5, 5, 23, 59, 0));
  EXPECT_EQ(RepairDosDateTime(Dos(2001, 13, 5, 1, 1, 62)), Dos(2001, 12, 5, 1, 1, 58));
  // Year 1980 + 127 is beyond 2099.
  uint32_t far_future = (127u << 25) | (6u << 21) | (7u << 16);
  EXPECT_EQ(RepairDosDateTime(far_future), Dos(2099, 6, 7, 0, 0, 0));
}

TEST(TZipHeaderInfo, ResetValues) {
  TZipHeaderInfo info;
  info.crc32 = 5;
  info.SetFullName("a\\b");
  info.Reset();
  EXPECT_EQ(info.version_made_by, 45);
  EXPECT_EQ(info.version_needed, 20);
  EXPECT_EQ(info.compression_method, 8);
  EXPECT_EQ(info.crc32, 0xFFFFFFFFu);
  EXPECT_EQ(info.internal_attributes, 1);
  EXPECT_EQ(info.external_attributes, 0x20u);
  EXPECT_TRUE(info.FileName().empty());
  EXPECT_FALSE(info.zip64.has_value());
}

TEST(TZipHeaderInfo, SplitsNameAtTheLastBackslash) {
  TZipHeaderInfo info;
  info.SetFullName("word\\_rels\\document.xml.rels");
  EXPECT_EQ(info.Directory(), "word\\_rels\\");
  EXPECT_EQ(info.FileName(), "document.xml.rels");
  EXPECT_EQ(info.name_length, 28);
  info.SetFileName("x");
  EXPECT_EQ(info.name_length, 12);
  info.SetDirectory("abc");
  EXPECT_EQ(info.Directory(), "abc\\");
  EXPECT_EQ(info.name_length, 5);
  info.SetFullName("plain");
  EXPECT_EQ(info.Directory(), "");
  EXPECT_EQ(info.FileName(), "plain");
}

TEST(TZipHeaderInfo, Zip64AccessorsAndSetters) {
  TZipHeaderInfo info;
  info.SetCompressedSize(100);
  info.SetUncompressedSize(0x1'0000'0005ull);
  EXPECT_EQ(info.compressed_size, 100u);
  EXPECT_EQ(info.uncompressed_size, 0xFFFFFFFFu);
  ASSERT_TRUE(info.zip64.has_value());
  EXPECT_EQ(info.UncompressedSize(), 0x1'0000'0005ull);
  EXPECT_EQ(info.CompressedSize(), 100u);
  info.SetLocalHeaderOffset(0xFFFFFFFF);  // exactly the marker goes to the block
  EXPECT_EQ(info.local_header_offset, 0xFFFFFFFFu);
  EXPECT_EQ(info.LocalHeaderOffset(), 0xFFFFFFFFull);
  info.SetDiskNumberStart(70000);
  EXPECT_EQ(info.disk_number_start, 0xFFFF);
  EXPECT_EQ(info.DiskNumberStart(), 70000u);

  // A saturated field without a block stands for itself.
  TZipHeaderInfo bare;
  bare.compressed_size = 0xFFFFFFFF;
  EXPECT_EQ(bare.CompressedSize(), 0xFFFFFFFFull);
  // A block is consulted only for saturated fields.
  bare.Zip64().compressed_size = 7;
  bare.compressed_size = 9;
  EXPECT_EQ(bare.CompressedSize(), 9u);
}

TEST(TZipHeaderInfo, CopyTakesBlockCommentAndSelection) {
  TZipHeaderInfo a;
  a.SetFullName("x\\y");
  a.SetUncompressedSize(0x2'0000'0000ull);
  a.comment = "note";
  a.selected = true;
  TZipHeaderInfo b;
  b = a;
  EXPECT_EQ(b.FullName(), "x\\y");
  EXPECT_EQ(b.UncompressedSize(), 0x2'0000'0000ull);
  EXPECT_EQ(b.comment.value_or(""), "note");
  EXPECT_TRUE(b.selected);
}

TEST(TEndCentral, FallsBackToZip64WhenSaturated) {
  TEndCentral end;
  end.total_entries = 0xFFFF;
  end.central_offset = 0xFFFFFFFF;
  EXPECT_EQ(end.TotalEntries(), 0xFFFFu);  // no Zip64 record yet
  end.Zip64().total_entries = 123456;
  end.Zip64().central_offset = 0x1'2345'6789ull;
  EXPECT_EQ(end.TotalEntries(), 123456u);
  EXPECT_EQ(end.CentralOffset(), 0x1'2345'6789ull);
  EXPECT_EQ(end.Zip64().record_size, 44u);
  EXPECT_EQ(end.Zip64Locator().total_disks, 1u);
  end.total_entries = 3;
  EXPECT_EQ(end.TotalEntries(), 3u);
  end.comment = "c";
  end.comment_position = 10;
  end.modified = true;
  end.Reset();
  EXPECT_EQ(end.signature, 0x06054B50u);
  EXPECT_FALSE(end.comment.has_value());
  EXPECT_EQ(end.comment_position, 0);
  EXPECT_FALSE(end.modified);
  EXPECT_EQ(end.TotalEntries(), 0u);
}

std::unique_ptr<TZipHeaderInfo> At(uint32_t disk, uint64_t offset) {
  auto info = std::make_unique<TZipHeaderInfo>();
  info->SetDiskNumberStart(disk);
  info->SetLocalHeaderOffset(offset);
  return info;
}

TEST(TSortedZip, OrdersByDiskThenOffset) {
  TSortedZip list;
  list.Add(At(0, 500));
  list.Add(At(1, 10));
  list.Add(At(0, 0x1'0000'0000ull));
  list.Add(At(0, 20));
  ASSERT_EQ(list.Count(), 4);
  EXPECT_EQ(list[0].LocalHeaderOffset(), 20u);
  EXPECT_EQ(list[1].LocalHeaderOffset(), 500u);
  EXPECT_EQ(list[2].LocalHeaderOffset(), 0x1'0000'0000ull);
  EXPECT_EQ(list[3].DiskNumberStart(), 1u);
  EXPECT_TRUE(list.HasZip64());
}

TEST(TSortedZip, DuplicatesModes) {
  TSortedZip error_list(TDuplicates::dupError);
  error_list.Add(At(0, 5));
  try {
    error_list.Add(At(0, 5));
    FAIL() << "no error";
  } catch (const EListError& e) {
    EXPECT_STREQ(e.what(), "Duplicate Object index");
  }
  EXPECT_EQ(error_list.Count(), 1);

  TSortedZip ignore_list(TDuplicates::dupIgnore);
  EXPECT_EQ(ignore_list.Add(At(0, 5)), 0);
  EXPECT_EQ(ignore_list.Add(At(0, 5)), -1);
  EXPECT_EQ(ignore_list.Count(), 1);

  TSortedZip accept_list(TDuplicates::dupAccept);
  accept_list.Add(At(0, 5));
  accept_list.Add(At(0, 5));
  accept_list.Add(At(0, 1));
  EXPECT_EQ(accept_list.Count(), 3);
  EXPECT_EQ(accept_list[0].LocalHeaderOffset(), 1u);
}

TEST(TSortedZip, RefusesPlacementAtAnIndex) {
  TSortedZip list;
  try {
    list.Put(0, At(0, 1));
    FAIL() << "no error";
  } catch (const EListError& e) {
    EXPECT_STREQ(e.what(), "Cannot <Put> an Object in a sorted list!");
  }
  EXPECT_THROW(list.Insert(0, At(0, 1)), EListError);
  EXPECT_EQ(list.Count(), 0);
}

TEST(Crc32, MatchesTheStandardCheckValue) {
  EXPECT_EQ(Crc32Of("123456789", 9), 0xCBF43926u);
  EXPECT_EQ(Crc32Of("", 0), 0u);
  // Running updates over pieces equal one pass, whatever the split.
  std::string text(1000, '\0');
  for (size_t i = 0; i < text.size(); ++i) text[i] = static_cast<char>(i * 7 + 3);
  uint32_t whole = Crc32Of(text.data(), text.size());
  for (size_t split : {1u, 7u, 8u, 9u, 500u, 999u}) {
    uint32_t run = UpdateCrc32(kCrc32Initial, text.data(), split);
    run = UpdateCrc32(run, text.data() + split, text.size() - split);
    EXPECT_EQ(~run, whole) << split;
  }
}

}  // namespace
}  // namespace quillon
