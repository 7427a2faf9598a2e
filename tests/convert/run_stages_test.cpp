#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "convert/state.h"
#include "convert/styles.h"

namespace quillon {
namespace {

class RecordingProgress : public StageProgress {
 public:
  void StepGauge(const std::string& label) override { labels.push_back(label); }
  std::vector<std::string> labels;
};

TEST(RunStagesTest, SmallDocumentGivesTheWholePage) {
  InitConversionState();
  ResetConversionState();
  ConversionState& s = State();
  s.PackageName = "Doc";
  s.PixelDivisor = 15;
  s.AutoShadingColor = "#eeeeee";
  s.StylesText.clear();
  BuildStyleSheet();
  s.DocumentText =
      "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
      "<w:document xmlns:w=\"x\"><w:body><w:p w:rsidR=\"00A1\"><w:r><w:t>Overview: New</w:t>"
      "</w:r><w:r><w:rPr><w:b/></w:rPr><w:t>How:</w:t></w:r></w:p><w:sectPr>"
      "<w:pgSz w:w=\"12240\" w:h=\"15840\"/></w:sectPr></w:body></w:document>";
  RecordingProgress progress;
  RunStages(progress);
  EXPECT_EQ(progress.labels,
            (std::vector<std::string>{"Preparing conversion", "Parsing table", "ParsingList",
                                      "Parsing text", "Optimizing", "Done"}));
  EXPECT_EQ(s.DocumentText,
            "<html>\r\n<head>\r\n<title>Doc</title>\r\n"
            "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=UTF-8\"/>\r\n"
            "<style>\r\n"
            "p{margin-top:0px;margin-bottom:0px;font-family:'Times New Roman'}\r\n"
            "ol,ul{margin-top:0px;margin-bottom:0px;margin-left:1em}\r\n"
            "table{border-collapse:collapse;}\r\n"
            "td{padding:1 2;border-color:gray;}\r\n"
            "blockquote{margin-top:0px;margin-bottom:0px;disply:inline;}\r\n"
            ".tab{margin-left:3em}</style></head><body>\r\n"
            "<p>Overview: New<b>How:</b></p></body></html>");
  EXPECT_EQ(s.PageSettings.width, "816");
  EXPECT_EQ(s.PageSettings.height, "1056");
  EXPECT_EQ(s.PageSettings.left, "96");
  EXPECT_EQ(s.EncodingText, "UTF-8");
}

}  // namespace
}  // namespace quillon
