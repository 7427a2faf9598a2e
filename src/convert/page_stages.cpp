#include "convert/page_stages.h"

#include <string_view>

#include "convert/state.h"
#include "text/text_ops.h"

namespace quillon {
namespace {

constexpr std::string_view kFieldBegin = "<fldChar fldCharType=\"begin\"/>";
constexpr std::string_view kFieldSeparate = "<fldChar fldCharType=\"separate\"/>";
constexpr std::string_view kFieldEnd = "<fldChar fldCharType=\"end\"/>";

std::string_view Cut(std::string_view text, size_t from, size_t to) {
  if (from >= text.size() || to <= from) return {};
  return text.substr(from, to - from);
}

}  // namespace

void ParseFields() {
  std::string& doc = State().DocumentText;
  if (Contains(doc, "<fldChar") == 0) return;
  RegexDelete(doc, "<instrText.+?</instrText>");

  // 1-based positions: B the first begin marker (0 when there is none), E the
  // last end marker behind it.
  const int begin = PosFrom(doc, kFieldBegin, 1);
  const int region_start = begin + static_cast<int>(kFieldBegin.size());
  int end = 0;
  for (int at = PosFrom(doc, kFieldEnd, region_start); at > 0;
       at = PosFrom(doc, kFieldEnd, at + static_cast<int>(kFieldEnd.size()))) {
    end = at;
  }
  const std::string_view text(doc);
  const size_t head_end = begin > 0 ? begin - 1 : 0;
  const size_t region_from = region_start - 1;
  const size_t region_to = end > 0 ? end - 1 : text.size();
  std::string region(Cut(text, region_from, region_to));
  RegexDelete(region, "<instrText.+?</instrText>");
  region = ReplaceAll(region, kFieldBegin, "<span style=\"float:right\">");
  region = ReplaceAll(region, kFieldSeparate, "");
  RegexDelete(region, "<span[^>]+></span>");
  RegexDelete(region, "<b [^>]+></b>");

  std::string out;
  const std::string_view tail =
      end > 0 ? Cut(text, end - 1 + kFieldEnd.size(), text.size()) : std::string_view();
  out.reserve(head_end + region.size() + tail.size());
  out.append(text.substr(0, head_end));
  out.append(region);
  out.append(tail);
  doc = std::move(out);
}

void ParsePageBreaks() {
  std::string& doc = State().DocumentText;
  doc = ReplaceAll(doc, "<lastRenderedPageBreak/>", "<br style=\"page-break-after:always\"/>");
}

void FinishText() {
  RegexDelete(State().DocumentText, "\\n\\r");
  AssemblePage();
}

void AssemblePage() {
  ConversionState& s = State();
  std::string& doc = s.DocumentText;
  RegexDelete(doc, "\\n\\r");
  const std::string_view text(doc);
  size_t from = text.find("<body");
  if (from == std::string_view::npos) from = 0;
  size_t to = text.find("<sectPr", from);
  if (to == std::string_view::npos) to = text.size();

  std::string head = "<html>\r\n<head><title>" + s.PackageName + "</title>" + "\r\n" +
                     "<meta http-equiv=\"Content-Type\" content=\"text/html;" +
                     " charset=" + s.EncodingText + "\"/>" + "\r\n" + "<style>" + "\r\n" +
                     "p{margin-top:0px;margin-bottom:0px;font-family:'Times New Roman'}" + "\r\n" +
                     "ol,ul{margin-top:0px;margin-bottom:0px;margin-left:1em}" + "\r\n" +
                     "table{border-collapse:collapse;}" + "\r\n" +
                     "td{padding:1 2;border-color:gray;}" + "\r\n" +
                     "blockquote{margin-top:0px;margin-bottom:0px;disply:inline;}" + "\r\n" +
                     ".tab{margin-left:3em}" + "</style></head>";
  constexpr std::string_view kClose = "</body></html>";
  std::string page;
  page.reserve(head.size() + (to - from) + kClose.size());
  page.append(head);
  page.append(text.substr(from, to - from));
  page.append(kClose);
  doc = std::move(page);
}

void BreakLines() {
  // Equivalent to replacing "<(?=[ptd])" (case-insensitive) with "\r\n<":
  // one pass, counting the insertions first to size the result exactly.
  std::string& doc = State().DocumentText;
  auto starts_line = [&doc](size_t i) {
    if (doc[i] != '<' || i + 1 >= doc.size()) return false;
    char c = doc[i + 1];
    return c == 'p' || c == 't' || c == 'd' || c == 'P' || c == 'T' || c == 'D';
  };
  size_t count = 0;
  for (size_t i = doc.find('<'); i != std::string::npos; i = doc.find('<', i + 1)) {
    if (starts_line(i)) ++count;
  }
  if (count == 0) return;
  std::string out;
  out.reserve(doc.size() + 2 * count);
  size_t copied = 0;
  for (size_t i = doc.find('<'); i != std::string::npos; i = doc.find('<', i + 1)) {
    if (!starts_line(i)) continue;
    out.append(doc, copied, i - copied);
    out.append("\r\n");
    copied = i;
  }
  out.append(doc, copied, std::string::npos);
  doc = std::move(out);
}

void SaveHtml(const std::string& path) {
  const std::string& doc = State().DocumentText;
  if (doc.empty() || path.empty()) return;
  WriteTextFile(path, doc);
}

}  // namespace quillon
