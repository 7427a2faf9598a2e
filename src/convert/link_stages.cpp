// Drop caps, links, bookmarks and drawings. The hyperlink and drawing scans
// replace each match of SharedRegex in turn with a template computed from it;
// the scan resumes after the replacement, which is never searched again. The
// replacements are therefore collected during the scan (each expanded for its
// own match, as Replace would) and the new text is built once at the end,
// instead of inserting into the whole document once per match.
#include "convert/link_stages.h"

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "convert/document_lease.h"
#include "convert/state.h"
#include "text/regex.h"
#include "text/text_ops.h"
#include "text/xml_fragments.h"

namespace quillon {
namespace {

// Makes a text literal inside a replacement template: "\" and "$" would start
// group references ("$1", "$$", a UNC path's "\\server").
std::string TemplateLiteral(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    if (c == '\\' || c == '$') out.push_back('\\');
    out.push_back(c);
  }
  return out;
}

struct Edit {
  int start;  // 1-based, first character of the match
  int end;    // 1-based, just after the match
  std::string text;
};

// Replaces every match of the engine's current pattern, from its Start on,
// by the template |make| gives for the matched text; |first| is true when the
// engine already holds a successful match to begin with. The lease holds the
// document text as the engine's subject; afterwards DocumentText holds the
// result.
void ReplaceEachMatch(DocumentLease& lease, std::string (*make)(const std::string&), bool first) {
  TVelRegEx& regex = lease.regex();
  std::vector<Edit> edits;
  for (bool found = first || regex.MatchAgain(); found; found = regex.MatchAgain()) {
    regex.SetReplacement(make(regex.MatchedText()));
    std::string text = regex.ComputeReplacement();
    if (regex.OnReplace) regex.OnReplace(regex, text);
    edits.push_back({regex.MatchStart(), regex.MatchEnd(), std::move(text)});
  }
  if (edits.empty()) return;  // the lease puts the text back unchanged
  const std::string old_text = lease.Take();
  SpliceBuilder out(old_text);
  for (const Edit& e : edits) {
    out.CopyUpTo(e.start);
    out.Append(e.text);
    out.SkipTo(e.end);
  }
  State().DocumentText = out.Finish();
}

}  // namespace

void ParseDropCaps() {
  const std::string& text = State().DocumentText;
  constexpr std::string_view kDiv = "<div style=\"float:left\">";
  int q = PosFrom(text, "<framePr dropCap=\"", 1);
  if (q == 0) return;
  SpliceBuilder out(text);
  while (q > 0) {
    const int start = PosBackFrom(text, "<p>", q);
    if (start == 0 || start < out.CopyPos()) {  // no paragraph of its own
      q = PosFrom(text, "<framePr dropCap=", q + 1);
      continue;
    }
    // The paragraph end is searched from q in the text that already holds
    // the div start tag, that is from q - 24 of this text, but never before
    // the paragraph start.
    const int from = std::max(start, q - static_cast<int>(kDiv.size()));
    const int end = PosFrom(text, "</p>", from);
    if (end == 0) break;  // no paragraph end: nothing to wrap
    out.CopyUpTo(start);
    out.Append(kDiv);
    out.CopyUpTo(end + 4);
    out.Append("</div>");
    q = PosFrom(text, "<framePr dropCap=", end);
  }
  State().DocumentText = out.Finish();
}

void ParseLinks() {
  TVelRegEx& regex = SharedRegex();
  {
    DocumentLease lease;
    regex.SetPattern("<hyperlink[^>]+/>");
    ReplaceEachMatch(lease, LinkToAnchor, false);
  }
  {
    DocumentLease lease;
    regex.SetPattern("<hyperlink[^>]+>\\s*(.+?)</hyperlink>");
    ReplaceEachMatch(lease, LinkToAnchor, false);
  }
  ReplaceInDocument("<bookmarkStart.+?name=\"(\\w+)\"/>", "<a name=\"$1\"/>");
  ReplaceInDocument("<bookMark[^>]+/>", "");
}

std::string LinkToAnchor(const std::string& matched_text) {
  const std::string anchor = AttrValue(matched_text, "anchor");
  const std::string target =
      !anchor.empty() ? "#" + anchor
                      : RelationshipTarget(State().RelationshipsText, RelIdOf(matched_text));
  return "<a href=\"" + TemplateLiteral(target) + "\">$1</a>";
}

void ParseDrawings() {
  SharedRegex().SetPattern("<drawing>.+?</drawing>");
  DocumentLease lease;
  if (lease.regex().Match()) ReplaceEachMatch(lease, DrawingToImage, true);
}

std::string DrawingToImage(const std::string& matched_text) {
  const std::string id = TextBetween(matched_text, "<a:blip r:embed=\"", "\"");
  const std::string source = RelationshipTarget(State().RelationshipsText, id);
  std::string image = "<img src=\"" + TemplateLiteral(source) + "\"";
  const std::string align = TextBetween(matched_text, "<wp:align>", "</wp:align>");
  if (!align.empty()) image += " align=" + TemplateLiteral(align);
  const std::string extent = EmptyElement(matched_text, "wp:extent");
  const std::string cx = AttrValue(extent, "cx");
  if (!cx.empty()) image += " width=" + EmuToPixels(cx);
  const std::string cy = AttrValue(extent, "cy");
  if (!cy.empty()) image += " height=" + EmuToPixels(cy);
  return image + "/>";
}

std::string EmuToPixels(const std::string& emu) {
  return std::to_string(RoundHalfEven(StrToIntStrict(emu) / 9525.0));
}

}  // namespace quillon
