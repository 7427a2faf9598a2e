#include "convert/word_prefix.h"

#include <cstring>

namespace quillon {
namespace {

// Characters that end a plain run inside a tag: its end, quotes, blanks.
struct SpecialTable {
  bool is[256] = {};
  constexpr SpecialTable() {
    for (unsigned char c : {'>', '"', '\'', ' ', '\t', '\r', '\n'}) is[c] = true;
  }
  constexpr bool operator[](unsigned char c) const { return is[c]; }
};
constexpr SpecialTable kSpecial;

bool PrefixAt(std::string_view xml, size_t i) {
  return i + 1 < xml.size() && xml[i] == 'w' && xml[i + 1] == ':';
}

}  // namespace

std::string RemoveWordPrefix(std::string_view xml) {
  std::string out;
  out.reserve(xml.size());
  const size_t n = xml.size();
  size_t i = 0;
  while (i < n) {
    // Character data: copy through to the next tag.
    const void* lt = std::memchr(xml.data() + i, '<', n - i);
    if (lt == nullptr) {
      out.append(xml.substr(i));
      break;
    }
    size_t tag = static_cast<const char*>(lt) - xml.data();
    out.append(xml.substr(i, tag + 1 - i));
    i = tag + 1;
    if (i < n && xml[i] == '/') {
      out.push_back('/');
      ++i;
    }
    if (PrefixAt(xml, i)) i += 2;
    // Inside the tag up to its ">", skipping quoted values whole; plain runs
    // of name characters are copied in one piece.
    while (i < n) {
      size_t run = i;
      while (run < n && !kSpecial[static_cast<unsigned char>(xml[run])]) ++run;
      out.append(xml.data() + i, run - i);
      i = run;
      if (i >= n) break;
      char c = xml[i];
      if (c == '>') {
        out.push_back(c);
        ++i;
        break;
      }
      if (c == '"' || c == '\'') {
        const void* close = std::memchr(xml.data() + i + 1, c, n - i - 1);
        size_t end = close == nullptr ? n : static_cast<const char*>(close) - xml.data() + 1;
        out.append(xml.substr(i, end - i));
        i = end;
        continue;
      }
      out.push_back(c);  // a blank
      ++i;
      if (PrefixAt(xml, i)) i += 2;
    }
  }
  return out;
}

}  // namespace quillon
