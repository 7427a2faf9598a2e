#include "convert/styles.h"

#include <algorithm>

#include "convert/prepare_stages.h"
#include "convert/properties.h"
#include "text/regex.h"
#include "text/text_ops.h"
#include "text/xml_fragments.h"

namespace quillon {

void BuildStyleSheet() {
  ConversionState& s = State();
  s.StyleTable.clear();
  TVelRegEx& re = SharedRegex();
  // The space after "style" keeps the root element out.
  re.SetPattern("<style .+?</style>");
  const std::vector<std::string> elements = re.MatchList(s.StylesText);
  s.StyleTable.resize(elements.size());
  for (size_t i = 0; i < elements.size(); ++i) {
    const std::string& element = elements[i];
    StyleEntry& row = s.StyleTable[i];
    row.id = AttrValue(element, "styleId");
    row.slots = PropsFromXml(element, true);
    if (Contains(element, "<basedOn") > 0) {
      // Only rows listed before this one can be its base.
      const int base = FindStyle(AttrValue(element, "basedOn val"), static_cast<int>(i));
      if (base >= 0) InheritSlots(row.slots, base, false);
    }
  }
}

int FindStyle(const std::string& id, int row_count) {
  const std::vector<StyleEntry>& table = State().StyleTable;
  const int limit = std::min<int>(row_count, static_cast<int>(table.size()));
  for (int i = 0; i < limit; ++i) {
    if (table[i].id == id) return i;
  }
  return -1;
}

void InheritSlots(PropertySlots& slots, int row, bool all_slots) {
  const PropertySlots& from = State().StyleTable.at(row).slots;
  const int last = all_slots ? 9 : 1;
  for (int k = 0; k <= last; ++k) {
    if (slots[k].empty() && !from[k].empty()) slots[k] = from[k];
  }
}

std::string StyleElementById(const std::string& id) {
  return TextBetween(State().StylesText, "styleId=\"" + id + "\">", "</style>");
}

std::string TableStyleBorders(const std::string& text) {
  std::string border;
  const std::string size = AttrValue(TextBetween(text, "<insideH", ">"), "sz");
  if (!size.empty()) border = " border=" + ToPixels(size);
  std::string style;
  const std::string css = BordersToCss(text);
  if (!css.empty()) style = " style=\"" + css + "\"";
  return border + style;
}

}  // namespace quillon
