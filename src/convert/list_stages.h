// Lists: numbered paragraphs to list items, and items grouped into ol/ul.
#pragma once

#include <string>

namespace quillon {

void ParseListItems();
void GroupLists();
std::string ListKindOf(const std::string& text);

}  // namespace quillon
