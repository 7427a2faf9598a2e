#include "convert/link_stages.h"

#include <gtest/gtest.h>

#include <string>

#include "convert/state.h"
#include "text/regex.h"
#include "text/text_ops.h"

namespace quillon {
namespace {

const char kRelationships[] =
    "<Relationships>"
    "<Relationship Id=\"rId10\" Type=\"hyperlink\" Target=\"http://ten.example/\" "
    "TargetMode=\"External\"/>"
    "<Relationship Id=\"rId1\" Type=\"hyperlink\" Target=\"http://one.example/a?b=1&amp;c=2\" "
    "TargetMode=\"External\"/>"
    "<Relationship Id=\"rId2\" Type=\"hyperlink\" Target=\"http://x.example/$1$$/\\\\y\" "
    "TargetMode=\"External\"/>"
    "<Relationship Id=\"rId3\" Type=\"hyperlink\" Target=\"\\\\\\\\server\\\\share\\\\f.doc\" "
    "TargetMode=\"External\"/>"
    "<Relationship Id=\"rId5\" Type=\"image\" Target=\"media/image1.png\"/>"
    "<Relationship Id=\"rId6\" Type=\"image\" Target=\"media/$0.png\"/>"
    "</Relationships>";

// Drawing with an inline or floating picture of the given relationship id.
std::string Drawing(const std::string& id, const std::string& cx, const std::string& cy,
                    const std::string& align = "") {
  std::string d = "<drawing><wp:anchor>";
  if (!align.empty()) {
    d += "<wp:positionH relativeFrom=\"column\"><wp:align>" + align + "</wp:align></wp:positionH>";
  }
  d += "<wp:extent cx=\"" + cx + "\" cy=\"" + cy + "\"/><a:graphic><pic:pic><pic:blipFill>";
  if (!id.empty()) d += "<a:blip r:embed=\"" + id + "\"/>";
  return d + "</pic:blipFill></pic:pic></a:graphic></wp:anchor></drawing>";
}

// The scans written out literally: Replace into the whole subject per match.
void LiteralReplaceLoop(std::string (*make)(const std::string&)) {
  TVelRegEx& regex = SharedRegex();
  while (regex.MatchAgain()) State().DocumentText = regex.Replace(make(regex.MatchedText()));
}

std::string LiteralLinks(const std::string& text) {
  State().DocumentText = text;
  TVelRegEx& regex = SharedRegex();
  regex.SetSubject(State().DocumentText);
  regex.SetPattern("<hyperlink[^>]+/>");
  LiteralReplaceLoop(LinkToAnchor);
  regex.SetSubject(State().DocumentText);
  regex.SetPattern("<hyperlink[^>]+>\\s*(.+?)</hyperlink>");
  LiteralReplaceLoop(LinkToAnchor);
  regex.SetPattern("<bookmarkStart.+?name=\"(\\w+)\"/>");
  State().DocumentText = regex.ReplaceIn(State().DocumentText, "<a name=\"$1\"/>");
  RegexDelete(State().DocumentText, "<bookMark[^>]+/>");
  return State().DocumentText;
}

std::string LiteralDrawings(const std::string& text) {
  State().DocumentText = text;
  TVelRegEx& regex = SharedRegex();
  regex.SetPattern("<drawing>.+?</drawing>");
  regex.SetSubject(State().DocumentText);
  if (!regex.Match()) return State().DocumentText;
  State().DocumentText = regex.Replace(DrawingToImage(regex.MatchedText()));
  LiteralReplaceLoop(DrawingToImage);
  return State().DocumentText;
}

std::string LiteralDropCaps(std::string text) {
  int q = PosFrom(text, "<framePr dropCap=\"", 1);
  while (q > 0) {
    text.insert(PosBackFrom(text, "<p>", q) - 1, "<div style=\"float:left\">");
    const int e = PosFrom(text, "</p>", q);
    text.insert(e + 4 - 1, "</div>");
    q = PosFrom(text, "<framePr dropCap=", e);
  }
  return text;
}

class LinkStagesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetConversionState();
    State().RelationshipsText = kRelationships;
  }
  std::string Links(const std::string& text) {
    const std::string literal = LiteralLinks(text);
    State().DocumentText = text;
    ParseLinks();
    EXPECT_EQ(State().DocumentText, literal) << text;
    return State().DocumentText;
  }
  std::string Drawings(const std::string& text) {
    State().DocumentText = text;
    ParseDrawings();
    return State().DocumentText;
  }
};

TEST_F(LinkStagesTest, HyperlinkToRelationshipTarget) {
  EXPECT_EQ(Links("<p><hyperlink r:id=\"rId1\" history=\"1\"><span>One</span></hyperlink></p>"),
            "<p><a href=\"http://one.example/a?b=1&amp;c=2\"><span>One</span></a></p>");
  // The id is matched whole: rId1 is not taken for rId10.
  EXPECT_EQ(Links("<hyperlink r:id=\"rId10\">\r\n  ten</hyperlink>"),
            "<a href=\"http://ten.example/\">ten</a>");
  EXPECT_EQ(Links("<hyperlink r:id=\"rId77\">x</hyperlink>"), "<a href=\"\">x</a>");
}

TEST_F(LinkStagesTest, AnchorAttributeWinsOverRelationship) {
  EXPECT_EQ(Links("<hyperlink r:id=\"rId1\" anchor=\"_Toc1\">see</hyperlink>"),
            "<a href=\"#_Toc1\">see</a>");
}

TEST_F(LinkStagesTest, EmptyHyperlinkGivesEmptyAnchor) {
  EXPECT_EQ(Links("a<hyperlink r:id=\"rId1\"/>b<hyperlink anchor=\"x\"/>c"),
            "a<a href=\"http://one.example/a?b=1&amp;c=2\"></a>b<a href=\"#x\"></a>c");
}

TEST_F(LinkStagesTest, TargetsArriveExactlyAsWritten) {
  EXPECT_EQ(Links("<hyperlink r:id=\"rId2\">d</hyperlink>"),
            "<a href=\"http://x.example/$1$$/\\\\y\">d</a>");
  EXPECT_EQ(Links("<hyperlink r:id=\"rId3\">unc</hyperlink>"),
            "<a href=\"\\\\\\\\server\\\\share\\\\f.doc\">unc</a>");
  EXPECT_EQ(Links("<hyperlink anchor=\"a$1\">m</hyperlink>"), "<a href=\"#a$1\">m</a>");
  // Link content is copied as it is too.
  EXPECT_EQ(Links("<hyperlink r:id=\"rId1\">cost $5 \\1</hyperlink>"),
            "<a href=\"http://one.example/a?b=1&amp;c=2\">cost $5 \\1</a>");
}

TEST_F(LinkStagesTest, BookmarksBecomeNamedAnchors) {
  EXPECT_EQ(Links("<p><bookmarkStart id=\"0\" name=\"_GoBack\"/><bookmarkEnd id=\"0\"/>x</p>"),
            "<p><a name=\"_GoBack\"/>x</p>");
  EXPECT_EQ(Links("<BookmarkEnd id=\"3\"/>y"), "y");
}

TEST_F(LinkStagesTest, BookmarkNameWithOddCharactersRunsOnToTheNextPlainName) {
  const std::string text =
      "<bookmarkStart id=\"1\" name=\"a-b\"/>mid<bookmarkEnd id=\"1\"/>"
      "<bookmarkStart id=\"2\" name=\"plain\"/>end";
  EXPECT_EQ(Links(text), "<a name=\"plain\"/>end");
  EXPECT_EQ(Links("<bookmarkStart id=\"1\" name=\"a b$1\"/>z"), "z");
}

TEST_F(LinkStagesTest, ManyLinksMatchTheLiteralScan) {
  std::string text;
  for (int i = 0; i < 40; ++i) {
    text += "<p>t" + std::to_string(i) + "<hyperlink r:id=\"rId" + std::to_string(i % 4 + 1) +
            "\">l" + std::to_string(i) + "</hyperlink>";
    if (i % 7 == 0) text += "<hyperlink anchor=\"b" + std::to_string(i) + "\"/>";
    if (i % 5 == 0)
      text += "<bookmarkStart id=\"" + std::to_string(i) + "\" name=\"n" + std::to_string(i) +
              "\"/><bookmarkEnd id=\"1\"/>";
    text += "</p>";
  }
  Links(text);
}

TEST_F(LinkStagesTest, PictureWithSizeAndAlignment) {
  EXPECT_EQ(Drawings("<r>" + Drawing("rId5", "5715000", "3810000") + "</r>"),
            "<r><img src=\"media/image1.png\" width=600 height=400/></r>");
  EXPECT_EQ(Drawings(Drawing("rId5", "4762", "4763", "right")),
            "<img src=\"media/image1.png\" align=right width=0 height=1/>");
}

TEST_F(LinkStagesTest, DrawingWithoutPictureOrSize) {
  EXPECT_EQ(Drawings("<drawing><wp:inline><c:chart r:id=\"rId9\"/></wp:inline></drawing>"),
            "<img src=\"\"/>");
  EXPECT_EQ(Drawings(Drawing("rId99", "9525", "19050")), "<img src=\"\" width=1 height=2/>");
  EXPECT_EQ(Drawings("<p>no pictures</p>"), "<p>no pictures</p>");
}

TEST_F(LinkStagesTest, PictureSourceArrivesExactlyAsWritten) {
  EXPECT_EQ(Drawings(Drawing("rId6", "9525", "9525")),
            "<img src=\"media/$0.png\" width=1 height=1/>");
}

TEST_F(LinkStagesTest, NonNumericExtentRaises) {
  const std::string text = "<p>" + Drawing("rId5", "600", "3") + Drawing("rId5", "12.5", "3");
  EXPECT_THROW(Drawings(text), ConversionError);
  // The document text is left as it was.
  EXPECT_EQ(State().DocumentText, text);
}

TEST_F(LinkStagesTest, ManyDrawingsMatchTheLiteralScan) {
  std::string text;
  for (int i = 0; i < 30; ++i) {
    text += "<p>" +
            Drawing(i % 2 ? "rId5" : "rId6", std::to_string(9525 * i), std::to_string(4762 * i),
                    i % 3 ? "" : "center") +
            "</p>";
  }
  const std::string literal = LiteralDrawings(text);
  EXPECT_EQ(Drawings(text), literal);
}

TEST_F(LinkStagesTest, EmuToPixels) {
  EXPECT_EQ(EmuToPixels("5715000"), "600");
  EXPECT_EQ(EmuToPixels("4762"), "0");
  EXPECT_EQ(EmuToPixels("14287"), "1");  // 1.49995
  EXPECT_EQ(EmuToPixels("14288"), "2");  // 1.50005
  EXPECT_EQ(EmuToPixels("0"), "0");
  EXPECT_THROW(EmuToPixels(""), ConversionError);
}

TEST_F(LinkStagesTest, DropCapParagraphIsFloatedLeft) {
  const std::string drop = "<p><pPr><framePr dropCap=\"drop\" lines=\"3\"/></pPr><r>T</r></p>";
  const std::string text =
      "<p>x</p>" + drop + "<p>he</p>" + drop + "<p><pPr><framePr dropCap=\"none\"/></pPr></p>";
  State().DocumentText = text;
  ParseDropCaps();
  EXPECT_EQ(State().DocumentText,
            "<p>x</p><div style=\"float:left\">" + drop + "</div><p>he</p>" +
                "<div style=\"float:left\">" + drop + "</div>" +
                "<div style=\"float:left\"><p><pPr><framePr dropCap=\"none\"/></pPr></p></div>");
  EXPECT_EQ(State().DocumentText, LiteralDropCaps(text));
}

TEST_F(LinkStagesTest, DropCapWithoutFramesOrParagraphEnd) {
  State().DocumentText = "<p>plain</p>";
  ParseDropCaps();
  EXPECT_EQ(State().DocumentText, "<p>plain</p>");
  // A frame whose paragraph never ends is left alone (and does not hang).
  State().DocumentText = "<p><pPr><framePr dropCap=\"drop\"/></pPr>";
  ParseDropCaps();
  EXPECT_EQ(State().DocumentText, "<p><pPr><framePr dropCap=\"drop\"/></pPr>");
}

}  // namespace
}  // namespace quillon
