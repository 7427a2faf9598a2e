// Scans that replace match after match: ReplaceInPlace defers the rewrite of
// the subject, so these check it against Replace, which hands out the whole
// rewritten subject after every step.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "text/regex.h"

namespace quillon {
namespace {

struct ScanCase {
  std::string pattern;
  std::string subject;
  std::string replacement;
  TVelRegExOptions options;
};

// Runs the stages' loop; |in_place| picks ReplaceInPlace over Replace.
std::string ScanReplace(const ScanCase& c, bool in_place, std::vector<int>* starts) {
  TVelRegEx re;
  re.SetOptions(c.options);
  re.SetSubject(c.subject);
  re.SetPattern(c.pattern);
  std::string last;
  while (re.MatchAgain()) {
    starts->push_back(re.MatchedOffset());
    if (in_place) {
      re.ReplaceInPlace(c.replacement);
    } else {
      last = re.Replace(c.replacement);
      EXPECT_EQ(last, re.Subject());
    }
    starts->push_back(re.Start());
    starts->push_back(re.Stop());
  }
  return re.Subject();
}

TEST(RegexScan, InPlaceLoopEqualsReplaceLoop) {
  const TVelRegExOptions shared = static_cast<TVelRegExOptions>(preCaseLess | preSingleLine);
  const std::vector<ScanCase> cases = {
      {"x", "aXbXc", "x", preCaseLess},
      {"<b>(.+?)</b>", "1<b>a</b>2<B>bb</b>3", "<strong>\\U1</strong>", shared},
      {"(\\d+)", "a1b22c333", "", shared},
      {"(\\d+)", "a1b22c333", "[$1$1$1]", shared},
      {"^a", "aaab", "", shared},                   // anchored at the start again each time
      {"\\bcat", "cat concat cat", "dog", shared},  // looks one character back
      {"\\bab|x", "xab", " ", shared},              // the boundary comes from the replacement
      {"(?<=y)z", "yzyzz", "y", shared},            // lookbehind across replacements
      {"^b", "a\nb\nb", "x", preMultiLine},
      {"a*", "baaabaa", "<$0>", shared},
      {"q", "no match here", "x", shared},
  };
  for (const ScanCase& c : cases) {
    std::vector<int> eager_positions, lazy_positions;
    std::string eager = ScanReplace(c, false, &eager_positions);
    std::string lazy = ScanReplace(c, true, &lazy_positions);
    EXPECT_EQ(lazy, eager) << c.pattern;
    EXPECT_EQ(lazy_positions, eager_positions) << c.pattern;
  }
}

TEST(RegexScan, InPlaceLoopEqualsReplaceLoopOnRandomTexts) {
  const TVelRegExOptions shared = static_cast<TVelRegExOptions>(preCaseLess | preSingleLine);
  const char* patterns[] = {"a", "ab+", "<(b)>(.*?)</b>", "b*a", "(a)(b)?", "\\bab", "a$", "^b"};
  const char* templates[] = {"", "x", "$0$0", "[$2|$1]", "\\U0"};
  std::mt19937 random(12345);
  for (int round = 0; round < 300; ++round) {
    std::string subject;
    const int length = static_cast<int>(random() % 40);
    for (int i = 0; i < length; ++i) subject += "abAB<>/ "[random() % 8];
    const ScanCase c{patterns[random() % 8], subject, templates[random() % 5], shared};
    std::vector<int> eager_positions, lazy_positions;
    EXPECT_EQ(ScanReplace(c, true, &lazy_positions), ScanReplace(c, false, &eager_positions))
        << c.pattern << " on " << c.subject << " with " << c.replacement;
    EXPECT_EQ(lazy_positions, eager_positions);
  }
}

TEST(RegexScan, ExpectedResultsOfTheLoop) {
  const TVelRegExOptions shared = static_cast<TVelRegExOptions>(preCaseLess | preSingleLine);
  std::vector<int> positions;
  EXPECT_EQ(ScanReplace({"^a", "aaab", "", shared}, true, &positions), "b");
  EXPECT_EQ(ScanReplace({"\\bcat", "cat concat cat", "dog", shared}, true, &positions),
            "dog concat dog");
  EXPECT_EQ(ScanReplace({"(?<=y)z", "yzyzz", "y", shared}, true, &positions), "yyyyy");
  EXPECT_EQ(ScanReplace({"\\bab|x", "xab", " ", shared}, true, &positions), "  ");
}

TEST(RegexScan, PendingEditsAreVisibleEverywhere) {
  TVelRegEx re;
  re.SetSubject("a1b2c3d4");
  re.SetPattern("(\\d)");
  ASSERT_TRUE(re.MatchAgain());
  re.ReplaceInPlace("<$1>");
  ASSERT_TRUE(re.MatchAgain());
  EXPECT_EQ(re.MatchedOffset(), 6);
  EXPECT_EQ(re.MatchedText(), "2");
  EXPECT_EQ(re.Submatch(1), "2");
  re.ReplaceInPlace("");
  // A new pattern continues from Start over the rewritten text.
  re.SetPattern("[a-z]");
  ASSERT_TRUE(re.MatchAgain());
  EXPECT_EQ(re.MatchedText(), "c");
  EXPECT_EQ(re.MatchedOffset(), 6);
  re.ReplaceInPlace("C");
  // Match starts over from the beginning of the rewritten subject.
  ASSERT_TRUE(re.Match());
  EXPECT_EQ(re.MatchedText(), "a");
  EXPECT_EQ(re.Subject(), "a<1>bC3d4");
  re.ReplaceInPlace("A");
  EXPECT_EQ(re.TakeSubject(), "A<1>bC3d4");
}

TEST(RegexScan, ReplaceAllAfterInPlaceEdits) {
  TVelRegEx re;
  re.SetSubject("x1x2x3");
  re.SetPattern("x(\\d)");
  ASSERT_TRUE(re.MatchAgain());
  re.ReplaceInPlace("y$1");
  ASSERT_TRUE(re.MatchAgain());
  re.SetReplacement("[$1]");
  EXPECT_TRUE(re.ReplaceAllMatches());
  EXPECT_EQ(re.Subject(), "y1[2][3]");
}

}  // namespace
}  // namespace quillon
