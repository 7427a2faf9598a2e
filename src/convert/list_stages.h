// Lists: numbered paragraphs to list items, and items grouped into ol/ul.
//
// ParseListItems wraps every paragraph of State().DocumentText whose own
// properties hold a numbering reference (numPr) and that has visible text in
// "<li>" ... "</li>", and sets State().HasLists when the text holds any
// numPr. A reference to numbering instance 0 (Word's "no numbering") makes no
// item. GroupLists (only when HasLists) wraps each run of consecutive items in
// an ol or ul element and opens one nested list, as a sibling of the items,
// wherever the item level rises (a missing ilvl counts as level 0). A level
// that is not a whole number raises ConversionError.
#pragma once

#include <string>

namespace quillon {

void ParseListItems();
void GroupLists();
// "ol" when the first level of the numbering definition named by the text's
// first numbering reference (numId) is "decimal", otherwise "ul". Looks the
// definition up in State().NumberingText.
std::string ListKindOf(const std::string& text);

}  // namespace quillon
