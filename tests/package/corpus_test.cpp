// Extracts every archive of the shared ZIP corpus and checks names, sizes and
// CRC-32 values against the listing made with other tools (EXPECTED.tsv).
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "package/crc32.h"
#include "package/unzip.h"
#include "package/zip_errors.h"
#include "platform/files.h"
#include "platform/system.h"

namespace quillon {
namespace {

namespace fs = std::filesystem;

struct Expected {
  std::string name;
  int method = -1;
  uint64_t size = 0;
  uint32_t crc = 0;
  std::string result;
};

std::string CorpusZipDir() { return std::string(QUILLON_CORPUS_DIR) + "/zip/"; }

std::map<std::string, std::vector<Expected>> LoadExpected() {
  std::map<std::string, std::vector<Expected>> out;
  std::ifstream in(CorpusZipDir() + "EXPECTED.tsv");
  std::string line;
  std::getline(in, line);  // header
  while (std::getline(in, line)) {
    std::vector<std::string> cols;
    std::stringstream ss(line);
    std::string col;
    while (std::getline(ss, col, '\t')) cols.push_back(col);
    if (cols.size() < 6) continue;
    Expected e;
    e.name = cols[1];
    e.method = cols[2] == "-" ? -1 : std::stoi(cols[2]);
    e.size = cols[3].empty() || cols[3] == "-" ? 0 : std::stoull(cols[3]);
    e.crc = cols[4].empty() || cols[4] == "-"
                ? 0
                : static_cast<uint32_t>(std::stoul(cols[4], nullptr, 16));
    e.result = cols[5];
    out[cols[0]].push_back(e);
  }
  return out;
}

// An archive is meant to be valid when every row says OK, or the only
// failures are methods this system does not decode.
bool MeantValid(const std::vector<Expected>& rows) {
  for (const Expected& e : rows) {
    bool ok = e.result.rfind("OK", 0) == 0;
    bool reduce = e.result.find("`reduce' method not supported") != std::string::npos;
    if (!ok && !reduce) return false;
  }
  return !rows.empty() && rows.front().method >= 0;
}

// Archives whose listing (made by tools that trust local headers or check
// consistency differently) disagrees with this reader's rules, each for a
// reason the system means to have.
const std::set<std::string>& KnownDifferences() {
  static const std::set<std::string> names = {
      // A file and a folder of the same name: the later one cannot be made.
      "golang-dupdir.zip",
      "libarchive-test_read_format_zip_msdos.zip",
      // More data than the declared size: the entry fails.
      "libarchive-test_read_format_zip_size_exceeds_declared_deflate.zip",
      "libarchive-test_read_format_zip_size_exceeds_declared_stored.zip",
      // Declared sizes beyond the expansion bound: refused as a whole.
      "libarchive-test_read_format_zip_uncompressed_size_off_by_4gib.zip",
      "libzip-incons-zip64-checkcons-overflow.zip",
      // The central directory's method, sizes, CRC or count are wrong; the
      // central directory is what this reader trusts.
      "libzip-incons-central-compression-method.zip",
      "libzip-incons-central-compsize-larger-toolarge.zip",
      "libzip-incons-central-compsize-larger.zip",
      "libzip-incons-central-compsize-smaller.zip",
      "libzip-incons-central-crc.zip",
      "libzip-incons-central-size-larger.zip",
      "libzip-incons-file-count-low.zip",
      "libzip-incons-stored-size.zip",
      // A NUL inside an entry name: refused.
      "libzip-incons-filename-nul-byte.zip",
      // An end record inside the archive comment: the one nearest the end wins.
      "libzip-zip-in-archive-comment.zip",
      "libzip-zip64-in-archive-comment.zip",
  };
  return names;
}

bool Decodes(int method) { return method >= 0 && method <= 8 && method != 7; }

class CorpusTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::SetMessageBoxHandler([](const std::string&, const std::string&) {});
    dir_ = fs::temp_directory_path() / ("quillon_corpus_" + std::to_string(::getpid()));
    fs::remove_all(dir_);
  }
  void TearDown() override {
    platform::SetMessageBoxHandler(nullptr);
    fs::remove_all(dir_);
  }
  fs::path dir_;
};

TEST_F(CorpusTest, ValidArchivesExtractWithTheExpectedSizesAndCrcs) {
  auto expected = LoadExpected();
  ASSERT_GT(expected.size(), 100u);
  int archives = 0;
  int files_checked = 0;
  for (const auto& [archive, rows] : expected) {
    if (!MeantValid(rows) || KnownDifferences().count(archive) > 0) continue;
    ++archives;
    fs::path dest = dir_ / archive;
    TUnZip zip;
    zip.SetOverwriteMode(TUZOverwriteMode::Always);
    zip.SetZipName(CorpusZipDir() + archive);
    int count = -1;
    try {
      zip.ReadDirectory();
      zip.SetDestDir(dest.string());
      count = zip.ExtractEntries();
    } catch (const std::exception& e) {
      ADD_FAILURE() << archive << ": " << e.what();
      continue;
    }
    // Entries with distinct names and a decodable method must come out
    // with the listed size and CRC-32.
    std::map<std::string, int> name_uses;
    for (const Expected& e : rows) name_uses[e.name]++;
    int expected_count = 0;
    for (const Expected& e : rows) {
      bool is_dir = !e.name.empty() && e.name.back() == '/';
      if (is_dir) {
        ++expected_count;
        continue;
      }
      if (!Decodes(e.method) || name_uses[e.name] > 1 || e.name.empty()) continue;
      if (e.name.find('\\') != std::string::npos || e.name.find("..") != std::string::npos ||
          e.name.find(':') != std::string::npos || e.name.find('\x7f') != std::string::npos) {
        continue;
      }
      bool ascii = true;
      for (unsigned char c : e.name) ascii = ascii && c >= 0x20 && c < 0x7F;
      if (!ascii) continue;
      ++expected_count;
      fs::path file = dest / e.name;
      std::string data;
      if (platform::ReadWholeFile(file.string(), data) != 0) {
        ADD_FAILURE() << archive << ": " << e.name << " missing";
        continue;
      }
      EXPECT_EQ(data.size(), e.size) << archive << ": " << e.name;
      EXPECT_EQ(Crc32Of(data.data(), data.size()), e.crc) << archive << ": " << e.name;
      ++files_checked;
    }
    EXPECT_GE(count, expected_count) << archive;
  }
  EXPECT_GT(archives, 150);
  EXPECT_GT(files_checked, 500);
}

TEST_F(CorpusTest, EveryArchiveExtractsOrRaisesTheComponentsOwnError) {
  int extracted = 0;
  int refused = 0;
  for (const auto& entry : fs::directory_iterator(CorpusZipDir())) {
    const std::string name = entry.path().filename().string();
    if (name == "EXPECTED.tsv") continue;
    fs::path dest = dir_ / "all" / name;
    TUnZip zip;
    zip.SetOverwriteMode(TUZOverwriteMode::Always);
    zip.SetZipName(entry.path().string());
    try {
      zip.ReadDirectory();
      zip.SetDestDir(dest.string());
      zip.ExtractEntries();
      ++extracted;
    } catch (const EUnZipException&) {
      ++refused;
    } catch (const std::exception& e) {
      ADD_FAILURE() << name << ": foreign exception " << e.what();
    }
  }
  EXPECT_GT(extracted, 200);
  EXPECT_GT(refused, 5);
  // Whatever the archives held, nothing landed beside the destinations.
  for (const auto& p : fs::directory_iterator(dir_)) EXPECT_EQ(p.path().filename(), "all");
}

TEST_F(CorpusTest, WellFormedDocxPackagesUnpack) {
  // SOURCES.md marks the deliberately odd packages.
  std::string sources;
  platform::ReadWholeFile(std::string(QUILLON_CORPUS_DIR) + "/SOURCES.md", sources);
  int unpacked = 0;
  for (const auto& entry :
       fs::recursive_directory_iterator(std::string(QUILLON_CORPUS_DIR) + "/docx")) {
    if (!entry.is_regular_file() || entry.path().extension() != ".docx") continue;
    std::string relative = fs::relative(entry.path(), QUILLON_CORPUS_DIR).string();
    size_t row = sources.find("| " + relative + " |");
    if (row == std::string::npos) continue;
    size_t row_end = sources.find('\n', row);
    if (sources.substr(row, row_end - row).find("UNUSUAL") != std::string::npos) continue;
    fs::path dest = dir_ / "docx" / std::to_string(unpacked);
    TUnZip zip;
    zip.SetOverwriteMode(TUZOverwriteMode::Always);
    zip.SetZipName(entry.path().string());
    zip.ReadDirectory();
    zip.SetDestDir(dest.string());
    int count = zip.ExtractEntries();
    EXPECT_EQ(count, zip.EntryCount()) << relative;
    EXPECT_TRUE(platform::FileExists((dest / "word" / "document.xml").string())) << relative;
    ++unpacked;
  }
  EXPECT_GT(unpacked, 300);
}

}  // namespace
}  // namespace quillon
