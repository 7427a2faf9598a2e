// Property and border conversion shared by paragraphs, styles and tables:
// WordprocessingML fragments (prefix removed) to CSS declarations.
#pragma once

#include <string>

#include "convert/state.h"

namespace quillon {

PropertySlots PropsFromXml(const std::string& fragment, bool bold_wanted);
std::string IndentCss(const std::string& ind_text);
std::string SpacingCss(const std::string& spacing_text);
std::string HalfPointsToPx(const std::string& half_points);
std::string BordersToCss(const std::string& container);
std::string BorderSideCss(const std::string& container, const std::string& side);

}  // namespace quillon
