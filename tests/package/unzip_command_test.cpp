// `quillon unzip ARCHIVE DESTDIR`: the count on standard output, messages on
// standard error, and the exit codes.
#include <gtest/gtest.h>

#include "cli/commands.h"
#include "temp_dir.h"
#include "zip_builder.h"

namespace quillon {
namespace {

using testing_zip::BuildZip;
using testing_zip::TempDir;

TEST(UnzipCommand, PrintsTheNumberOfEntriesExtracted) {
  TempDir dir;
  std::string archive =
      dir.Write("a.zip", BuildZip({{.name = "word/", .data = ""},
                                   {.name = "word/document.xml", .data = "doc", .method = 8},
                                   {.name = "bad.txt", .data = "x", .crc = 1u}})
                             .bytes);
  ::testing::internal::CaptureStdout();
  int rc = cli::UnzipCommand({archive, dir.Path("out/deeper")});
  std::string out = ::testing::internal::GetCapturedStdout();
  EXPECT_EQ(rc, 0);
  EXPECT_EQ(out, "2\n");
  EXPECT_EQ(dir.Read("out/deeper/word/document.xml"), "doc");
}

TEST(UnzipCommand, ReportsErrorsOnStandardError) {
  TempDir dir;
  std::string junk = dir.Write("junk.zip", "no archive here");
  ::testing::internal::CaptureStdout();
  ::testing::internal::CaptureStderr();
  int rc = cli::UnzipCommand({junk, dir.Path("out")});
  std::string out = ::testing::internal::GetCapturedStdout();
  std::string err = ::testing::internal::GetCapturedStderr();
  EXPECT_NE(rc, 0);
  EXPECT_EQ(out, "");
  EXPECT_EQ(err, "Incomplete Zip File\n");

  ::testing::internal::CaptureStderr();
  rc = cli::UnzipCommand({dir.Path("missing.zip"), dir.Path("out")});
  err = ::testing::internal::GetCapturedStderr();
  EXPECT_NE(rc, 0);
  EXPECT_EQ(err, "Cannot open file " + dir.Path("missing.zip") + "\n");

  ::testing::internal::CaptureStderr();
  EXPECT_EQ(cli::UnzipCommand({junk}), 2);
  EXPECT_NE(::testing::internal::GetCapturedStderr().find("usage"), std::string::npos);
}

}  // namespace
}  // namespace quillon
