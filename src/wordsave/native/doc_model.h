// The document as the binary writer sees it: the main text as UTF-16 with
// character runs and paragraphs already expressed as property modifiers
// (sprm byte strings), plus the side tables a Word 97 file keeps apart from
// the text: fields, bookmarks, list definitions, fonts, the picture data
// stream, the one section's page setup and its header and footer.
//
// Positions are character positions (CPs) in the main text, from 0. A Story
// only grows; each run covers the text since the previous run, each paragraph
// ends with its mark character, which the paragraph includes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quillon::native {

// Property modifier encoders: append the 2-byte sprm code and its operand.
void SprmU8(std::string& grpprl, uint16_t sprm, uint32_t value);
void SprmU16(std::string& grpprl, uint16_t sprm, uint32_t value);
void SprmU32(std::string& grpprl, uint16_t sprm, uint32_t value);
// Variable-size operand with a one-byte length prefix.
void SprmVar(std::string& grpprl, uint16_t sprm, std::string_view operand);

struct Run {
  uint32_t end;      // CP just after the run
  std::string chpx;  // character sprms
};

struct Paragraph {
  uint32_t end;      // CP just after the paragraph mark
  std::string papx;  // paragraph (and table row) sprms; style 0
};

class Story {
 public:
  void Append(std::u16string_view text, const std::string& chpx);
  void AppendChar(char16_t c, const std::string& chpx) { Append(std::u16string_view(&c, 1), chpx); }
  // Ends the paragraph with `mark` (0x0D, or 0x07 for a cell or row end).
  void EndParagraph(const std::string& mark_chpx, const std::string& papx, char16_t mark = 0x0D);
  uint32_t cp() const { return static_cast<uint32_t>(text_.size()); }
  // True when text was appended since the last paragraph end.
  bool InParagraph() const { return cp() != para_start_; }
  const std::u16string& text() const { return text_; }
  const std::vector<Run>& runs() const { return runs_; }
  const std::vector<Paragraph>& paragraphs() const { return paras_; }

 private:
  std::u16string text_;
  std::vector<Run> runs_;
  std::vector<Paragraph> paras_;
  uint32_t para_start_ = 0;
};

struct FieldMark {
  uint32_t cp;
  uint8_t ch;    // 0x13 begin, 0x14 separator, 0x15 end
  uint8_t info;  // field type on a begin, flags on an end, 0 on a separator
};

struct Bookmark {
  std::u16string name;
  uint32_t cp;
};

struct ListDef {
  bool ordered[9] = {};
};

struct PageSetup {  // twips
  int width = 12240, height = 15840;
  int left = 1440, right = 1440, top = 1440, bottom = 1440;
};

struct HeaderFooterText {
  std::string text;  // UTF-8
  std::string font = "Times New Roman";
  int half_points = 24;
  bool bold = false;
  int align = 0;  // 0 left, 1 center, 2 right, 3 justify
};

struct DocModel {
  Story main;
  std::vector<FieldMark> fields;
  std::vector<Bookmark> bookmarks;
  std::vector<ListDef> lists;  // list i is numbering instance i + 1
  std::vector<std::string> fonts = {"Times New Roman", "Symbol", "Arial"};
  std::string data;  // the Data stream (picture records)
  int pictures = 0;
  PageSetup page;
  HeaderFooterText header, footer;

  // Index of the font in `fonts`, added when new (names compared exactly).
  int FontIndex(const std::string& name);
};

// UTF-8 to UTF-16; malformed bytes become U+FFFD.
std::u16string Utf8ToUtf16(std::string_view s);

}  // namespace quillon::native
