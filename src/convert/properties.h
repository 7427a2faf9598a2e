// Property and border conversion shared by paragraphs, styles and tables:
// WordprocessingML fragments (prefix removed) to CSS declarations. Missing
// elements or attributes give empty slots or texts; a size, indent, spacing or
// border size that is not a whole number raises ConversionError.
#pragma once

#include <string>

#include "convert/state.h"

namespace quillon {

// Slots 0-9: font family, size, colour, indent, spacing, justification, bold
// (only when |bold_wanted|), borders, (unused), shading colour.
PropertySlots PropsFromXml(const std::string& fragment, bool bold_wanted);
std::string IndentCss(const std::string& ind_text);
std::string SpacingCss(const std::string& spacing_text);
// "24" -> "16px" (divided by 1.5, halves to even).
std::string HalfPointsToPx(const std::string& half_points);
std::string BordersToCss(const std::string& container);
std::string BorderSideCss(const std::string& container, const std::string& side);

}  // namespace quillon
