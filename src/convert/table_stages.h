// The table stage: WordprocessingML tables to HTML table markup.
//
// ParseTables rewrites every table of State().DocumentText in place: table
// properties become attributes of the table start tag, vertical and
// horizontal merges become rowspan and colspan, cell properties a style
// attribute, row heights and grid columns pixel attributes. The paragraphs
// inside the cells are left to the paragraph stages. Every sub-step builds its
// text in one pass. A value that is not a whole number where one is required
// raises ConversionError; missing markers leave the affected part unconverted.
#pragma once

#include <string>

namespace quillon {

void ParseTables();

// The sub-steps, in the order ParseTables runs them.
void ParseTableProperties();
void ParseCellMerges();
void ParseCellProperties();

// Value of a table's width attribute from its tblW element text: "100%",
// "638px", the raw w for other types, "" for a missing or zero width.
std::string TableWidth(const std::string& tag);

// CSS padding declarations from a tcMar element text (sides in pixels).
std::string CellPaddingCss(const std::string& margins);

// Rewrites every match of SharedRegex's current pattern in DocumentText into
// prefix + ToPixels(group) + suffix, through the state's splice lists.
void ReplaceWithPixels(int group, const std::string& prefix, const std::string& suffix);
// Applies State().SpliceTexts / SplicePositions to DocumentText.
void SpliceMatches();

}  // namespace quillon
