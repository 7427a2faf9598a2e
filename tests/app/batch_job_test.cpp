// The Convert action end to end over real packages and the real conversion,
// with a recording engine in place of the word processor.
#include "app/batch_job.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>

#include "../wordsave/recording_model.h"
#include "platform/files.h"
#include "platform/system.h"
#include "recording_view.h"
#include "temp_folder.h"

namespace quillon {
namespace {

using testing::RecordingLog;
using testing::RecordingView;
using testing::TempFolder;

const std::string kCorpus = std::string(QUILLON_CORPUS_DIR) + "/docx/python-docx/";
constexpr size_t kSavedBytes = 1500;  // what the recording engine writes: "2 KB"

class BatchJobTest : public ::testing::Test {
 protected:
  void SetUp() override {
    log_->values["Word.activeDocument.shapes.count"] = 0;
    log_->values["Word.activeDocument.inLineShapes.count"] = 0;
    log_->on_call = [this](const std::string&, const std::string& name, const VariantList& args) {
      if (name == "SaveAs" && write_on_save_) {
        std::ofstream(platform::NativePath(args.at(0).AsText()), std::ios::binary)
            << std::string(kSavedBytes, 'd');
      }
    };
    job_.SetWorkspaceDir(workspace_.path());
    job_.FormCreate();
    job_.FormShow();
  }

  AutoObjectPtr MakeEngine(const std::string& name, const EngineOptions& options) {
    ++engines_made_;
    engine_name_ = name;
    engine_workspace_ = options.workspace_dir;
    if (engine_fails_) throw AutomationError("no word processor here");
    return testing::MakeRecordingWord(log_);
  }

  void Open() {
    ASSERT_TRUE(job_.PickerOk(docs_.path()));
    job_.AfterPicker();
  }

  std::vector<std::string> SubItems(int row) const { return view_.rows.at(row).sub_items; }

  TempFolder docs_;
  TempFolder workspace_;
  std::shared_ptr<RecordingLog> log_ = std::make_shared<RecordingLog>();
  RecordingView view_;
  int engines_made_ = 0;
  std::string engine_name_;
  std::string engine_workspace_;
  bool engine_fails_ = false;
  bool write_on_save_ = true;
  BatchJob job_{view_,
                [this](const std::string& n, const EngineOptions& o) { return MakeEngine(n, o); }};
};

TEST(ChangeExtensionTest, ReplacesAfterTheLastDotOfTheName) {
  EXPECT_EQ(ChangeExtension("a.b.docx", ".doc"), "a.b.doc");
  EXPECT_EQ(ChangeExtension("report.docx", ".htm"), "report.htm");
  EXPECT_EQ(ChangeExtension("noext", ".doc"), "noext.doc");
  EXPECT_EQ(ChangeExtension("C:\\x.y\\noext", ".doc"), "C:\\x.y\\noext.doc");
  EXPECT_EQ(ChangeExtension("C:\\x.y\\r.docx", ".doc"), "C:\\x.y\\r.doc");
}

TEST_F(BatchJobTest, StartUpAndShow) {
  EXPECT_EQ(view_.caption, " Quillon");
  EXPECT_EQ(view_.status, "Open a folder containing your Word documents, and Convert them.");
  EXPECT_EQ(job_.ProgramDir(), platform::ExecutableFolder());
  EXPECT_EQ(job_.WorkspaceDir(), workspace_.path() + "\\");
  EXPECT_EQ(job_.EngineName(), kDefaultEngine);
}

TEST_F(BatchJobTest, OpeningAFolderShowsItsRows) {
  docs_.Copy(kCorpus + "doc-default.docx", "one.docx");
  view_.result_folder_enabled = true;
  Open();
  EXPECT_EQ(view_.caption, " Quillon - " + docs_.dir());
  EXPECT_EQ(view_.focus, "btnConv");
  EXPECT_FALSE(view_.result_folder_enabled);
  EXPECT_TRUE(view_.convert_enabled);
  ASSERT_EQ(view_.rows.size(), 1u);
  EXPECT_EQ(view_.rows[0].caption, "  one.docx");
}

TEST_F(BatchJobTest, ConvertWithEmptyListDoesNothing) {
  const std::string status = view_.status;
  view_.log.clear();
  job_.btnConvClick();
  EXPECT_EQ(engines_made_, 0);
  EXPECT_EQ(view_.status, status);
  EXPECT_TRUE(view_.log.empty());
}

TEST_F(BatchJobTest, ConvertsCheckedFilesAndReportsEachRow) {
  docs_.Copy(kCorpus + "doc-default.docx", "a.docx");
  docs_.Write("broken.docx", "this is not a zip archive");
  docs_.Copy(kCorpus + "tbl-having-tables.docx", "c.docx");
  Open();
  job_.btnConvClick();

  EXPECT_EQ(engines_made_, 1);
  EXPECT_EQ(engine_name_, kDefaultEngine);
  EXPECT_EQ(engine_workspace_, job_.WorkspaceDir());
  EXPECT_EQ(SubItems(0), (std::vector<std::string>{view_.rows[0].sub_items[0], "2 KB", "OK"}));
  EXPECT_EQ(SubItems(1), (std::vector<std::string>{"1 KB", "-", "Error"}));
  EXPECT_EQ(SubItems(2), (std::vector<std::string>{view_.rows[2].sub_items[0], "2 KB", "OK"}));
  EXPECT_TRUE(platform::FileExists(docs_.path() + "/a.doc"));
  EXPECT_TRUE(platform::FileExists(docs_.path() + "/c.doc"));
  EXPECT_TRUE(platform::FileExists(workspace_.path() + "/a/word/doc.htm"));
  // Only the two good files reached the save, each once.
  EXPECT_EQ(log_->Matching(".SaveAs(").size(), 2u);
  EXPECT_EQ(log_->Matching("call Word.Quit()").size(), 1u);

  EXPECT_EQ(view_.Lines("progress"),
            (std::vector<std::string>{"progress max 4", "progress 1", "progress 2", "progress 3",
                                      "progress 4", "progress 0"}));
  EXPECT_EQ(view_.messages,
            std::vector<std::string>{"Files Conversion Finished.\r\ndoc files have been saved in "
                                     "the same folder:\r\n" +
                                     docs_.dir()});
  EXPECT_EQ(view_.status, "Conversion Finished.");
  EXPECT_FALSE(view_.gauge_visible);
  EXPECT_TRUE(view_.result_folder_enabled);
  EXPECT_EQ(view_.focus, "btnLook");
}

TEST_F(BatchJobTest, StatusTextsAndGaugeStepsOfOneFile) {
  docs_.Copy(kCorpus + "doc-default.docx", "a.docx");
  Open();
  view_.log.clear();
  job_.btnConvClick();
  const std::string source = docs_.dir() + "a.docx";
  EXPECT_EQ(view_.Lines("status"),
            (std::vector<std::string>{"status Parepaing conversion...", "status Opening " + source,
                                      "status Converting " + source,
                                      "status Saving " + docs_.dir() + "a.doc",
                                      "status Conversion Finished."}));
  // Batch start, then per file: 0 and ten steps of 10; shown and hidden
  // around the batch.
  std::vector<std::string> expected_gauge = {"gauge 0", "gauge shown", "gauge 0"};
  for (int p = 10; p <= 100; p += 10) expected_gauge.push_back("gauge " + std::to_string(p));
  expected_gauge.push_back("gauge hidden");
  EXPECT_EQ(view_.Lines("gauge "), expected_gauge);
  // Each status change is repainted before the next step.
  for (size_t i = 0; i + 1 < view_.log.size(); ++i) {
    if (view_.log[i].rfind("status ", 0) == 0) {
      EXPECT_EQ(view_.log[i + 1], "repaint") << view_.log[i];
    }
  }
  EXPECT_EQ(view_.log.back(), "repaint");
}

TEST_F(BatchJobTest, UncheckedRowsArePassedButTheEngineStillRuns) {
  docs_.Copy(kCorpus + "doc-default.docx", "a.docx");
  docs_.Copy(kCorpus + "doc-default.docx", "b.docx");
  Open();
  for (auto& row : view_.rows) row.checked = false;
  job_.btnConvClick();
  EXPECT_EQ(engines_made_, 1);
  EXPECT_EQ(log_->lines.front(), "set Word.visible=false");
  EXPECT_EQ(log_->lines.back(), "call Word.Quit()");
  const std::string size = SizeText(FileSizeOf(kCorpus + "doc-default.docx"));
  for (int i = 0; i < 2; ++i)
    EXPECT_EQ(SubItems(i), (std::vector<std::string>{size, " - ", " Passed"}));
  EXPECT_EQ(view_.messages.size(), 1u);
}

TEST_F(BatchJobTest, SecondRunShowsOnlyItsOwnOutcome) {
  docs_.Copy(kCorpus + "doc-default.docx", "a.docx");
  docs_.Copy(kCorpus + "doc-default.docx", "b.docx");
  Open();
  job_.btnConvClick();
  view_.rows[1].checked = false;
  job_.btnConvClick();
  EXPECT_EQ(SubItems(0).size(), 3u);
  EXPECT_EQ(SubItems(0)[2], "OK");
  EXPECT_EQ(SubItems(1), (std::vector<std::string>{SubItems(0)[0], " - ", " Passed"}));
  EXPECT_EQ(engines_made_, 2);
}

TEST_F(BatchJobTest, DottedNameKeepsItsInnerDots) {
  docs_.Copy(kCorpus + "doc-default.docx", "a.b.docx");
  Open();
  job_.btnConvClick();
  EXPECT_EQ(SubItems(0)[2], "OK");
  EXPECT_TRUE(platform::FileExists(docs_.path() + "/a.b.doc"));
  EXPECT_TRUE(platform::FileExists(workspace_.path() + "/a.b/word/doc.htm"));
  EXPECT_EQ(log_->Matching(".SaveAs(")[0],
            "call Word.Documents.Item(1).SaveAs(\"" + docs_.dir() + "a.b.doc\",0)");
  EXPECT_EQ(log_->Matching(".Open(")[0],
            "call Word.Documents.Open(\"" + workspace_.dir() + "a.b\\word\\doc.htm\",false,true)");
}

TEST_F(BatchJobTest, EngineThatWillNotStartFailsEveryCheckedRowAfterOneMessage) {
  engine_fails_ = true;
  docs_.Copy(kCorpus + "doc-default.docx", "a.docx");
  docs_.Copy(kCorpus + "doc-default.docx", "b.docx");
  Open();
  view_.rows[1].checked = false;
  job_.btnConvClick();
  EXPECT_EQ(view_.messages.size(), 2u);
  EXPECT_EQ(view_.messages[0], "This function need MS Word installed.\r\nIt will not work now.");
  EXPECT_EQ(view_.messages[1].rfind("Files Conversion Finished.", 0), 0u);
  EXPECT_EQ(SubItems(0)[2], "Error");
  EXPECT_EQ(SubItems(1)[2], " Passed");
  // The page was still made; only the save failed.
  EXPECT_TRUE(platform::FileExists(workspace_.path() + "/a/word/doc.htm"));
}

TEST_F(BatchJobTest, SaveThatWritesNothingIsAnError) {
  write_on_save_ = false;
  docs_.Copy(kCorpus + "doc-default.docx", "a.docx");
  docs_.Copy(kCorpus + "doc-default.docx", "b.docx");
  docs_.Write("b.doc", "an old result");  // left from before: not rewritten now
  Open();
  job_.btnConvClick();
  EXPECT_EQ(SubItems(0), (std::vector<std::string>{SubItems(0)[0], "-", "Error"}));
  EXPECT_EQ(SubItems(1), (std::vector<std::string>{SubItems(1)[0], "-", "Error"}));
}

TEST_F(BatchJobTest, NamesThatCannotNameAPackageFolderFail) {
  docs_.Copy(kCorpus + "doc-default.docx", "...docx");
  docs_.Copy(kCorpus + "doc-default.docx", "up\\..\\..\\escape.docx");
  docs_.Copy(kCorpus + "doc-default.docx", "fine.docx");
  Open();
  ASSERT_EQ(view_.rows.size(), 3u);
  job_.btnConvClick();
  for (int i = 0; i < 3; ++i) {
    const std::string& name = job_.Sources().SourceFiles[i];
    EXPECT_EQ(SubItems(i)[2], name == "fine.docx" ? "OK" : "Error") << name;
  }
  EXPECT_FALSE(platform::PathExists(workspace_.path() + "/../escape"));
  EXPECT_FALSE(platform::PathExists(workspace_.path() + "/../word"));
}

TEST_F(BatchJobTest, GaugeStopsAtOneHundred) {
  view_.gauge = 95;
  job_.StepGauge("x");
  EXPECT_EQ(view_.gauge, 100);
  job_.StepGauge("x");
  EXPECT_EQ(view_.gauge, 100);
}

TEST_F(BatchJobTest, ClosingEmptiesTheWorkspace) {
  docs_.Copy(kCorpus + "doc-default.docx", "a.docx");
  Open();
  job_.btnConvClick();
  ASSERT_TRUE(platform::DirectoryExists(workspace_.path() + "/a"));
  job_.FormClose();
  EXPECT_FALSE(platform::PathExists(workspace_.path() + "/a"));
  EXPECT_TRUE(platform::DirectoryExists(workspace_.path()));
  EXPECT_TRUE(platform::FileExists(docs_.path() + "/a.doc"));
  job_.FormDestroy();
  EXPECT_TRUE(job_.Sources().SourceFiles.empty());
  EXPECT_TRUE(job_.ResultDir().empty());
}

}  // namespace
}  // namespace quillon
