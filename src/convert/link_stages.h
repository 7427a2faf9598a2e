// Drop caps, hyperlinks, bookmarks and drawings.
#pragma once

#include <string>

namespace quillon {

void ParseDropCaps();
void ParseLinks();
void ParseDrawings();
std::string EmuToPixels(const std::string& emu);

}  // namespace quillon
