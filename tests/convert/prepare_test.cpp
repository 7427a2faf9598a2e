#include <gtest/gtest.h>

#include "convert/prepare_stages.h"
#include "convert/state.h"

namespace quillon {
namespace {

class PrepareTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetConversionState();
    State().PixelDivisor = 15;
  }
  std::string Prepare(const std::string& text) {
    State().DocumentText = text;
    PrepareDocument();
    return State().DocumentText;
  }
  void ReadSettings(const std::string& text) {
    State().DocumentText = text;
    ReadPageSettings();
  }
};

TEST_F(PrepareTest, SimplifiesParagraphsRunsAndText) {
  EXPECT_EQ(Prepare("<w:p w:rsidR=\"00A1\" w:rsidRDefault=\"00B2\"><w:r><w:t>Hi</w:t></w:r>"
                    "<w:r><w:t xml:space=\"preserve\"> there</w:t></w:r></w:p>"),
            "<p><r>Hi</r><r> there</r></p>");
  // An empty paragraph with attributes stays as it is.
  EXPECT_EQ(Prepare("<w:p w:rsidR=\"00A1\"/>"), "<p rsidR=\"00A1\"/>");
  EXPECT_EQ(Prepare("<w:tr w:rsidR=\"1\"><w:tc/></w:tr>"), "<tr><tc/></tr>");
  // Tags of other elements starting with t or p keep their attributes.
  EXPECT_EQ(Prepare("<w:tbl><w:tblPr/><w:pPr/><w:tab/></w:tbl>"),
            "<tbl><tblPr/><pPr/><tab/></tbl>");
}

TEST_F(PrepareTest, DropsNoiseElementsAndKeepsTheirContent) {
  EXPECT_EQ(Prepare("<w:r><w:pict><v:shape id=\"a\"><v:textbox>in</v:textbox></v:shape>"
                    "</w:pict></w:r><w:proofErr w:type=\"spellStart\"/>"
                    "<w:smartTag w:uri=\"u\" w:element=\"e\"><w:r><w:t>x</w:t></w:r>"
                    "</w:smartTag>"),
            "<r><pict>in</pict></r><r>x</r>");
}

TEST_F(PrepareTest, TextThatLooksLikeThePrefixStays) {
  EXPECT_EQ(Prepare("<w:p><w:r><w:t>Overview: New: How:</w:t></w:r></w:p>"),
            "<p><r>Overview: New: How:</r></p>");
}

TEST_F(PrepareTest, LetterPageWithMargins) {
  ReadSettings(
      "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?><sectPr>"
      "<pgSz w=\"12240\" h=\"15840\"/><pgMar top=\"1440\" right=\"1800\" bottom=\"1440\" "
      "left=\"1800\" header=\"720\" footer=\"720\" gutter=\"0\"/></sectPr>");
  const PageSettingsT& page = State().PageSettings;
  EXPECT_EQ(page.width, "816");
  EXPECT_EQ(page.height, "1056");
  EXPECT_EQ(page.top, "96");
  EXPECT_EQ(page.right, "120");
  EXPECT_EQ(page.bottom, "96");
  EXPECT_EQ(page.left, "120");
  EXPECT_EQ(State().EncodingText, "UTF-8");
}

TEST_F(PrepareTest, AttributesInAnotherOrderAreReadByName) {
  ReadSettings(
      "<pgSzX w=\"1\"/><pgSz\r\n h=\"16838\" orient=\"portrait\" w=\"11906\"/>"
      "<pgMar left=\"1134\" header=\"0\" top=\"567\" right=\"850\" bottom=\"1134\"/>");
  const PageSettingsT& page = State().PageSettings;
  EXPECT_EQ(page.width, "794");
  EXPECT_EQ(page.height, "1123");
  EXPECT_EQ(page.top, "38");
  EXPECT_EQ(page.right, "57");
  EXPECT_EQ(page.bottom, "76");
  EXPECT_EQ(page.left, "76");
  EXPECT_EQ(State().EncodingText, "");
}

TEST_F(PrepareTest, DocumentWithoutPageGetsTheDefaultPageNotThePreviousOne) {
  ReadSettings(
      "<pgSz w=\"11906\" h=\"16838\"/><pgMar top=\"0\" right=\"0\" bottom=\"0\" "
      "left=\"0\"/>");
  EXPECT_EQ(State().PageSettings.width, "794");
  EXPECT_EQ(State().PageSettings.top, "0");
  ReadSettings("<body><p/></body>");
  const PageSettingsT& page = State().PageSettings;
  EXPECT_EQ(page.width, "816");
  EXPECT_EQ(page.height, "1056");
  EXPECT_EQ(page.top, "96");
  EXPECT_EQ(page.right, "96");
  EXPECT_EQ(page.bottom, "96");
  EXPECT_EQ(page.left, "96");
  // A margin element that leaves out some sides gets the default for those.
  ReadSettings("<pgSz w=\"12240\"/><pgMar top=\"720\"/>");
  EXPECT_EQ(page.width, "816");
  EXPECT_EQ(page.height, "1056");
  EXPECT_EQ(page.top, "48");
  EXPECT_EQ(page.left, "96");
}

TEST_F(PrepareTest, WholeTwipsWithAZeroFractionAreRead) {
  ReadSettings("<pgSz h=\"15840.0\" w=\"12240.00\"/><pgMar bottom=\"1440\" top=\"720.0\"/>");
  EXPECT_EQ(State().PageSettings.width, "816");
  EXPECT_EQ(State().PageSettings.height, "1056");
  EXPECT_EQ(State().PageSettings.top, "48");
  EXPECT_EQ(State().PageSettings.bottom, "96");
  State().DocumentText = "<pgSz h=\"15840\" w=\"12240.\"/>";
  EXPECT_THROW(ReadPageSettings(), ConversionError);
  State().DocumentText = "<pgSz h=\"15840\" w=\"612pt\"/>";
  EXPECT_THROW(ReadPageSettings(), ConversionError);
}

TEST_F(PrepareTest, ReadPageSettingsLeavesTheTextAndRaisesOnBadNumbers) {
  const std::string text = "<pgSz h=\"15840\" w=\"12240.5\"/>";
  State().DocumentText = text;
  EXPECT_THROW(ReadPageSettings(), ConversionError);
  EXPECT_EQ(State().DocumentText, text);
  ReadSettings("<pgSz w=\"12240\" h=\"15840\"/>");
  EXPECT_EQ(State().DocumentText, "<pgSz w=\"12240\" h=\"15840\"/>");
}

}  // namespace
}  // namespace quillon
