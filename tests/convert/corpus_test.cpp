// End to end over the sample documents: unpack, load and run every stage.
// Each document either gives a complete page or fails with one of the errors
// the conversion foresees (a bad archive, a missing document part, a value
// that is not a whole number, a regex engine limit, a file error).
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <string>
#include <vector>

#include "convert/state.h"
#include "package/workspace.h"
#include "package/zip_errors.h"
#include "platform/files.h"
#include "text/regex.h"
#include "text/text_ops.h"

namespace quillon {
namespace {

class SilentProgress : public StageProgress {
 public:
  void StepGauge(const std::string& label) override { labels.push_back(label); }
  std::vector<std::string> labels;
};

std::vector<std::string> CorpusFiles() {
  std::vector<std::string> files;
  const std::string root = std::string(QUILLON_CORPUS_DIR) + "/docx";
  std::vector<platform::DirEntry> groups;
  if (!platform::ListFolder(root, groups)) return files;
  for (const auto& group : groups) {
    if (!group.is_dir) continue;
    std::vector<platform::DirEntry> entries;
    platform::ListFolder(root + "/" + group.name, entries);
    for (const auto& entry : entries) {
      if (!entry.is_dir && entry.name.size() > 5 &&
          entry.name.substr(entry.name.size() - 5) == ".docx") {
        files.push_back(group.name + "/" + entry.name);
      }
    }
  }
  std::sort(files.begin(), files.end());
  return files;
}

TEST(CorpusTest, EveryDocumentGivesAPageOrAForeseenError) {
  const std::vector<std::string> files = CorpusFiles();
  ASSERT_FALSE(files.empty());
  char folder[] = "/tmp/quillon_corpus_XXXXXX";
  ASSERT_NE(mkdtemp(folder), nullptr);
  const std::string workspace = std::string(folder) + "\\";
  InitConversionState();
  int pages = 0;
  std::string failures;
  for (size_t i = 0; i < files.size(); ++i) {
    const std::string& file = files[i];
    std::string error;
    try {
      ResetConversionState();
      ConversionState& s = State();
      s.PackageName = "doc" + std::to_string(i);
      s.PackageDir = workspace + s.PackageName + "\\";
      ExtractPackage(std::string(QUILLON_CORPUS_DIR) + "/docx/" + file, s.PackageDir);
      LoadPackage();
      SilentProgress progress;
      RunStages(progress);
      EXPECT_EQ(progress.labels.size(), 6u);
      const std::string& page = s.DocumentText;
      EXPECT_EQ(page.rfind("<html>\r\n<head>\r\n<title>" + s.PackageName + "</title>", 0), 0u)
          << file;
      ASSERT_GE(page.size(), 14u);
      EXPECT_EQ(page.substr(page.size() - 14), "</body></html>") << file;
      ++pages;
    } catch (const EUnZipException& e) {
      error = std::string("archive: ") + e.what();
    } catch (const PackageError& e) {
      error = std::string("package: ") + e.what();
    } catch (const ConversionError& e) {
      error = std::string("number: ") + e.what();
    } catch (const RegexError& e) {
      error = std::string("regex: ") + e.what();
    } catch (const TextFileError& e) {
      error = std::string("file: ") + e.what();
    } catch (const std::exception& e) {
      ADD_FAILURE() << file << ": unforeseen error: " << e.what();
    }
    if (!error.empty()) failures += "  " + file + " -> " + error + "\n";
  }
  std::cout << pages << " of " << files.size() << " documents converted; failures:\n" << failures;
  EXPECT_GT(pages, static_cast<int>(files.size()) * 9 / 10);
  DeleteTree(workspace);
}

}  // namespace
}  // namespace quillon
