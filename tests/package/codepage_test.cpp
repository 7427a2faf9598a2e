// Code page conversions of entry names.
#include "platform/codepage.h"

#include <gtest/gtest.h>

namespace quillon {
namespace {

TEST(CodePage, Cp437ToCp1252) {
  EXPECT_EQ(platform::Cp437ToCp1252("plain ascii/.txt"), "plain ascii/.txt");
  // e-acute, u-umlaut, pound sign, sharp s, florin
  EXPECT_EQ(platform::Cp437ToCp1252("\x82\x81\x9C\xE1\x9F"), "\xE9\xFC\xA3\xDF\x83");
  // Box drawing and Greek letters have no 1252 form.
  EXPECT_EQ(platform::Cp437ToCp1252("\xB0\xC5\xE0"), "___");
  EXPECT_EQ(platform::Cp437ToCp1252("\xFF"), "\xA0");
}

TEST(CodePage, Cp1252ToUtf8) {
  EXPECT_EQ(platform::Cp1252ToUtf8("abc"), "abc");
  EXPECT_EQ(platform::Cp1252ToUtf8("\xE9"), "\xC3\xA9");
  EXPECT_EQ(platform::Cp1252ToUtf8("\x80"), "\xE2\x82\xAC");  // euro sign
  EXPECT_EQ(platform::Cp1252ToUtf8("\x81"), "\xC2\x81");      // undefined: C1 control
  EXPECT_EQ(platform::Cp1252ToUtf8("\x9F\xFF"), "\xC5\xB8\xC3\xBF");
}

}  // namespace
}  // namespace quillon
