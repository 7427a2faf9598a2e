// The table stage. Every sub-step walks DocumentText from marker to marker and
// builds the rewritten text in one pass (SpliceBuilder), so the cost of a step
// is linear in the document whatever the number of tables, rows and cells.
#include "convert/table_stages.h"

#include <cstring>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "convert/document_lease.h"
#include "convert/prepare_stages.h"
#include "convert/properties.h"
#include "convert/state.h"
#include "convert/styles.h"
#include "text/regex.h"
#include "text/text_ops.h"
#include "text/xml_fragments.h"

namespace quillon {
namespace {

constexpr std::string_view kTblPr = "<tblPr>";
constexpr std::string_view kTblPrEnd = "</tblPr>";
constexpr std::string_view kTblBorders = "<tblBorders>";
constexpr std::string_view kTblBordersEnd = "</tblBorders>";

int Len(std::string_view s) { return static_cast<int>(s.size()); }

// The attributes a table properties block gives the table start tag: the
// width (always written first) and the others in the order of their elements.
struct TableAttributes {
  std::string width;
  std::string others;
};

void AddTableProperty(const std::string& tag, TableAttributes& attrs) {
  const std::string name = TagName(tag);
  if (name == "tblStyle") {
    attrs.others += " ";
    const std::string val = AttrValue(tag, "val");
    if (!val.empty()) attrs.others += TableStyleBorders(StyleElementById(val));
  } else if (name == "tblW") {
    const std::string width = TableWidth(tag);
    attrs.width = width.empty() ? std::string() : " width=" + width;
  } else if (name == "jc") {
    const std::string val = AttrValue(tag, "val");
    if (!val.empty()) attrs.others += " align=" + val;
  } else if (name == "tblCellSpacing") {
    std::string w = AttrValue(tag, "w");
    if (w.empty()) w = "0";
    attrs.others += " cellspacing=" + ToPixels(w);
  } else if (name == "shd") {
    if (AttrValue(tag, "val") == "clear") return;
    std::string fill = AttrValue(tag, "fill");
    if (fill == "auto") fill = State().AutoShadingColor;
    if (!fill.empty()) attrs.others += " bgcolor=" + fill;
  }
}

// Walks the content of a tblPr block start tag by start tag.
TableAttributes TableAttributesOf(std::string_view props) {
  TableAttributes attrs;
  int pos = PosFrom(props, "<", 1);
  while (pos > 0) {
    const int close = PosFrom(props, ">", pos);
    if (close == 0) break;
    const std::string tag(props.substr(pos - 1, close - pos + 1));
    if (tag == kTblBorders) {
      const int end = PosFrom(props, kTblBordersEnd, close + 1);
      if (end > 0) {
        attrs.others += " " + TableStyleBorders(std::string(props.substr(close, end - close - 1)));
        pos = PosFrom(props, "<", end + Len(kTblBordersEnd));
        continue;
      }
      // An unclosed borders block has no content; the walk goes on after it.
      attrs.others += " " + TableStyleBorders(std::string());
    } else {
      AddTableProperty(tag, attrs);
    }
    pos = PosFrom(props, "<", close + 1);
  }
  return attrs;
}

// The merge records of ParseCellMerges: one per vertical-merge start, in
// document order, with the grid column of its cell and the rows it spans.
struct MergeRecords {
  std::vector<int> spans;
  std::vector<int> columns;
  // Newest record per grid column, so that a continuation finds its start
  // without scanning every record.
  std::unordered_map<int, int> newest_by_column;

  void Start(int column) {
    newest_by_column[column] = static_cast<int>(spans.size());
    spans.push_back(1);
    columns.push_back(column);
  }
  void Continue(int column) {
    auto it = newest_by_column.find(column);
    if (it != newest_by_column.end()) ++spans[it->second];
  }
};

// Walks the matches of the row pattern (the rows MatchList would give) in
// place, without copying them out.
void CountVerticalMerges(MergeRecords& records) {
  DocumentLease lease;
  TVelRegEx& regex = lease.regex();
  for (bool found = regex.Match(); found; found = regex.MatchAgain()) {
    const std::string_view row =
        std::string_view(regex.Subject())
            .substr(regex.MatchStart() - 1, regex.MatchEnd() - regex.MatchStart());
    if (Contains(row, "<vMerge") == 0) continue;
    const TextList cells = SplitText(row, "<tc>");
    int column = 0;
    for (size_t i = 1; i < cells.size(); ++i) {
      const std::string& cell = cells[i];
      ++column;
      if (Contains(cell, "<vMerge ") > 0) records.Start(column);
      if (Contains(cell, "<vMerge/>") > 0) records.Continue(column);
      if (Contains(cell, "<gridSpan ") > 0) {
        column += StrToIntStrict(TextBetween(cell, "<gridSpan val=\"", "\"/>")) - 1;
      }
    }
  }
}

// "<tc>" of a merge start becomes "<tc><rowspan=N>"; continuation cells go.
void WriteRowSpans(const MergeRecords& records) {
  const std::string& text = State().DocumentText;
  SpliceBuilder out(text);
  size_t k = 0;
  int v = PosFrom(text, "<vMerge", 1);
  while (v > 0) {
    const int cell = PosBackFrom(text, "<tc>", v);
    if (cell > 0 && cell >= out.CopyPos()) {
      const bool continuation = v + 7 <= Len(text) && text[v + 6] == '/';
      if (continuation) {
        const int cell_end = PosFrom(text, "</tc>", v);
        if (cell_end > 0) {
          out.CopyUpTo(cell);
          out.SkipTo(cell_end + 5);
        }
      } else {
        // A start the row count did not see (it lies after a nested table in
        // its row) has no record; it spans its own row only.
        const int span = k < records.spans.size() ? records.spans[k] : 1;
        out.CopyUpTo(cell);
        out.Append("<tc><rowspan=" + std::to_string(span) + ">");
        out.SkipTo(cell + 4);
        ++k;
      }
    }
    v = PosFrom(text, "<vMerge", v + 8);
  }
  State().DocumentText = out.Finish();
}

// "<tc>" of a spanning cell becomes "<tc colspan=N>".
void WriteColSpans() {
  const std::string& text = State().DocumentText;
  constexpr std::string_view kGridSpan = "<gridSpan val=\"";
  SpliceBuilder out(text);
  int g = PosFrom(text, kGridSpan, 1);
  while (g > 0) {
    const int cell = PosBackFrom(text, "<tc>", g);
    if (cell > 0 && cell >= out.CopyPos()) {
      const int digits = g + Len(kGridSpan);
      const int quote = PosFrom(text, "\"", digits);
      const std::string count = quote > 0 ? CopyText(text, digits, quote - digits) : "";
      out.CopyUpTo(cell + 3);
      out.Append(" colspan=" + count);
      out.SkipTo(cell + 3);
    }
    g = PosFrom(text, kGridSpan, g + 1);
  }
  State().DocumentText = out.Finish();
}

std::string CellStyleOf(std::string_view props) {
  std::string style;
  int pos = 1;
  for (;;) {
    const std::string child = NextElement(props, pos);
    if (child.empty()) break;
    const std::string name = TagName(child);
    if (name == "tcW") {
      const std::string w = AttrValue(child, "w");
      // A width without a value would give "width:px;"; it is left out.
      if (w != "0" && !w.empty()) style += "width:" + ToPixels(w) + "px;";
    } else if (name == "shd") {
      std::string fill = AttrValue(child, "fill");
      if (fill == "auto") fill = State().AutoShadingColor;
      if (!fill.empty() && fill != "FFFFFF") {
        if (fill.size() == 6) fill = "#" + fill;
        style += "background-color:" + fill + ";";
      }
    } else if (name == "vAlign") {
      const std::string val = AttrValue(child, "val");
      style += val.empty() ? "vertical-align:top;" : " vertical-align:" + val + ";";
    } else if (name == "tcBorders") {
      style += BordersToCss(TextBetween(child, "Borders>", "Borders>"));
    } else if (name == "tcMar") {
      style += CellPaddingCss(child);
    }
  }
  return style;
}

// ReplaceAll (case-sensitive, left to right, never rescanning a replacement)
// on the document text. A replacement no longer than the text it replaces is
// written over the text in place, so the large text is neither copied nor
// reallocated; a longer one builds a new text only when the find occurs.
void ReplaceInText(std::string& text, std::string_view find, std::string_view replacement) {
  if (replacement.size() > find.size()) {
    if (Contains(text, find) > 0) text = ReplaceAll(text, find, replacement);
    return;
  }
  const std::string_view view(text);
  size_t read = view.find(find);
  if (read == std::string_view::npos) return;
  size_t write = read;
  while (read != std::string_view::npos) {
    text.replace(write, replacement.size(), replacement);  // same length: no reallocation
    write += replacement.size();
    read += find.size();
    const size_t next = view.find(find, read);
    const size_t keep = (next == std::string_view::npos ? view.size() : next) - read;
    if (write != read) std::memmove(text.data() + write, text.data() + read, keep);
    write += keep;
    read = next;
  }
  text.resize(write);
}

}  // namespace

void ParseTables() {
  ParseTableProperties();
  ParseCellMerges();
  ParseCellProperties();
  std::string& text = State().DocumentText;
  ReplaceInText(text, "><rowspan", " rowspan");
  ReplaceInText(text, "<tc ", "<td ");
  SharedRegex().SetPattern("<tr[^>]*><trPr><trHeight val=\"(\\d+)\".+?</trPr>");
  ReplaceWithPixels(1, "<tr height=\"", "\">");
  ReplaceInDocument("<trPr.+?</trPr>", "");
  ReplaceInText(text, "tc>", "td>");
  ReplaceInText(text, "tbl>", "table>");
  SharedRegex().SetPattern("<gridCol w=\"(\\d+)\"/>");
  ReplaceWithPixels(1, "<col width=", ">");
  ReplaceInText(text, "<tblGrid>", "");
  ReplaceInText(text, "</tblGrid>", "");
}

void ParseTableProperties() {
  const std::string& text = State().DocumentText;
  int props = PosFrom(text, kTblPr, 1);
  if (props == 0) return;
  SpliceBuilder out(text);
  while (props > 0) {
    const int content = props + Len(kTblPr);
    const int props_end = PosFrom(text, kTblPrEnd, content);
    if (props_end == 0) break;  // an unclosed block stays as it is
    const int table = PosBackFrom(text, "<tbl>", content - 1);
    if (table > 0 && table >= out.CopyPos()) {
      const TableAttributes attrs =
          TableAttributesOf(std::string_view(text).substr(content - 1, props_end - content));
      out.CopyUpTo(table + 1);
      out.Append("table");
      out.Append(attrs.width);
      out.Append(attrs.others);
      out.SkipTo(table + 4);
      out.CopyUpTo(props);
      out.SkipTo(props_end + Len(kTblPrEnd));
    }
    props = PosFrom(text, kTblPr, props_end + Len(kTblPrEnd));
  }
  State().DocumentText = out.Finish();
}

std::string TableWidth(const std::string& tag) {
  const std::string w = AttrValue(tag, "w");
  if (w.empty() || w == "0") return std::string();
  const std::string type = AttrValue(tag, "type");
  if (type == "pct") return std::to_string(RoundHalfEven(StrToIntStrict(w) / 50.0)) + "%";
  if (type == "dxa") return ToPixels(w) + "px";
  return w;
}

void ParseCellMerges() {
  const std::string& text = State().DocumentText;
  if (Contains(text, "<vMerge") == 0 && Contains(text, "<gridSpan") == 0) return;
  MergeRecords records;
  SharedRegex().SetPattern("<tr>.+?</tr>");
  CountVerticalMerges(records);
  if (!records.spans.empty()) WriteRowSpans(records);
  WriteColSpans();
}

void ParseCellProperties() {
  const std::string& text = State().DocumentText;
  constexpr std::string_view kTcPr = "<tcPr>";
  constexpr std::string_view kTcPrEnd = "</tcPr>";
  int props = PosFrom(text, kTcPr, 1);
  if (props == 0) return;
  SpliceBuilder out(text);
  while (props > 0) {
    const int content = props + Len(kTcPr);
    const int props_end = PosFrom(text, kTcPrEnd, content);
    if (props_end == 0) break;
    // The cell's start tag: the nearest "<tc" followed by a blank or ">",
    // which skips "<tcPr" and other elements whose names begin with tc.
    int cell = PosBackFrom(text, "<tc", props);
    while (cell > 0 && cell + 3 <= Len(text) && text[cell + 2] != ' ' && text[cell + 2] != '>') {
      cell = cell > 3 ? PosBackFrom(text, "<tc", cell - 3) : 0;
    }
    if (cell > 0 && cell >= out.CopyPos()) {
      const std::string style =
          CellStyleOf(std::string_view(text).substr(content - 1, props_end - content));
      out.CopyUpTo(cell + 3);
      if (!style.empty()) out.Append(" style=\"" + style + "\"");
      out.CopyUpTo(props);
      out.SkipTo(props_end + Len(kTcPrEnd));
    }
    props = PosFrom(text, kTcPr, props_end + Len(kTcPrEnd));
  }
  State().DocumentText = out.Finish();
}

// With all four sides given the shorthand is written; with fewer, each given
// side gets its own padding-top/-right/-bottom/-left declaration (in that
// order), so the sides that are not given keep their default padding.
std::string CellPaddingCss(const std::string& margins) {
  static const char* const kSides[4] = {"top", "right", "bottom", "left"};
  std::string values[4];
  int given = 0;
  for (int i = 0; i < 4; ++i) {
    const std::string w = AttrValue(EmptyElement(margins, kSides[i]), "w");
    if (w.empty()) continue;
    values[i] = ToPixels(w) + "px";
    ++given;
  }
  if (given == 4) {
    return "padding:" + values[0] + " " + values[1] + " " + values[2] + " " + values[3] + ";";
  }
  std::string css;
  for (int i = 0; i < 4; ++i) {
    if (!values[i].empty()) css += std::string("padding-") + kSides[i] + ":" + values[i] + ";";
  }
  return css;
}

void ReplaceWithPixels(int group, const std::string& prefix, const std::string& suffix) {
  ConversionState& state = State();
  state.SpliceTexts.clear();
  state.SplicePositions.clear();
  state.SplicePositions.push_back(1);
  {
    DocumentLease lease;
    TVelRegEx& regex = lease.regex();
    while (regex.MatchAgain()) {
      state.SpliceTexts.push_back(prefix + ToPixels(regex.Submatch(group)) + suffix);
      state.SplicePositions.push_back(regex.MatchStart());
      state.SplicePositions.push_back(regex.MatchEnd());
    }
  }
  SpliceMatches();
}

void SpliceMatches() {
  ConversionState& state = State();
  if (state.SpliceTexts.empty()) return;
  const std::string& text = state.DocumentText;
  SpliceBuilder out(text);
  for (size_t k = 0; k < state.SpliceTexts.size(); ++k) {
    out.SkipTo(state.SplicePositions[2 * k]);
    out.CopyUpTo(state.SplicePositions[2 * k + 1]);
    out.Append(state.SpliceTexts[k]);
  }
  out.SkipTo(state.SplicePositions[2 * state.SpliceTexts.size()]);
  state.DocumentText = out.Finish();
}

}  // namespace quillon
