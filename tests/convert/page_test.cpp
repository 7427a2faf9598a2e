#include <gtest/gtest.h>
#include <stdlib.h>

#include "convert/page_stages.h"
#include "convert/state.h"
#include "platform/files.h"
#include "text/text_ops.h"

namespace quillon {
namespace {

const std::string kBegin = "<fldChar fldCharType=\"begin\"/>";
const std::string kSeparate = "<fldChar fldCharType=\"separate\"/>";
const std::string kEnd = "<fldChar fldCharType=\"end\"/>";

const std::string kHead =
    "<html>\r\n<head><title>Report</title>\r\n"
    "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=UTF-8\"/>\r\n"
    "<style>\r\n"
    "p{margin-top:0px;margin-bottom:0px;font-family:'Times New Roman'}\r\n"
    "ol,ul{margin-top:0px;margin-bottom:0px;margin-left:1em}\r\n"
    "table{border-collapse:collapse;}\r\n"
    "td{padding:1 2;border-color:gray;}\r\n"
    "blockquote{margin-top:0px;margin-bottom:0px;disply:inline;}\r\n"
    ".tab{margin-left:3em}</style></head>";

class PageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetConversionState();
    State().PackageName = "Report";
    State().EncodingText = "UTF-8";
  }
  std::string Run(void (*stage)(), const std::string& text) {
    State().DocumentText = text;
    stage();
    return State().DocumentText;
  }
};

TEST_F(PageTest, ParseFieldsWithoutMarkersChangesNothing) {
  const std::string text = "<p><instrText>PAGE</instrText><span a=\"1\"></span></p>";
  EXPECT_EQ(Run(ParseFields, text), text);
}

TEST_F(PageTest, ParseFieldsKeepsTheOuterResultAndRightAlignsInnerFields) {
  // A table of contents: outer field, one entry with a page-number field.
  const std::string text = "<body><p>" + kBegin + "<instrText> TOC \\o </instrText>" + kSeparate +
                           "</p>" + "<p>Intro <b class=tab></b>" + kBegin +
                           "<instrText> PAGEREF _Toc1 </instrText>" + kSeparate + "3" + kEnd +
                           "</p><p>" + kEnd + "</p><p>after</p></body>";
  EXPECT_EQ(Run(ParseFields, text), "<body><p></p><p>Intro <span style=\"float:right\">3" + kEnd +
                                        "</p><p></p><p>after</p></body>");
}

TEST_F(PageTest, ParseFieldsBeginWithoutEndRunsToTheEnd) {
  const std::string text = "head<p>" + kBegin + "x" + kSeparate + "y<span s=\"1\"></span></p>";
  EXPECT_EQ(Run(ParseFields, text), "head<p>xy</p>");
}

TEST_F(PageTest, ParseFieldsWithoutAnExactBeginMarkerDropsTheFirst29Characters) {
  const std::string prolog = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>";
  const std::string text =
      prolog + "<body><fldChar fldCharType=\"begin\" dirty=\"1\"/>x" + kEnd + "y</body>";
  EXPECT_EQ(Run(ParseFields, text), prolog.substr(29) +
                                        "<body><fldChar fldCharType=\"begin\" "
                                        "dirty=\"1\"/>xy</body>");
}

TEST_F(PageTest, ParsePageBreaks) {
  EXPECT_EQ(Run(ParsePageBreaks, "<r><lastRenderedPageBreak/>x</r>"),
            "<r><br style=\"page-break-after:always\"/>x</r>");
}

TEST_F(PageTest, AssemblePageBuildsTheExactHead) {
  EXPECT_EQ(Run(AssemblePage,
                "<?xml?><document><body><p>x</p><sectPr><pgSz/></sectPr></body>"
                "</document>"),
            kHead + "<body><p>x</p></body></html>");
}

TEST_F(PageTest, AssemblePageEdges) {
  // Two bodies: everything from the first; no sectPr: everything kept.
  EXPECT_EQ(Run(AssemblePage, "x<body a>1<body>2"), kHead + "<body a>1<body>2</body></html>");
  EXPECT_EQ(Run(AssemblePage, "plain"), kHead + "plain</body></html>");
  EXPECT_EQ(Run(AssemblePage, ""), kHead + "</body></html>");
  State().EncodingText = "";
  State().PackageName = "N";
  const std::string page = Run(AssemblePage, "<body>");
  EXPECT_NE(page.find("<title>N</title>"), std::string::npos);
  EXPECT_NE(page.find("content=\"text/html; charset=\"/>"), std::string::npos);
}

TEST_F(PageTest, FinishTextRemovesLineFeedCarriageReturnPairs) {
  EXPECT_EQ(Run(FinishText, "<body>a\n\rb\r\nc\n\n\rd<sectPr>"),
            kHead + "<body>ab\r\nc\nd</body></html>");
}

TEST_F(PageTest, BreakLinesBeforePTAndDTags) {
  EXPECT_EQ(Run(BreakLines,
                "<html><head><title>x</title><P>a</p><table><tr><td>b</td></tr>"
                "</table><div/><span>"),
            "<html><head>\r\n<title>x</title>\r\n<P>a</p>\r\n<table>\r\n<tr>\r\n<td>b</td>"
            "</tr></table>\r\n<div/><span>");
  EXPECT_EQ(Run(BreakLines, "no tags <"), "no tags <");
  EXPECT_EQ(Run(BreakLines, "<p"), "\r\n<p");
}

TEST_F(PageTest, WholeHeadAfterBreakLines) {
  State().DocumentText = "<body><p>x</p><sectPr/>";
  AssemblePage();
  BreakLines();
  const std::string& page = State().DocumentText;
  const std::string start = "<html>\r\n<head>\r\n<title>Report</title>\r\n<meta";
  const std::string end = "</style></head><body>\r\n<p>x</p></body></html>";
  EXPECT_EQ(page.substr(0, start.size()), start);
  ASSERT_GE(page.size(), end.size());
  EXPECT_EQ(page.substr(page.size() - end.size()), end);
}

TEST_F(PageTest, SaveHtmlWritesTheBytesUnchanged) {
  char folder[] = "/tmp/quillon_page_XXXXXX";
  ASSERT_NE(mkdtemp(folder), nullptr);
  const std::string path = std::string(folder) + "\\doc.htm";
  State().DocumentText = std::string("a\r\n\xC3\xA9\0b", 7);
  SaveHtml(path);
  EXPECT_EQ(ReadTextFile(path), State().DocumentText);
  // Nothing is written for an empty page or an empty path.
  State().DocumentText.clear();
  SaveHtml(path + "2");
  EXPECT_FALSE(platform::FileExists(path + "2"));
  State().DocumentText = "x";
  SaveHtml("");
  EXPECT_THROW(SaveHtml(std::string(folder) + "\\missing\\doc.htm"), TextFileError);
  platform::DeleteFile(path);
  platform::RemoveFolder(folder);
}

}  // namespace
}  // namespace quillon
