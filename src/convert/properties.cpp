#include "convert/properties.h"

#include "convert/prepare_stages.h"
#include "text/text_ops.h"
#include "text/xml_fragments.h"

namespace quillon {

std::string HalfPointsToPx(const std::string& half_points) {
  const int n = StrToIntStrict(half_points);
  return std::to_string(RoundHalfEven(n / 1.5)) + "px";
}

std::string IndentCss(const std::string& ind_text) {
  const std::string left = AttrValue(ind_text, "left");
  const std::string right = AttrValue(ind_text, "right");
  const std::string first_line = AttrValue(ind_text, "firstLine");
  const std::string hanging = AttrValue(ind_text, "hanging");
  std::string indent;
  if (!first_line.empty()) indent = "text-indent:" + ToPixels(first_line) + "px;";
  // A hanging indent wins over a first-line indent.
  if (!hanging.empty()) indent = "text-indent:-" + ToPixels(hanging) + "px;";
  std::string css;
  if (!left.empty()) css += "margin-left:" + ToPixels(left) + "px;";
  if (!right.empty()) css += "margin-right:" + ToPixels(right) + "px;";
  return css + indent;
}

std::string SpacingCss(const std::string& spacing_text) {
  const std::string before = AttrValue(spacing_text, "before");
  const std::string after = AttrValue(spacing_text, "after");
  const std::string line = AttrValue(spacing_text, "line");
  std::string css;
  if (!before.empty()) css += "margin-top:" + ToPixels(before) + "px;";
  if (!after.empty()) css += "margin-bottom:" + ToPixels(after) + "px;";
  // The line value counts as twips whatever its line rule.
  if (!line.empty()) css += "line-height:" + ToPixels(line) + "px;";
  return css;
}

PropertySlots PropsFromXml(const std::string& fragment, bool bold_wanted) {
  const std::string font = AttrValue(fragment, "<rFonts ascii");
  const std::string size = AttrValue(fragment, "<sz val");
  const std::string color = AttrValue(fragment, "<color val");
  const std::string ind = TextBetween(fragment, "<ind", "/>");
  const std::string spacing = TextBetween(fragment, "<spacing", "/>");
  std::string jc = AttrValue(fragment, "<jc val");
  std::string shading = TextBetween(fragment, "<shd", "/>");
  if (!shading.empty()) shading = AttrValue(shading, "color");
  if (shading == "auto") shading = State().AutoShadingColor;

  PropertySlots slots;
  if (!font.empty()) slots[0] = "font-family:'" + font + "';";
  if (!size.empty()) slots[1] = "font-size:" + HalfPointsToPx(size) + ";";
  if (!color.empty()) slots[2] = "color:#" + color + ";";
  if (!ind.empty()) slots[3] = IndentCss(ind);
  if (!spacing.empty()) slots[4] = SpacingCss(spacing);
  if (!jc.empty()) {
    if (jc == "both") jc = "justify";
    slots[5] = "text-align:" + jc + ";";
  }
  if (bold_wanted && Contains(fragment, "<b/>") > 0) slots[6] = "font-weight:bold;";
  slots[7] = BordersToCss(TextBetween(fragment, "Borders>", "Borders>"));
  if (!shading.empty()) slots[9] = "background-color:" + shading + ";";
  return slots;
}

std::string BorderSideCss(const std::string& container, const std::string& side) {
  const std::string element = EmptyElement(container, side);
  if (element.empty()) return "";
  const std::string val = AttrValue(element, "val");
  if (val == "nil") return "none;";
  std::string px = ToPixels(AttrValue(element, "sz"));
  std::string line_style = val;
  if (val == "single") {
    line_style = "solid";
  } else if (val == "double") {
    if (!px.empty() && StrToIntStrict(px) < 3) px = "3";
  }
  std::string color = AttrValue(element, "color");
  if (color != "auto") color = "#" + color;
  if (px.empty() || color.empty()) return "";
  return px + "px " + line_style + " " + color + ";";
}

std::string BordersToCss(const std::string& container) {
  if (container.empty()) return "";
  const std::string top = BorderSideCss(container, "top");
  const std::string left = BorderSideCss(container, "left");
  const std::string right = BorderSideCss(container, "right");
  const std::string bottom = BorderSideCss(container, "bottom");
  if (top == left && top == right && top == bottom) {
    return top.empty() ? "border:none;" : "border:" + top;
  }
  std::string css;
  if (!top.empty()) css += "border-top:" + top;
  if (!left.empty()) css += "border-left:" + left;
  if (!right.empty()) css += "border-right:" + right;
  if (!bottom.empty()) css += "border-bottom:" + bottom;
  return css;
}

}  // namespace quillon
