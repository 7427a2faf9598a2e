// The office bridge's JSON lines.
#include "wordsave/office/json_line.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace quillon::json {
namespace {

TEST(JsonLineTest, QuoteEscapesQuotesBackslashesAndControls) {
  EXPECT_EQ(Quote("plain"), "\"plain\"");
  EXPECT_EQ(Quote("a\"b\\c"), "\"a\\\"b\\\\c\"");
  EXPECT_EQ(Quote("l1\nl2\r\t"), "\"l1\\nl2\\r\\t\"");
  EXPECT_EQ(Quote(std::string("\x01", 1)), "\"\\u0001\"");
  EXPECT_EQ(Quote("C:\\docs\\\xC3\xA9.doc"), "\"C:\\\\docs\\\\\xC3\xA9.doc\"");  // bytes kept
}

TEST(JsonLineTest, QuotedTextReadsBack) {
  const std::string text = "x\"y\\z\n\x02 \xE2\x82\xAC";
  Value v = Parse(Quote(text));
  EXPECT_EQ(v.kind, Value::Kind::kText);
  EXPECT_EQ(v.text, text);
}

TEST(JsonLineTest, ParsesAnswers) {
  Value v = Parse(
      R"( {"ok": true, "doc": 3, "pictures": [{"name": "Image1", "inline": false, "linked": true}],
                      "error": null, "x": -1.5e1} )");
  ASSERT_EQ(v.kind, Value::Kind::kObject);
  EXPECT_TRUE(v.Find("ok")->boolean);
  EXPECT_EQ(v.Find("doc")->number, 3);
  EXPECT_EQ(v.Find("x")->number, -15);
  EXPECT_EQ(v.Find("error")->kind, Value::Kind::kNull);
  EXPECT_EQ(v.Find("missing"), nullptr);
  const Value* list = v.Find("pictures");
  ASSERT_EQ(list->items.size(), 1u);
  EXPECT_EQ(list->items[0].Find("name")->text, "Image1");
  EXPECT_FALSE(list->items[0].Find("inline")->boolean);
  EXPECT_EQ(list->Find("name"), nullptr);  // not an object
  EXPECT_TRUE(Parse("[]").items.empty());
  EXPECT_TRUE(Parse("{}").members.empty());
}

TEST(JsonLineTest, UnicodeEscapesBecomeUtf8) {
  EXPECT_EQ(Parse(R"("\u00e9\u20ac")").text, "\xC3\xA9\xE2\x82\xAC");
  EXPECT_EQ(Parse(R"("\ud83d\ude00")").text, "\xF0\x9F\x98\x80");
  EXPECT_EQ(Parse(R"("\/\b")").text, "/\b");
}

TEST(JsonLineTest, MalformedLinesRaise) {
  for (const char* bad : {"", "{", "{\"a\" 1}", "{\"a\":1,}", "[1 2]", "\"open", "tru", "{} x",
                          "\"\\u12\"", "\"\\q\"", "-", "{1:2}"}) {
    EXPECT_THROW(Parse(bad), std::runtime_error) << bad;
  }
  EXPECT_THROW(Parse(std::string(200, '[')), std::runtime_error);  // too deep
}

}  // namespace
}  // namespace quillon::json
