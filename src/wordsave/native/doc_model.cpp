#include "wordsave/native/doc_model.h"

namespace quillon::native {

void SprmU8(std::string& g, uint16_t sprm, uint32_t v) {
  g.push_back(static_cast<char>(sprm & 0xFF));
  g.push_back(static_cast<char>(sprm >> 8));
  g.push_back(static_cast<char>(v & 0xFF));
}

void SprmU16(std::string& g, uint16_t sprm, uint32_t v) {
  SprmU8(g, sprm, v);
  g.push_back(static_cast<char>((v >> 8) & 0xFF));
}

void SprmU32(std::string& g, uint16_t sprm, uint32_t v) {
  SprmU16(g, sprm, v);
  g.push_back(static_cast<char>((v >> 16) & 0xFF));
  g.push_back(static_cast<char>((v >> 24) & 0xFF));
}

void SprmVar(std::string& g, uint16_t sprm, std::string_view operand) {
  SprmU8(g, sprm, static_cast<uint32_t>(operand.size()));
  g.append(operand.data(), operand.size());
}

void Story::Append(std::u16string_view text, const std::string& chpx) {
  if (text.empty()) return;
  if (!runs_.empty() && runs_.back().end == cp() && runs_.back().chpx == chpx) {
    text_.append(text);
    runs_.back().end = cp();
    return;
  }
  text_.append(text);
  runs_.push_back({cp(), chpx});
}

void Story::EndParagraph(const std::string& mark_chpx, const std::string& papx, char16_t mark) {
  AppendChar(mark, mark_chpx);
  paras_.push_back({cp(), papx});
  para_start_ = cp();
}

int DocModel::FontIndex(const std::string& name) {
  for (size_t i = 0; i < fonts.size(); ++i) {
    if (fonts[i] == name) return static_cast<int>(i);
  }
  fonts.push_back(name);
  return static_cast<int>(fonts.size() - 1);
}

std::u16string Utf8ToUtf16(std::string_view s) {
  std::u16string out;
  out.reserve(s.size());
  size_t i = 0;
  while (i < s.size()) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    uint32_t cp = 0xFFFD;
    size_t len = 1;
    if (c < 0x80) {
      cp = c;
    } else if ((c & 0xE0) == 0xC0) {
      len = 2;
    } else if ((c & 0xF0) == 0xE0) {
      len = 3;
    } else if ((c & 0xF8) == 0xF0) {
      len = 4;
    }
    if (len > 1) {
      if (i + len > s.size()) {
        len = 1;
      } else {
        cp = c & (0x7F >> len);
        for (size_t k = 1; k < len; ++k) {
          unsigned char cc = static_cast<unsigned char>(s[i + k]);
          if ((cc & 0xC0) != 0x80) {
            cp = 0xFFFD;
            len = k;
            break;
          }
          cp = (cp << 6) | (cc & 0x3F);
        }
      }
    }
    i += len;
    if (cp >= 0x10000 && cp <= 0x10FFFF) {
      cp -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp > 0xFFFF ? 0xFFFD : cp));
    }
  }
  return out;
}

}  // namespace quillon::native
