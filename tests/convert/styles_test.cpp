#include "convert/styles.h"

#include <gtest/gtest.h>

#include "convert/state.h"

namespace quillon {
namespace {

class StylesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetConversionState();
    State().PixelDivisor = 15;
    State().AutoShadingColor = "#eeeeee";
  }
  void Build(const std::string& styles) {
    State().StylesText = styles;
    BuildStyleSheet();
  }
};

TEST_F(StylesTest, EmptyPartGivesEmptyTable) {
  Build("<?xml version=\"1.0\"?><styles xmlns:w=\"x\"></styles>");
  EXPECT_TRUE(State().StyleTable.empty());
  EXPECT_EQ(FindStyle("Normal", 0), -1);
  EXPECT_EQ(FindStyle("", 5), -1);
  EXPECT_EQ(StyleElementById("Normal"), "");
}

TEST_F(StylesTest, BaseStyleGivesFontFamilyAndSize) {
  Build(
      "<styles><style type=\"paragraph\" default=\"1\" styleId=\"Normal\"><name val=\"Normal\"/>"
      "<pPr><jc val=\"center\"/></pPr><rPr><rFonts ascii=\"Calibri\"/><sz val=\"22\"/>"
      "<color val=\"111111\"/></rPr></style>"
      "<style type=\"paragraph\" styleId=\"Heading1\"><basedOn val=\"Normal\"/><rPr><b/>"
      "<sz val=\"28\"/></rPr></style>"
      "<style type=\"paragraph\" styleId=\"Heading2\"><basedOn val=\"Heading1\"/></style>"
      "</styles>");
  const auto& table = State().StyleTable;
  ASSERT_EQ(table.size(), 3u);
  EXPECT_EQ(table[0].id, "Normal");
  EXPECT_EQ(table[0].slots[5], "text-align:center;");
  EXPECT_EQ(table[1].id, "Heading1");
  EXPECT_EQ(table[1].slots[0], "font-family:'Calibri';");
  EXPECT_EQ(table[1].slots[1], "font-size:19px;");
  EXPECT_EQ(table[1].slots[6], "font-weight:bold;");
  // Only family and size pass down, and they pass along the chain.
  EXPECT_EQ(table[1].slots[2], "");
  EXPECT_EQ(table[1].slots[5], "");
  EXPECT_EQ(table[2].slots[0], "font-family:'Calibri';");
  EXPECT_EQ(table[2].slots[1], "font-size:19px;");
  EXPECT_EQ(table[2].slots[6], "");
}

TEST_F(StylesTest, BaseListedLaterGivesNothing) {
  Build(
      "<styles><style type=\"paragraph\" styleId=\"Child\"><basedOn val=\"Base\"/></style>"
      "<style type=\"paragraph\" styleId=\"Base\"><rPr><sz val=\"24\"/></rPr></style></styles>");
  ASSERT_EQ(State().StyleTable.size(), 2u);
  EXPECT_EQ(State().StyleTable[0].slots[1], "");
  EXPECT_EQ(State().StyleTable[1].slots[1], "font-size:16px;");
}

TEST_F(StylesTest, DuplicateIdsFindTheFirst) {
  Build(
      "<styles><style type=\"paragraph\" styleId=\"A\"><rPr><sz val=\"24\"/></rPr></style>"
      "<style type=\"paragraph\" styleId=\"B\"/>x</style>"
      "<style type=\"paragraph\" styleId=\"A\"><rPr><sz val=\"48\"/></rPr></style></styles>");
  EXPECT_EQ(FindStyle("A", static_cast<int>(State().StyleTable.size())), 0);
  EXPECT_EQ(FindStyle("A", 0), -1);
  EXPECT_EQ(FindStyle("a", 3), -1);  // ids compare case included
}

TEST_F(StylesTest, ShadingAutoAndIdlessStyles) {
  Build(
      "<styles><style type=\"paragraph\"><pPr><shd val=\"clear\" color=\"auto\" "
      "fill=\"auto\"/></pPr></style></styles>");
  ASSERT_EQ(State().StyleTable.size(), 1u);
  EXPECT_EQ(State().StyleTable[0].id, "");
  EXPECT_EQ(State().StyleTable[0].slots[9], "background-color:#eeeeee;");
}

TEST_F(StylesTest, InheritSlotsNeverOverwrites) {
  Build(
      "<styles><style type=\"paragraph\" styleId=\"S\"><pPr><jc val=\"right\"/></pPr>"
      "<rPr><rFonts ascii=\"Arial\"/><sz val=\"24\"/><b/></rPr></style></styles>");
  PropertySlots own;
  own[1] = "font-size:10px;";
  PropertySlots all = own;
  InheritSlots(own, 0, false);
  EXPECT_EQ(own[0], "font-family:'Arial';");
  EXPECT_EQ(own[1], "font-size:10px;");
  EXPECT_EQ(own[5], "");
  InheritSlots(all, 0, true);
  EXPECT_EQ(all[5], "text-align:right;");
  EXPECT_EQ(all[6], "font-weight:bold;");
}

TEST_F(StylesTest, StyleElementByIdAndTableBorders) {
  Build(
      "<styles><style type=\"table\" styleId=\"Grid\"><tblPr><tblBorders>"
      "<top val=\"single\" sz=\"4\" color=\"000000\"/><left val=\"single\" sz=\"4\" "
      "color=\"000000\"/><bottom val=\"single\" sz=\"4\" color=\"000000\"/>"
      "<right val=\"single\" sz=\"4\" color=\"000000\"/><insideH val=\"single\" sz=\"4\" "
      "color=\"000000\"/></tblBorders></tblPr></style></styles>");
  const std::string element = StyleElementById("Grid");
  EXPECT_EQ(element.substr(0, 19), "<tblPr><tblBorders>");
  EXPECT_EQ(element.substr(element.size() - 8), "</tblPr>");
  EXPECT_EQ(StyleElementById("Gri"), "");
  EXPECT_EQ(TableStyleBorders(element), " border=1 style=\"border:1px solid #000000;\"");
  EXPECT_EQ(TableStyleBorders("<insideH val=\"single\"/>"), " style=\"border:none;\"");
  EXPECT_EQ(TableStyleBorders(""), "");
}

}  // namespace
}  // namespace quillon
