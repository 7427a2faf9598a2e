// Paragraph styles: StyleTable from the styles part, lookup and inheritance,
// and the table-style helpers used by the table stage. All read
// State().StylesText / State().StyleTable; ids compare exactly.
#pragma once

#include <string>

#include "convert/state.h"

namespace quillon {

void BuildStyleSheet();
// Index of the first of the first |row_count| rows with |id|, or -1.
int FindStyle(const std::string& id, int row_count);
// Fills the empty slots (0-9, or only 0-1) from the row; never overwrites.
void InheritSlots(PropertySlots& slots, int row, bool all_slots);
// The style element's content after its start tag (the id must be the tag's
// last attribute), or "".
std::string StyleElementById(const std::string& id);
// " border=N" from the inner horizontal border's size, then " style=\"...\""
// from the borders; either may be absent.
std::string TableStyleBorders(const std::string& text);

}  // namespace quillon
