#include "convert/properties.h"

#include <gtest/gtest.h>

#include "convert/prepare_stages.h"
#include "convert/state.h"
#include "text/text_ops.h"

namespace quillon {
namespace {

class PropertiesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    State().PixelDivisor = 15;
    State().AutoShadingColor = "#eeeeee";
  }
};

TEST_F(PropertiesTest, ToPixelsRoundsAndNeverGivesZeroForALength) {
  EXPECT_EQ(ToPixels(std::to_string(85 * 144)), "816");  // 8.5 inches
  EXPECT_EQ(ToPixels("1440"), "96");
  EXPECT_EQ(ToPixels("1800"), "120");
  EXPECT_EQ(ToPixels("22"), "1");
  EXPECT_EQ(ToPixels("23"), "2");
  for (int twips = 1; twips <= 7; ++twips) EXPECT_EQ(ToPixels(std::to_string(twips)), "1");
  EXPECT_EQ(ToPixels("8"), "1");
  EXPECT_EQ(ToPixels("0"), "0");
  EXPECT_EQ(ToPixels("-5"), "1");
  EXPECT_EQ(ToPixels("-1440"), "-96");
  EXPECT_EQ(ToPixels(" 1440 "), "96");
  EXPECT_EQ(ToPixels(""), "");
  EXPECT_EQ(ToPixels("  "), "");
}

TEST_F(PropertiesTest, ToPixelsRaisesOnAnythingButAWholeNumber) {
  EXPECT_THROW(ToPixels("12a"), ConversionError);
  EXPECT_THROW(ToPixels("1.5"), ConversionError);
  EXPECT_THROW(ToPixels("auto"), ConversionError);
  EXPECT_THROW(ToPixels("99999999999"), ConversionError);
}

TEST_F(PropertiesTest, HalfPointsToPx) {
  EXPECT_EQ(HalfPointsToPx("24"), "16px");
  EXPECT_EQ(HalfPointsToPx("21"), "14px");
  EXPECT_EQ(HalfPointsToPx("22"), "15px");
  EXPECT_EQ(HalfPointsToPx("28"), "19px");
  EXPECT_EQ(HalfPointsToPx("0"), "0px");
  EXPECT_THROW(HalfPointsToPx("24\" foo=\"1"), ConversionError);
  EXPECT_THROW(HalfPointsToPx(""), ConversionError);
}

TEST_F(PropertiesTest, IndentCss) {
  EXPECT_EQ(IndentCss(" left=\"720\" hanging=\"360\""), "margin-left:48px;text-indent:-24px;");
  EXPECT_EQ(IndentCss(" firstLine=\"720\" hanging=\"360\""), "text-indent:-24px;");
  EXPECT_EQ(IndentCss(" left=\"720\""), "margin-left:48px;");
  EXPECT_EQ(IndentCss(" right=\"1800\" firstLine=\"720\" left=\"15\""),
            "margin-left:1px;margin-right:120px;text-indent:48px;");
  EXPECT_EQ(IndentCss(""), "");
  EXPECT_THROW(IndentCss(" left=\"1.5\""), ConversionError);
}

TEST_F(PropertiesTest, SpacingCss) {
  EXPECT_EQ(SpacingCss(" before=\"240\" after=\"120\" line=\"240\" lineRule=\"auto\""),
            "margin-top:16px;margin-bottom:8px;line-height:16px;");
  EXPECT_EQ(SpacingCss(" line=\"360\""), "line-height:24px;");
  EXPECT_EQ(SpacingCss(" after=\"0\""), "margin-bottom:0px;");
  EXPECT_EQ(SpacingCss(" beforeAutospacing=\"1\""), "");
}

TEST_F(PropertiesTest, PropsFromXmlFillsTheSlots) {
  const std::string fragment =
      "<rFonts ascii=\"Arial\" hAnsi=\"Arial\"/><sz val=\"24\"/><color val=\"FF0000\"/>"
      "<ind left=\"720\"/><spacing after=\"120\"/><jc val=\"both\"/><b/>"
      "<shd val=\"clear\" color=\"auto\" fill=\"FFFF00\"/>";
  PropertySlots slots = PropsFromXml(fragment, true);
  EXPECT_EQ(slots[0], "font-family:'Arial';");
  EXPECT_EQ(slots[1], "font-size:16px;");
  EXPECT_EQ(slots[2], "color:#FF0000;");
  EXPECT_EQ(slots[3], "margin-left:48px;");
  EXPECT_EQ(slots[4], "margin-bottom:8px;");
  EXPECT_EQ(slots[5], "text-align:justify;");
  EXPECT_EQ(slots[6], "font-weight:bold;");
  EXPECT_EQ(slots[7], "");
  EXPECT_EQ(slots[8], "");
  EXPECT_EQ(slots[9], "background-color:#eeeeee;");
  EXPECT_EQ(PropsFromXml(fragment, false)[6], "");
}

TEST_F(PropertiesTest, PropsFromXmlValuesAsWritten) {
  PropertySlots slots = PropsFromXml(
      "<color val=\"auto\"/><jc val=\"center\"/><shd val=\"clear\" color=\"FF0000\"/>", true);
  EXPECT_EQ(slots[2], "color:#auto;");
  EXPECT_EQ(slots[5], "text-align:center;");
  EXPECT_EQ(slots[9], "background-color:FF0000;");
  EXPECT_EQ(slots[6], "");
  for (int k : {0, 1, 3, 4, 7, 8}) EXPECT_EQ(slots[k], "") << k;
  // A shading colour that is not the shading's own is not taken.
  EXPECT_EQ(PropsFromXml("<shd val=\"clear\" fill=\"FF0000\"/>", true)[9], "");
  EXPECT_THROW(PropsFromXml("<sz val=\"x\"/>", true), ConversionError);
}

TEST_F(PropertiesTest, PropsFromXmlTakesBordersOfATableStyle) {
  PropertySlots slots = PropsFromXml(
      "<tblPr><tblBorders><top val=\"single\" sz=\"4\" color=\"000000\"/>"
      "<left val=\"single\" sz=\"4\" color=\"000000\"/><bottom val=\"single\" sz=\"4\" "
      "color=\"000000\"/><right val=\"single\" sz=\"4\" color=\"000000\"/></tblBorders></tblPr>",
      true);
  EXPECT_EQ(slots[7], "border:1px solid #000000;");
}

TEST_F(PropertiesTest, BorderSideCss) {
  EXPECT_EQ(BorderSideCss("<top val=\"single\" sz=\"4\" color=\"000000\"/>", "top"),
            "1px solid #000000;");
  EXPECT_EQ(BorderSideCss("<top val=\"nil\"/>", "top"), "none;");
  EXPECT_EQ(BorderSideCss("<top val=\"double\" sz=\"4\" color=\"auto\"/>", "top"),
            "3px double auto;");
  EXPECT_EQ(BorderSideCss("<top val=\"double\" sz=\"90\" color=\"auto\"/>", "top"),
            "6px double auto;");
  EXPECT_EQ(BorderSideCss("<top val=\"dashed\" sz=\"30\" color=\"00FF00\"/>", "top"),
            "2px dashed #00FF00;");
  EXPECT_EQ(BorderSideCss("<top val=\"thick\" sz=\"30\" color=\"00FF00\"/>", "top"),
            "2px thick #00FF00;");
  EXPECT_EQ(BorderSideCss("<top val=\"single\" color=\"000000\"/>", "top"), "");
  EXPECT_EQ(BorderSideCss("<left val=\"single\"/>", "top"), "");
}

TEST_F(PropertiesTest, BordersToCss) {
  const std::string side = " val=\"single\" sz=\"4\" color=\"000000\"/>";
  EXPECT_EQ(BordersToCss("<top" + side + "<left" + side + "<bottom" + side + "<right" + side),
            "border:1px solid #000000;");
  EXPECT_EQ(BordersToCss("<top val=\"nil\"/><left val=\"nil\"/><bottom val=\"nil\"/>"
                         "<right val=\"nil\"/>"),
            "border:none;");
  EXPECT_EQ(BordersToCss("<bottom" + side + "<top val=\"nil\"/>"),
            "border-top:none;border-bottom:1px solid #000000;");
  EXPECT_EQ(BordersToCss("<insideH" + side), "border:none;");
  EXPECT_EQ(BordersToCss(""), "");
}

}  // namespace
}  // namespace quillon
