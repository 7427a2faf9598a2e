// Paragraph styles: StyleTable from the styles part, lookup and inheritance,
// and the table-style helpers used by the table stage.
#pragma once

#include <string>

#include "convert/state.h"

namespace quillon {

void BuildStyleSheet();
int FindStyle(const std::string& id, int row_count);
void InheritSlots(PropertySlots& slots, int row, bool all_slots);
std::string StyleElementById(const std::string& id);
std::string TableStyleBorders(const std::string& text);

}  // namespace quillon
