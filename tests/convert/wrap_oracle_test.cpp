// The one-pass wraps and span replacement against a direct transcription of
// the insert-as-you-go rules, on generated run sequences (regular, nested
// paragraph marks, empty runs, malformed property and run ends).
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "convert/paragraph_stages.h"
#include "convert/state.h"
#include "text/regex.h"
#include "text/text_ops.h"

namespace quillon {
namespace {

// Inserts into the body as each marker is found.
void WrapByInsertion(std::string& body, const std::string& marker, const std::string& tag) {
  int p = 1;
  for (;;) {
    const int at = PosFrom(body, marker, p);
    if (at == 0) return;
    const int r = PosFrom(body, "</r>", at);
    if (r == 0) return;
    body.insert(r - 1, "</" + tag + ">");
    const int k = PosFrom(body, "</rPr>", at);
    if (k > 0) {
      const int pe = PosFrom(body, "</pPr>", at);
      body.insert((pe == k + 6 ? pe + 6 : k + 6) - 1, "<" + tag + ">");
    }
    p = r;
  }
}

// Replaces each run in place and resumes behind the inserted text.
void SpansByReplace(std::string& body, const std::string& style_text) {
  TVelRegEx& re = SharedRegex();
  re.SetSubject(body);
  re.SetPattern("<r[^>]*><rPr>.+?</rPr>(.+?)</r>");
  while (re.MatchAgain()) RunToSpan(body, re.MatchedText(), style_text);
}

std::string RandomBody(std::mt19937& rng) {
  static const char* const kProps[] = {"<b/>",
                                       "<i/>",
                                       "<u val=\"single\"/>",
                                       "<vertAlign val=\"subscript\"/>",
                                       "<vertAlign val=\"superscript\"/>",
                                       "<sz val=\"24\"/>",
                                       "<color val=\"FF0000\"/>",
                                       "<rFonts ascii=\"Arial\"/>"};
  static const char* const kTexts[] = {"", "x", "word", "a<tab/>b", "\"q\""};
  std::string body;
  const int pieces = 1 + static_cast<int>(rng() % 6);
  for (int i = 0; i < pieces; ++i) {
    const unsigned kind = rng() % 10;
    if (kind == 0) {
      body += "<p><pPr><rPr><b/></rPr></pPr>";  // a nested paragraph's mark
      continue;
    }
    body += kind == 1 ? "<r w=\"1\">" : "<r>";
    const bool has_props = rng() % 4 != 0;
    if (has_props) {
      body += "<rPr>";
      const int count = static_cast<int>(rng() % 4);
      for (int j = 0; j < count; ++j) body += kProps[rng() % 8];
      if (rng() % 12 != 0) body += "</rPr>";  // sometimes left open
    }
    body += kTexts[rng() % 5];
    if (rng() % 12 != 0) body += "</r>";  // sometimes never ended
  }
  return body;
}

TEST(WrapOracleTest, OnePassWrapsEqualInsertions) {
  State().PixelDivisor = 15;
  std::mt19937 rng(20261208);
  const char* const markers[][2] = {{"<b/>", "b"},
                                    {"<i/>", "i"},
                                    {"<u val", "u"},
                                    {"val=\"subscript\"", "sub"},
                                    {"val=\"superscript\"", "sup"}};
  for (int round = 0; round < 3000; ++round) {
    const std::string original = RandomBody(rng);
    std::string expected = original;
    std::string actual = original;
    for (const auto& m : markers) {
      WrapByInsertion(expected, m[0], m[1]);
      WrapRunsWithMarker(actual, m[0], m[1]);
      ASSERT_EQ(actual, expected) << "input: " << original << " marker " << m[0];
    }
    std::string by_replace = expected;
    SpansByReplace(by_replace, round % 2 == 0 ? "" : "color:#FF0000;");
    std::string converted = original;
    ConvertRuns(converted, round % 2 == 0 ? "" : "color:#FF0000;");
    ASSERT_EQ(converted, by_replace) << "input: " << original;
  }
}

}  // namespace
}  // namespace quillon
