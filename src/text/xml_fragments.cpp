// Fixed-form searches over WordprocessingML text: plain, case-sensitive
// substring searches built on the text operations.
#include "text/xml_fragments.h"

#include "text/text_ops.h"

namespace quillon {
namespace {

std::string Concat(std::string_view a, std::string_view b, std::string_view c = {}) {
  std::string out;
  out.reserve(a.size() + b.size() + c.size());
  out.append(a).append(b).append(c);
  return out;
}

}  // namespace

std::string AttrValue(std::string_view text, std::string_view key) {
  return TextBetween(text, Concat(key, "=\""), "\"");
}

std::string ValAttr(std::string_view text, std::string_view element_name) {
  return TextBetween(text, Concat("<", element_name, " val=\""), "\"/>");
}

std::string EmptyElement(std::string_view text, std::string_view element_name) {
  return TextEnclosed(text, Concat("<", element_name), "/>");
}

std::string TagName(std::string_view element_text) {
  size_t gt = element_text.find('>');
  if (gt == std::string_view::npos) return std::string();
  size_t space = element_text.find(' ');
  size_t end = gt;
  if (space != std::string_view::npos && space < gt) {
    end = space;
  } else if (gt > 1 && element_text[gt - 1] == '/') {
    end = gt - 1;  // an empty element: the "/" of "/>" is no part of the name
  }
  if (end <= 1) return std::string();
  return std::string(element_text.substr(1, end - 1));
}

std::string NextElement(std::string_view text, int& position) {
  int lt = PosFrom(text, "<", position);
  if (lt == 0) return std::string();
  int gt = PosFrom(text, ">", lt);
  if (gt == 0) return std::string();
  const size_t begin = static_cast<size_t>(lt) - 1;
  if (text[static_cast<size_t>(gt) - 2] == '/') {
    position = gt;
    return std::string(text.substr(begin, static_cast<size_t>(gt - lt) + 1));
  }
  // A container: its end tag repeats everything between "<" and ">", so only
  // a start tag without attributes finds its end. Nesting is not tracked.
  std::string end_tag = Concat("</", text.substr(begin + 1, static_cast<size_t>(gt - lt) - 1), ">");
  int end = PosFrom(text, end_tag, lt + 1);
  if (end == 0) return std::string();
  const size_t after = static_cast<size_t>(end) - 1 + end_tag.size();
  position = static_cast<int>(after) + 1;
  return std::string(text.substr(begin, after - begin));
}

std::string RelIdOf(std::string_view text) { return TextBetween(text, "r:id=\"", "\""); }

std::string RelationshipTarget(std::string_view relationships, std::string_view id) {
  std::string element = TextBetween(relationships, Concat("<Relationship Id=\"", id, "\""), ">");
  return AttrValue(element, "Target");
}

std::string MergeAdjacentElements(std::string_view text, std::string_view element_name) {
  const std::string start_prefix = Concat("<", element_name);
  const std::string end_tag = Concat("</", element_name, ">");
  const int length = static_cast<int>(text.size());
  SpliceBuilder out(text);
  int scan = 1;
  while (true) {
    int s = PosFrom(text, start_prefix, scan);
    if (s == 0) break;
    int g = PosFrom(text, ">", s);
    if (g == 0) break;
    const std::string_view start_tag =
        text.substr(static_cast<size_t>(s) - 1, static_cast<size_t>(g - s) + 1);
    int e = PosFrom(text, end_tag, g + 1);
    if (e == 0) {
      scan = g + 1;
      continue;
    }
    // Chain: while the end tag is followed (after tabs and line breaks only)
    // by an identical start tag, drop the end tag, the breaks and that tag.
    while (true) {
      int q = e + static_cast<int>(end_tag.size());
      while (q <= length && (text[q - 1] == '\t' || text[q - 1] == '\n' || text[q - 1] == '\r')) {
        ++q;
      }
      scan = q;
      if (q >= length || text[q - 1] != '<' || text[q] == '/') break;
      int g2 = PosFrom(text, ">", q);
      if (g2 == 0) break;
      if (text.substr(static_cast<size_t>(q) - 1, static_cast<size_t>(g2 - q) + 1) != start_tag) {
        break;
      }
      out.CopyUpTo(e);
      out.SkipTo(g2 + 1);
      scan = g2 + 1;
      e = PosFrom(text, end_tag, g2 + 1);
      if (e == 0) break;
    }
  }
  return out.Finish();
}

}  // namespace quillon
