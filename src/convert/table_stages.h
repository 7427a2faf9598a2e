// The table stage: WordprocessingML tables to HTML table markup.
#pragma once

#include <string>

namespace quillon {

void ParseTables();

}  // namespace quillon
