#include "wordsave/native/css.h"

#include <cmath>
#include <cstdlib>

namespace quillon::native {

std::string ToLower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
  return s;
}

Declarations ParseDeclarations(std::string_view style) {
  Declarations out;
  size_t pos = 0;
  while (pos < style.size()) {
    size_t end = style.find(';', pos);
    if (end == std::string_view::npos) end = style.size();
    std::string_view item = style.substr(pos, end - pos);
    size_t colon = item.find(':');
    if (colon != std::string_view::npos) {
      std::string name = ToLower(Trim(item.substr(0, colon)));
      std::string_view value = Trim(item.substr(colon + 1));
      if (!name.empty()) out.emplace_back(name, std::string(value));
    }
    pos = end + 1;
  }
  return out;
}

std::string Lookup(const Declarations& d, std::string_view name) {
  for (auto it = d.rbegin(); it != d.rend(); ++it) {
    if (it->first == name) return it->second;
  }
  return "";
}

std::vector<CssRule> ParseStyleSheet(std::string_view css) {
  std::vector<CssRule> rules;
  size_t pos = 0;
  while (pos < css.size()) {
    size_t open = css.find('{', pos);
    if (open == std::string_view::npos) break;
    size_t close = css.find('}', open);
    if (close == std::string_view::npos) close = css.size();
    Declarations decls = ParseDeclarations(css.substr(open + 1, close - open - 1));
    std::string_view selectors = css.substr(pos, open - pos);
    size_t s = 0;
    while (s <= selectors.size()) {
      size_t comma = selectors.find(',', s);
      if (comma == std::string_view::npos) comma = selectors.size();
      std::string sel = ToLower(Trim(selectors.substr(s, comma - s)));
      if (!sel.empty()) rules.push_back({sel, decls});
      s = comma + 1;
    }
    pos = close + 1;
  }
  return rules;
}

bool ParseLength(std::string_view value, int em_twips, int* twips) {
  value = Trim(value);
  // An unquoted attribute written just before "/>" keeps the slash.
  while (!value.empty() && value.back() == '/') value.remove_suffix(1);
  if (value.empty()) return false;
  std::string v(value);
  char* end = nullptr;
  double n = std::strtod(v.c_str(), &end);
  if (end == v.c_str() || !std::isfinite(n)) return false;
  std::string unit = ToLower(Trim(std::string_view(end)));
  double t;
  if (unit.empty() || unit == "px") {
    t = n * 15;
  } else if (unit == "pt") {
    t = n * 20;
  } else if (unit == "in") {
    t = n * 1440;
  } else if (unit == "cm") {
    t = n * 1440 / 2.54;
  } else if (unit == "mm") {
    t = n * 144 / 2.54;
  } else if (unit == "pc") {
    t = n * 240;
  } else if (unit == "em") {
    t = n * em_twips;
  } else {
    return false;
  }
  if (t > 1e7 || t < -1e7) return false;
  *twips = static_cast<int>(std::lround(t));
  return true;
}

bool ParseColor(std::string_view value, int* rgb) {
  std::string v = ToLower(Trim(value));
  static const std::pair<const char*, int> kNames[] = {
      {"black", 0x000000},     {"white", 0xFFFFFF},     {"red", 0xFF0000},
      {"green", 0x008000},     {"blue", 0x0000FF},      {"yellow", 0xFFFF00},
      {"gray", 0x808080},      {"grey", 0x808080},      {"silver", 0xC0C0C0},
      {"maroon", 0x800000},    {"navy", 0x000080},      {"teal", 0x008080},
      {"purple", 0x800080},    {"olive", 0x808000},     {"lime", 0x00FF00},
      {"aqua", 0x00FFFF},      {"cyan", 0x00FFFF},      {"fuchsia", 0xFF00FF},
      {"magenta", 0xFF00FF},   {"orange", 0xFFA500},    {"darkblue", 0x00008B},
      {"darkred", 0x8B0000},   {"darkgreen", 0x006400}, {"lightgray", 0xD3D3D3},
      {"darkgray", 0xA9A9A9},  {"darkcyan", 0x008B8B},  {"darkmagenta", 0x8B008B},
      {"darkyellow", 0x808000}};
  for (const auto& [name, value_rgb] : kNames) {
    if (v == name) {
      *rgb = value_rgb;
      return true;
    }
  }
  if (!v.empty() && v[0] == '#') v.erase(0, 1);
  if (v.size() == 3) v = {v[0], v[0], v[1], v[1], v[2], v[2]};
  if (v.size() != 6) return false;
  for (char c : v) {
    if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
  }
  *rgb = static_cast<int>(std::strtol(v.c_str(), nullptr, 16));
  return true;
}

namespace {

std::vector<std::string> Words(std::string_view value) {
  std::vector<std::string> out;
  size_t i = 0;
  while (i < value.size()) {
    while (i < value.size() && std::isspace(static_cast<unsigned char>(value[i]))) ++i;
    size_t start = i;
    while (i < value.size() && !std::isspace(static_cast<unsigned char>(value[i]))) ++i;
    if (i > start) out.emplace_back(value.substr(start, i - start));
  }
  return out;
}

}  // namespace

BorderSpec ParseBorder(std::string_view value) {
  BorderSpec b;
  bool visible_style = false, none = false;
  for (const std::string& w : Words(ToLower(value))) {
    int t = 0, rgb = 0;
    if (w == "none" || w == "hidden") {
      none = true;
    } else if (w == "solid" || w == "single") {
      b.style = 1;
      visible_style = true;
    } else if (w == "double") {
      b.style = 3;
      visible_style = true;
    } else if (w == "dotted") {
      b.style = 6;
      visible_style = true;
    } else if (w == "dashed") {
      b.style = 7;
      visible_style = true;
    } else if (w == "groove" || w == "ridge" || w == "inset" || w == "outset") {
      b.style = 1;
      visible_style = true;
    } else if (w == "auto") {
      b.color = -1;
    } else if (std::isdigit(static_cast<unsigned char>(w[0])) && ParseLength(w, 240, &t)) {
      b.width_twips = t;
    } else if (ParseColor(w, &rgb)) {
      b.color = rgb;
    }
  }
  b.present = visible_style && !none && b.width_twips > 0;
  return b;
}

std::string FirstFamily(std::string_view value) {
  std::string_view v = Trim(value);
  size_t comma = v.find(',');
  if (comma != std::string_view::npos) v = Trim(v.substr(0, comma));
  while (!v.empty() && (v.front() == '\'' || v.front() == '"')) v.remove_prefix(1);
  while (!v.empty() && (v.back() == '\'' || v.back() == '"')) v.remove_suffix(1);
  return std::string(Trim(v));
}

FontSpec ParseFont(std::string_view value, int em_twips) {
  FontSpec f;
  std::string_view rest = Trim(value);
  // Leading keywords and the size come before the family list.
  while (!rest.empty()) {
    size_t sp = 0;
    while (sp < rest.size() && !std::isspace(static_cast<unsigned char>(rest[sp]))) ++sp;
    std::string word = ToLower(rest.substr(0, sp));
    int t = 0;
    if (word == "bold" || word == "bolder" || word == "700" || word == "800" || word == "900") {
      f.bold = true;
    } else if (word == "italic" || word == "oblique") {
      f.italic = true;
    } else if (word == "normal" || word == "small-caps" || word == "lighter" || word == "400") {
    } else if (!word.empty() &&
               (std::isdigit(static_cast<unsigned char>(word[0])) || word[0] == '.')) {
      std::string size = word.substr(0, word.find('/'));
      if (ParseLength(size, em_twips, &t)) f.size_twips = t;
    } else {
      break;
    }
    rest = Trim(rest.substr(sp));
  }
  f.family = FirstFamily(rest);
  return f;
}

}  // namespace quillon::native
