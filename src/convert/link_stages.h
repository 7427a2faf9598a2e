// Drop caps, hyperlinks, bookmarks and drawings.
//
// ParseDropCaps wraps each paragraph holding a drop-cap frame in a
// left-floating div. ParseLinks turns hyperlinks into "<a href=...>" anchors
// (a bookmark anchor gives "#name", otherwise the relationship's target) and
// bookmark starts into named anchors, and drops the remaining bookmark
// markers. ParseDrawings turns each drawing into an img element whose source
// is the picture's relationship target, with its alignment and pixel size.
// All three rewrite State().DocumentText. Link targets and picture sources
// reach the page exactly as written in the relationships part. A size that is
// not a whole number raises ConversionError; an unknown relationship id gives
// an empty href or src.
#pragma once

#include <string>

namespace quillon {

void ParseDropCaps();
void ParseLinks();
void ParseDrawings();

// Replacement templates for the current match of SharedRegex: the anchor for
// a matched hyperlink (its content is group 1, "$1") and the img element for a
// matched drawing. Characters of the target that the template language would
// expand ("$", "\") are escaped so they come out literally.
std::string LinkToAnchor(const std::string& matched_text);
std::string DrawingToImage(const std::string& matched_text);

// Whole-number EMU text to whole pixels (9525 EMU each, halves to even).
std::string EmuToPixels(const std::string& emu);

}  // namespace quillon
