#include "text/xml_fragments.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quillon {
namespace {

TEST(XmlAttributes, AttrValueTakesTheFirstOccurrence) {
  EXPECT_EQ(AttrValue("<ind left=\"720\" hanging=\"360\"/>", "left"), "720");
  EXPECT_EQ(AttrValue("<ind left=\"720\" hanging=\"360\"/>", "hanging"), "360");
  EXPECT_EQ(AttrValue("<tcW w=\"2400\" type=\"dxa\"/><x w=\"5\"/>", "w"), "2400");
  EXPECT_EQ(AttrValue("<pgSz h=\"1\" w=\"2\"/>", "w"), "2");
  EXPECT_EQ(AttrValue("<x dw=\"9\" w=\"2\"/>", "w"), "9");  // tail of a longer name
  EXPECT_EQ(AttrValue("<x left=\"\"/>", "left"), "");
  EXPECT_EQ(AttrValue("<x/>", "left"), "");
  EXPECT_EQ(AttrValue("<sz val=\"24\"/>", "<sz val"), "24");
  EXPECT_EQ(AttrValue("<sz a=\"1\" val=\"24\"/>", "<sz val"), "");
  EXPECT_EQ(AttrValue("<style type=\"paragraph\" styleId=\"H1\">", "style type"), "paragraph");
}

TEST(XmlAttributes, ValAttrRunsToTheEmptyElementEnd) {
  EXPECT_EQ(ValAttr("<rPr><sz val=\"24\"/></rPr>", "sz"), "24");
  EXPECT_EQ(ValAttr("<color val=\"FF0000\" themeColor=\"accent1\"/>", "color"),
            "FF0000\" themeColor=\"accent1");
  EXPECT_EQ(ValAttr("<szCs val=\"20\"/>", "sz"), "");
  EXPECT_EQ(ValAttr("<b/>", "b"), "");
}

TEST(XmlElements, EmptyElementMatchesThePrefix) {
  EXPECT_EQ(EmptyElement("<pPr><jc val=\"center\"/></pPr>", "jc"), "<jc val=\"center\"/>");
  EXPECT_EQ(EmptyElement("<szCs val=\"2\"/><sz val=\"4\"/>", "sz"), "<szCs val=\"2\"/>");
  EXPECT_EQ(EmptyElement("<tc><p>", "tc"), "");
  EXPECT_EQ(EmptyElement("", "tc"), "");
}

TEST(XmlElements, TagName) {
  EXPECT_EQ(TagName("<tcW w=\"2400\" type=\"dxa\"/>"), "tcW");
  EXPECT_EQ(TagName("<vMerge/>"), "vMerge");
  EXPECT_EQ(TagName("<tcBorders><top val=\"single\"/></tcBorders>"), "tcBorders");
  EXPECT_EQ(TagName("<tcBorders>"), "tcBorders");
  EXPECT_EQ(TagName("<noEnd"), "");
  EXPECT_EQ(TagName(""), "");
}

TEST(XmlElements, NextElementWalksChildren) {
  const std::string props =
      "<tcW w=\"2400\" type=\"dxa\"/><tcBorders><top val=\"single\"/></tcBorders>";
  int position = 1;
  std::vector<std::string> children;
  for (std::string e = NextElement(props, position); !e.empty(); e = NextElement(props, position)) {
    children.push_back(e);
  }
  EXPECT_EQ(children, (std::vector<std::string>{"<tcW w=\"2400\" type=\"dxa\"/>",
                                                "<tcBorders><top val=\"single\"/></tcBorders>"}));
  EXPECT_EQ(position, static_cast<int>(props.size()) + 1);

  position = 1;
  EXPECT_EQ(NextElement("<shd val=\"x\">a</shd>", position), "");  // attributes: no end
  EXPECT_EQ(position, 1);
  position = 3;
  EXPECT_EQ(NextElement("ab", position), "");
  EXPECT_EQ(position, 3);
  position = 1;
  EXPECT_EQ(NextElement("x<br/>y", position), "<br/>");
  EXPECT_EQ(position, 6);  // the ">" of the empty element
}

TEST(XmlRelationships, RelIdAndTarget) {
  EXPECT_EQ(RelIdOf("<hyperlink r:id=\"rId7\" history=\"1\">"), "rId7");
  EXPECT_EQ(RelIdOf("<hyperlink anchor=\"x\">"), "");
  const std::string rels =
      "<Relationships><Relationship Id=\"rId10\" Type=\"t\" Target=\"media/image10.png\"/>"
      "<Relationship Id=\"rId1\" Type=\"t\" Target=\"styles.xml\"/>"
      "<Relationship Id=\"rId2\" Target=\"\"/></Relationships>";
  EXPECT_EQ(RelationshipTarget(rels, "rId1"), "styles.xml");
  EXPECT_EQ(RelationshipTarget(rels, "rId10"), "media/image10.png");
  EXPECT_EQ(RelationshipTarget(rels, "rId3"), "");
  EXPECT_EQ(RelationshipTarget(rels, "rId2"), "");
  EXPECT_EQ(RelationshipTarget(rels, ""), "");
}

TEST(XmlMerge, AdjacentIdenticalElementsJoin) {
  const std::string a = "<span style=\"color:red\">";
  EXPECT_EQ(MergeAdjacentElements(a + "one</span>\r\n" + a + "two</span>", "span"),
            a + "onetwo</span>");
  EXPECT_EQ(
      MergeAdjacentElements("x" + a + "1</span>" + a + "2</span>\t" + a + "3</span>y", "span"),
      "x" + a + "123</span>y");
}

TEST(XmlMerge, DifferentOrSpacedNeighboursStay) {
  const std::string a = "<span style=\"color:red\">";
  const std::string b = "<span style=\"color:blue\">";
  for (const std::string& text : {a + "1</span> " + a + "2</span>", a + "1</span>" + b + "2</span>",
                                  a + "1</span></p>" + a + "2</span>", a + "1</span>x",
                                  a + "no end", std::string("plain"), std::string()}) {
    EXPECT_EQ(MergeAdjacentElements(text, "span"), text);
  }
  // A differing neighbour starts a chain of its own.
  EXPECT_EQ(MergeAdjacentElements(a + "1</span>" + b + "2</span>" + b + "3</span>", "span"),
            a + "1</span>" + b + "23</span>");
}

}  // namespace
}  // namespace quillon
