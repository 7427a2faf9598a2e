// The small part of CSS that converted pages use: declaration lists, a style
// block of simple rules (element names, classes, comma lists), lengths,
// colours, the font and border shorthands. Parsing never raises: anything not
// understood is ignored, as a browser would.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quillon::native {

// Property names lower-cased, values trimmed; later entries win.
using Declarations = std::vector<std::pair<std::string, std::string>>;

Declarations ParseDeclarations(std::string_view style);

// Value of the last declaration of `name`, or empty.
std::string Lookup(const Declarations& d, std::string_view name);

struct CssRule {
  std::string selector;  // "p", ".tab" (lower case)
  Declarations declarations;
};

std::vector<CssRule> ParseStyleSheet(std::string_view css);

// A length in twips: px (also unitless numbers), pt, in, cm, mm, pc and em
// (relative to `em_twips`); trailing slashes are ignored. Returns false for percentages, "auto" and
// anything else.
bool ParseLength(std::string_view value, int em_twips, int* twips);

// "#RRGGBB", "#RGB", "RRGGBB" or a basic colour name to 0xRRGGBB; false for
// "auto", "transparent" and anything unknown.
bool ParseColor(std::string_view value, int* rgb);

struct BorderSpec {
  bool present = false;  // a visible border was given
  int width_twips = 15;
  int style = 1;   // 1 single, 3 double, 6 dotted, 7 dashed
  int color = -1;  // 0xRRGGBB or -1 for automatic
};

// "1px solid #000000", "3px double auto", "none".
BorderSpec ParseBorder(std::string_view value);

struct FontSpec {
  std::string family;  // first family, quotes removed; empty when absent
  int size_twips = 0;  // 0 when absent
  bool bold = false, italic = false;
};

// The font shorthand: "normal 16px 'Arial'", "bold italic 12pt Verdana, sans-serif".
FontSpec ParseFont(std::string_view value, int em_twips);

// The first family of a font-family list, quotes removed.
std::string FirstFamily(std::string_view value);

std::string ToLower(std::string_view s);
std::string_view Trim(std::string_view s);

}  // namespace quillon::native
