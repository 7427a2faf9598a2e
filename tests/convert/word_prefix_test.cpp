#include "convert/word_prefix.h"

#include <gtest/gtest.h>

namespace quillon {
namespace {

TEST(RemoveWordPrefix, RemovesElementAndAttributePrefixes) {
  EXPECT_EQ(RemoveWordPrefix("<w:p w:rsidR=\"00A1\"><w:r><w:t>x</w:t></w:r></w:p>"),
            "<p rsidR=\"00A1\"><r><t>x</t></r></p>");
  EXPECT_EQ(RemoveWordPrefix("<w:sz w:val=\"24\"/>"), "<sz val=\"24\"/>");
  // Attributes on following lines or after tabs.
  EXPECT_EQ(RemoveWordPrefix("<w:pgMar\n\tw:top=\"1\"\r\n w:left=\"2\"/>"),
            "<pgMar\n\ttop=\"1\"\r\n left=\"2\"/>");
}

TEST(RemoveWordPrefix, KeepsTextContentAndValues) {
  EXPECT_EQ(RemoveWordPrefix("<w:t>Overview: New: How:</w:t>"), "<t>Overview: New: How:</t>");
  EXPECT_EQ(RemoveWordPrefix("<w:t xml:space=\"preserve\"> w:x </w:t>"),
            "<t xml:space=\"preserve\"> w:x </t>");
  EXPECT_EQ(RemoveWordPrefix("<Relationship Id=\"rId1\" Target=\"http://x.org/new:w:1\"/>"),
            "<Relationship Id=\"rId1\" Target=\"http://x.org/new:w:1\"/>");
  // Quoted values may hold ">" and blanks followed by "w:".
  EXPECT_EQ(RemoveWordPrefix("<w:a w:v=\"a> w:b\" w:c='d w:e'/>tail w:"),
            "<a v=\"a> w:b\" c='d w:e'/>tail w:");
}

TEST(RemoveWordPrefix, LeavesOtherPrefixesAndNamespaceDeclarations) {
  const std::string text =
      "<w:document xmlns:w=\"http://schemas/w\" xmlns:wp=\"x\"><wp:inline/><w14:x/>"
      "<v:shape w:y=\"1\"/>";
  EXPECT_EQ(RemoveWordPrefix(text),
            "<document xmlns:w=\"http://schemas/w\" xmlns:wp=\"x\"><wp:inline/><w14:x/>"
            "<v:shape y=\"1\"/>");
}

TEST(RemoveWordPrefix, EdgesOfTheText) {
  EXPECT_EQ(RemoveWordPrefix(""), "");
  EXPECT_EQ(RemoveWordPrefix("w:"), "w:");
  EXPECT_EQ(RemoveWordPrefix("<w:"), "<");
  EXPECT_EQ(RemoveWordPrefix("<"), "<");
  EXPECT_EQ(RemoveWordPrefix("<w:b "), "<b ");
  EXPECT_EQ(RemoveWordPrefix("<w:b w:v=\"unterminated"), "<b v=\"unterminated");
  EXPECT_EQ(RemoveWordPrefix("<?xml version=\"1.0\"?>\r\n<w:body/>"),
            "<?xml version=\"1.0\"?>\r\n<body/>");
}

}  // namespace
}  // namespace quillon
