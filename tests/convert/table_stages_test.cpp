#include "convert/table_stages.h"

#include <gtest/gtest.h>

#include <string>

#include "convert/state.h"
#include "text/regex.h"
#include "text/text_ops.h"

namespace quillon {
namespace {

class TableStagesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetConversionState();
    State().PixelDivisor = 15;
    State().AutoShadingColor = "#eeeeee";
    State().StylesText =
        "<styles><style type=\"table\" styleId=\"Plain\"><name val=\"Plain\"/></style></styles>";
  }
  std::string Tables(const std::string& text) {
    State().DocumentText = text;
    ParseTables();
    return State().DocumentText;
  }
  std::string StartTag(const std::string& props) {
    State().DocumentText = "<tbl><tblPr>" + props + "</tblPr><tr></tr></tbl>";
    ParseTableProperties();
    const std::string& out = State().DocumentText;
    return out.substr(0, out.find('>') + 1);
  }
  std::string CellStyle(const std::string& props) {
    State().DocumentText = "<tr><tc><tcPr>" + props + "</tcPr><p>x</p></tc></tr>";
    ParseCellProperties();
    return State().DocumentText;
  }
};

TEST_F(TableStagesTest, TextWithoutTablesIsUnchanged) {
  const std::string text = "<body><p><r>plain text, tc> tbl> stay</r></p></body>";
  EXPECT_EQ(Tables("<body><p><r>plain text</r></p></body>"),
            "<body><p><r>plain text</r></p></body>");
  // The plain replacements run regardless of tables.
  EXPECT_EQ(Tables(text), "<body><p><r>plain text, td> table> stay</r></p></body>");
}

TEST_F(TableStagesTest, PlainReplacementsRunLeftToRightInOrder) {
  EXPECT_EQ(Tables("x><rowspan><rowspan=2>y"), "x rowspan rowspan=2>y");
  EXPECT_EQ(Tables("<tc <tc a"), "<td <td a");
  EXPECT_EQ(Tables("tbl>tbl>tc>tc>"), "table>table>td>td>");
  EXPECT_EQ(Tables("<tblGrid></tblGrid>x</tblGrid><tblGrid>"), "x");
  // Removing the first marker can join the second one, which then goes too.
  EXPECT_EQ(Tables("a</tbl<tblGrid>Grid>b"), "ab");
  EXPECT_EQ(Tables("<TC <Tc>TBL>"), "<TC <Tc>TBL>");  // case-sensitive
}

TEST_F(TableStagesTest, TableWidthByType) {
  EXPECT_EQ(TableWidth("<tblW w=\"5000\" type=\"pct\"/>"), "100%");
  EXPECT_EQ(TableWidth("<tblW w=\"0\" type=\"auto\"/>"), "");
  EXPECT_EQ(TableWidth("<tblW type=\"auto\"/>"), "");
  EXPECT_EQ(TableWidth("<tblW w=\"9576\" type=\"dxa\"/>"), "638px");
  EXPECT_EQ(TableWidth("<tblW w=\"2525\" type=\"pct\"/>"), "50%");  // 50.5, half to even
  EXPECT_EQ(TableWidth("<tblW w=\"2575\" type=\"pct\"/>"), "52%");  // 51.5
  EXPECT_EQ(TableWidth("<tblW w=\"300\" type=\"nil\"/>"), "300");
  EXPECT_THROW(TableWidth("<tblW w=\"50%\" type=\"pct\"/>"), ConversionError);
}

TEST_F(TableStagesTest, TablePropertiesBecomeStartTagAttributes) {
  EXPECT_EQ(StartTag("<tblStyle val=\"Plain\"/><jc val=\"center\"/>"),
            "<table  style=\"border:none;\" align=center>");
  // The width always comes first; a style that is not there adds one space.
  EXPECT_EQ(
      StartTag("<tblStyle val=\"Missing\"/><jc val=\"left\"/><tblW w=\"9576\" type=\"dxa\"/>"),
      "<table width=638px  align=left>");
  EXPECT_EQ(StartTag("<tblW w=\"0\" type=\"auto\"/><tblInd w=\"10\" type=\"dxa\"/>"
                     "<tblLayout type=\"fixed\"/><tblLook val=\"04A0\"/>"),
            "<table>");
  EXPECT_EQ(StartTag("<tblCellSpacing w=\"15\" type=\"dxa\"/>"), "<table cellspacing=1>");
  EXPECT_EQ(StartTag("<tblCellSpacing type=\"dxa\"/>"), "<table cellspacing=0>");
}

TEST_F(TableStagesTest, TableShading) {
  EXPECT_EQ(StartTag("<shd val=\"clear\" color=\"auto\" fill=\"FFFF00\"/>"), "<table>");
  EXPECT_EQ(StartTag("<shd val=\"solid\" color=\"auto\" fill=\"auto\"/>"),
            "<table bgcolor=#eeeeee>");
  EXPECT_EQ(StartTag("<shd val=\"solid\" fill=\"FF0000\"/>"), "<table bgcolor=FF0000>");
}

TEST_F(TableStagesTest, TableBorders) {
  const std::string side = " val=\"single\" sz=\"4\" space=\"0\" color=\"auto\"/>";
  EXPECT_EQ(StartTag("<tblBorders><top" + side + "<left" + side + "<bottom" + side + "<right" +
                     side + "<insideH" + side + "</tblBorders><jc val=\"right\"/>"),
            "<table  border=1 style=\"border:1px solid auto;\" align=right>");
}

TEST_F(TableStagesTest, PropertiesBlockIsDroppedAndOtherTablesKept) {
  State().DocumentText =
      "<x/><tbl><tblPr><jc val=\"center\"/></tblPr><tblGrid/></tbl><tbl><tr/></tbl>"
      "<tbl><tblPr></tblPr></tbl>";
  ParseTableProperties();
  EXPECT_EQ(State().DocumentText,
            "<x/><table align=center><tblGrid/></tbl><tbl><tr/></tbl><table></tbl>");
}

TEST_F(TableStagesTest, VerticalMergeOfThreeRows) {
  const std::string out = Tables(
      "<tbl><tr><tc><tcPr><vMerge val=\"restart\"/></tcPr><p>a</p></tc><tc><p>b</p></tc></tr>"
      "<tr><tc><tcPr><vMerge/></tcPr><p/></tc><tc><p>c</p></tc></tr>"
      "<tr><tc><tcPr><vMerge/></tcPr><p/></tc><tc><p>d</p></tc></tr></tbl>");
  EXPECT_EQ(out,
            "<table><tr><td rowspan=3><p>a</p></td><td><p>b</p></td></tr>"
            "<tr><td><p>c</p></td></tr><tr><td><p>d</p></td></tr></table>");
}

TEST_F(TableStagesTest, MergeColumnCountsGridSpans) {
  const std::string out = Tables(
      "<tbl><tr><tc><tcPr><gridSpan val=\"2\"/></tcPr><p>a</p></tc>"
      "<tc><tcPr><vMerge val=\"restart\"/></tcPr><p>b</p></tc></tr>"
      "<tr><tc><p>c</p></tc><tc><p>d</p></tc><tc><tcPr><vMerge/></tcPr><p/></tc></tr></tbl>");
  EXPECT_EQ(out,
            "<table><tr><td colspan=2><p>a</p></td><td rowspan=2><p>b</p></td></tr>"
            "<tr><td><p>c</p></td><td><p>d</p></td></tr></table>");
}

TEST_F(TableStagesTest, MergeRecordsCarryAcrossTables) {
  // A continuation in a later table belongs to the newest start in its column.
  const std::string out = Tables(
      "<tbl><tr><tc><tcPr><vMerge val=\"restart\"/></tcPr><p>a</p></tc></tr></tbl>"
      "<tbl><tr><tc><tcPr><vMerge/></tcPr><p>b</p></tc></tr></tbl>");
  EXPECT_EQ(out, "<table><tr><td rowspan=2><p>a</p></td></tr></table><table><tr></tr></table>");
}

TEST_F(TableStagesTest, CellBothSpanningAndMerging) {
  const std::string out = Tables(
      "<tbl><tr><tc><tcPr><gridSpan val=\"3\"/><vMerge val=\"restart\"/></tcPr></tc></tr>"
      "<tr><tc><tcPr><gridSpan val=\"3\"/><vMerge/></tcPr></tc></tr></tbl>");
  EXPECT_EQ(out, "<table><tr><td colspan=3 rowspan=2></td></tr><tr></tr></table>");
}

TEST_F(TableStagesTest, MalformedSpanInAMergedRowRaises) {
  State().DocumentText =
      "<tbl><tr><tc><tcPr><gridSpan val=\"2\" x=\"1\"/><vMerge val=\"restart\"/></tcPr></tc>"
      "</tr></tbl>";
  EXPECT_THROW(ParseTables(), ConversionError);
}

TEST_F(TableStagesTest, RowAfterNestedTableIsCountedOnlyUpToTheInnerRowEnd) {
  const std::string nested =
      "<tbl><tr><tc><tbl><tr><tc><p>i</p></tc></tr></tbl></tc>"
      "<tc><tcPr><vMerge val=\"restart\"/></tcPr><p>a</p></tc></tr>"
      "<tr><tc><p>b</p></tc><tc><tcPr><vMerge/></tcPr></tc></tr></tbl>";
  // The lazy row pattern ends the first row at the nested table's row end,
  // so its merge start is never recorded: with no record at all, no rowspan
  // is written and the continuation cell stays.
  EXPECT_EQ(Tables(nested),
            "<table><tr><td><table><tr><td><p>i</p></td></tr></table></td>"
            "<td><p>a</p></td></tr><tr><td><p>b</p></td><td></td></tr></table>");
  // With a record from an earlier table, the unrecorded start spans its own
  // row only, and the continuation goes.
  EXPECT_EQ(Tables("<tbl><tr><tc><tcPr><vMerge val=\"restart\"/></tcPr><p>z</p></tc></tr></tbl>" +
                   nested),
            "<table><tr><td rowspan=1><p>z</p></td></tr></table>"
            "<table><tr><td><table><tr><td><p>i</p></td></tr></table></td>"
            "<td rowspan=1><p>a</p></td></tr><tr><td><p>b</p></td></tr></table>");
}

TEST_F(TableStagesTest, CellShading) {
  EXPECT_EQ(CellStyle("<shd val=\"clear\" color=\"auto\" fill=\"FFFFFF\"/>"),
            "<tr><tc><p>x</p></tc></tr>");
  EXPECT_EQ(CellStyle("<shd val=\"clear\" fill=\"auto\"/>"),
            "<tr><tc style=\"background-color:#eeeeee;\"><p>x</p></tc></tr>");
  EXPECT_EQ(CellStyle("<shd val=\"clear\" fill=\"D9D9D9\"/>"),
            "<tr><tc style=\"background-color:#D9D9D9;\"><p>x</p></tc></tr>");
  EXPECT_EQ(CellStyle("<shd val=\"clear\" fill=\"red\"/>"),
            "<tr><tc style=\"background-color:red;\"><p>x</p></tc></tr>");
}

TEST_F(TableStagesTest, CellWidthAlignmentBordersInChildOrder) {
  EXPECT_EQ(CellStyle("<tcW w=\"2394\" type=\"dxa\"/><vAlign/>"),
            "<tr><tc style=\"width:160px;vertical-align:top;\"><p>x</p></tc></tr>");
  EXPECT_EQ(CellStyle("<vAlign val=\"center\"/><tcW w=\"0\" type=\"auto\"/>"),
            "<tr><tc style=\" vertical-align:center;\"><p>x</p></tc></tr>");
  EXPECT_EQ(CellStyle("<tcBorders><top val=\"nil\"/><left val=\"nil\"/><bottom val=\"nil\"/>"
                      "<right val=\"nil\"/></tcBorders><noWrap/>"),
            "<tr><tc style=\"border:none;\"><p>x</p></tc></tr>");
}

TEST_F(TableStagesTest, CellPadding) {
  EXPECT_EQ(
      CellPaddingCss("<tcMar><top w=\"108\" type=\"dxa\"/><left w=\"108\" type=\"dxa\"/>"
                     "<bottom w=\"108\" type=\"dxa\"/><right w=\"108\" type=\"dxa\"/></tcMar>"),
      "padding:7px 7px 7px 7px;");
  EXPECT_EQ(CellPaddingCss("<tcMar><top w=\"30\" type=\"dxa\"/><left w=\"45\" type=\"dxa\"/>"
                           "<bottom w=\"60\" type=\"dxa\"/><right w=\"75\" type=\"dxa\"/></tcMar>"),
            "padding:2px 5px 4px 3px;");
  EXPECT_EQ(
      CellPaddingCss("<tcMar><left w=\"0\" type=\"dxa\"/><top w=\"108\" type=\"dxa\"/></tcMar>"),
      "padding-top:7px;padding-left:0px;");
  EXPECT_EQ(CellPaddingCss("<tcMar><right w=\"5\" type=\"dxa\"/></tcMar>"), "padding-right:1px;");
  EXPECT_EQ(CellPaddingCss("<tcMar></tcMar>"), "");
  EXPECT_EQ(CellStyle("<tcMar><bottom w=\"150\" type=\"dxa\"/></tcMar>"),
            "<tr><tc style=\"padding-bottom:10px;\"><p>x</p></tc></tr>");
}

TEST_F(TableStagesTest, CellStartTagFoundPastOtherTcElements) {
  // A spanning cell's start tag has an attribute; the search skips "<tcPr".
  State().DocumentText = "<tc colspan=2><tcPr><tcW w=\"15\" type=\"dxa\"/></tcPr></tc>";
  ParseCellProperties();
  EXPECT_EQ(State().DocumentText, "<tc style=\"width:1px;\" colspan=2></tc>");
}

TEST_F(TableStagesTest, RowHeightOnlyWhenItComesFirst) {
  EXPECT_EQ(
      Tables("<tbl><tr><trPr><trHeight val=\"360\"/><cantSplit/></trPr><tc><p/></tc></tr></tbl>"),
      "<table><tr height=\"24\"><td><p/></td></tr></table>");
  EXPECT_EQ(
      Tables("<tbl><tr><trPr><cantSplit/><trHeight val=\"360\"/></trPr><tc><p/></tc></tr></tbl>"),
      "<table><tr><td><p/></td></tr></table>");
}

TEST_F(TableStagesTest, GridColumnsBecomeColElements) {
  EXPECT_EQ(
      Tables("<tbl><tblGrid><gridCol w=\"2394\"/><gridCol w=\"7\"/></tblGrid><tr></tr></tbl>"),
      "<table><col width=160><col width=1><tr></tr></table>");
}

TEST_F(TableStagesTest, WholeTable) {
  const std::string in =
      "<p>before</p><tbl><tblPr><tblStyle val=\"Plain\"/><tblW w=\"5000\" type=\"pct\"/>"
      "<tblLook val=\"04A0\"/></tblPr><tblGrid><gridCol w=\"4788\"/><gridCol w=\"4788\"/>"
      "</tblGrid><tr><trPr><trHeight val=\"400\"/></trPr><tc><tcPr><tcW w=\"4788\" type=\"dxa\"/>"
      "<shd val=\"clear\" fill=\"auto\"/></tcPr><p>a</p></tc><tc><p>b</p></tc></tr></tbl>";
  EXPECT_EQ(Tables(in),
            "<p>before</p><table width=100%  style=\"border:none;\"><col width=319>"
            "<col width=319><tr height=\"27\"><td style=\"width:319px;background-color:#eeeeee;\">"
            "<p>a</p></td><td><p>b</p></td></tr></table>");
}

TEST_F(TableStagesTest, ReplaceWithPixelsSplicesEveryMatch) {
  State().DocumentText = "a<gridCol w=\"15\"/>b<gridCol w=\"30\"/>c";
  SharedRegex().SetPattern("<gridCol w=\"(\\d+)\"/>");
  ReplaceWithPixels(1, "[", "]");
  EXPECT_EQ(State().DocumentText, "a[1]b[2]c");
  ASSERT_EQ(State().SplicePositions.size(), 5u);
  EXPECT_EQ(State().SplicePositions[0], 1);
  EXPECT_EQ(State().SplicePositions[1], 2);
  // Without a match nothing changes.
  ReplaceWithPixels(1, "[", "]");
  EXPECT_EQ(State().DocumentText, "a[1]b[2]c");
  EXPECT_TRUE(State().SpliceTexts.empty());
}

}  // namespace
}  // namespace quillon
