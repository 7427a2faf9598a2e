// Variants, member names and the engine table.
#include "wordsave/automation.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "recording_model.h"

namespace quillon {
namespace {

TEST(VariantTest, KindsAndConversions) {
  EXPECT_TRUE(Variant().IsEmpty());
  EXPECT_TRUE(Variant(true).IsBool());
  EXPECT_TRUE(Variant(3).IsInt());
  EXPECT_TRUE(Variant(3LL).IsInt());
  EXPECT_TRUE(Variant("x").IsText());
  EXPECT_TRUE(Variant(std::string("x")).IsText());
  EXPECT_FALSE(Variant(AutoObjectPtr()).IsObject());  // a null object counts as none
  EXPECT_EQ(Variant(-7).AsInt(), -7);
  EXPECT_EQ(Variant("abc").AsText(), "abc");
  EXPECT_FALSE(Variant(false).AsBool());
  EXPECT_THROW(Variant("1").AsInt(), AutomationError);
  EXPECT_THROW(Variant(1).AsBool(), AutomationError);
  EXPECT_THROW(Variant().AsText(), AutomationError);
  EXPECT_THROW(Variant(true).AsObject(), AutomationError);
}

TEST(VariantTest, Describe) {
  EXPECT_EQ(Variant().Describe(), "empty");
  EXPECT_EQ(Variant(true).Describe(), "true");
  EXPECT_EQ(Variant(42).Describe(), "42");
  EXPECT_EQ(Variant("t").Describe(), "\"t\"");
  auto log = std::make_shared<testing::RecordingLog>();
  EXPECT_EQ(Variant(testing::MakeRecordingWord(log)).Describe(), "object");
}

TEST(SameNameTest, IgnoresAsciiCaseOnly) {
  EXPECT_TRUE(SameName("Documents", "documents"));
  EXPECT_TRUE(SameName("inLineShapes", "INLINESHAPES"));
  EXPECT_FALSE(SameName("Item", "Items"));
  EXPECT_FALSE(SameName("a_b", "a-b"));
  EXPECT_TRUE(SameName("", ""));
  EXPECT_FALSE(SameName("\xC4", "\xE4"));  // no case folding beyond ASCII
}

TEST(ObjectHelpersTest, GetObjectAndCallMember) {
  auto log = std::make_shared<testing::RecordingLog>();
  log->values["Word.count"] = 3;
  AutoObjectPtr word = testing::MakeRecordingWord(log);
  EXPECT_NE(GetObject(word, "Documents"), nullptr);
  EXPECT_THROW(GetObject(word, "count"), AutomationError);  // not an object
  EXPECT_THROW(GetObject(nullptr, "Documents"), AutomationError);
  EXPECT_THROW(CallMember(nullptr, "Quit"), AutomationError);
  CallMember(word, "Open", {"a", false, 1});
  EXPECT_EQ(log->lines.back(), "call Word.Open(\"a\",false,1)");
}

TEST(EnginesTest, TableKnowsItsEngines) {
  const std::vector<std::string> names = EngineNames();
  EXPECT_NE(std::find(names.begin(), names.end(), "office"), names.end());
  EXPECT_NE(std::find(names.begin(), names.end(), std::string(kDefaultEngine)), names.end());
  EXPECT_THROW(CreateEngine("no-such-engine"), AutomationError);
  EXPECT_THROW(CreateEngine(""), AutomationError);
}

}  // namespace
}  // namespace quillon
