#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>

#include "convert/state.h"
#include "platform/files.h"

namespace quillon {
namespace {

// An unpacked package in a fresh temporary folder, removed afterwards.
class PackageLoadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char folder[] = "/tmp/quillon_load_XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    root_ = folder;
    InitConversionState();
    ResetConversionState();
    State().PackageDir = root_ + "\\";
  }
  void TearDown() override {
    for (const std::string& file : written_) platform::DeleteFile(file);
    platform::RemoveFolder(root_ + "\\word\\_rels");
    platform::RemoveFolder(root_ + "\\word");
    platform::RemoveFolder(root_);
  }
  void Write(const std::string& relative, const std::string& text) {
    platform::CreateFolder(root_ + "\\word");
    platform::CreateFolder(root_ + "\\word\\_rels");
    const std::string path = root_ + "\\" + relative;
    ASSERT_EQ(platform::WriteWholeFile(path, text), 0);
    written_.push_back(path);
  }

  std::string root_;
  std::vector<std::string> written_;
};

TEST_F(PackageLoadTest, ReadsTheFourPartsAndBuildsTheStyleTable) {
  const std::string document =
      "<w:document><w:body><w:p><w:r><w:t>New: x</w:t></w:r></w:p>"
      "</w:body></w:document>";
  Write("word\\document.xml", document);
  Write("word\\_rels\\document.xml.rels",
        "<Relationships><Relationship Id=\"rId1\" Target=\"http://x.org/w:new\"/>"
        "</Relationships>");
  Write("word\\styles.xml",
        "<w:styles><w:style w:type=\"paragraph\" w:styleId=\"Normal\">"
        "<w:name w:val=\"How: now\"/><w:rPr><w:sz w:val=\"24\"/></w:rPr>"
        "</w:style></w:styles>");
  Write("word\\numbering.xml", "<w:numbering><w:lvlText w:val=\"w:%1\"/></w:numbering>");
  State().PixelDivisor = 3;
  State().AutoShadingColor = "x";
  LoadPackage();
  const ConversionState& s = State();
  EXPECT_EQ(s.PixelDivisor, 15);
  EXPECT_EQ(s.AutoShadingColor, "#eeeeee");
  // The document part is kept exactly as read.
  EXPECT_EQ(s.DocumentText, document);
  EXPECT_EQ(s.RelationshipsText,
            "<Relationships><Relationship Id=\"rId1\" Target=\"http://x.org/w:new\"/>"
            "</Relationships>");
  EXPECT_EQ(s.StylesText,
            "<styles><style type=\"paragraph\" styleId=\"Normal\">"
            "<name val=\"How: now\"/><rPr><sz val=\"24\"/></rPr></style></styles>");
  EXPECT_EQ(s.NumberingText, "<numbering><lvlText val=\"w:%1\"/></numbering>");
  ASSERT_EQ(s.StyleTable.size(), 1u);
  EXPECT_EQ(s.StyleTable[0].id, "Normal");
  EXPECT_EQ(s.StyleTable[0].slots[1], "font-size:16px;");
}

TEST_F(PackageLoadTest, MissingOptionalPartsReadAsEmpty) {
  Write("word\\document.xml", "<document/>");
  State().StylesText = "<styles><style styleId=\"Old\"></style></styles>";
  State().NumberingText = "old";
  LoadPackage();
  EXPECT_EQ(State().StylesText, "");
  EXPECT_EQ(State().NumberingText, "");
  EXPECT_EQ(State().RelationshipsText, "");
  EXPECT_TRUE(State().StyleTable.empty());
}

TEST_F(PackageLoadTest, MissingOrEmptyDocumentPartRaises) {
  Write("word\\styles.xml", "<styles/>");
  EXPECT_THROW(LoadPackage(), PackageError);
  try {
    LoadPackage();
  } catch (const PackageError& e) {
    EXPECT_NE(std::string(e.what()).find("word\\document.xml"), std::string::npos);
  }
  Write("word\\document.xml", "");
  EXPECT_THROW(LoadPackage(), PackageError);
}

TEST_F(PackageLoadTest, ResetClearsThePerDocumentValues) {
  ConversionState& s = State();
  s.PackageName = "a";
  s.DocumentText = "b";
  s.RelationshipsText = "c";
  s.NumberingText = "d";
  s.StylesText = "kept";
  s.SpliceTexts = {"x"};
  s.SplicePositions = {1};
  s.PageSettings.width = "1";
  ResetConversionState();
  EXPECT_EQ(s.PackageName, "");
  EXPECT_EQ(s.DocumentText, "");
  EXPECT_EQ(s.RelationshipsText, "");
  EXPECT_EQ(s.NumberingText, "");
  EXPECT_EQ(s.StylesText, "kept");
  EXPECT_TRUE(s.SpliceTexts.empty());
  EXPECT_TRUE(s.SplicePositions.empty());
  EXPECT_EQ(s.PageSettings.width, "");
  EXPECT_EQ(s.PackageDir, root_ + "\\");
}

}  // namespace
}  // namespace quillon
