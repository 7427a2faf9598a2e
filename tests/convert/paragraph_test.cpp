#include <gtest/gtest.h>

#include "convert/paragraph_stages.h"
#include "convert/state.h"
#include "convert/styles.h"
#include "text/text_ops.h"

namespace quillon {
namespace {

class ParagraphTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetConversionState();
    State().PixelDivisor = 15;
    State().AutoShadingColor = "#eeeeee";
    State().StylesText =
        "<styles><style type=\"paragraph\" styleId=\"Title\"><pPr><jc val=\"right\"/></pPr>"
        "<rPr><rFonts ascii=\"Arial\"/></rPr></style></styles>";
    BuildStyleSheet();
  }
  std::string Runs(std::string body, const std::string& style_text) {
    ConvertRuns(body, style_text);
    return body;
  }
  std::string Stage(void (*stage)(), const std::string& text) {
    State().DocumentText = text;
    stage();
    return State().DocumentText;
  }
};

TEST_F(ParagraphTest, WorkedExampleOutsideATable) {
  EXPECT_EQ(ConvertParagraph("<p><pPr><pStyle val=\"Title\"/><jc val=\"center\"/></pPr>"
                             "<r><rPr><b/><sz val=\"24\"/></rPr>Hi</r></p>",
                             false),
            "<p style=\"font-family:'Arial';text-align:center;\">"
            "<span style=\"font-size:16px;\"><b>Hi</b></span></p>");
}

TEST_F(ParagraphTest, InsideATableOnlyFontFamilyAndSizeComeFromTheStyle) {
  const std::string paragraph = "<p><pPr><pStyle val=\"Title\"/></pPr><r>x</r></p>";
  EXPECT_EQ(ConvertParagraph(paragraph, true), "<p style=\"font-family:'Arial';\"><r>x</r></p>");
  EXPECT_EQ(ConvertParagraph(paragraph, false),
            "<p style=\"font-family:'Arial';text-align:right;\"><r>x</r></p>");
  EXPECT_EQ(ConvertParagraph("<p><pPr><pStyle val=\"title\"/></pPr><r>x</r></p>", false),
            "<p><r>x</r></p>");
}

TEST_F(ParagraphTest, EmptyAndInvisibleParagraphs) {
  EXPECT_EQ(ConvertParagraph("<p></p>", false), "<p>&nbsp;</p>");
  EXPECT_EQ(ConvertParagraph("<p> \t\r\n</p>", false), "<p>&nbsp;</p>");
  EXPECT_EQ(ConvertParagraph("<p><pPr><jc val=\"center\"/></pPr>  </p>", false), "<p>&nbsp;</p>");
  EXPECT_EQ(ConvertParagraph("<p><r><drawing><inline/></drawing></r></p>", false),
            "<p><r><drawing><inline/></drawing></r>&nbsp;</p>");
  // Properties that give no declaration leave a bare paragraph.
  EXPECT_EQ(ConvertParagraph("<p><pPr><keepNext/><rPr><b/></rPr></pPr><r>Hi</r></p>", false),
            "<p><r>Hi</r></p>");
}

TEST_F(ParagraphTest, ParagraphBordersFollowTheSlots) {
  EXPECT_EQ(ConvertParagraph("<p><pPr><pBdr><top val=\"single\" sz=\"4\" color=\"000000\"/>"
                             "</pBdr><ind left=\"720\"/></pPr><r>x</r></p>",
                             false),
            "<p style=\"margin-left:48px;border-top:1px solid #000000;\"><r>x</r></p>");
}

TEST_F(ParagraphTest, RunsBecomeSpans) {
  EXPECT_EQ(Runs("<r><rPr><rFonts ascii=\"Arial\"/><sz val=\"24\"/></rPr>a</r>", ""),
            "<span style=\"font:normal 16px 'Arial';\">a</span>");
  EXPECT_EQ(Runs("<r><rPr><rFonts ascii=\"Arial\"/><sz val=\"24\"/></rPr>a</r>",
                 "font:normal 16px 'Arial';"),
            "a");
  EXPECT_EQ(Runs("<r w=\"1\"><rPr><szCs val=\"21\"/><color val=\"FF0000\"/>"
                 "<highlight val=\"yellow\"/></rPr>a</r>",
                 ""),
            "<span style=\"font-size:14px;color:#FF0000;background-color:yellow;\">a</span>");
  EXPECT_EQ(Runs("<r><rPr><rFonts ascii=\"Arial\"/><color val=\"FF0000\"/></rPr>a</r>",
                 "font-family:'Arial';color:#FF0000;"),
            "a");
  // A run without properties is left for ParseRuns.
  EXPECT_EQ(Runs("<r>plain</r><r><rPr><i/></rPr>x</r>", ""), "<r>plain</r><i>x</i>");
  EXPECT_THROW(Runs("<r><rPr><sz val=\"1.5\"/></rPr>a</r>", ""), ConversionError);
}

TEST_F(ParagraphTest, WrapsNestInAFixedOrder) {
  EXPECT_EQ(Runs("<r><rPr><b/><i/><u val=\"single\"/></rPr>x</r>", ""), "<u><i><b>x</b></i></u>");
  EXPECT_EQ(Runs("<r><rPr><b/><i/><u val=\"none\"/><vertAlign val=\"subscript\"/></rPr>x</r>"
                 "<r><rPr><vertAlign val=\"superscript\"/></rPr>y</r>",
                 ""),
            "<sub><u><i><b>x</b></i></u></sub><sup>y</sup>");
  // A bold element with a value is not the flag.
  EXPECT_EQ(Runs("<r><rPr><b val=\"0\"/></rPr>x</r>", ""), "x");
}

TEST_F(ParagraphTest, WrapMarksTheRunOrTheNestedParagraph) {
  std::string body = "<r><rPr><b/></rPr>x</r><r>y</r><r><rPr><b/></rPr>z</r>";
  WrapRunsWithFlag(body, "b");
  EXPECT_EQ(body, "<r><rPr><b/></rPr><b>x</b></r><r>y</r><r><rPr><b/></rPr><b>z</b></r>");
  body = "<p><pPr><rPr><b/></rPr></pPr><r>x</r>";
  WrapRunsWithFlag(body, "b");
  EXPECT_EQ(body, "<p><pPr><rPr><b/></rPr></pPr><b><r>x</b></r>");
}

TEST_F(ParagraphTest, WrapStopsWhenNoRunEndFollows) {
  std::string body = "<r><rPr><b/></rPr>x";
  WrapRunsWithFlag(body, "b");
  EXPECT_EQ(body, "<r><rPr><b/></rPr>x");
  body = "<r><rPr><u val=\"single\"/></rPr>a</r><rPr><u val=\"single\"/></rPr>b";
  WrapRunsWithMarker(body, "<u val", "u");
  EXPECT_EQ(body, "<r><rPr><u val=\"single\"/></rPr><u>a</u></r><rPr><u val=\"single\"/></rPr>b");
}

TEST_F(ParagraphTest, ParseParagraphsWalksParagraphsAndTables) {
  EXPECT_EQ(
      Stage(ParseParagraphs,
            "<body><p><pPr><pStyle val=\"Title\"/></pPr><r><rPr><sz val=\"24\"/></rPr>a</r></p>"
            "<table border=1><tr><td><p><pPr><pStyle val=\"Title\"/></pPr><r>b</r></p></td></tr>"
            "</table><p rsid=\"1\"/><sectPr/></body>"),
      "<body><p style=\"font-family:'Arial';text-align:right;\">"
      "<span style=\"font-size:16px;\">a</span></p><table border=1><tr><td>"
      "<p style=\"font-family:'Arial';\"><r>b</r></p></td></tr></table><p>&nbsp;</p>"
      "<sectPr/></body>");
  EXPECT_EQ(Stage(ParseParagraphs, "<body>no paragraphs</body>"), "<body>no paragraphs</body>");
}

TEST_F(ParagraphTest, ParseParagraphsConvertsTextBoxParagraphsOnTheirOwn) {
  EXPECT_EQ(Stage(ParseParagraphs, "<p><r>A<txbx><p><r>B</r></p></txbx>C</r></p><p><r>D</r></p>"),
            "<p><r>B</r></p></txbx>C</r></p><p><r>D</r></p>");
  // A paragraph that never ends is left as it is, with what follows it.
  EXPECT_EQ(Stage(ParseParagraphs, "x<p><r>D</r>"), "x<p><r>D</r>");
  EXPECT_EQ(Stage(ParseParagraphs, "<p>a</p>x<p><r>D</r><table>"), "<p>a</p>x<p><r>D</r><table>");
}

TEST_F(ParagraphTest, ParseRunsStripsRunMarkupAndMergesSpans) {
  EXPECT_EQ(Stage(ParseRuns,
                  "<p><span style=\"a\">x</span>\r\n<span style=\"a\">y</span>"
                  "<r a=\"1\"><rPr><b/></rPr>z</r><R>q</R></p>"),
            "<p><span style=\"a\">xy</span>zq</p>");
  EXPECT_EQ(Stage(ParseRuns, "<span style=\"a\">x</span> <span style=\"a\">y</span>"),
            "<span style=\"a\">x</span> <span style=\"a\">y</span>");
}

TEST_F(ParagraphTest, ParseTabs) {
  EXPECT_EQ(Stage(ParseTabs, "a<tab/>b<tab/>"), "a <b class=tab></b>b <b class=tab></b>");
}

}  // namespace
}  // namespace quillon
