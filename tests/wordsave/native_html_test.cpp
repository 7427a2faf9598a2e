// Reading converted pages into the document model: text and whitespace,
// formatting, tables, lists, links, bookmarks, breaks and pictures.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "wordsave/native/css.h"
#include "wordsave/native/html_reader.h"

namespace quillon::native {
namespace {

namespace fs = std::filesystem;

const char kHead[] =
    "<html>\r\n<head><title>T</title>\r\n<meta http-equiv=\"Content-Type\" content=\"text/html; "
    "charset=UTF-8\"/>\r\n<style>\r\np{margin-top:0px;margin-bottom:0px;font-family:'Times New "
    "Roman'}\r\nol,ul{margin-top:0px;margin-bottom:0px;margin-left:1em}\r\ntable{border-collapse:"
    "collapse;}\r\ntd{padding:1 "
    "2;border-color:gray;}\r\nblockquote{margin-top:0px;margin-bottom:0px;"
    "disply:inline;}\r\n.tab{margin-left:3em}</style></head>";

DocModel Build(const std::string& body,
               const std::string& page_path = "/nonexistent/pkg/word/doc.htm") {
  HtmlPage page(std::string(kHead) + "<body>" + body + "</body></html>", page_path);
  DocModel m;
  page.Build(m);
  return m;
}

std::string Text(const DocModel& m) {
  std::string out;
  for (char16_t c : m.main.text()) {
    if (c == 0x0D)
      out += "|";
    else if (c == 0x07)
      out += "#";
    else if (c < 0x80 && c >= 0x20)
      out.push_back(static_cast<char>(c));
    else
      out += "<" + std::to_string(static_cast<int>(c)) + ">";
  }
  return out;
}

bool HasSprm(const std::string& grpprl, uint16_t sprm) {
  for (size_t i = 0; i + 1 < grpprl.size(); ++i) {
    if (static_cast<unsigned char>(grpprl[i]) == (sprm & 0xFF) &&
        static_cast<unsigned char>(grpprl[i + 1]) == (sprm >> 8)) {
      return true;
    }
  }
  return false;
}

TEST(NativeHtml, ParagraphsAndWhitespace) {
  DocModel m =
      Build("\r\n<p>Hello\r\n   world</p>\r\n<p>&nbsp;</p>\r\n<p>Last <b>bold</b> word</p>");
  EXPECT_EQ(Text(m), "Hello world|<160>|Last bold word|");
  EXPECT_EQ(m.main.paragraphs().size(), 3u);
}

TEST(NativeHtml, EmptyBodyStillEndsWithParagraphMark) {
  DocModel m = Build("");
  EXPECT_EQ(Text(m), "|");
}

TEST(NativeHtml, RunFormattingBecomesSprms) {
  DocModel m = Build(
      "<p><span style=\"font:normal 21px 'Verdana';color:#FF0000;\">Red</span> <i>it</i>"
      "<sup>2</sup></p>");
  const auto& runs = m.main.runs();
  ASSERT_GE(runs.size(), 3u);
  int verdana = m.FontIndex("Verdana");
  EXPECT_GT(verdana, 2);
  const std::string& red = runs[0].chpx;
  EXPECT_TRUE(HasSprm(red, 0x4A4F));
  EXPECT_TRUE(HasSprm(red, 0x4A43));
  EXPECT_TRUE(HasSprm(red, 0x6870));
  EXPECT_NE(red.find(std::string("\x43\x4A\x1F\x00", 4)), std::string::npos)
      << "21px is 31 half-points";
  bool italic = false, super = false;
  for (const native::Run& r : runs) {
    italic = italic || HasSprm(r.chpx, 0x0836);
    super = super || HasSprm(r.chpx, 0x2A48);
  }
  EXPECT_TRUE(italic);
  EXPECT_TRUE(super);
}

TEST(NativeHtml, ParagraphStyleBecomesSprms) {
  DocModel m = Build(
      "<p style=\"text-align:center;margin-left:48px;text-indent:-24px;line-height:16px;\">x</p>");
  const std::string& p = m.main.paragraphs()[0].papx;
  EXPECT_NE(p.find(std::string("\x03\x24\x01", 3)), std::string::npos);
  EXPECT_NE(p.find(std::string("\x0F\x84\xD0\x02", 4)), std::string::npos) << "48px = 720 twips";
  EXPECT_NE(p.find(std::string("\x11\x84\x98\xFE", 4)), std::string::npos) << "-24px = -360 twips";
  EXPECT_TRUE(HasSprm(p, 0x6412));
}

TEST(NativeHtml, ParagraphBordersAndShading) {
  DocModel m = Build(
      "<p style=\"border-top:3px double #FF0000;background-color:#FFFF00;\">boxed</p><p>plain</p>"
      "<table border=1><tr><td style=\"border:1px solid #000000;background-color:#00FF00;\">"
      "<p>cell</p></td></tr></table>");
  const auto& ps = m.main.paragraphs();
  ASSERT_GE(ps.size(), 3u);
  size_t top = ps[0].papx.find(std::string("\x24\x64", 2));
  ASSERT_NE(top, std::string::npos);
  EXPECT_EQ(ps[0].papx[top + 2], 18) << "3px in eighths of a point";
  EXPECT_EQ(ps[0].papx[top + 3], 3) << "double";
  EXPECT_EQ(ps[0].papx[top + 4], 6) << "red";
  EXPECT_FALSE(HasSprm(ps[0].papx, 0x6425)) << "only the top side";
  EXPECT_TRUE(HasSprm(ps[0].papx, 0xC64D));
  EXPECT_FALSE(HasSprm(ps[1].papx, 0x6424)) << "borders do not carry over";
  EXPECT_FALSE(HasSprm(ps[1].papx, 0xC64D));
  EXPECT_FALSE(HasSprm(ps[2].papx, 0x6424)) << "a cell draws its borders itself";
  EXPECT_FALSE(HasSprm(ps[2].papx, 0xC64D));
  EXPECT_TRUE(HasSprm(ps[3].papx, 0xD612)) << "cell shading in the row definition";
}

TEST(NativeHtml, TabsBreaksAndPageBreaks) {
  DocModel m = Build("<p>a <b class=tab></b>b<br/>c<br style=\"page-break-after:always\"/>d</p>");
  EXPECT_EQ(Text(m), "a <9>b<11>c<12>d|");
}

TEST(NativeHtml, TableCellsRowsAndMerges) {
  DocModel m = Build(
      "<table width=600px border=1><col width=200><col width=400>"
      "<tr height=\"30\"><td rowspan=2>A</td><td>B</td></tr>"
      "<tr><td>C</td></tr>"
      "<tr><td colspan=2><p>D1</p><p>D2</p></td></tr></table><p>after</p>");
  EXPECT_EQ(Text(m),
            "A#B##"
            "#C##"
            "D1|D2##"
            "after|");
  // Row end marks carry the table definition; the first row has two cells.
  int rows = 0;
  for (const Paragraph& p : m.main.paragraphs()) {
    if (!HasSprm(p.papx, 0xD608)) continue;
    ++rows;
    EXPECT_TRUE(HasSprm(p.papx, 0x2417));
  }
  EXPECT_EQ(rows, 3);
  const std::string& row1 = m.main.paragraphs()[2].papx;
  size_t def = row1.find(std::string("\x08\xD6", 2));
  ASSERT_NE(def, std::string::npos);
  EXPECT_EQ(row1[def + 4], 2) << "two cells";
  EXPECT_EQ(static_cast<unsigned char>(row1[def + 7]) | static_cast<unsigned char>(row1[def + 8])
                                                            << 8,
            3000)
      << "first cell edge at 200px";
  uint16_t tcgrf =
      static_cast<unsigned char>(row1[def + 11]) | static_cast<unsigned char>(row1[def + 12]) << 8;
  EXPECT_TRUE(tcgrf & 0x40) << "first cell starts a vertical merge";
  const std::string& row2 = m.main.paragraphs()[5].papx;
  def = row2.find(std::string("\x08\xD6", 2));
  ASSERT_NE(def, std::string::npos);
  tcgrf = static_cast<unsigned char>(row2[def + 11]) | static_cast<unsigned char>(row2[def + 12])
                                                           << 8;
  EXPECT_EQ(tcgrf & 0x60, 0x20) << "continuation cell";
  EXPECT_TRUE(HasSprm(row1, 0x9407)) << "row height";
}

TEST(NativeHtml, NestedTableMarksItsDepth) {
  DocModel m = Build(
      "<table><tr><td><p>A</p></td><td><table><tr><td><p>in1</p></td><td><p>in2</p></td>"
      "</tr></table><p>after</p></td></tr></table>");
  EXPECT_EQ(Text(m), "A#in1|in2||after##|");
  const auto& ps = m.main.paragraphs();
  ASSERT_EQ(ps.size(), 7u);
  const std::string depth1("\x49\x66\x01\0\0\0", 6), depth2("\x49\x66\x02\0\0\0", 6);
  EXPECT_NE(ps[0].papx.find(depth1), std::string::npos) << "outer cell";
  EXPECT_NE(ps[1].papx.find(depth2), std::string::npos) << "inner cell";
  EXPECT_TRUE(HasSprm(ps[1].papx, 0x244B));
  EXPECT_FALSE(HasSprm(ps[1].papx, 0x244C));
  EXPECT_TRUE(HasSprm(ps[3].papx, 0x244C)) << "inner row end";
  EXPECT_TRUE(HasSprm(ps[3].papx, 0xD608));
  EXPECT_NE(ps[4].papx.find(depth1), std::string::npos) << "the paragraph after the inner table";
  EXPECT_TRUE(HasSprm(ps[5].papx, 0x2417) && HasSprm(ps[5].papx, 0xD608)) << "outer row end";
}

TEST(NativeHtml, NestedListsAsSiblingsKeepOneList) {
  DocModel m = Build(
      "<ol><li><p>one</p></li><li><p>two</p></li><ul><li><p>inner</p></li></ul>"
      "<li><p>three</p></li></ol><ul><li><p>other</p></li></ul>");
  EXPECT_EQ(Text(m), "one|two|inner|three|other|");
  ASSERT_EQ(m.lists.size(), 2u);
  EXPECT_TRUE(m.lists[0].ordered[0]);
  EXPECT_FALSE(m.lists[0].ordered[1]);
  EXPECT_FALSE(m.lists[1].ordered[0]);
  const auto& ps = m.main.paragraphs();
  ASSERT_EQ(ps.size(), 5u);
  EXPECT_NE(ps[0].papx.find(std::string("\x0A\x26\x00", 3)), std::string::npos) << "level 0";
  EXPECT_NE(ps[2].papx.find(std::string("\x0A\x26\x01", 3)), std::string::npos) << "level 1";
  EXPECT_NE(ps[3].papx.find(std::string("\x0B\x46\x01\x00", 4)), std::string::npos) << "list 1";
  EXPECT_NE(ps[4].papx.find(std::string("\x0B\x46\x02\x00", 4)), std::string::npos) << "list 2";
}

TEST(NativeHtml, HyperlinksAndBookmarks) {
  DocModel m = Build(
      "<p><a name=\"Top_1\"/>Go <a href=\"http://x.org/a\">there</a> or "
      "<a href=\"#Top_1\">up</a><a href=\"http://empty\"></a></p>");
  std::string t = Text(m);
  EXPECT_NE(t.find("<19> HYPERLINK \"http://x.org/a\" <20>there<21>"), std::string::npos) << t;
  EXPECT_NE(t.find("<19> HYPERLINK \\l \"Top_1\" <20>up<21>"), std::string::npos) << t;
  ASSERT_EQ(m.fields.size(), 6u) << "the empty link writes no field";
  EXPECT_EQ(m.fields[0].ch, 0x13);
  EXPECT_EQ(m.fields[0].info, 88);
  EXPECT_EQ(m.main.text()[m.fields[2].cp], 0x15);
  ASSERT_EQ(m.bookmarks.size(), 1u);
  EXPECT_EQ(m.bookmarks[0].name, u"Top_1");
  EXPECT_EQ(m.bookmarks[0].cp, 0u);
}

TEST(NativeHtml, DeepNestingKeepsTextWithoutDeepRecursion) {
  std::string body = "<p>";
  for (int i = 0; i < 5000; ++i) body += "<span>";
  body += "deep words";
  for (int i = 0; i < 5000; ++i) body += "</span>";
  body += "</p><p>next</p>";
  DocModel m = Build(body);
  std::string t = Text(m);
  EXPECT_NE(t.find("deep words"), std::string::npos);
  EXPECT_NE(t.find("next|"), std::string::npos);
}

TEST(NativeHtml, CharsetOfThePageIsHonoured) {
  std::string latin =
      "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=ISO-8859-1\"/>"
      "</head><body><p>caf\xE9</p></body></html>";
  HtmlPage page(latin, "/nonexistent/pkg/word/doc.htm");
  DocModel m;
  page.Build(m);
  EXPECT_EQ(m.main.text(), u"caf\u00E9\r");
}

class NativeHtmlPictures : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() / ("quillon_native_pics_" + std::to_string(::getpid()));
    fs::create_directories(root_ / "pkg" / "word" / "media");
    // A 2x1 PNG header is all the size reader needs.
    std::string png("\x89PNG\r\n\x1A\n\0\0\0\rIHDR\0\0\0\x02\0\0\0\x01\x08\x02\0\0\0", 29);
    std::ofstream(root_ / "pkg" / "word" / "media" / "a.png", std::ios::binary) << png;
    std::ofstream(root_ / "secret.png", std::ios::binary) << png;
    std::ofstream(root_ / "pkg" / "word" / "media" / "b.gif", std::ios::binary) << "GIF89a....";
  }
  void TearDown() override { fs::remove_all(root_); }
  std::string PagePath() const { return (root_ / "pkg" / "word" / "doc.htm").string(); }
  fs::path root_;
};

TEST_F(NativeHtmlPictures, EmbedsOnlyPicturesInsideThePackage) {
  DocModel m = Build(
      "<p><img src=\"media/a.png\" width=30 height=15/>"
      "<img src=\"../../secret.png\"/><img src=\"" +
          (root_ / "secret.png").string() +
          "\"/>"
          "<img src=\"http://example.com/a.png\"/><img src=\"media/b.gif\"/><img src=\"\"/></p>",
      PagePath());
  EXPECT_EQ(m.pictures, 1);
  std::string t = Text(m);
  EXPECT_EQ(t.rfind("<1>", 0), 0u) << t;
  EXPECT_NE(t.find("[picture: secret.png]"), std::string::npos);
  EXPECT_NE(t.find("[picture: a.png]"), std::string::npos) << "the URL becomes a placeholder";
  EXPECT_NE(t.find("[picture: b.gif]"), std::string::npos);
  EXPECT_NE(t.find("[picture: no source]"), std::string::npos);
  EXPECT_EQ(static_cast<unsigned char>(m.data[28]) | static_cast<unsigned char>(m.data[29]) << 8,
            450)
      << "30px wide";
}

TEST_F(NativeHtmlPictures, SizeFromThePictureWhenUnstated) {
  DocModel m = Build("<p><img src=\"media/a.png\" width=40/></p>", PagePath());
  ASSERT_EQ(m.pictures, 1);
  EXPECT_EQ(static_cast<unsigned char>(m.data[30]) | static_cast<unsigned char>(m.data[31]) << 8,
            300)
      << "height follows the 2:1 aspect ratio";
}

TEST(NativeCss, LengthsColorsBordersFonts) {
  int t = 0, rgb = 0;
  EXPECT_TRUE(ParseLength("16px", 240, &t));
  EXPECT_EQ(t, 240);
  EXPECT_TRUE(ParseLength("3em", 200, &t));
  EXPECT_EQ(t, 600);
  EXPECT_TRUE(ParseLength("1in", 240, &t));
  EXPECT_EQ(t, 1440);
  EXPECT_FALSE(ParseLength("100%", 240, &t));
  EXPECT_FALSE(ParseLength("auto", 240, &t));
  EXPECT_TRUE(ParseColor("#1A2b3C", &rgb));
  EXPECT_EQ(rgb, 0x1A2B3C);
  EXPECT_TRUE(ParseColor("gray", &rgb));
  EXPECT_FALSE(ParseColor("auto", &rgb));
  BorderSpec b = ParseBorder("3px double #FF0000");
  EXPECT_TRUE(b.present);
  EXPECT_EQ(b.style, 3);
  EXPECT_EQ(b.width_twips, 45);
  EXPECT_EQ(b.color, 0xFF0000);
  EXPECT_FALSE(ParseBorder("none").present);
  FontSpec f = ParseFont("bold 12pt 'Times New Roman', serif", 240);
  EXPECT_TRUE(f.bold);
  EXPECT_EQ(f.size_twips, 240);
  EXPECT_EQ(f.family, "Times New Roman");
  auto rules = ParseStyleSheet("p{margin-top:0px}\r\nol,ul{margin-left:1em}");
  ASSERT_EQ(rules.size(), 3u);
  EXPECT_EQ(rules[2].selector, "ul");
  EXPECT_EQ(Lookup(rules[2].declarations, "margin-left"), "1em");
}

}  // namespace
}  // namespace quillon::native
