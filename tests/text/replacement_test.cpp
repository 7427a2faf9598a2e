#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "text/regex.h"

namespace quillon {
namespace {

// Expands |tmpl| for the first match of |pattern| in |subject|.
std::string Expand(const std::string& pattern, const std::string& subject,
                   const std::string& tmpl) {
  TVelRegEx re;
  re.SetOptions(static_cast<TVelRegExOptions>(preCaseLess | preSingleLine));
  re.SetPattern(pattern);
  re.SetSubject(subject);
  if (!re.Match()) return "<no match>";
  re.SetReplacement(tmpl);
  return re.ComputeReplacement();
}

TEST(ReplacementTemplate, DollarAndBackslashEscapes) {
  EXPECT_EQ(Expand("(b)", "abc", "$$"), "$");
  EXPECT_EQ(Expand("(b)", "abc", "a$$1"), "a$1");
  EXPECT_EQ(Expand("(b)", "abc", "\\$1"), "$1");
  EXPECT_EQ(Expand("(b)", "abc", "\\\\"), "\\");
  EXPECT_EQ(Expand("(b)", "abc", "x\\\\1"), "x\\1");
  EXPECT_EQ(Expand("(b)", "abc", "cost $"), "cost $");  // trailing dollar
  EXPECT_EQ(Expand("(b)", "abc", "$a"), "$a");
  EXPECT_EQ(Expand("(b)", "abc", "end\\"), "end\\");
  EXPECT_EQ(Expand("(b)", "abc", "\\x"), "\\x");
  EXPECT_EQ(Expand("(b)", "abc", "plain"), "plain");
  EXPECT_EQ(Expand("(b)", "abc", ""), "");
}

TEST(ReplacementTemplate, GroupNumbers) {
  EXPECT_EQ(Expand("(b)", "abc", "[$1]"), "[b]");
  EXPECT_EQ(Expand("(b)", "abc", "$0$1"), "bb");
  EXPECT_EQ(Expand("(b)", "abc", "\\0\\1"), "bb");
  EXPECT_EQ(Expand("(b)", "abc", "$1"), "b");
  EXPECT_EQ(Expand("(b)", "abc", "${1}"), "b");
  EXPECT_EQ(Expand("(b)", "abc", "<${99}>"), "<>");
  EXPECT_EQ(Expand("(b)", "abc", "<$9>"), "<>");
  EXPECT_EQ(Expand("(b)", "abc", "${1"), "${1");
  EXPECT_EQ(Expand("(b)", "abc", "${}x"), "${}x");
  EXPECT_EQ(Expand("(b)(x)?", "abc", "[$2]"), "[]");  // group did not take part
  // Inserted text is never rescanned.
  EXPECT_EQ(Expand("(\\$1)", "a$1", "$1$1"), "$1$1");
}

TEST(ReplacementTemplate, TwoDigitNumbersNeedThatManyGroups) {
  EXPECT_EQ(Expand("(b)", "abc", "$12"), "b2");
  const std::string twelve = "(a)(b)(c)(d)(e)(f)(g)(h)(i)(j)(k)(l)";
  EXPECT_EQ(Expand(twelve, "abcdefghijkl", "$12"), "l");
  EXPECT_EQ(Expand(twelve, "abcdefghijkl", "$13"), "a3");
  EXPECT_EQ(Expand(twelve, "abcdefghijkl", "\\U12"), "L");
}

TEST(ReplacementTemplate, NamedGroups) {
  const std::string p = "(?<first>\\w+) (?<second>\\w+)";
  EXPECT_EQ(Expand(p, "hello world", "${second} ${first}"), "world hello");
  EXPECT_EQ(Expand(p, "hello world", "\\g<second>-\\G<first>"), "world-hello");
  EXPECT_EQ(Expand(p, "hello world", "[${nope}]"), "[${nope}]");
  EXPECT_EQ(Expand(p, "hello world", "[\\g<nope>]"), "[]");  // unknown name: deleted
  EXPECT_EQ(Expand(p, "hello world", "\\g<first"), "\\g<first");
  EXPECT_EQ(Expand(p, "hello world", "\\g<1>"), "\\g<1>");
  EXPECT_EQ(Expand(p, "hello world", "\\gx"), "\\gx");
}

TEST(ReplacementTemplate, CaseConversions) {
  EXPECT_EQ(Expand("(\\w+)", "hello", "\\U1"), "HELLO");
  EXPECT_EQ(Expand("(\\w+)", "HeLLo", "\\L1"), "hello");
  EXPECT_EQ(Expand("(\\w+)", "hELLO", "\\F1"), "Hello");
  EXPECT_EQ(Expand("(\\w+)", "hELLO", "\\f1"), "Hello");
  EXPECT_EQ(Expand("(.+)", "o'neil smith", "\\I1"), "O'neil Smith");
  EXPECT_EQ(Expand("(.+)", "'twas a-b.c/d(e)", "\\I1"), "'Twas A-B.C/d(E)");
  EXPECT_EQ(Expand("(.+)", "x<y?z[w{v", "\\I1"), "X<Y?Z[W{V");
  EXPECT_EQ(Expand("(\\w+)", "ab", "\\U"), "\\U");  // no group number
  EXPECT_EQ(Expand("(\\w+)", "ab", "\\Ux"), "\\Ux");
  // Latin-1 letters of code page 1252, with the multiplication sign untouched.
  EXPECT_EQ(Expand("(.+)", "\xE9t\xE9 \xD7 \xFF", "\\U1"), "\xC9T\xC9 \xD7 \x9F");
  EXPECT_EQ(Expand("(.+)", "\xC0\x8A\xDE", "\\L1"), "\xE0\x9A\xFE");
  EXPECT_EQ(Expand("(.+)", "\xE9l\xE8ve \xE0", "\\I1"), "\xC9l\xE8ve \xC0");
}

TEST(ReplacementReplaceIn, TemplateOnlyWithADollarSign) {
  TVelRegEx re;
  re.SetPattern("b");
  EXPECT_EQ(re.ReplaceIn("abcabc", "[$0]"), "a[b]ca[b]c");
  EXPECT_EQ(re.ReplaceIn("abcabc", "\\0"), "a\\0ca\\0c");
  EXPECT_EQ(re.ReplaceIn("", "x"), "");
  EXPECT_EQ(re.ReplaceIn("none", "x"), "none");
  EXPECT_EQ(re.ReplaceIn("bbb", ""), "");
}

TEST(ReplacementReplaceIn, EveryMatchUsesItsOwnGroups) {
  TVelRegEx re;
  re.SetOptions(static_cast<TVelRegExOptions>(preCaseLess | preSingleLine));
  re.SetPattern("<span (\\w+)>(.+?)</span>");
  EXPECT_EQ(re.ReplaceIn("<span a>1</span>-<SPAN b>22</span>.", "$2</$1>"), "1</a>-22</b>.");
  re.SetPattern("a*");
  EXPECT_EQ(re.ReplaceIn("baab", "<$0>"), "b<aa>b");
  re.SetPattern("x");
  std::string long_text(10000, 'x');
  EXPECT_EQ(re.ReplaceIn(long_text, "yy"), std::string(20000, 'y'));
}

TEST(ReplacementReplace, LoopReplacesEachMatchInTurn) {
  TVelRegEx re;
  re.SetOptions(preCaseLess);
  re.SetSubject("aXbXc");
  re.SetPattern("x");
  std::vector<std::string> results;
  while (re.MatchAgain()) results.push_back(re.Replace("x"));
  EXPECT_EQ(results, (std::vector<std::string>{"axbXc", "axbxc"}));
  EXPECT_EQ(re.Subject(), "axbxc");
}

TEST(ReplacementReplace, StartAndStopShiftByTheLengthChange) {
  TVelRegEx re;
  re.SetSubject("a1b22c");
  re.SetPattern("(\\d+)");
  ASSERT_TRUE(re.MatchAgain());
  EXPECT_EQ(re.Replace("<$1$1>"), "a<11>b22c");
  EXPECT_EQ(re.Start(), 6);
  EXPECT_EQ(re.Stop(), 9);
  EXPECT_EQ(re.MatchCount(), 0);
  ASSERT_TRUE(re.MatchAgain());
  re.ReplaceInPlace("");  // shrink
  EXPECT_EQ(re.Subject(), "a<11>bc");
  EXPECT_EQ(re.Start(), 7);
  EXPECT_EQ(re.Stop(), 7);
  EXPECT_FALSE(re.MatchAgain());
  // Replace always expands, with or without a dollar sign.
  re.SetSubject("q7");
  ASSERT_TRUE(re.Match());
  EXPECT_EQ(re.Replace("\\1\\1"), "q77");
}

TEST(ReplacementReplace, OnReplaceMayChangeTheText) {
  TVelRegEx re;
  re.OnReplace = [](TVelRegEx&, std::string& text) { text += "!"; };
  re.SetSubject("ab");
  re.SetPattern("a");
  ASSERT_TRUE(re.Match());
  EXPECT_EQ(re.Replace("z"), "z!b");
  EXPECT_EQ(re.Start(), 3);
}

}  // namespace
}  // namespace quillon
