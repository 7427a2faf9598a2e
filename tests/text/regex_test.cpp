#include "text/regex.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

namespace quillon {
namespace {

using ::testing::MatchesRegex;

// Every match of |pattern| over |subject| as (offset, length, groups...).
std::vector<std::vector<int>> AllMatches(TVelRegEx& re, const std::string& pattern,
                                         const std::string& subject) {
  re.SetPattern(pattern);
  re.SetSubject(subject);
  std::vector<std::vector<int>> out;
  while (re.MatchAgain()) {
    std::vector<int> row;
    for (int i = 0; i <= re.SubmatchCount(); ++i) {
      row.push_back(re.SubmatchOffset(i));
      row.push_back(re.SubmatchLength(i));
    }
    out.push_back(row);
  }
  return out;
}

TEST(RegexOptions, OptionWordCarriesTheClassicValues) {
  TVelRegEx re;
  EXPECT_EQ(re.CompileFlags(), 0u);
  const std::pair<TVelRegExOption, uint32_t> table[] = {
      {preCaseLess, 1},  {preMultiLine, 2},      {preSingleLine, 4}, {preExtended, 8},
      {preAnchored, 16}, {preDollarEndOnly, 32}, {preExtra, 64},     {preUnGreedy, 512},
  };
  for (const auto& [option, value] : table) {
    re.SetOptions(option);
    EXPECT_EQ(re.CompileFlags(), value) << static_cast<int>(option);
  }
  re.SetOptions(static_cast<TVelRegExOptions>(preCaseLess | preSingleLine));
  EXPECT_EQ(re.CompileFlags(), 5u);
  EXPECT_EQ(re.State(), preNotEmpty);
}

TEST(RegexOptions, OptionsChangeTheDialect) {
  TVelRegEx re;
  re.SetPattern("a.c");
  re.SetSubject("A\nC");
  EXPECT_FALSE(re.Match());
  re.SetOptions(preCaseLess);
  re.SetSubject("A\nC");
  EXPECT_FALSE(re.Match());  // "." stops at the line feed
  re.SetOptions(static_cast<TVelRegExOptions>(preCaseLess | preSingleLine));
  re.SetSubject("A\nC");
  EXPECT_TRUE(re.Match());

  re.SetOptions(0);
  re.SetPattern("^b");
  re.SetSubject("a\nb");
  EXPECT_FALSE(re.Match());
  re.SetOptions(preMultiLine);
  re.SetSubject("a\nb");
  ASSERT_TRUE(re.Match());
  EXPECT_EQ(re.MatchedOffset(), 3);

  re.SetOptions(preUnGreedy);
  re.SetPattern("a+");
  re.SetSubject("aaa");
  ASSERT_TRUE(re.Match());
  EXPECT_EQ(re.MatchedLength(), 1);

  re.SetOptions(preExtended);
  re.SetPattern("a b # comment");
  re.SetSubject("xab");
  ASSERT_TRUE(re.Match());
  EXPECT_EQ(re.MatchedText(), "ab");
}

TEST(RegexOptions, SharedInstanceIsCaseInsensitiveAndDotAll) {
  TVelRegEx& re = SharedRegex();
  EXPECT_EQ(&re, &SharedRegex());
  EXPECT_EQ(re.Options(), preCaseLess | preSingleLine);
  EXPECT_EQ(re.CompileFlags(), 5u);
  re.SetPattern("<P>(.+?)</p>");
  re.SetSubject("<p>one\r\ntwo</P>");
  ASSERT_TRUE(re.Match());
  EXPECT_EQ(re.Submatch(1), "one\r\ntwo");
}

TEST(RegexCompile, EmptyPatternAndBadPatternRaise) {
  TVelRegEx re;
  re.SetSubject("abc");
  try {
    re.Match();
    FAIL() << "no error for an empty pattern";
  } catch (const RegexError& e) {
    EXPECT_STREQ(e.what(),
                 "TVelRegEx.Compile() - Please specify a regular expression in RegEx first");
  }
  re.SetPattern("(");
  try {
    re.Match();
    FAIL() << "no error for a bad pattern";
  } catch (const RegexError& e) {
    EXPECT_STREQ(e.what(), "(");
  }
  EXPECT_FALSE(re.IsCompiled());
  re.SetPattern("a[b");
  EXPECT_THROW(re.Compile(), RegexError);
}

TEST(RegexCompile, SamePatternKeepsCompiledFormAndMatch) {
  TVelRegEx re;
  re.SetPattern("b");
  re.SetSubject("abc");
  ASSERT_TRUE(re.Match());
  ASSERT_TRUE(re.IsCompiled());
  re.SetPattern(std::string("b"));
  EXPECT_TRUE(re.IsCompiled());
  EXPECT_TRUE(re.FoundMatch());
  EXPECT_EQ(re.MatchedOffset(), 2);
  re.SetPattern("c");
  EXPECT_FALSE(re.IsCompiled());
  EXPECT_EQ(re.MatchCount(), 0);
  re.SetOptions(re.Options());  // unchanged: ignored
  re.Compile();
  re.SetOptions(re.Options());
  EXPECT_TRUE(re.IsCompiled());
}

TEST(RegexMatch, EmptySubjectNeverMatches) {
  TVelRegEx re;
  re.SetPattern("x*");
  re.SetSubject("");
  EXPECT_EQ(re.Start(), 1);
  EXPECT_EQ(re.Stop(), 0);
  EXPECT_FALSE(re.Match());
  EXPECT_EQ(re.MatchCount(), -1);
  EXPECT_FALSE(re.MatchAgain());
  EXPECT_FALSE(re.FoundMatch());
}

TEST(RegexMatch, EmptyMatchesAreNeverReported) {
  TVelRegEx re;
  re.SetPattern("a*");
  re.SetSubject("bab");
  ASSERT_TRUE(re.Match());
  EXPECT_EQ(re.MatchedOffset(), 2);
  EXPECT_EQ(re.MatchedLength(), 1);
  EXPECT_EQ(re.MatchedText(), "a");
  EXPECT_EQ(re.Start(), 3);
  EXPECT_FALSE(re.MatchAgain());
}

TEST(RegexMatch, MatchEndingOnLastCharacterStopsTheScan) {
  TVelRegEx re;
  re.SetPattern("c");
  re.SetSubject("abc");
  ASSERT_TRUE(re.MatchAgain());  // right after the subject: like Match
  EXPECT_EQ(re.Start(), 4);
  EXPECT_FALSE(re.MatchAgain());
  EXPECT_EQ(re.MatchCount(), -1);
  // Match tests Start against Stop too, although it searches from the start.
  EXPECT_FALSE(re.Match());
  re.SetSubject("abc");
  EXPECT_TRUE(re.Match());
}

TEST(RegexMatch, StartSurvivesAPatternChange) {
  TVelRegEx re;
  re.SetPattern("x");
  re.SetSubject("x1 y2 x3 y4");
  int count = 0;
  while (re.MatchAgain()) ++count;
  EXPECT_EQ(count, 2);
  EXPECT_EQ(re.Start(), 8);
  re.SetPattern("y");
  ASSERT_TRUE(re.MatchAgain());
  EXPECT_EQ(re.MatchedOffset(), 10);  // the y before the last x is skipped
  EXPECT_FALSE(re.MatchAgain());
}

TEST(RegexMatch, GroupsAndOffsets) {
  TVelRegEx re;
  re.SetPattern("(a)|(b)(c)?");
  re.SetSubject("xxb");
  ASSERT_TRUE(re.Match());
  EXPECT_EQ(re.MatchStart(), 3);
  EXPECT_EQ(re.MatchEnd(), 4);
  EXPECT_EQ(re.SubmatchCount(), 2);
  EXPECT_EQ(re.Submatch(1), "");  // did not take part
  EXPECT_EQ(re.SubmatchOffset(1), 0);
  EXPECT_EQ(re.SubmatchLength(1), 0);
  EXPECT_EQ(re.Submatch(2), "b");
  EXPECT_EQ(re.SubmatchOffset(2), 3);
  EXPECT_EQ(re.Submatch(3), "");  // beyond the count
  EXPECT_EQ(re.Submatch(0), "b");
}

TEST(RegexMatch, BackReferencesAndRepeatedGroups) {
  TVelRegEx& re = SharedRegex();
  re.SetPattern("<([uo]l)>.+?</\\1>");
  re.SetSubject("<ol><li>a</ul></li></OL>tail");
  ASSERT_TRUE(re.Match());
  EXPECT_EQ(re.MatchedText(), "<ol><li>a</ul></li></OL>");
  re.SetPattern("((<li>.+?</li>\\s*)+)");
  re.SetSubject("<ul><li>1</li>\r\n<li>2</li></ul>");
  ASSERT_TRUE(re.Match());
  EXPECT_EQ(re.Submatch(1), "<li>1</li>\r\n<li>2</li>");
  re.SetPattern("<(?=[ptd])");
  EXPECT_EQ(re.MatchList("<a><p><t><b>").size(), 2u);
}

TEST(RegexMatch, NamedGroups) {
  TVelRegEx re;
  re.SetPattern("(?<word>\\w+)-(?<num>\\d+)");
  EXPECT_EQ(re.NamedSubmatchIndex("word"), 1);
  EXPECT_EQ(re.NamedSubmatchIndex("num"), 2);
  EXPECT_LT(re.NamedSubmatchIndex("none"), 0);
}

TEST(RegexMatch, MatchListCollectsEveryMatch) {
  TVelRegEx re;
  re.SetPattern("\\d+");
  EXPECT_EQ(re.MatchList("a1 b22 c333"), (std::vector<std::string>{"1", "22", "333"}));
  EXPECT_TRUE(re.MatchList("none").empty());
  EXPECT_EQ(re.Subject(), "none");
}

TEST(RegexMatch, OnMatchFiresPerMatch) {
  TVelRegEx re;
  int fired = 0;
  re.OnMatch = [&](TVelRegEx&) { ++fired; };
  re.SetPattern("o");
  re.MatchList("foo");
  EXPECT_EQ(fired, 2);
}

TEST(RegexMatch, TakeSubjectHandsTheTextOut) {
  TVelRegEx re;
  re.SetPattern("b");
  re.SetSubject("abc");
  ASSERT_TRUE(re.Match());
  EXPECT_EQ(re.TakeSubject(), "abc");
  EXPECT_EQ(re.Subject(), "");
  EXPECT_FALSE(re.FoundMatch());
  EXPECT_FALSE(re.MatchAgain());
}

TEST(RegexAssertions, AccessorsRequireASuccessfulMatch) {
  TVelRegEx re;
  re.SetPattern("z");
  re.SetSubject("abc");
  EXPECT_FALSE(re.Match());
  const auto expect_assertion = [](auto&& call, const char* text) {
    try {
      call();
      ADD_FAILURE() << "no assertion";
    } catch (const RegexAssertion& e) {
      EXPECT_THAT(e.what(), MatchesRegex(std::string(text) + " \\([a-z_]+\\.cpp, line [0-9]+\\)"));
    }
  };
  const char* kMatchFirst = "REQUIRE: There must be a successful match first";
  expect_assertion([&] { re.MatchedText(); }, kMatchFirst);
  expect_assertion([&] { re.MatchedOffset(); }, kMatchFirst);
  expect_assertion([&] { re.MatchedLength(); }, kMatchFirst);
  expect_assertion([&] { re.SubmatchCount(); }, kMatchFirst);
  expect_assertion([&] { re.Submatch(0); }, kMatchFirst);
  expect_assertion([&] { re.Replace("x"); }, kMatchFirst);
  EXPECT_NO_THROW(re.MatchStart());
  re.SetPattern("b");
  ASSERT_TRUE(re.Match());
  expect_assertion([&] { re.SubmatchOffset(1); }, "REQUIRE: Index <= SubmatchCount");
  expect_assertion([&] { re.SubmatchLength(-1); }, "REQUIRE: Index <= SubmatchCount");
  try {
    re.SetSubject("x");
    re.MatchedText();
  } catch (const RegexAssertion& e) {
    EXPECT_THAT(e.what(), MatchesRegex(".*\\(regex\\.cpp, line [0-9]+\\)"));
  }
}

TEST(RegexLimits, RunawayBacktrackingRaisesInsteadOfFailing) {
  for (bool jit : {true, false}) {
    TVelRegEx re;
    re.SetJitEnabled(jit);
    re.SetPattern("(a+)+$");
    re.SetSubject(std::string(40, 'a') + "b");
    try {
      re.Match();
      ADD_FAILURE() << "a runaway match passed (jit " << jit << ")";
    } catch (const RegexAssertion&) {
      ADD_FAILURE() << "wrong error kind";
    } catch (const RegexError& e) {
      EXPECT_THAT(e.what(), ::testing::HasSubstr("(a+)+$"));
      EXPECT_EQ(re.MatchCount(), -1);
    }
  }
}

TEST(RegexLimits, LazySpanOverMegabytesMatches) {
  const std::string body(6 * 1024 * 1024, 'x');
  const std::string subject = "<r a=\"1\"><rPr>" + body + "</rPr>" + body + "</r>";
  for (bool jit : {true, false}) {
    TVelRegEx re;
    re.SetJitEnabled(jit);
    re.SetOptions(static_cast<TVelRegExOptions>(preCaseLess | preSingleLine));
    re.SetPattern("<r[^>]*><rPr>.+?</rPr>(.+?)</r>");
    re.SetSubject(subject);
    ASSERT_TRUE(re.Match()) << "jit " << jit;
    EXPECT_EQ(re.SubmatchLength(1), static_cast<int>(body.size()));
    EXPECT_EQ(re.MatchedLength(), static_cast<int>(subject.size()));
  }
}

TEST(RegexLimits, LongRepeatedGroupMatches) {
  std::string items;
  for (int i = 0; i < 200000; ++i) items += "<li>" + std::to_string(i) + "</li>\r\n";
  const std::string subject = "<ul>" + items + "</ul>";
  for (bool jit : {true, false}) {
    TVelRegEx re;
    re.SetJitEnabled(jit);
    re.SetOptions(static_cast<TVelRegExOptions>(preCaseLess | preSingleLine));
    re.SetPattern("((<li>.+?</li>\\s*)+)");
    re.SetSubject(subject);
    ASSERT_TRUE(re.Match()) << "jit " << jit;
    EXPECT_EQ(re.Submatch(1), items);
  }
}

TEST(RegexJit, SameResultsAsTheInterpreter) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"<r[^>]*><rPr>.+?</rPr>(.+?)</r>",
       "<r><rPr><b/></rPr><t>one</t></r><r x=\"1\"><rPr></rPr><t>two</t></r>"},
      {"a*", "baaab aab"},
      {"(\\d+)|(\\s+)", "12 34\r\n5"},
      {"<([uo]l)>(.+?)</\\1>", "<ul>a</ul><OL>b</ol><ol>c</ol>"},
      {"((<li>.+?</li>\\s*)+)", "<li>1</li> <li>2</li>x<li>3</li>"},
      {"<(?=[ptd])", "<p><a><td><t>"},
      {"\\w+$", "last words here"},
      {"(x)?y", "y xy"},
      {"[^>]+>", "<a b><c>"},
  };
  TVelRegEx jit;
  TVelRegEx interpreter;
  interpreter.SetJitEnabled(false);
  for (TVelRegEx* re : {&jit, &interpreter}) {
    re->SetOptions(static_cast<TVelRegExOptions>(preCaseLess | preSingleLine));
  }
  for (const auto& [pattern, subject] : cases) {
    auto a = AllMatches(jit, pattern, subject);
    auto b = AllMatches(interpreter, pattern, subject);
    EXPECT_FALSE(a.empty()) << pattern;
    EXPECT_EQ(a, b) << pattern;
  }
}

}  // namespace
}  // namespace quillon
