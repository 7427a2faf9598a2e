#include "convert/paragraph_stages.h"

#include <algorithm>
#include <vector>

#include "convert/properties.h"
#include "convert/state.h"
#include "convert/styles.h"
#include "text/regex.h"
#include "text/text_ops.h"
#include "text/xml_fragments.h"

namespace quillon {
namespace {

// True when the text is all blanks and control characters.
bool IsBlankText(const std::string& text) {
  for (char c : text) {
    if (static_cast<unsigned char>(c) > ' ') return false;
  }
  return true;
}

// Whether anything is left of |text| once every match of "<[^>]+>" is
// removed: a "<" starts a tag when a character other than ">" follows and a
// ">" comes later.
bool HasTextOutsideTags(const std::string& text) {
  size_t i = 0;
  const size_t n = text.size();
  while (i < n) {
    if (text[i] == '<' && i + 1 < n && text[i + 1] != '>') {
      size_t close = text.find('>', i + 1);
      if (close != std::string::npos) {
        i = close + 1;
        continue;
      }
    }
    return true;
  }
  return false;
}

// Repeated forward searches for one token from growing start positions. A
// result is reused while it still lies at or after the new start, so a token
// that is far away or absent costs one scan, not one per call.
class TokenFinder {
 public:
  TokenFinder(const std::string& text, const char* token) : text_(text), token_(token) {}
  size_t From(size_t from) {
    if (!valid_ || from < searched_from_ || (found_ != std::string::npos && found_ < from)) {
      searched_from_ = from;
      found_ = text_.find(token_, from);
      valid_ = true;
    }
    return found_;
  }

 private:
  const std::string& text_;
  const char* token_;
  bool valid_ = false;
  size_t searched_from_ = 0;
  size_t found_ = std::string::npos;
};

}  // namespace

// The wrap rewrites the body in one pass. Searching the original text gives
// the same places as searching the text with earlier tags already inserted:
// no marker or run/property end can match inside or across an inserted tag,
// and the rest of a run is shorter than a marker. At one place, an open tag
// (put after a found end tag) goes before what was inserted there earlier; a
// close tag (put before the found "</r>") goes after it.
void WrapRunsWithMarker(std::string& body, const std::string& marker, const std::string& tag) {
  struct Insertion {
    size_t pos;
    long order;  // opens: -sequence (latest first); closes: +sequence
  };
  std::vector<Insertion> inserts;
  TokenFinder run_ends(body, "</r>");
  TokenFinder props_ends(body, "</rPr>");
  TokenFinder para_props_ends(body, "</pPr>");
  long sequence = 0;
  size_t p = 0;
  for (;;) {
    const size_t at = body.find(marker, p);
    if (at == std::string::npos) break;
    const size_t run_end = run_ends.From(at);
    if (run_end == std::string::npos) break;  // no run end behind the marker
    inserts.push_back({run_end, ++sequence});
    const size_t props_end = props_ends.From(at);
    if (props_end != std::string::npos) {
      const size_t after_props = props_end + 6;
      const size_t para_props_end = para_props_ends.From(at);
      // Paragraph-mark properties of a nested paragraph: the tag opens after
      // its "</pPr>". (Nothing is ever inserted between the two: an open tag
      // for that "</rPr>" always goes behind the "</pPr>".)
      const bool nested = para_props_end == after_props;
      const size_t open_at = nested ? para_props_end + 6 : after_props;
      inserts.push_back({open_at, -(++sequence)});
    }
    p = run_end;
  }
  if (inserts.empty()) return;
  std::stable_sort(inserts.begin(), inserts.end(), [](const Insertion& a, const Insertion& b) {
    return a.pos != b.pos ? a.pos < b.pos : a.order < b.order;
  });
  const std::string open = "<" + tag + ">";
  const std::string close = "</" + tag + ">";
  std::string out;
  out.reserve(body.size() + inserts.size() * close.size());
  size_t copied = 0;
  for (const Insertion& insert : inserts) {
    out.append(body, copied, insert.pos - copied);
    copied = insert.pos;
    out.append(insert.order < 0 ? open : close);
  }
  out.append(body, copied, std::string::npos);
  body = std::move(out);
}

void WrapRunsWithFlag(std::string& body, const std::string& letter) {
  WrapRunsWithMarker(body, "<" + letter + "/>", letter);
}

std::string RunSpanTemplate(const std::string& run, const std::string& style_text) {
  const std::string font = TextBetween(run, "<rFonts ascii=\"", "\"");
  const std::string color = ValAttr(run, "color");
  std::string size = ValAttr(run, "sz");
  if (size.empty()) size = ValAttr(run, "szCs");
  const std::string highlight = ValAttr(run, "highlight");
  if (!size.empty()) size = HalfPointsToPx(size);

  std::string font_part;
  if (!font.empty() && !size.empty()) {
    font_part = "font:normal " + size + " '" + font + "';";
  } else {
    if (!font.empty()) font_part += "font-family:'" + font + "';";
    if (!size.empty()) font_part += "font-size:" + size + ";";
  }
  std::string span = "<span style=\"";
  if (!font_part.empty() && Contains(style_text, font_part) == 0) span += font_part;
  if (!color.empty()) {
    const std::string declaration = "color:#" + color + ";";
    if (Contains(style_text, declaration) == 0) span += declaration;
  }
  if (!highlight.empty()) span += "background-color:" + highlight + ";";
  span += "\">";
  return span == "<span style=\"\">" ? std::string("$1") : span + "$1</span>";
}

void RunToSpan(std::string& body, const std::string& run, const std::string& style_text) {
  body = SharedRegex().Replace(RunSpanTemplate(run, style_text));
}

void ConvertRuns(std::string& body, const std::string& style_text) {
  WrapRunsWithFlag(body, "b");
  WrapRunsWithFlag(body, "i");
  WrapRunsWithMarker(body, "<u val", "u");
  WrapRunsWithMarker(body, "val=\"subscript\"", "sub");
  WrapRunsWithMarker(body, "val=\"superscript\"", "sup");
  // Each run is replaced by its span in one left-to-right pass: the same
  // result as replacing every match in place and resuming behind the
  // inserted text, without rewriting the body once per run.
  TVelRegEx& re = SharedRegex();
  re.SetSubject(std::move(body));
  re.SetPattern("<r[^>]*><rPr>.+?</rPr>(.+?)</r>");
  std::string out;
  size_t copied = 0;
  bool replaced = false;
  while (re.MatchAgain()) {
    const size_t start = static_cast<size_t>(re.MatchedOffset()) - 1;
    out.append(re.Subject(), copied, start - copied);
    re.SetReplacement(RunSpanTemplate(re.MatchedText(), style_text));
    out.append(re.ComputeReplacement());
    copied = start + static_cast<size_t>(re.MatchedLength());
    replaced = true;
  }
  body = re.TakeSubject();
  if (!replaced) return;
  out.append(body, copied, std::string::npos);
  body = std::move(out);
}

std::string ConvertParagraph(const std::string& paragraph, bool in_table) {
  std::string props = TextBetween(paragraph, "<pPr>", "</pPr>");
  std::string body = props.empty() ? TextBetween(paragraph, ">", "</p>")
                                   : TextBetween(paragraph, "</pPr>", "</p>");
  if (IsBlankText(body)) return "<p>&nbsp;</p>";
  // The paragraph mark's run properties, and what follows them, play no part.
  const int mark = Contains(props, "<rPr");
  if (mark > 0) props.resize(mark - 1);
  if (!HasTextOutsideTags(paragraph)) return "<p>" + body + "&nbsp;</p>";

  std::string style_text;
  if (!props.empty()) {
    const std::string style_id = AttrValue(paragraph, "<pStyle val");
    const std::string borders = BordersToCss(TextBetween(props, "<pBdr>", "</pBdr>"));
    PropertySlots slots = PropsFromXml(props, false);
    if (!style_id.empty()) {
      const int row = FindStyle(style_id, static_cast<int>(State().StyleTable.size()));
      // Inside a table only the font family and size come from the style.
      if (row >= 0) InheritSlots(slots, row, !in_table);
    }
    for (const std::string& slot : slots) style_text += slot;
    style_text += borders;
  }
  ConvertRuns(body, style_text);
  if (style_text.empty()) return "<p>" + body + "</p>";
  return "<p style=\"" + style_text + "\">" + body + "</p>";
}

void ParseParagraphs() {
  std::string& doc = State().DocumentText;
  RegexReplace(doc, "<p [^>]+/>", "<p>&nbsp;</p>");
  int m = PosFirstOf(doc, "<p>", "<table", "</table", 1);
  if (m == 0) return;
  SpliceBuilder out(doc);
  out.CopyUpTo(m);
  bool in_table = false;
  while (m > 0) {
    const int next = PosFirstOf(doc, "<p>", "<table", "</table", m + 3);
    if (doc[m] == 'p') {
      const int close = PosFrom(doc, "</p>", m);
      // A paragraph that never ends: the rest of the text stays as it is.
      if (close == 0) break;
      const int end = close + 4;  // 1-based, just behind "</p>"
      const std::string paragraph = doc.substr(m - 1, end - m);
      const std::string html = ConvertParagraph(paragraph, in_table);
      // A paragraph with another one inside it (a text box's content) is
      // dropped; the inner paragraphs are converted as the scan reaches them.
      if (next == 0 || next >= end) out.Append(html);
      out.SkipTo(end);
      if (next > end) out.CopyUpTo(next);
    } else {
      in_table = doc[m] != '/';
      if (next > out.CopyPos()) out.CopyUpTo(next);
    }
    m = next;
  }
  doc = out.Finish();
}

void ParseRuns() {
  std::string& doc = State().DocumentText;
  RegexDelete(doc, "<rPr>.*?</rPr>");
  RegexDelete(doc, "<r[^>]*>");
  RegexReplace(doc, "</r>", "");
  doc = MergeAdjacentElements(doc, "span");
}

void ParseTabs() {
  std::string& doc = State().DocumentText;
  doc = ReplaceAll(doc, "<tab/>", " <b class=tab></b>");
}

}  // namespace quillon
