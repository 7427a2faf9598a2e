#include "convert/list_stages.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "convert/state.h"
#include "text/regex.h"
#include "text/text_ops.h"
#include "text/xml_fragments.h"

namespace quillon {
namespace {

// Numbering part: instance 1 decimal, 2 bullet, 3 lowerRoman, 12 decimal
// (written before 1, so a prefix lookup of "1" finds 12 first), 4 upperLetter.
const char kNumbering[] =
    "<numbering>"
    "<abstractNum abstractNumId=\"10\"><lvl ilvl=\"0\"><numFmt val=\"decimal\"/></lvl>"
    "<lvl ilvl=\"1\"><numFmt val=\"bullet\"/></lvl></abstractNum>"
    "<abstractNum abstractNumId=\"20\"><lvl ilvl=\"0\"><numFmt val=\"bullet\"/></lvl>"
    "<lvl ilvl=\"1\"><numFmt val=\"decimal\"/></lvl></abstractNum>"
    "<abstractNum abstractNumId=\"30\"><lvl ilvl=\"0\"><numFmt val=\"lowerRoman\"/></lvl>"
    "</abstractNum>"
    "<abstractNum abstractNumId=\"40\"><lvl ilvl=\"0\"><numFmt val=\"upperLetter\"/></lvl>"
    "</abstractNum>"
    "<num numId=\"12\"><abstractNumId val=\"10\"/></num>"
    "<num numId=\"1\"><abstractNumId val=\"10\"/></num>"
    "<num numId=\"2\"><abstractNumId val=\"20\"/></num>"
    "<num numId=\"3\"><abstractNumId val=\"30\"/></num>"
    "<num numId=\"4\"><abstractNumId val=\"40\"/></num>"
    "</numbering>";

std::string Para(const std::string& text, int level, int num_id) {
  return "<p><pPr><numPr><ilvl val=\"" + std::to_string(level) + "\"/><numId val=\"" +
         std::to_string(num_id) + "\"/></numPr></pPr><r>" + text + "</r></p>";
}

std::string Plain(const std::string& text) { return "<p><r>" + text + "</r></p>"; }

// The rules written out literally: insertion into the whole text per item,
// and one whole-text replacement per block.
std::string LiteralListItems(std::string text) {
  int q = PosFrom(text, "<numPr>", 1);
  while (q > 0) {
    const int p = PosBackFrom(text, "<p>", q);
    const int e = PosFrom(text, "</p>", q);
    if (e == 0) break;
    std::string inner = text.substr(p - 1, e - p);
    RegexDelete(inner, "<[^>]+>");
    const std::string id =
        TextBetween(text.substr(q - 1, PosFrom(text, "</numPr>", q) - q), "<numId val=\"", "\"");
    if (!inner.empty() && id != "0") {
      text.insert(p - 1, "<li>");
      text.insert(e + 4 + 4 - 1, "</li>");
    }
    q = PosFrom(text, "<numPr>", e);
  }
  return text;
}

std::string LiteralGroupLists(std::string text) {
  std::string last_kind;
  auto kind_of = [&](const std::string& t) { return last_kind = ListKindOf(t); };
  SharedRegex().SetPattern("((<li>.+?</li>\\s*)+)");
  for (const std::string& block : SharedRegex().MatchList(text)) {
    const std::string k = kind_of(block);
    text = ReplaceAll(text, block, "<" + k + ">" + block + "</" + k + ">");
  }
  SharedRegex().SetPattern("<([uo]l)>.+?</\\1>");
  bool flag = false;
  auto level_of = [](const std::string& piece) {
    const std::string v = ValAttr(piece, "ilvl");
    return v.empty() ? 0 : StrToIntStrict(v);
  };
  for (const std::string& block : SharedRegex().MatchList(text)) {
    TextList pieces = SplitText(block, "</li>");
    int previous = level_of(pieces[0]);
    bool open = false;
    for (size_t i = 0; i + 1 < pieces.size(); ++i) {
      pieces[i] += "</li>";
      const int level = level_of(pieces[i]);
      if (level > previous) {
        pieces[i] = "<" + kind_of(pieces[i]) + ">" + pieces[i];
        open = true;
        flag = true;
      } else if (level < previous) {
        pieces[i] = "</" + last_kind + ">" + pieces[i];
        open = false;
      }
      previous = level;
    }
    if (open) pieces.back() = "</" + last_kind + ">" + pieces.back();
    if (flag) text = ReplaceAll(text, block, JoinList(pieces, ""));
  }
  return text;
}

class ListStagesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetConversionState();
    State().NumberingText = kNumbering;
  }
  std::string Run(const std::string& body) {
    State().DocumentText = "<body>" + body + "</body>";
    ParseListItems();
    GroupLists();
    const std::string& out = State().DocumentText;
    return out.substr(6, out.size() - 13);
  }
  // Runs both stages and the literal rules over the same text and expects
  // the same result.
  void ExpectSameAsLiteral(const std::string& body) {
    const std::string text = "<body>" + body + "</body>";
    State().DocumentText = text;
    ParseListItems();
    const std::string items = State().DocumentText;
    ASSERT_EQ(items, LiteralListItems(text));
    GroupLists();
    EXPECT_EQ(State().DocumentText, LiteralGroupLists(items)) << body;
  }
};

TEST_F(ListStagesTest, DocumentWithoutNumberingIsUnchanged) {
  State().HasLists = true;
  EXPECT_EQ(Run(Plain("a") + Plain("b")), Plain("a") + Plain("b"));
  EXPECT_FALSE(State().HasLists);
}

TEST_F(ListStagesTest, ThreeDecimalItemsFormOneOrderedList) {
  const std::string a = Para("a", 0, 1), b = Para("b", 0, 1), c = Para("c", 0, 1);
  EXPECT_EQ(Run(a + b + c), "<ol><li>" + a + "</li><li>" + b + "</li><li>" + c + "</li></ol>");
  EXPECT_TRUE(State().HasLists);
}

TEST_F(ListStagesTest, ItemWithoutVisibleTextStaysAParagraph) {
  const std::string empty = Para("", 0, 2);
  EXPECT_EQ(Run(empty), empty);
  EXPECT_TRUE(State().HasLists);
  // A blank counts as visible text.
  EXPECT_EQ(Run(Para(" ", 0, 2)), "<ul><li>" + Para(" ", 0, 2) + "</li></ul>");
}

TEST_F(ListStagesTest, NumberingInstanceZeroIsNoList) {
  const std::string none = Para("x", 0, 0);
  EXPECT_EQ(Run(none), none);
  EXPECT_EQ(Run(none + Para("y", 0, 1)), none + "<ol><li>" + Para("y", 0, 1) + "</li></ol>");
}

TEST_F(ListStagesTest, KindFollowsTheFirstLevelFormat) {
  EXPECT_EQ(ListKindOf(Para("a", 0, 1)), "ol");
  EXPECT_EQ(ListKindOf(Para("a", 1, 2)), "ul");  // bullet first level, decimal second
  EXPECT_EQ(ListKindOf(Para("a", 0, 3)), "ul");
  EXPECT_EQ(ListKindOf(Para("a", 0, 4)), "ul");
  EXPECT_EQ(ListKindOf(Para("a", 0, 99)), "ul");                           // unknown instance
  EXPECT_EQ(ListKindOf("<p><numPr><ilvl val=\"0\"/></numPr></p>"), "ul");  // no id
  // Ids are matched as prefixes: "1" finds instance 12 first (also decimal);
  // "9" finds nothing.
  State().NumberingText = ReplaceAll(kNumbering, "<num numId=\"12\"><abstractNumId val=\"10\"",
                                     "<num numId=\"12\"><abstractNumId val=\"30\"");
  EXPECT_EQ(ListKindOf(Para("a", 0, 1)), "ul");
  EXPECT_EQ(ListKindOf(Para("a", 0, 2)), "ul");
}

TEST_F(ListStagesTest, RiseAndFallNestOneListBetweenItems) {
  const std::string a = Para("a", 0, 1), b = Para("b", 1, 1), c = Para("c", 1, 1),
                    d = Para("d", 0, 1);
  EXPECT_EQ(Run(a + b + c + d), "<ol><li>" + a + "</li><ol><li>" + b + "</li><li>" + c +
                                    "</li></ol><li>" + d + "</li></ol>");
}

TEST_F(ListStagesTest, RiseOfTwoLevelsOpensAndClosesOnlyOnce) {
  const std::string a = Para("a", 0, 2), b = Para("b", 1, 2), c = Para("c", 2, 2);
  EXPECT_EQ(Run(a + b + c),
            "<ul><li>" + a + "</li><ul><li>" + b + "</li><ul><li>" + c + "</li></ul></ul>");
}

TEST_F(ListStagesTest, SeparatedItemsFormSeparateLists) {
  const std::string a = Para("a", 0, 1), b = Para("b", 0, 3);
  EXPECT_EQ(Run(a + Plain("x") + b),
            "<ol><li>" + a + "</li></ol>" + Plain("x") + "<ul><li>" + b + "</li></ul>");
}

TEST_F(ListStagesTest, IdenticalBlocksAreEachWrappedTwice) {
  const std::string a = Para("same", 0, 1);
  EXPECT_EQ(Run(a + Plain("x") + a), "<ol><ol><li>" + a + "</li></ol></ol>" + Plain("x") +
                                         "<ol><ol><li>" + a + "</li></ol></ol>");
  ExpectSameAsLiteral(a + Plain("x") + a);
}

TEST_F(ListStagesTest, FallOnlyBlockClosesOnlyAfterAnEarlierNesting) {
  const std::string fall = Para("f1", 1, 1) + Para("f2", 0, 1);
  // Alone: nothing has opened a nested list, the block stays as grouped.
  EXPECT_EQ(Run(fall),
            "<ol><li>" + Para("f1", 1, 1) + "</li><li>" + Para("f2", 0, 1) + "</li></ol>");
  // After a block that nests, the fall gets a closing tag.
  const std::string nest = Para("a", 0, 2) + Para("b", 1, 2);
  const std::string out = Run(nest + Plain("x") + fall);
  EXPECT_NE(out.find("<li>" + Para("f1", 1, 1) + "</li></ul><li>"), std::string::npos) << out;
  ExpectSameAsLiteral(nest + Plain("x") + fall);
}

TEST_F(ListStagesTest, MissingLevelIsTheFirstLevel) {
  const std::string odd = "<p><pPr><numPr><numId val=\"1\"/></numPr></pPr><r>a</r></p>";
  const std::string b = Para("b", 1, 1);
  EXPECT_EQ(Run(odd + b), "<ol><li>" + odd + "</li><ol><li>" + b + "</li></ol></ol>");
}

TEST_F(ListStagesTest, LevelElementWithABlankBeforeItsEnd) {
  const std::string a = Para("a", 0, 1);
  const std::string b = ReplaceAll(Para("b", 1, 1), "<ilvl val=\"1\"/>", "<ilvl val=\"1\" />");
  EXPECT_EQ(Run(a + b), "<ol><li>" + a + "</li><ol><li>" + b + "</li></ol></ol>");
}

TEST_F(ListStagesTest, NonNumericLevelRaises) {
  const std::string odd = ReplaceAll(Para("a", 0, 1), "ilvl val=\"0\"", "ilvl val=\"x\"");
  State().DocumentText = odd;
  ParseListItems();
  EXPECT_THROW(GroupLists(), ConversionError);
}

TEST_F(ListStagesTest, ParagraphWithoutEndMakesNoItemAndEnds) {
  const std::string open_end = "<p><pPr><numPr><ilvl val=\"0\"/><numId val=\"1\"/></numPr>";
  EXPECT_EQ(Run(Para("a", 0, 1) + open_end),
            "<ol><li>" + Para("a", 0, 1) + "</li></ol>" + open_end);
}

TEST_F(ListStagesTest, TrickyTextsMatchTheLiteralRules) {
  const std::string a = Para("a", 0, 1), b = Para("b", 1, 1), c = Para("c", 0, 2);
  // A block that repeats the tail of another, and one that contains another.
  ExpectSameAsLiteral(a + b + Plain("x") + b);
  ExpectSameAsLiteral(b + Plain("x") + a + b);
  ExpectSameAsLiteral(a + b + Plain("x") + a + b + Plain("y") + a + b + c);
  // Whitespace between items belongs to the block.
  ExpectSameAsLiteral(a + "\r\n" + b + " " + Plain("x") + a + "\r\n" + b);
  // Identical nested blocks (each wrapped twice), then another nesting one.
  ExpectSameAsLiteral(a + b + Plain("x") + a + b + Plain("y") + c + Para("d", 1, 2) + Plain("z") +
                      Para("e", 1, 1) + Para("f", 0, 1));
  // List tags already in the text.
  ExpectSameAsLiteral("<ol>" + a + b + "</ol>" + Plain("x") + a);
}

TEST_F(ListStagesTest, RandomDocumentsMatchTheLiteralRules) {
  std::mt19937 random(12345);
  const char* const words[] = {"a", "b", "", "c"};
  for (int round = 0; round < 1000; ++round) {
    std::string body;
    const int count = 1 + static_cast<int>(random() % 12);
    for (int i = 0; i < count; ++i) {
      const unsigned pick = random() % 10;
      if (pick < 2) {
        body += Plain(words[random() % 4]);
      } else {
        body += Para(words[random() % 4], static_cast<int>(random() % 3),
                     static_cast<int>(random() % 5));
        if (pick == 9) body += "\n";
      }
    }
    SetUp();
    ExpectSameAsLiteral(body);
    if (HasFailure()) break;
  }
}

}  // namespace
}  // namespace quillon
