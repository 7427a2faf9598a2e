#include "text/text_ops.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "platform/files.h"
#include "text/regex.h"

namespace quillon {
namespace {

TEST(TextCutOuts, CopyTailLeft) {
  EXPECT_EQ(CopyText("abcdef", 2, 3), "bcd");
  EXPECT_EQ(CopyText("abcdef", 2, 0), "bcdef");
  EXPECT_EQ(CopyText("abcdef", 5, 10), "ef");
  EXPECT_EQ(CopyText("abcdef", 7, 1), "");
  EXPECT_EQ(CopyText("abcdef", 6, 0), "f");
  EXPECT_EQ(CopyText("", 1, 0), "");
  EXPECT_EQ(TailFrom("abcdef", 4), "def");
  EXPECT_EQ(TailFrom("abcdef", 99), "");
  EXPECT_EQ(LeftText("abcdef", 2), "ab");
  EXPECT_EQ(LeftText("abcdef", 0), "");
  EXPECT_EQ(LeftText("abcdef", -3), "");
  EXPECT_EQ(LeftText("abc", 10), "abc");
}

TEST(TextReplaceAll, ReplacesLeftToRightWithoutOverlap) {
  EXPECT_EQ(ReplaceAll("<tc>x</tc>", "tc>", "td>"), "<td>x</td>");
  EXPECT_EQ(ReplaceAll("aaa", "aa", "b"), "ba");
  EXPECT_EQ(ReplaceAll("aaaa", "aa", "b"), "bb");
  EXPECT_EQ(ReplaceAll("ww::", "w:", ""), "w:");  // never rescanned
  EXPECT_EQ(ReplaceAll("", "a", "b"), "");
  EXPECT_EQ(ReplaceAll("abc", "", "x"), "abc");
  EXPECT_EQ(ReplaceAll("abc", "abcd", "x"), "abc");
  EXPECT_EQ(ReplaceAll("abc", "abc", ""), "");
  EXPECT_EQ(ReplaceAll("a.b.c", ".", "<dot>"), "a<dot>b<dot>c");
  const std::string text = "x<p>y<p>z<p>";
  const std::string out = ReplaceAll(text, "<p>", "<para>");
  EXPECT_EQ(out.size(), text.size() - (3 - 6) * 3);
}

TEST(TextReplaceAll, IgnoreCaseFoldsOnlyAsciiLetters) {
  EXPECT_EQ(ReplaceAll("<TC>x</tc>", "tc>", "td>", true), "<td>x</td>");
  EXPECT_EQ(ReplaceAll("AbC abc", "abc", "-", true), "- -");
  EXPECT_EQ(ReplaceAll("Xab", "x", "y", true), "yab");
  EXPECT_EQ(ReplaceAll("ABCabc", "b", "_", true), "A_Ca_c");  // untouched keep their case
  EXPECT_EQ(ReplaceAll("\xC9t\xE9", "\xE9", "e", true), "\xC9te");
  EXPECT_EQ(ReplaceAll("[A][a]", "[a]", "!", true), "!!");
}

TEST(TextJoinSplit, SplitEdges) {
  EXPECT_EQ(SplitText("a;;b", ";"), (TextList{"a", "", "b"}));
  EXPECT_EQ(SplitText("a;", ";"), (TextList{"a", ""}));
  EXPECT_EQ(SplitText(";a", ";"), (TextList{"", "a"}));
  EXPECT_EQ(SplitText("", ";"), (TextList{""}));
  EXPECT_EQ(SplitText("a;b", ""), (TextList{"a;b"}));
  EXPECT_EQ(SplitText("x<tc>y<tc>", "<tc>"), (TextList{"x", "y", ""}));
  EXPECT_EQ(SplitText("abab", "abab"), (TextList{"", ""}));
}

TEST(TextJoinSplit, JoinPutsSeparatorsBetweenOnly) {
  EXPECT_EQ(JoinList({"a", "b", "c"}, ", "), "a, b, c");
  EXPECT_EQ(JoinList({"a"}, ","), "a");
  EXPECT_EQ(JoinList({}, ","), "");
  EXPECT_EQ(JoinTexts({"", ""}, "-"), "-");
  const std::string text = "p</li>q</li></li>r";
  EXPECT_EQ(JoinList(SplitText(text, "</li>"), "</li>"), text);
}

TEST(TextSearch, ContainsAndPosFrom) {
  EXPECT_EQ(Contains("abcabc", "ca"), 3);
  EXPECT_EQ(Contains("abc", "x"), 0);
  EXPECT_EQ(Contains("abc", ""), 0);
  EXPECT_EQ(PosFrom("abcabc", "ab", 1), 1);
  EXPECT_EQ(PosFrom("abcabc", "ab", 2), 4);
  EXPECT_EQ(PosFrom("abcabc", "ab", 0), 1);
  EXPECT_EQ(PosFrom("abcabc", "ab", -5), 1);
  EXPECT_EQ(PosFrom("abcabc", "c", 6), 6);
  EXPECT_EQ(PosFrom("abcabc", "c", 7), 0);
  EXPECT_EQ(PosFrom("abcabc", "bcd", 1), 0);
  EXPECT_EQ(PosFrom("abcabc", "", 1), 0);
  EXPECT_EQ(PosFrom("xABc", "ab", 1, true), 2);
  EXPECT_EQ(PosFrom("xABc", "Bc", 1, true), 3);
  EXPECT_EQ(PosFrom("xABc", "ab", 1, false), 0);
  EXPECT_EQ(PosFrom("a\xC9", "\xE9", 1, true), 0);
}

TEST(TextSearch, PosFirstOf) {
  EXPECT_EQ(PosFirstOf("xx<b>x<a>", "<a>", "<b>", "<c>", 1), 3);
  EXPECT_EQ(PosFirstOf("xx<b>x<a>", "<a>", "<b>", "<c>", 4), 7);
  EXPECT_EQ(PosFirstOf("xx<b>", "<a>", "<c>", "<d>", 1), 0);
  EXPECT_EQ(PosFirstOf("abc", "c", "b", "a", 4), 0);
  EXPECT_EQ(PosFirstOf("abc", "c", "q", "zz", 1), 3);
  EXPECT_EQ(PosFirstOf("abc", "bcd", "", "c", 1), 3);  // must fit entirely
  EXPECT_EQ(PosFirstOf("abc", "", "", "", 1), 0);
}

TEST(TextSearch, PosBeforeEndsBeforeTheLimit) {
  EXPECT_EQ(PosBefore("..ab..ab", "ab", 1, 5), 3);  // ends at 4 < 5
  EXPECT_EQ(PosBefore("..ab..ab", "ab", 1, 4), 0);  // would end at 4
  EXPECT_EQ(PosBefore("..ab..ab", "ab", 4, 20), 7);
  EXPECT_EQ(PosBefore("..ab..ab", "ab", 3, 4), 0);
  EXPECT_EQ(PosBefore("ab", "ab", 1, 3), 1);
  EXPECT_EQ(PosBefore("ab", "", 1, 3), 0);
}

TEST(TextSearch, PosBackFrom) {
  EXPECT_EQ(PosBackFrom("<tbl>x<tbl>y<tblPr>", "<tbl>", 0), 7);
  EXPECT_EQ(PosBackFrom("<tbl>x<tbl>y<tblPr>", "<tbl>", 13), 7);
  EXPECT_EQ(PosBackFrom("<tbl>x<tbl>y<tblPr>", "<tbl>", 6), 1);
  EXPECT_EQ(PosBackFrom("<tbl>x<tbl>y<tblPr>", "<tbl>", 7), 7);  // may extend past from
  EXPECT_EQ(PosBackFrom("abc", "x", 0), 0);
  EXPECT_EQ(PosBackFrom("abc", "abcd", 0), 0);
  EXPECT_EQ(PosBackFrom("abc", "c", 99), 3);
  EXPECT_EQ(PosBackFrom("abc", "a", 1), 1);
}

TEST(TextCutOuts, BetweenAndEnclosed) {
  EXPECT_EQ(TextBetween("x<a>val</a>", "<a>", "</a>"), "val");
  EXPECT_EQ(TextBetween("x<a></a>", "<a>", "</a>"), "");
  EXPECT_EQ(TextBetween("x<a>val", "<a>", "</a>"), "");
  EXPECT_EQ(TextBetween("xval</a>", "<a>", "</a>"), "");
  EXPECT_EQ(TextBetween("<A>v</A>", "<a>", "</a>", true), "v");
  EXPECT_EQ(TextBetween("k=\"1\" k=\"2\"", "k=\"", "\""), "1");
  EXPECT_EQ(TextEnclosed("a<tc>b/>c", "<tc>", "/>"), "<tc>b/>");
  EXPECT_EQ(TextEnclosed("a/><tc>b", "<tc>", "/>"), "");
  EXPECT_EQ(TextEnclosed("<x/>", "<x", "/>"), "<x/>");
  EXPECT_EQ(TextEnclosed("<x>", "<x>", ">"), "");  // close must begin after open
  EXPECT_EQ(TextEnclosedFrom("<a/><a b/>", "<a", "/>", 2), "<a b/>");
}

TEST(TextSplice, AppendRangeAndTheSpliceBuild) {
  std::string buffer = "ab";
  int write_pos = 3;
  AppendRange(buffer, write_pos, "xyz", 3, 2);
  EXPECT_EQ(buffer, "ab");
  EXPECT_EQ(write_pos, 3);
  AppendRange(buffer, write_pos, "xyz", 1, 3);
  EXPECT_EQ(write_pos, 6);
  EXPECT_EQ(buffer.size(), 3u + 1024u);  // grew to the write position + 1024
  EXPECT_EQ(buffer.substr(0, 5), "abxyz");

  const std::string input = "<b>one</b> and <b>two</b>";
  std::string out(input.size(), '\0');
  int w = 1;
  int copy = 1;
  SpliceBuilder builder(input);
  for (int p = PosFrom(input, "<b>", 1); p != 0; p = PosFrom(input, "<b>", copy)) {
    AppendRange(out, w, input, copy, p - 1);
    AppendRange(out, w, "<strong>", 1, 8);
    builder.CopyUpTo(p);
    builder.Append("<strong>");
    copy = p + 3;
    builder.SkipTo(copy);
  }
  out.resize(w - 1);
  out += TailFrom(input, copy);
  EXPECT_EQ(out, "<strong>one</b> and <strong>two</b>");
  EXPECT_EQ(builder.Finish(), out);

  SpliceBuilder untouched("same");
  EXPECT_EQ(untouched.Finish(), "same");
}

TEST(TextRegex, ReplaceAndDeleteOnTheSharedEngine) {
  std::string text = "<P>a</p><p>b</P>";
  RegexReplace(text, "<p>(.+?)</p>", "[$1]");
  EXPECT_EQ(text, "[a][b]");
  EXPECT_EQ(SharedRegex().Pattern(), "<p>(.+?)</p>");
  text = "a\\1b";
  RegexReplace(text, "\\d", "\\0");  // no dollar sign: literal
  EXPECT_EQ(text, "a\\\\0b");
  text = "x<tag\r\nattr>y";
  RegexDelete(text, "<tag.+?>");
  EXPECT_EQ(text, "xy");
  text = "unchanged";
  RegexDelete(text, "zzz");
  EXPECT_EQ(text, "unchanged");
  EXPECT_THROW(RegexReplace(text, "(", ""), RegexError);
  EXPECT_THROW(RegexReplace(text, "", ""), RegexError);
}

class TextFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    char dir_template[] = "/tmp/quillon_text_XXXXXX";
    ASSERT_NE(mkdtemp(dir_template), nullptr);
    dir_ = dir_template;
  }
  void TearDown() override {
    std::remove((dir_ + "/f.bin").c_str());
    std::remove((dir_ + "/locked").c_str());
    rmdir((dir_ + "/sub").c_str());
    rmdir(dir_.c_str());
  }
  std::string dir_;
};

TEST_F(TextFiles, WriteThenReadKeepsEveryByte) {
  const std::string path = dir_ + "/f.bin";
  std::string bytes("a\r\nb\0c\xFF", 7);
  WriteTextFile(path, bytes);
  EXPECT_EQ(ReadTextFile(path), bytes);
  WriteTextFile(path, "");
  EXPECT_EQ(ReadTextFile(path), "");
  EXPECT_EQ(ReadTextFile(dir_ + "/missing.xml"), "");
}

TEST_F(TextFiles, UnreadableFileRaisesInsteadOfFakeContent) {
  const std::string path = dir_ + "/locked";
  WriteTextFile(path, "secret");
  ASSERT_EQ(chmod(path.c_str(), 0), 0);
  // Permissions do not bind root: read as an unprivileged user then.
  const bool as_root = geteuid() == 0;
  if (as_root) {
    ASSERT_EQ(chmod(dir_.c_str(), 0755), 0);
    ASSERT_EQ(seteuid(65534), 0);
  }
  int error_code = 0;
  std::string content = "<none>";
  try {
    content = ReadTextFile(path);
  } catch (const TextFileError& e) {
    error_code = e.error_code();
  }
  if (as_root) {
    ASSERT_EQ(seteuid(0), 0);
  }
  EXPECT_EQ(content, "<none>");
  EXPECT_NE(error_code, 0);
}

TEST_F(TextFiles, FolderInPlaceOfAFileRaisesOnWrite) {
  const std::string path = dir_ + "/sub";
  ASSERT_EQ(mkdir(path.c_str(), 0700), 0);
  try {
    WriteTextFile(path, "x");
    FAIL() << "no error";
  } catch (const TextFileError& e) {
    EXPECT_NE(e.error_code(), 0);
  }
  EXPECT_THROW(WriteTextFile(dir_ + "/no/such/folder/f", "x"), TextFileError);
}

TEST(TextNames, FileBaseName) {
  EXPECT_EQ(FileBaseName("C:\\x\\report.final.docx"), "report.final");
  EXPECT_EQ(FileBaseName("C:report.docx"), "report");
  EXPECT_EQ(FileBaseName("C:\\x.y\\README"), "");
  EXPECT_EQ(FileBaseName("a.docx"), "a");
  EXPECT_EQ(FileBaseName(".docx"), "");
  EXPECT_EQ(FileBaseName(""), "");
}

TEST(TextNumbers, StrToIntStrict) {
  EXPECT_EQ(StrToIntStrict("42"), 42);
  EXPECT_EQ(StrToIntStrict("-7"), -7);
  EXPECT_EQ(StrToIntStrict("+7"), 7);
  EXPECT_EQ(StrToIntStrict("007"), 7);
  EXPECT_EQ(StrToIntStrict("2147483647"), 2147483647);
  EXPECT_EQ(StrToIntStrict("-2147483648"), -2147483647 - 1);
  for (const char* bad : {"", "-", "+", " 1", "1 ", "1.5", "0x10", "$10", "2147483648",
                          "-2147483649", "99999999999999999999", "1e3", "--1"}) {
    try {
      StrToIntStrict(bad);
      ADD_FAILURE() << "accepted '" << bad << "'";
    } catch (const ConversionError& e) {
      EXPECT_EQ(std::string(e.what()), std::string("'") + bad + "' is not a valid integer value");
    }
  }
}

TEST(TextNumbers, RoundHalfEven) {
  EXPECT_EQ(RoundHalfEven(0.5), 0);
  EXPECT_EQ(RoundHalfEven(1.5), 2);
  EXPECT_EQ(RoundHalfEven(2.5), 2);
  EXPECT_EQ(RoundHalfEven(2.5000001), 3);
  EXPECT_EQ(RoundHalfEven(-0.5), 0);
  EXPECT_EQ(RoundHalfEven(-1.5), -2);
  EXPECT_EQ(RoundHalfEven(-2.5), -2);
  EXPECT_EQ(RoundHalfEven(-2.6), -3);
  EXPECT_EQ(RoundHalfEven(1440 / 15.0), 96);
  EXPECT_EQ(RoundHalfEven(7.0), 7);
}

}  // namespace
}  // namespace quillon
