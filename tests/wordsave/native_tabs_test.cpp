// Right-floating spans (the page numbers of table of contents entries) read
// into the document model: a tab character before the floated text and one
// right-aligned tab stop at the paragraph's right edge.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "wordsave/native/html_reader.h"

namespace quillon::native {
namespace {

DocModel Build(const std::string& body, PageSetup page = PageSetup()) {
  HtmlPage page_doc("<html><head><style>p{margin-top:0px;margin-bottom:0px}</style></head><body>" +
                        body + "</body></html>",
                    "/nonexistent/pkg/word/doc.htm");
  DocModel m;
  m.page = page;
  page_doc.Build(m);
  return m;
}

// Paragraph texts, tabs shown as '>' and field characters left out.
std::vector<std::string> Paragraphs(const DocModel& m) {
  std::vector<std::string> out(1);
  for (char16_t c : m.main.text()) {
    if (c == 0x0D || c == 0x07) {
      out.emplace_back();
    } else if (c == u'\t') {
      out.back() += '>';
    } else if (c >= 0x20 && c < 0x80) {
      out.back().push_back(static_cast<char>(c));
    }
  }
  out.pop_back();
  return out;
}

struct TabStop {
  int position;
  int descriptor;  // alignment in bits 0-2, leader in bits 3-5
};

// The stops a paragraph's change-tabs modifier adds; fails the test when the
// modifier is malformed. Walks the sprms by their operand sizes.
std::vector<TabStop> AddedTabs(const std::string& papx, int* modifiers) {
  std::vector<TabStop> tabs;
  *modifiers = 0;
  auto u8 = [&](size_t i) { return static_cast<int>(static_cast<unsigned char>(papx[i])); };
  size_t i = 0;
  while (i + 2 <= papx.size()) {
    int sprm = u8(i) | u8(i + 1) << 8;
    i += 2;
    // Operand sizes by the modifier's size code (bits 13-15).
    static const size_t kSizes[] = {1, 1, 2, 4, 2, 2, 0, 3};
    int spra = sprm >> 13;
    size_t size = kSizes[spra];
    if (spra == 6) {
      if (i >= papx.size()) break;
      size = 1 + static_cast<size_t>(u8(i));
    }
    if (sprm == 0xD608) size = 2 + static_cast<size_t>(u8(i) | u8(i + 1) << 8) - 1;
    if (i + size > papx.size()) {
      ADD_FAILURE() << "truncated modifier " << std::hex << sprm;
      break;
    }
    if (sprm == 0xC60D) {
      ++*modifiers;
      size_t at = i + 1;
      int deleted = u8(at);
      at += 1 + 2 * static_cast<size_t>(deleted);
      int added = u8(at);
      ++at;
      EXPECT_EQ(static_cast<size_t>(u8(i)), 2 + 2 * static_cast<size_t>(deleted) + 3 * added);
      for (int k = 0; k < added; ++k) {
        int pos = static_cast<int16_t>(u8(at + 2 * k) | u8(at + 2 * k + 1) << 8);
        tabs.push_back({pos, u8(at + 2 * static_cast<size_t>(added) + k)});
      }
    }
    i += size;
  }
  return tabs;
}

constexpr int kRight = 2;
constexpr int kDotted = 1 << 3;

TEST(NativeRightTabs, TableOfContentsEntryGetsTabAndRightStop) {
  DocModel m = Build(
      "<p>Contents</p>"
      "<p><a href=\"#_Toc1\">Introduction <span style=\"float:right\">12</a></p>"
      "<p style=\"margin-left:20px\"><a href=\"#_Toc2\">Details <span "
      "style=\"float:right\">iv</a></p>"
      "<p>After</p>");
  auto paras = Paragraphs(m);
  ASSERT_EQ(paras.size(), 4u);
  EXPECT_NE(paras[1].find("Introduction >12"), std::string::npos) << paras[1];
  EXPECT_NE(paras[2].find("Details >iv"), std::string::npos) << paras[2];
  const int edge = 12240 - 1440 - 1440;
  for (size_t p : {size_t{1}, size_t{2}}) {
    int modifiers = 0;
    auto tabs = AddedTabs(m.main.paragraphs()[p].papx, &modifiers);
    EXPECT_EQ(modifiers, 1);
    ASSERT_EQ(tabs.size(), 1u);
    EXPECT_EQ(tabs[0].position, edge) << "measured from the margin, not the indent";
    EXPECT_EQ(tabs[0].descriptor, kRight | kDotted);
  }
  for (size_t p : {size_t{0}, size_t{3}}) {
    int modifiers = 0;
    EXPECT_TRUE(AddedTabs(m.main.paragraphs()[p].papx, &modifiers).empty());
    EXPECT_EQ(modifiers, 0) << "paragraph " << p;
  }
}

TEST(NativeRightTabs, StopFollowsPageMarginsAndRightIndent) {
  PageSetup page;
  page.width = 11906;
  page.left = 1000;
  page.right = 1200;
  DocModel m =
      Build("<p style=\"margin-right:40px\">Entry <span style=\"float:right\">3</p>", page);
  int modifiers = 0;
  auto tabs = AddedTabs(m.main.paragraphs()[0].papx, &modifiers);
  ASSERT_EQ(tabs.size(), 1u);
  EXPECT_EQ(tabs[0].position, 11906 - 1000 - 1200 - 600);
}

TEST(NativeRightTabs, OtherFloatedTextHasNoLeader) {
  DocModel m = Build("<p>Signed <span style=\"float:right\">The Board, London</span></p>");
  EXPECT_EQ(Paragraphs(m)[0], "Signed >The Board, London");
  int modifiers = 0;
  auto tabs = AddedTabs(m.main.paragraphs()[0].papx, &modifiers);
  ASSERT_EQ(tabs.size(), 1u);
  EXPECT_EQ(tabs[0].descriptor, kRight);
}

TEST(NativeRightTabs, UnclosedSpanEndsWithItsParagraph) {
  // The span has no end tag: it must not carry its tab into later paragraphs.
  DocModel m = Build(
      "<p>One <span style=\"float:right\">1</p><p>Two</p>"
      "<div>Three <span style=\"float:right\">3</div><p>Four</p>");
  auto paras = Paragraphs(m);
  ASSERT_EQ(paras.size(), 4u);
  EXPECT_EQ(paras[0], "One >1");
  EXPECT_EQ(paras[1], "Two");
  EXPECT_EQ(paras[2], "Three >3");
  EXPECT_EQ(paras[3], "Four");
  int counts[4];
  for (size_t p = 0; p < 4; ++p) {
    AddedTabs(m.main.paragraphs()[p].papx, &counts[p]);
  }
  EXPECT_EQ(counts[0], 1);
  EXPECT_EQ(counts[1], 0);
  EXPECT_EQ(counts[2], 1);
  EXPECT_EQ(counts[3], 0);
}

TEST(NativeRightTabs, OneTabPerParagraphAndNoneForEmptyOrTableSpans) {
  DocModel m = Build(
      "<p>Both <span style=\"float:right\">5 <span style=\"float:right\">6</p>"
      "<p>Empty <span style=\"float:right\"> </span>end</p>"
      "<p>Left <span style=\"float:left\">7</span></p>"
      "<table><tr><td><p>Cell <span style=\"float:right\">8</p></td></tr></table>"
      "<p>Last</p>");
  auto paras = Paragraphs(m);
  ASSERT_GE(paras.size(), 5u);
  EXPECT_EQ(paras[0], "Both >5 6") << "a nested span joins the first one";
  EXPECT_EQ(paras[1], "Empty end");
  EXPECT_EQ(paras[2], "Left 7");
  EXPECT_EQ(paras[3], "Cell 8") << "table cells keep their text as it is";
  int modifiers = 0;
  EXPECT_EQ(AddedTabs(m.main.paragraphs()[0].papx, &modifiers).size(), 1u);
  for (size_t p = 1; p < m.main.paragraphs().size(); ++p) {
    AddedTabs(m.main.paragraphs()[p].papx, &modifiers);
    EXPECT_EQ(modifiers, 0) << "paragraph " << p;
  }
}

TEST(NativeRightTabs, StyleSheetFloatCountsToo) {
  HtmlPage page(
      "<html><head><style>.num{float:right}</style></head><body>"
      "<p>Entry <span class=num>9</span></p></body></html>",
      "/nonexistent/pkg/word/doc.htm");
  DocModel m;
  page.Build(m);
  EXPECT_EQ(Paragraphs(m)[0], "Entry >9");
}

}  // namespace
}  // namespace quillon::native
