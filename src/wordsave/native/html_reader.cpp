#include "wordsave/native/html_reader.h"

#include <libxml/HTMLparser.h>
#include <libxml/tree.h>

#include <algorithm>
#include <cmath>
#include <deque>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <sstream>
#include <stdexcept>

#include "wordsave/native/css.h"
#include "wordsave/native/doc_writer.h"
#include "wordsave/native/gif_to_png.h"

namespace quillon::native {

struct HtmlPage::Doc {
  htmlDocPtr doc = nullptr;
  std::vector<CssRule> rules;
  ~Doc() {
    if (doc) xmlFreeDoc(doc);
  }
};

namespace {

namespace fs = std::filesystem;

// The pages nest a list directly inside its parent list, next to the items.
// The HTML parser's implied end tags would close the outer list there, so
// list tags are renamed before parsing and named back when read.
constexpr char kListPrefix[] = "qlist";

std::string ProtectLists(const std::string& bytes) {
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 64);
  size_t i = 0;
  while (i < bytes.size()) {
    size_t lt = bytes.find('<', i);
    if (lt == std::string::npos) break;
    size_t name = lt + 1;
    if (name < bytes.size() && bytes[name] == '/') ++name;
    out.append(bytes, i, name - i);
    i = name;
    if (name + 2 <= bytes.size()) {
      char a = static_cast<char>(std::tolower(static_cast<unsigned char>(bytes[name])));
      char b = static_cast<char>(std::tolower(static_cast<unsigned char>(bytes[name + 1])));
      bool list = (a == 'o' && b == 'l') || (a == 'u' && b == 'l') || (a == 'l' && b == 'i');
      bool ends =
          name + 2 == bytes.size() || !std::isalnum(static_cast<unsigned char>(bytes[name + 2]));
      if (list && ends) out += kListPrefix;
    }
  }
  out.append(bytes, i, std::string::npos);
  return out;
}

std::string Name(const xmlNode* n) {
  std::string name = reinterpret_cast<const char*>(n->name);
  for (char& c : name) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  if (name.size() == 7 && name.compare(0, 5, kListPrefix) == 0) name.erase(0, 5);
  return name;
}

// The HTML parser keeps element and attribute names in lower case.
const xmlAttr* FindAttr(const xmlNode* n, const char* name) {
  for (const xmlAttr* a = n->properties; a; a = a->next) {
    if (xmlStrcasecmp(a->name, reinterpret_cast<const xmlChar*>(name)) == 0) return a;
  }
  return nullptr;
}

std::string Attr(const xmlNode* n, const char* name) {
  const xmlAttr* a = FindAttr(n, name);
  if (!a || !a->children) return "";
  // A plain value is one text node: read it without building a copy list.
  if (!a->children->next && a->children->type == XML_TEXT_NODE && a->children->content) {
    return reinterpret_cast<const char*>(a->children->content);
  }
  xmlChar* v = xmlNodeListGetString(n->doc, a->children, 1);
  std::string out = v ? reinterpret_cast<const char*>(v) : "";
  xmlFree(v);
  return out;
}

bool HasAttr(const xmlNode* n, const char* name) { return FindAttr(n, name) != nullptr; }

// Elements whose content is never shown. Everything else shows its text,
// also word processor markup the conversion left in the page, as a browser
// would show it.
bool Skipped(const std::string& name) {
  return name == "head" || name == "style" || name == "script" || name == "title";
}

struct CharState {
  int font = 0;
  int hps = 24;
  bool bold = false, italic = false, underline = false, strike = false;
  int vert = 0;  // 1 superscript, 2 subscript
  int color = -1, background = -1;
};

struct BlockState {
  int align = 0;
  int left = 0, right = 0, first = 0, before = 0, after = 0;
  int line = 0, line_mult = 0;  // twips (at least), or a multiple in 240ths
  bool page_break_before = false;
  bool in_table = false;
  int table_depth = 0;  // 1 in a table, 2 in a table inside a cell, ...
  int lfo = 0, level = 0;
  bool* number_pending = nullptr;
  BorderSpec border[4];  // top, left, bottom, right of the paragraph itself
  int shade = -1;        // its background colour
};

uint32_t ColorRef(int rgb) {
  return static_cast<uint32_t>(((rgb >> 16) & 0xFF) | (rgb & 0xFF00) | ((rgb & 0xFF) << 16));
}

// Nearest entry of the 16-colour palette of older readers.
int Ico(int rgb) {
  static const int kPalette[] = {0x000000, 0x0000FF, 0x00FFFF, 0x00FF00, 0xFF00FF, 0xFF0000,
                                 0xFFFF00, 0xFFFFFF, 0x000080, 0x008080, 0x008000, 0x800080,
                                 0x800000, 0x808000, 0x808080, 0xC0C0C0};
  int best = 1;
  long best_d = -1;
  for (int i = 0; i < 16; ++i) {
    long dr = ((rgb >> 16) & 0xFF) - ((kPalette[i] >> 16) & 0xFF);
    long dg = ((rgb >> 8) & 0xFF) - ((kPalette[i] >> 8) & 0xFF);
    long db = (rgb & 0xFF) - (kPalette[i] & 0xFF);
    long d = dr * dr + dg * dg + db * db;
    if (best_d < 0 || d < best_d) {
      best_d = d;
      best = i + 1;
    }
  }
  return best;
}

std::string Shd(int rgb) {
  std::string s;
  uint32_t c = ColorRef(rgb);
  for (int k = 0; k < 2; ++k) {
    for (int b = 0; b < 4; ++b) s.push_back(static_cast<char>((c >> (8 * b)) & 0xFF));
  }
  s.push_back(1);  // solid
  s.push_back(0);
  return s;
}

std::string Brc80(const BorderSpec& b) {
  std::string s(4, '\0');
  if (!b.present) return s;
  int eighths = std::clamp(b.width_twips * 2 / 5, 2, 255);
  s[0] = static_cast<char>(eighths);
  s[1] = static_cast<char>(b.style);
  s[2] = static_cast<char>(b.color < 0 ? 1 : Ico(b.color));
  return s;
}

struct ImageSize {
  int width = 0, height = 0;  // pixels
};

ImageSize MeasurePicture(const std::string& blob, PictureKind kind) {
  ImageSize s;
  auto u8 = [&](size_t i) { return static_cast<int>(static_cast<unsigned char>(blob[i])); };
  if (kind == PictureKind::kPng) {
    if (blob.size() >= 24) {
      s.width = (u8(16) << 24) | (u8(17) << 16) | (u8(18) << 8) | u8(19);
      s.height = (u8(20) << 24) | (u8(21) << 16) | (u8(22) << 8) | u8(23);
    }
    return s;
  }
  auto s32 = [&](size_t i) {
    return static_cast<int32_t>(
        static_cast<uint32_t>(u8(i)) | static_cast<uint32_t>(u8(i + 1)) << 8 |
        static_cast<uint32_t>(u8(i + 2)) << 16 | static_cast<uint32_t>(u8(i + 3)) << 24);
  };
  auto s16 = [&](size_t i) { return static_cast<int16_t>(u8(i) | u8(i + 1) << 8); };
  if (kind == PictureKind::kEmf) {  // frame in 1/100 mm
    s.width = static_cast<int>((static_cast<int64_t>(s32(32)) - s32(24)) * 96 / 2540);
    s.height = static_cast<int>((static_cast<int64_t>(s32(36)) - s32(28)) * 96 / 2540);
    return s;
  }
  if (kind == PictureKind::kWmf) {  // placeable header: bounds in units per inch
    if (u8(0) == 0xD7 && s16(14) > 0) {
      s.width = (s16(10) - s16(6)) * 96 / s16(14);
      s.height = (s16(12) - s16(8)) * 96 / s16(14);
    }
    return s;
  }
  size_t i = 2;
  while (i + 9 < blob.size()) {
    if (u8(i) != 0xFF) {
      ++i;
      continue;
    }
    int marker = u8(i + 1);
    if (marker == 0xD8 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7) || marker == 0xFF) {
      i += marker == 0xFF ? 1 : 2;
      continue;
    }
    int len = (u8(i + 2) << 8) | u8(i + 3);
    if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC) {
      s.height = (u8(i + 5) << 8) | u8(i + 6);
      s.width = (u8(i + 7) << 8) | u8(i + 8);
      return s;
    }
    i += 2 + static_cast<size_t>(len);
  }
  return s;
}

class Builder {
 public:
  Builder(DocModel& model, const std::vector<CssRule>& rules, const std::string& page_path)
      : model_(model), rules_(rules) {
    fs::path page = fs::path(page_path);
    page_dir_ = page.parent_path();
    root_ = page_dir_.parent_path();
    std::error_code ec;
    fs::path canon = fs::weakly_canonical(root_, ec);
    if (!ec) root_ = canon;
    PageSetup& p = model.page;
    text_width_ = std::max(1440, p.width - p.left - p.right);
  }

  void Run(xmlNode* root) {
    xmlNode* body = FindBody(root);
    CharState cs;
    BlockState bs;
    if (body) Children(body, cs, bs);
    if (Open()) EndBlock(bs, false);
    if (pending_) {
      Flush();
    } else if (story().text().empty() || story().text().back() != 0x0D || after_row_) {
      story().EndParagraph("", "");
    }
  }

 private:
  Story& story() { return model_.main; }

  static xmlNode* FindBody(xmlNode* n) {
    for (; n; n = n->next) {
      if (n->type != XML_ELEMENT_NODE) continue;
      if (Name(n) == "body") return n;
      if (xmlNode* b = FindBody(n->children)) return b;
    }
    return nullptr;
  }

  Declarations StyleOf(const xmlNode* n, const std::string& name) const {
    Declarations d;
    std::string cls = HasAttr(n, "class") ? "." + ToLower(Attr(n, "class")) : "";
    for (const CssRule& r : rules_) {
      if (r.selector == name || (!cls.empty() && (r.selector == cls || r.selector == name + cls))) {
        d.insert(d.end(), r.declarations.begin(), r.declarations.end());
      }
    }
    if (HasAttr(n, "style")) {
      Declarations inline_style = ParseDeclarations(Attr(n, "style"));
      d.insert(d.end(), std::make_move_iterator(inline_style.begin()),
               std::make_move_iterator(inline_style.end()));
    }
    return d;
  }

  void ApplyChar(const Declarations& d, CharState& cs) {
    for (const auto& [name, value] : d) {
      int t = 0, rgb = 0;
      std::string v = ToLower(value);
      if (name == "font") {
        FontSpec f = ParseFont(value, cs.hps * 10);
        if (!f.family.empty()) cs.font = model_.FontIndex(f.family);
        if (f.size_twips > 0) cs.hps = std::clamp(f.size_twips / 10, 2, 1638);
        cs.bold = f.bold;
        cs.italic = f.italic;
      } else if (name == "font-family") {
        std::string fam = FirstFamily(value);
        if (!fam.empty()) cs.font = model_.FontIndex(fam);
      } else if (name == "font-size") {
        if (ParseLength(value, cs.hps * 10, &t) && t > 0) cs.hps = std::clamp(t / 10, 2, 1638);
      } else if (name == "font-weight") {
        cs.bold = v == "bold" || v == "bolder" ||
                  (std::isdigit(static_cast<unsigned char>(v[0])) && std::atoi(v.c_str()) >= 600);
      } else if (name == "font-style") {
        cs.italic = v == "italic" || v == "oblique";
      } else if (name == "color") {
        if (ParseColor(value, &rgb)) cs.color = rgb;
      } else if (name == "background-color" || name == "background") {
        if (ParseColor(value, &rgb)) cs.background = rgb;
      } else if (name == "text-decoration") {
        cs.underline = v.find("underline") != std::string::npos;
        cs.strike = v.find("line-through") != std::string::npos;
      } else if (name == "vertical-align") {
        if (v == "super") cs.vert = 1;
        if (v == "sub") cs.vert = 2;
      }
    }
  }

  static void Margins(const std::string& value, int em, int out[4]) {
    std::istringstream in(value);
    std::vector<int> v;
    std::string w;
    while (in >> w) {
      int t = 0;
      v.push_back(ParseLength(w, em, &t) ? t : 0);
    }
    if (v.empty()) return;
    if (v.size() == 1) v = {v[0], v[0], v[0], v[0]};
    if (v.size() == 2) v = {v[0], v[1], v[0], v[1]};
    if (v.size() == 3) v = {v[0], v[1], v[2], v[1]};
    for (int i = 0; i < 4; ++i) out[i] = v[i];
  }

  void ApplyBlock(const Declarations& d, int em, BlockState& bs, int own[4]) {
    for (const auto& [name, value] : d) {
      int t = 0;
      std::string v = ToLower(value);
      if (name == "text-align") {
        bs.align = v == "center" ? 1 : v == "right" ? 2 : v == "justify" ? 3 : 0;
      } else if (name == "margin") {
        Margins(value, em, own);
      } else if (name == "margin-top") {
        if (ParseLength(value, em, &t)) own[0] = t;
      } else if (name == "margin-right") {
        if (ParseLength(value, em, &t)) own[1] = t;
      } else if (name == "margin-bottom") {
        if (ParseLength(value, em, &t)) own[2] = t;
      } else if (name == "margin-left") {
        if (ParseLength(value, em, &t)) own[3] = t;
      } else if (name == "text-indent") {
        if (ParseLength(value, em, &t)) bs.first = t;
      } else if (name == "line-height") {
        char* end = nullptr;
        double n = std::strtod(v.c_str(), &end);
        if (end != v.c_str() && *Trim(end).data() == '\0' && n > 0 && n < 10) {
          bs.line_mult = static_cast<int>(std::lround(n * 240));
          bs.line = 0;
        } else if (ParseLength(value, em, &t) && t > 0) {
          bs.line = t;
          bs.line_mult = 0;
        }
      } else if (name == "page-break-before") {
        bs.page_break_before = v == "always";
      } else if (name == "border") {
        for (BorderSpec& b : bs.border) b = ParseBorder(value);
      } else if (name == "border-top" || name == "border-left" || name == "border-bottom" ||
                 name == "border-right") {
        int side = name == "border-top"      ? 0
                   : name == "border-left"   ? 1
                   : name == "border-bottom" ? 2
                                             : 3;
        bs.border[side] = ParseBorder(value);
      } else if (name == "background-color" || name == "background") {
        int rgb = 0;
        if (ParseColor(value, &rgb)) bs.shade = rgb;
      }
    }
  }

  std::string Chpx(const CharState& cs) const {
    std::string g;
    if (cs.font != 0) {
      SprmU16(g, 0x4A4F, static_cast<uint32_t>(cs.font));
      SprmU16(g, 0x4A50, static_cast<uint32_t>(cs.font));
      SprmU16(g, 0x4A51, static_cast<uint32_t>(cs.font));
    }
    if (cs.hps != 24) SprmU16(g, 0x4A43, static_cast<uint32_t>(cs.hps));
    if (cs.bold) SprmU8(g, 0x0835, 1);
    if (cs.italic) SprmU8(g, 0x0836, 1);
    if (cs.underline) SprmU8(g, 0x2A3E, 1);
    if (cs.strike) SprmU8(g, 0x0837, 1);
    if (cs.vert) SprmU8(g, 0x2A48, static_cast<uint32_t>(cs.vert));
    if (cs.color >= 0) {
      SprmU8(g, 0x2A42, static_cast<uint32_t>(Ico(cs.color)));
      SprmU32(g, 0x6870, ColorRef(cs.color));
    }
    if (cs.background >= 0) SprmVar(g, 0xCA71, Shd(cs.background));
    return g;
  }

  std::string Papx(const BlockState& bs) const {
    std::string g;
    int left = bs.left, first = bs.first;
    if (bs.lfo) {
      if (bs.number_pending && *bs.number_pending) {
        SprmU8(g, 0x260A, static_cast<uint32_t>(bs.level));
        SprmU16(g, 0x460B, static_cast<uint32_t>(bs.lfo));
        *bs.number_pending = false;
        first = -360;
      }
      left += 360 * (bs.level + 1);
    }
    if (bs.align) SprmU8(g, 0x2403, static_cast<uint32_t>(bs.align));
    if (left) SprmU16(g, 0x840F, static_cast<uint32_t>(left));
    if (bs.right) SprmU16(g, 0x840E, static_cast<uint32_t>(bs.right));
    if (first) SprmU16(g, 0x8411, static_cast<uint32_t>(first));
    if (bs.before > 0) SprmU16(g, 0xA413, static_cast<uint32_t>(std::min(bs.before, 31680)));
    if (bs.after > 0) SprmU16(g, 0xA414, static_cast<uint32_t>(std::min(bs.after, 31680)));
    if (bs.line > 0 || bs.line_mult > 0) {
      uint32_t lspd = bs.line > 0 ? static_cast<uint32_t>(std::min(bs.line, 31680))
                                  : static_cast<uint32_t>(bs.line_mult) | (1u << 16);
      SprmU32(g, 0x6412, lspd);
    }
    if (bs.page_break_before && !bs.in_table) SprmU8(g, 0x2407, 1);
    static const uint16_t kBorderSprms[] = {0x6424, 0x6425, 0x6426, 0x6427};
    for (int side = 0; side < 4; ++side) {
      if (!bs.border[side].present) continue;
      std::string brc = Brc80(bs.border[side]);
      g.push_back(static_cast<char>(kBorderSprms[side] & 0xFF));
      g.push_back(static_cast<char>(kBorderSprms[side] >> 8));
      g += brc;
    }
    if (bs.shade >= 0) {
      SprmU16(g, 0x442D, static_cast<uint32_t>(Ico(bs.shade) | (1 << 10)));
      SprmVar(g, 0xC64D, Shd(bs.shade));
    }
    if (bs.in_table) SprmU8(g, 0x2416, 1);
    // Every table paragraph states its table depth; readers rely on it to
    // tell the paragraphs of an inner table from those of its cell.
    if (bs.table_depth >= 1) SprmU32(g, 0x6649, static_cast<uint32_t>(bs.table_depth));
    return g;
  }

  // True when text was written since the last paragraph mark, written or
  // deferred.
  bool Open() { return !pending_ && story().InParagraph(); }

  // Writes the deferred mark of the last finished paragraph.
  void Flush() {
    if (!pending_) return;
    story().EndParagraph("", *pending_);
    pending_.reset();
  }

  void BeforeContent() {
    Flush();
    after_row_ = false;
  }

  // Finishes the paragraph of block `bs`; `force` writes an empty one too.
  void EndBlock(const BlockState& bs, bool force) {
    if (!Open() && !force) return;
    Flush();
    pending_ = Papx(bs);
    if (right_tab_ != RightTab::kNone) {
      AddRightTab(*pending_, bs, right_tab_ == RightTab::kDotted);
      right_tab_ = RightTab::kNone;
    }
    last_space_ = true;
  }

  // One right-aligned tab stop at the paragraph's right edge, measured like
  // every tab position from the left margin.
  void AddRightTab(std::string& papx, const BlockState& bs, bool dotted) const {
    const PageSetup& p = model_.page;
    int at = p.width - p.left - p.right - bs.right;
    if (at <= 0) at = text_width_;
    at = std::min(at, 31680);
    std::string op;
    op.push_back(0);  // no tab stops deleted
    op.push_back(1);  // one added
    op.push_back(static_cast<char>(at & 0xFF));
    op.push_back(static_cast<char>((at >> 8) & 0xFF));
    op.push_back(static_cast<char>(2 | (dotted ? 1 << 3 : 0)));  // right, leader
    SprmVar(papx, 0xC60D, op);
  }

  // A right-floating span in a paragraph (the page number of a table of
  // contents entry) becomes a tab to a right-aligned stop. Only the first
  // such span of a paragraph opens the tab; later ones follow it. Returns
  // false when the span is left to the ordinary walk.
  bool RightFloat(xmlNode* n, const CharState& cs, const BlockState& bs) {
    if (bs.in_table || right_tab_ != RightTab::kNone) return false;
    xmlChar* raw = xmlNodeGetContent(n);
    std::string content = raw ? reinterpret_cast<const char*>(raw) : "";
    xmlFree(raw);
    std::string_view shown = Trim(content);
    if (shown.empty()) return false;
    Special(u'\t', Chpx(cs));
    last_space_ = true;
    right_tab_ = PageNumberLike(shown) ? RightTab::kDotted : RightTab::kPlain;
    return true;
  }

  // Digits or roman numerals, as page numbers are shown.
  static bool PageNumberLike(std::string_view s) {
    if (s.size() > 8) return false;
    bool digits = std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
    bool roman = std::all_of(s.begin(), s.end(), [](char c) {
      return std::string_view("ivxlcdmIVXLCDM").find(c) != std::string_view::npos;
    });
    return digits || roman;
  }

  void Text(std::string_view s, const CharState& cs) {
    std::string out;
    out.reserve(s.size());
    for (char c : s) {
      bool space = c == ' ' || c == '\n' || c == '\r' || c == '\t' || c == '\f';
      if (space) {
        if (!last_space_ && Open()) out.push_back(' ');
        if (!last_space_ && !Open() && !out.empty()) out.push_back(' ');
        last_space_ = true;
      } else {
        out.push_back(c);
        last_space_ = false;
      }
    }
    if (out.empty()) return;
    BeforeContent();
    story().Append(Utf8ToUtf16(out), Chpx(cs));
  }

  void Special(char16_t c, const std::string& chpx) {
    BeforeContent();
    story().AppendChar(c, chpx);
  }

  void Children(xmlNode* n, const CharState& cs, const BlockState& bs) {
    for (xmlNode* c = n->children; c; c = c->next) Walk(c, cs, bs);
  }

  void Walk(xmlNode* n, CharState cs, BlockState bs) {
    if (n->type == XML_TEXT_NODE || n->type == XML_CDATA_SECTION_NODE) {
      if (n->content) Text(reinterpret_cast<const char*>(n->content), cs);
      return;
    }
    if (n->type != XML_ELEMENT_NODE) return;
    std::string name = Name(n);
    if (Skipped(name)) return;
    if (depth_ >= kMaxDepth) {
      // Pathologically deep markup: keep its text, drop its structure, and
      // keep the walk's recursion bounded.
      xmlChar* text = xmlNodeGetContent(n);
      if (text) Text(reinterpret_cast<const char*>(text), cs);
      xmlFree(text);
      return;
    }
    DepthGuard guard(depth_);
    Declarations d = StyleOf(n, name);
    if (name == "b" || name == "strong" || name == "th") cs.bold = true;
    if (name == "i" || name == "em") cs.italic = true;
    if (name == "u") cs.underline = true;
    if (name == "s" || name == "strike" || name == "del") cs.strike = true;
    if (name == "sup") cs.vert = 1;
    if (name == "sub") cs.vert = 2;
    static const int kHeading[] = {48, 36, 28, 24, 20, 16};
    if (name.size() == 2 && name[0] == 'h' && name[1] >= '1' && name[1] <= '6') {
      cs.bold = true;
      cs.hps = kHeading[name[1] - '1'];
    }
    ApplyChar(d, cs);

    if (name == "b" && !n->children && ToLower(Attr(n, "class")) == "tab") {
      Special(u'\t', Chpx(cs));
      return;
    }
    if (name == "br") {
      if (ToLower(Lookup(d, "page-break-after")) == "always" ||
          ToLower(Lookup(d, "page-break-before")) == "always") {
        if (!bs.in_table) Special(0x0C, Chpx(cs));
      } else {
        Special(0x0B, Chpx(cs));
        last_space_ = true;
      }
      return;
    }
    if (name == "img") {
      Image(n, cs);
      return;
    }
    if (name == "table") {
      if (table_depth_ < kMaxTableDepth) {
        Table(n, cs, bs);
        return;
      }
      Children(n, cs, bs);
      return;
    }
    if (name == "td" || name == "th" || name == "tr") {  // inside a flattened nested table
      Children(n, cs, bs);
      EndBlock(bs, false);
      return;
    }
    if (name == "ol" || name == "ul") {
      List(n, name == "ol", cs, bs);
      return;
    }
    if (name == "a") {
      Anchor(n, cs, bs);
      return;
    }
    if (name == "span" && ToLower(Lookup(d, "float")) == "right" && RightFloat(n, cs, bs)) {
      Children(n, cs, bs);
      return;
    }
    static const std::set<std::string> kBlocks = {
        "p",  "div", "blockquote", "li",  "h1",      "h2", "h3", "h4",
        "h5", "h6",  "center",     "pre", "address", "dd", "dt", "dl"};
    if (kBlocks.count(name)) {
      Block(n, name, d, cs, bs);
      return;
    }
    Children(n, cs, bs);
  }

  void Block(xmlNode* n, const std::string& name, const Declarations& d, const CharState& cs,
             const BlockState& parent) {
    if (Open()) EndBlock(parent, false);
    BlockState bs = parent;
    bs.before = bs.after = 0;
    bs.page_break_before = false;
    for (BorderSpec& b : bs.border) b = BorderSpec();
    bs.shade = -1;
    int own[4] = {0, 0, 0, 0};
    if (name == "blockquote") own[1] = own[3] = 600;
    if (name == "center") bs.align = 1;
    std::string align = ToLower(Attr(n, "align"));
    if (align == "center") bs.align = 1;
    if (align == "right") bs.align = 2;
    if (align == "justify") bs.align = 3;
    ApplyBlock(d, cs.hps * 10, bs, own);
    bs.before = std::max(0, own[0]);
    bs.after = std::max(0, own[2]);
    bs.right = parent.right + own[1];
    bs.left = parent.left + own[3];
    if (name == "li") {
      if (list_depth_ > 0) {
        pending_numbers_.push_back(true);
        bs.lfo = current_list_ + 1;
        bs.level = std::min(list_depth_ - 1, 8);
        bs.number_pending = &pending_numbers_.back();
      }
    }
    Children(n, cs, bs);
    bool force = name == "p" || name == "li" || (name.size() == 2 && name[0] == 'h');
    if (name == "li" && bs.number_pending && !*bs.number_pending) force = false;
    EndBlock(bs, force);
  }

  void List(xmlNode* n, bool ordered, const CharState& cs, const BlockState& bs) {
    if (Open()) EndBlock(bs, false);
    if (list_depth_ == 0) {
      model_.lists.emplace_back();
      current_list_ = static_cast<int>(model_.lists.size()) - 1;
      std::fill(std::begin(level_seen_), std::end(level_seen_), false);
    }
    int level = std::min(list_depth_, 8);
    if (!level_seen_[level]) {
      model_.lists[static_cast<size_t>(current_list_)].ordered[level] = ordered;
      level_seen_[level] = true;
    }
    ++list_depth_;
    Children(n, cs, bs);
    --list_depth_;
  }

  void Anchor(xmlNode* n, const CharState& cs, const BlockState& bs) {
    std::string anchor = Attr(n, "name");
    if (anchor.empty()) anchor = Attr(n, "id");
    if (!anchor.empty()) Bookmark(anchor);
    std::string href = Attr(n, "href");
    xmlChar* content = xmlNodeGetContent(n);
    bool has_text = content && *content;
    xmlFree(content);
    if (href.empty() || !has_text) {
      Children(n, cs, bs);
      return;
    }
    std::string target = href;
    target.erase(std::remove(target.begin(), target.end(), '"'), target.end());
    std::string instr = target[0] == '#' ? " HYPERLINK \\l \"" + target.substr(1) + "\" "
                                         : " HYPERLINK \"" + target + "\" ";
    std::string spec = Chpx(cs);
    SprmU8(spec, 0x0855, 1);
    BeforeContent();
    model_.fields.push_back({story().cp(), 0x13, 88});
    story().AppendChar(0x13, spec);
    story().Append(Utf8ToUtf16(instr), Chpx(cs));
    model_.fields.push_back({story().cp(), 0x14, 0});
    story().AppendChar(0x14, spec);
    CharState link = cs;
    if (link.color < 0) link.color = 0x0000FF;
    link.underline = true;
    Children(n, link, bs);
    BeforeContent();
    model_.fields.push_back({story().cp(), 0x15, 0x80});
    story().AppendChar(0x15, spec);
  }

  void Bookmark(const std::string& raw) {
    std::u16string name;
    for (char c : raw) {
      if (std::isalnum(static_cast<unsigned char>(c)) || c == '_')
        name.push_back(static_cast<char16_t>(c));
      if (name.size() == 40) break;
    }
    if (name.empty() || !bookmark_names_.insert(name).second) return;
    BeforeContent();
    model_.bookmarks.push_back({name, story().cp()});
  }

  // Reads a picture source that resolves inside the package folder.
  bool ReadPicture(const std::string& src, std::string* blob) {
    if (src.empty() || src.find(':') != std::string::npos || src[0] == '/' || src[0] == '\\') {
      return false;
    }
    std::string rel = src;
    std::replace(rel.begin(), rel.end(), '\\', '/');
    // Undo %XX escapes in the reference.
    std::string decoded;
    for (size_t i = 0; i < rel.size(); ++i) {
      if (rel[i] == '%' && i + 2 < rel.size() &&
          std::isxdigit(static_cast<unsigned char>(rel[i + 1])) &&
          std::isxdigit(static_cast<unsigned char>(rel[i + 2]))) {
        decoded.push_back(static_cast<char>(std::stoi(rel.substr(i + 1, 2), nullptr, 16)));
        i += 2;
      } else {
        decoded.push_back(rel[i]);
      }
    }
    fs::path p(decoded);
    for (const auto& part : p) {
      if (part == "..") return false;
    }
    std::error_code ec;
    fs::path full = fs::weakly_canonical(page_dir_ / p, ec);
    if (ec) return false;
    // The resolved file (symbolic links followed) must lie inside the package.
    auto rel_to_root = full.lexically_relative(root_);
    if (rel_to_root.empty() || *rel_to_root.begin() == "..") return false;
    if (!fs::is_regular_file(full, ec)) return false;
    std::ifstream f(full, std::ios::binary);
    if (!f) return false;
    std::ostringstream ss;
    ss << f.rdbuf();
    *blob = ss.str();
    return true;
  }

  void Image(xmlNode* n, const CharState& cs) {
    std::string src = Attr(n, "src");
    std::string blob;
    bool ok = ReadPicture(src, &blob);
    PictureKind kind = PictureKind::kPng;
    std::string converted;
    if (ok && !DetectPicture(blob, &kind)) {
      ok = GifToPng(blob, &converted);
      blob.swap(converted);
      kind = PictureKind::kPng;
    }
    if (!ok) {
      std::string shown = src.empty() ? "no source" : fs::path(src).filename().string();
      CharState marked = cs;
      marked.italic = true;
      BeforeContent();
      story().Append(Utf8ToUtf16("[picture: " + shown + "]"), Chpx(marked));
      last_space_ = false;
      return;
    }
    ImageSize natural = MeasurePicture(blob, kind);
    int w = 0, h = 0, t = 0;
    if (ParseLength(Attr(n, "width"), 240, &t) && t > 0) w = t;
    if (ParseLength(Attr(n, "height"), 240, &t) && t > 0) h = t;
    Declarations d = ParseDeclarations(Attr(n, "style"));
    if (ParseLength(Lookup(d, "width"), 240, &t) && t > 0) w = t;
    if (ParseLength(Lookup(d, "height"), 240, &t) && t > 0) h = t;
    if (natural.width > 0 && natural.height > 0) {
      if (!w && !h) {
        w = natural.width * 15;
        h = natural.height * 15;
      } else if (!w) {
        w = static_cast<int>(static_cast<long long>(h) * natural.width / natural.height);
      } else if (!h) {
        h = static_cast<int>(static_cast<long long>(w) * natural.height / natural.width);
      }
    }
    if (w <= 0) w = 1440;
    if (h <= 0) h = 1440;
    w = std::min(w, 31680);
    h = std::min(h, 31680);
    uint32_t at = AppendPicture(model_, blob, kind, w, h);
    std::string chpx = Chpx(cs);
    SprmU8(chpx, 0x0855, 1);
    SprmU32(chpx, 0x6A03, at);
    Special(0x01, chpx);
    last_space_ = false;
  }

  struct Cell {
    xmlNode* node = nullptr;  // null for the continuation of a merged cell
    int col = 0, span = 1;
    int vmerge = 0;  // 1 first of a vertical merge, 2 continuation
    int valign = 0;
    BorderSpec border[4];  // top, left, bottom, right
    int shade = -1;
    int width_twips = 0;  // requested, 0 when unknown
  };

  void CollectRows(xmlNode* n, std::vector<xmlNode*>& rows, std::vector<int>& cols) {
    for (xmlNode* c = n->children; c; c = c->next) {
      if (c->type != XML_ELEMENT_NODE) continue;
      std::string name = Name(c);
      if (name == "tr") {
        rows.push_back(c);
      } else if (name == "col") {
        int t = 0;
        int span = std::max(1, std::atoi(Attr(c, "span").c_str()));
        int w = ParseLength(Attr(c, "width"), 240, &t) ? t : 0;
        for (int k = 0; k < span && cols.size() < 64; ++k) cols.push_back(w);
      } else if (name != "table" && name != "td" && name != "th" && !Skipped(name)) {
        CollectRows(c, rows, cols);  // thead, tbody, colgroup, content controls
      }
    }
  }

  // The cells of a row, also those inside wrapper elements (content controls).
  static void CollectCells(xmlNode* n, std::vector<xmlNode*>& cells) {
    for (xmlNode* c = n->children; c; c = c->next) {
      if (c->type != XML_ELEMENT_NODE) continue;
      std::string name = Name(c);
      if (name == "td" || name == "th") {
        cells.push_back(c);
      } else if (name != "table" && name != "tr" && !Skipped(name)) {
        CollectCells(c, cells);
      }
    }
  }

  void Table(xmlNode* table, const CharState& cs, const BlockState& parent) {
    if (Open()) EndBlock(parent, false);
    Flush();
    std::vector<xmlNode*> rows;
    std::vector<int> col_widths;
    CollectRows(table, rows, col_widths);
    if (rows.empty()) return;
    Declarations tstyle = StyleOf(table, "table");
    BorderSpec table_border;
    int border_attr = std::atoi(Attr(table, "border").c_str());
    if (border_attr > 0) {
      table_border.present = true;
      table_border.width_twips = border_attr * 15;
    }
    BorderSpec styled = ParseBorder(Lookup(tstyle, "border"));
    if (styled.present) table_border = styled;
    int table_width = 0, t = 0;
    std::string width_attr = Attr(table, "width");
    if (width_attr.empty()) width_attr = Lookup(tstyle, "width");
    if (!width_attr.empty() && width_attr.back() == '%') {
      table_width = text_width_ * std::clamp(std::atoi(width_attr.c_str()), 1, 100) / 100;
    } else if (ParseLength(width_attr, 240, &t) && t > 0) {
      table_width = t;
    }
    int table_shade = -1, rgb = 0;
    if (ParseColor(Attr(table, "bgcolor"), &rgb)) table_shade = rgb;
    std::string talign = ToLower(Attr(table, "align"));

    // Lay the cells on a grid; rowspans leave continuation cells below.
    std::vector<std::vector<Cell>> grid(rows.size());
    std::vector<int> heights(rows.size(), 0);
    std::vector<int> covered;    // per grid column: rows still covered
    std::vector<Cell> covering;  // per grid column: the cell that covers it
    for (size_t r = 0; r < rows.size(); ++r) {
      if (ParseLength(Attr(rows[r], "height"), 240, &t) && t > 0) heights[r] = t;
      Declarations rstyle = StyleOf(rows[r], "tr");
      if (ParseLength(Lookup(rstyle, "height"), 240, &t) && t > 0) heights[r] = t;
      int col = 0;
      auto fill_covered = [&]() {
        while (col < static_cast<int>(covered.size()) && covered[static_cast<size_t>(col)] > 0) {
          Cell cont = covering[static_cast<size_t>(col)];
          cont.node = nullptr;
          cont.vmerge = 2;
          cont.col = col;
          for (int k = col; k < col + cont.span && k < static_cast<int>(covered.size()); ++k) {
            --covered[static_cast<size_t>(k)];
          }
          grid[r].push_back(cont);
          col += cont.span;
        }
      };
      std::vector<xmlNode*> cells;
      CollectCells(rows[r], cells);
      for (xmlNode* c : cells) {
        std::string cname = Name(c);
        fill_covered();
        Cell cell;
        cell.node = c;
        cell.col = col;
        cell.span = std::clamp(std::atoi(Attr(c, "colspan").c_str()), 1, 63);
        int rowspan = std::clamp(std::atoi(Attr(c, "rowspan").c_str()), 1, 10000);
        Declarations cstyle = StyleOf(c, cname);
        for (int s = 0; s < 4; ++s) cell.border[s] = table_border;
        // The page's cell rule colours the borders a border attribute draws.
        if (ParseColor(Lookup(cstyle, "border-color"), &rgb)) {
          for (BorderSpec& b : cell.border) b.color = rgb;
        }
        BorderSpec all = ParseBorder(Lookup(cstyle, "border"));
        if (!Lookup(cstyle, "border").empty()) {
          for (auto& b : cell.border) b = all;
        }
        static const char* kSides[] = {"border-top", "border-left", "border-bottom",
                                       "border-right"};
        for (int s = 0; s < 4; ++s) {
          std::string v = Lookup(cstyle, kSides[s]);
          if (!v.empty()) cell.border[s] = ParseBorder(v);
        }
        cell.shade = table_shade;
        if (ParseColor(Attr(c, "bgcolor"), &rgb)) cell.shade = rgb;
        std::string bg = Lookup(cstyle, "background-color");
        if (bg.empty()) bg = Lookup(cstyle, "background");
        if (ParseColor(bg, &rgb)) cell.shade = rgb;
        std::string va = ToLower(Lookup(cstyle, "vertical-align"));
        if (va.empty()) va = ToLower(Attr(c, "valign"));
        cell.valign = va == "middle" || va == "center" ? 1 : va == "bottom" ? 2 : 0;
        std::string w = Attr(c, "width");
        if (!Lookup(cstyle, "width").empty()) w = Lookup(cstyle, "width");
        if (ParseLength(w, 240, &t) && t > 0) cell.width_twips = t;
        if (rowspan > 1) {
          cell.vmerge = 1;
          if (covered.size() < static_cast<size_t>(col + cell.span)) {
            covered.resize(static_cast<size_t>(col + cell.span), 0);
            covering.resize(static_cast<size_t>(col + cell.span));
          }
          for (int k = col; k < col + cell.span; ++k) covered[static_cast<size_t>(k)] = rowspan - 1;
          covering[static_cast<size_t>(col)] = cell;
        }
        grid[r].push_back(cell);
        col += cell.span;
      }
      fill_covered();
      // Columns covered further right, after the row's last own cell.
      while (col < static_cast<int>(covered.size())) {
        if (covered[static_cast<size_t>(col)] > 0) {
          fill_covered();
        } else {
          ++col;
        }
      }
    }
    // Column widths.
    size_t ncols = 1;
    for (const auto& row : grid) {
      for (const Cell& c : row) ncols = std::max(ncols, static_cast<size_t>(c.col + c.span));
    }
    std::vector<int> widths(ncols, 0);
    for (size_t c = 0; c < ncols && c < col_widths.size(); ++c) widths[c] = col_widths[c];
    for (const auto& row : grid) {
      for (const Cell& c : row) {
        if (c.span == 1 && c.width_twips > 0 && widths[static_cast<size_t>(c.col)] == 0) {
          widths[static_cast<size_t>(c.col)] = c.width_twips;
        }
      }
    }
    int known = 0, unknown = 0;
    for (int w : widths) {
      known += w;
      unknown += w == 0;
    }
    if (unknown) {
      int total = table_width > 0 ? table_width : text_width_;
      int each = std::max(300, (total - known) / unknown);
      for (int& w : widths) {
        if (w == 0) w = each;
      }
    }
    std::vector<int> edges(ncols + 1, 0);
    for (size_t c = 0; c < ncols; ++c) edges[c + 1] = edges[c] + std::max(widths[c], 60);

    ++table_depth_;
    // A table inside a cell ends its cells and rows with paragraph marks that
    // carry its depth; the outermost table uses the cell mark.
    const bool nested = table_depth_ > 1;
    for (size_t r = 0; r < grid.size(); ++r) {
      std::vector<Cell>& row = grid[r];
      if (row.empty()) continue;
      // At most 63 cells per row: the content of the rest joins the last cell.
      size_t ncell = std::min<size_t>(row.size(), 63);
      for (size_t i = 0; i < row.size(); ++i) {
        Cell& cell = row[i];
        BlockState bs;
        bs.in_table = true;
        bs.table_depth = table_depth_;
        CharState ccs = cs;
        if (cell.node) {
          std::string cname = Name(cell.node);
          Declarations cstyle = StyleOf(cell.node, cname);
          if (cname == "th") {
            ccs.bold = true;
            bs.align = 1;
          }
          std::string al = ToLower(Attr(cell.node, "align"));
          if (al == "center") bs.align = 1;
          if (al == "right") bs.align = 2;
          ApplyChar(cstyle, ccs);
          int own[4] = {0, 0, 0, 0};
          ApplyBlock(cstyle, ccs.hps * 10, bs, own);
          bs.before = bs.after = 0;
          for (BorderSpec& b : bs.border) b = BorderSpec();  // drawn by the cell
          bs.shade = -1;
          last_space_ = true;
          Children(cell.node, ccs, bs);
        }
        if (Open()) EndBlock(bs, false);
        if (i + 1 < ncell || i + 1 == row.size()) {
          std::string papx = pending_ ? *pending_ : Papx(bs);
          pending_.reset();
          if (nested) SprmU8(papx, 0x244B, 1);  // the mark ends an inner cell
          story().EndParagraph("", papx, nested ? 0x0D : 0x07);
        }
        last_space_ = true;
      }
      // The row end mark carries the row's table properties.
      std::string papx;
      SprmU8(papx, 0x2416, 1);
      if (nested) {
        SprmU32(papx, 0x6649, static_cast<uint32_t>(table_depth_));
        SprmU8(papx, 0x244B, 1);
        SprmU8(papx, 0x244C, 1);
      } else {
        SprmU8(papx, 0x2417, 1);
        SprmU32(papx, 0x6649, 1);
      }
      SprmU16(papx, 0x9602, 75);
      if (talign == "center") SprmU16(papx, 0x5400, 1);
      if (talign == "right") SprmU16(papx, 0x5400, 2);
      if (heights[r] > 0) SprmU16(papx, 0x9407, static_cast<uint32_t>(std::min(heights[r], 31680)));
      std::string def;
      def.push_back(0);
      def.push_back(0);
      def.push_back(static_cast<char>(ncell));
      auto put16 = [&def](int v) {
        def.push_back(static_cast<char>(v & 0xFF));
        def.push_back(static_cast<char>((v >> 8) & 0xFF));
      };
      std::vector<int> cell_edges{0};
      for (size_t i = 0; i < ncell; ++i) {
        const Cell& c = (i + 1 == ncell) ? row.back() : row[i];
        int right =
            edges[static_cast<size_t>(std::min<int>(c.col + c.span, static_cast<int>(ncols)))];
        cell_edges.push_back(std::max(right, cell_edges.back() + 60));
      }
      for (int e : cell_edges) put16(e);
      bool any_shade = false;
      for (size_t i = 0; i < ncell; ++i) {
        const Cell& c = row[i];
        int tcgrf = (c.vmerge == 1 ? 0x60 : c.vmerge == 2 ? 0x20 : 0) | (c.valign << 7) | (3 << 9);
        put16(tcgrf);
        put16(cell_edges[i + 1] - cell_edges[i]);
        for (int s : {0, 1, 2, 3}) def += Brc80(c.border[s]);
        any_shade = any_shade || c.shade >= 0;
      }
      size_t cb = def.size() - 2 + 1;
      def[0] = static_cast<char>(cb & 0xFF);
      def[1] = static_cast<char>((cb >> 8) & 0xFF);
      papx.push_back(static_cast<char>(0x08));
      papx.push_back(static_cast<char>(0xD6));
      papx += def;
      if (any_shade) {
        std::string shd80, shd;
        for (size_t i = 0; i < ncell; ++i) {
          int s = row[i].shade;
          int ico = s >= 0 ? Ico(s) : 0;
          int v = s >= 0 ? (ico | (1 << 10)) : 0;
          shd80.push_back(static_cast<char>(v & 0xFF));
          shd80.push_back(static_cast<char>(v >> 8));
          shd += s >= 0 ? Shd(s) : std::string("\0\0\0\xFF\0\0\0\xFF\0\0", 10);
        }
        SprmVar(papx, 0xD609, shd80);
        SprmVar(papx, 0xD612, shd);
      }
      story().EndParagraph("", papx, nested ? 0x0D : 0x07);
      after_row_ = !nested;
      last_space_ = true;
    }
    --table_depth_;
  }

  DocModel& model_;
  const std::vector<CssRule>& rules_;
  fs::path page_dir_, root_;
  int text_width_ = 9360;
  std::optional<std::string> pending_;
  bool last_space_ = true;
  bool after_row_ = false;
  // The open paragraph holds a right-floating span: its mark gets a right tab.
  enum class RightTab { kNone, kPlain, kDotted };
  RightTab right_tab_ = RightTab::kNone;
  struct DepthGuard {
    explicit DepthGuard(int& d) : depth(d) { ++depth; }
    ~DepthGuard() { --depth; }
    int& depth;
  };
  static constexpr int kMaxDepth = 400;
  int depth_ = 0;
  static constexpr int kMaxTableDepth = 8;  // deeper tables flatten into paragraphs
  int table_depth_ = 0;
  int list_depth_ = 0;
  int current_list_ = -1;
  bool level_seen_[9] = {};
  std::deque<bool> pending_numbers_;
  std::set<std::u16string> bookmark_names_;
};

std::string Charset(const std::string& bytes) {
  std::string head = ToLower(bytes.substr(0, 4096));
  size_t at = head.find("charset=");
  if (at == std::string::npos) return "UTF-8";
  at += 8;
  while (at < head.size() && (head[at] == '"' || head[at] == '\'')) ++at;
  size_t end = at;
  while (end < head.size() &&
         (std::isalnum(static_cast<unsigned char>(head[end])) || head[end] == '-' ||
          head[end] == '_' || head[end] == ':' || head[end] == '.')) {
    ++end;
  }
  std::string name = head.substr(at, end - at);
  if (name.empty()) return "UTF-8";
  xmlCharEncodingHandlerPtr h = xmlFindCharEncodingHandler(name.c_str());
  if (!h) return "UTF-8";
  xmlCharEncCloseFunc(h);
  return name;
}

}  // namespace

HtmlPage::HtmlPage(const std::string& bytes, const std::string& page_path)
    : doc_(std::make_unique<Doc>()), page_path_(page_path) {
  std::string charset = Charset(bytes);
  std::string protected_bytes = ProtectLists(bytes);
  int options = HTML_PARSE_RECOVER | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING | HTML_PARSE_NONET |
                HTML_PARSE_COMPACT | XML_PARSE_HUGE;
  doc_->doc = htmlReadMemory(protected_bytes.data(), static_cast<int>(protected_bytes.size()),
                             nullptr, charset.c_str(), options);
  if (!doc_->doc) throw std::runtime_error("the page cannot be parsed: " + page_path);
  // Style blocks and pictures, in document order (a walk without recursion).
  xmlNode* root = xmlDocGetRootElement(doc_->doc);
  for (xmlNode* n = root; n;) {
    bool descend = true;
    if (n->type == XML_ELEMENT_NODE) {
      const char* raw = reinterpret_cast<const char*>(n->name);
      if (raw[0] == 's' || raw[0] == 'S' || raw[0] == 'i' || raw[0] == 'I') {
        std::string name = Name(n);
        if (name == "style") {
          xmlChar* css = xmlNodeGetContent(n);
          if (css) {
            auto rules = ParseStyleSheet(reinterpret_cast<const char*>(css));
            doc_->rules.insert(doc_->rules.end(), rules.begin(), rules.end());
          }
          xmlFree(css);
          descend = false;
        } else if (name == "img") {
          images_.push_back({Attr(n, "src"), HasAttr(n, "align")});
        }
      }
    } else {
      descend = false;
    }
    if (descend && n->children) {
      n = n->children;
      continue;
    }
    while (n && n != root && !n->next) n = n->parent;
    if (!n || n == root) break;
    n = n->next;
  }
}

HtmlPage::~HtmlPage() = default;

std::unique_ptr<HtmlPage> HtmlPage::Load(const std::string& page_path) {
  std::ifstream f(page_path, std::ios::binary);
  if (!f) throw std::runtime_error("cannot open the page " + page_path);
  std::ostringstream ss;
  ss << f.rdbuf();
  return std::make_unique<HtmlPage>(ss.str(), page_path);
}

void HtmlPage::Build(DocModel& model) const {
  Builder b(model, doc_->rules, page_path_);
  b.Run(xmlDocGetRootElement(doc_->doc));
}

}  // namespace quillon::native
