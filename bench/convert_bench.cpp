// The whole conversion stage sequence over generated documents of about 1, 20,
// 200 and 2000 pages: formatted runs, paragraph styles, tabs, fields and page
// breaks, numbered and bulleted lists (2.5 items a page, some nested), tables
// (one row a page, with merged and spanning cells), hyperlinks, bookmarks,
// pictures and drop caps. Reports document-part throughput (bytes_per_second) and the peak of
// heap bytes in use during one conversion, in MB and as a multiple of the part.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <new>
#include <string>

#include "convert/state.h"
#include "convert/styles.h"

namespace {

std::atomic<long long> g_in_use{0};
std::atomic<long long> g_peak{0};

void* CountedAlloc(std::size_t size) {
  void* p = std::malloc(size == 0 ? 1 : size);
  if (p == nullptr) throw std::bad_alloc();
  long long now = g_in_use += static_cast<long long>(malloc_usable_size(p));
  long long peak = g_peak.load();
  while (now > peak && !g_peak.compare_exchange_weak(peak, now)) {
  }
  return p;
}

void CountedFree(void* p) {
  if (p == nullptr) return;
  g_in_use -= static_cast<long long>(malloc_usable_size(p));
  std::free(p);
}

}  // namespace

void* operator new(std::size_t size) { return CountedAlloc(size); }
void* operator new[](std::size_t size) { return CountedAlloc(size); }
void operator delete(void* p) noexcept { CountedFree(p); }
void operator delete[](void* p) noexcept { CountedFree(p); }
void operator delete(void* p, std::size_t) noexcept { CountedFree(p); }
void operator delete[](void* p, std::size_t) noexcept { CountedFree(p); }

namespace quillon {
namespace {

const char* const kWords[] = {"Lorem",      "ipsum", "dolor",  "sit", "amet,",   "consectetur",
                              "adipiscing", "elit,", "sed",    "do",  "eiusmod", "tempor",
                              "incididunt", "ut",    "labore", "et",  "dolore",  "magna"};

std::string Words(int seed, int count) {
  std::string text;
  for (int i = 0; i < count; ++i) {
    if (i > 0) text += ' ';
    text += kWords[(seed * 7 + i * 3) % 18];
  }
  return text;
}

std::string Paragraph(int n) {
  static const char* const kStyles[] = {"Normal", "Heading1", "BodyText", "Quote"};
  std::string p = "<w:p w:rsidR=\"00A1B2C3\" w:rsidRDefault=\"00D4E5F6\"><w:pPr><w:pStyle w:val=\"";
  p += kStyles[n % 4];
  p += "\"/>";
  if (n % 3 == 0) p += "<w:jc w:val=\"both\"/>";
  if (n % 5 == 0) p += "<w:ind w:left=\"720\" w:hanging=\"360\"/>";
  p += "<w:spacing w:after=\"120\" w:line=\"276\" w:lineRule=\"auto\"/><w:rPr><w:b/></w:rPr>"
       "</w:pPr>";
  p += "<w:r><w:rPr><w:rFonts w:ascii=\"Arial\" w:hAnsi=\"Arial\"/><w:b/><w:sz w:val=\"24\"/>"
       "</w:rPr><w:t>" +
       Words(n, 6) + "</w:t></w:r>";
  p += "<w:r><w:t xml:space=\"preserve\"> " + Words(n + 1, 12) + " </w:t></w:r>";
  p += "<w:proofErr w:type=\"spellStart\"/>";
  p += "<w:r w:rsidRPr=\"00112233\"><w:rPr><w:i/><w:color w:val=\"C00000\"/><w:u w:val=\"single\"/>"
       "</w:rPr><w:t>" +
       Words(n + 2, 5) + "</w:t></w:r>";
  p += "<w:proofErr w:type=\"spellEnd\"/>";
  p += "<w:r><w:tab/><w:t>" + Words(n + 3, 8) + "</w:t></w:r>";
  if (n % 7 == 0) {
    p += "<w:r><w:rPr><w:vertAlign w:val=\"superscript\"/><w:highlight w:val=\"yellow\"/>"
         "</w:rPr><w:t>note</w:t></w:r>";
  }
  p += "</w:p>";
  return p;
}

// Two or three list items (the third one level deeper on every third page).
std::string ListItems(int page) {
  std::string items;
  const int count = page % 2 == 0 ? 3 : 2;
  for (int i = 0; i < count; ++i) {
    const int level = (page % 3 == 0 && i == 1) ? 1 : 0;
    items +=
        "<w:p w:rsidR=\"00A1B2C3\"><w:pPr><w:pStyle w:val=\"ListParagraph\"/><w:numPr>"
        "<w:ilvl w:val=\"" +
        std::to_string(level) + "\"/><w:numId w:val=\"" + std::to_string(1 + page % 2) +
        "\"/></w:numPr></w:pPr><w:r><w:t>Item " + std::to_string(page) + "." + std::to_string(i) +
        " " + Words(page + i, 6) + "</w:t></w:r></w:p>";
  }
  return items;
}

std::string Cell(const std::string& props, const std::string& text) {
  return "<w:tc><w:tcPr>" + props + "</w:tcPr><w:p><w:r><w:t>" + text + "</w:t></w:r></w:p></w:tc>";
}

// A two-row table every other page (one row a page), with a vertical merge
// in the first column every fourth page and a spanning cell.
std::string TableRows(int page) {
  if (page % 2 != 0) return std::string();
  const bool merge = page % 4 == 0;
  const std::string width = "<w:tcW w:w=\"3192\" w:type=\"dxa\"/>";
  std::string t =
      "<w:tbl><w:tblPr><w:tblStyle w:val=\"TableGrid\"/><w:tblW w:w=\"5000\" w:type=\"pct\"/>"
      "<w:jc w:val=\"center\"/><w:tblLook w:val=\"04A0\"/></w:tblPr><w:tblGrid>"
      "<w:gridCol w:w=\"3192\"/><w:gridCol w:w=\"3192\"/><w:gridCol w:w=\"3192\"/></w:tblGrid>";
  t += "<w:tr w:rsidR=\"00AB12CD\"><w:trPr><w:trHeight w:val=\"360\"/></w:trPr>";
  t += Cell(width + (merge ? "<w:vMerge w:val=\"restart\"/>" : "") +
                "<w:shd w:val=\"clear\" w:color=\"auto\" w:fill=\"D9D9D9\"/>",
            "Cell " + std::to_string(page) + " " + Words(page, 3));
  t += Cell(
      "<w:tcW w:w=\"6384\" w:type=\"dxa\"/><w:gridSpan w:val=\"2\"/><w:vAlign w:val=\"center\"/>",
      Words(page + 1, 4));
  t += "</w:tr><w:tr w:rsidR=\"00AB12CD\">";
  t += merge ? Cell(width + "<w:vMerge/>", "") : Cell(width, Words(page + 2, 3));
  t += Cell(width +
                "<w:tcMar><w:top w:w=\"108\" w:type=\"dxa\"/><w:left w:w=\"108\" "
                "w:type=\"dxa\"/><w:bottom w:w=\"108\" w:type=\"dxa\"/><w:right w:w=\"108\" "
                "w:type=\"dxa\"/></w:tcMar>",
            Words(page + 3, 3));
  t += Cell(width +
                "<w:tcBorders><w:top w:val=\"single\" w:sz=\"4\" w:color=\"000000\"/>"
                "</w:tcBorders>",
            Words(page + 4, 3));
  t += "</w:tr></w:tbl>";
  return t;
}

// A paragraph with a bookmark and a hyperlink, a picture every fifth page and
// a drop cap every fiftieth.
std::string LinksAndPicture(int page) {
  std::string p = "<w:p>";
  if (page % 50 == 0) p += "<w:pPr><w:framePr w:dropCap=\"drop\" w:lines=\"3\"/></w:pPr>";
  p += "<w:bookmarkStart w:id=\"" + std::to_string(page) + "\" w:name=\"_Ref" +
       std::to_string(page) + "\"/><w:bookmarkEnd w:id=\"" + std::to_string(page) + "\"/>";
  p += "<w:hyperlink r:id=\"rId" + std::to_string(10 + page % 3) +
       "\" w:history=\"1\"><w:r><w:rPr><w:rStyle w:val=\"Hyperlink\"/></w:rPr><w:t>link " +
       std::to_string(page) + "</w:t></w:r></w:hyperlink>";
  if (page % 5 == 0) {
    p += "<w:r><w:drawing><wp:inline distT=\"0\"><wp:extent cx=\"5715000\" cy=\"3810000\"/>"
         "<wp:docPr id=\"1\" name=\"Picture 1\"/><a:graphic><a:graphicData><pic:pic>"
         "<pic:blipFill><a:blip r:embed=\"rId20\"/></pic:blipFill></pic:pic></a:graphicData>"
         "</a:graphic></wp:inline></w:drawing></w:r>";
  }
  return p + "</w:p>";
}

// A document part of about |pages| pages (about 12 KB of markup a page).
std::string DocumentPart(int pages) {
  std::string doc =
      "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
      "<w:document xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\">"
      "<w:body>";
  int n = 0;
  for (int page = 0; page < pages; ++page) {
    for (int i = 0; i < 15; ++i) doc += Paragraph(n++);
    doc += ListItems(page);
    doc += TableRows(page);
    doc += LinksAndPicture(page);
    doc += "<w:p><w:r><w:lastRenderedPageBreak/><w:t>Page " + std::to_string(page + 1) +
           "</w:t></w:r><w:r><w:fldChar w:fldCharType=\"begin\"/></w:r><w:r>"
           "<w:instrText xml:space=\"preserve\"> PAGE </w:instrText></w:r><w:r>"
           "<w:fldChar w:fldCharType=\"separate\"/></w:r><w:r><w:t>" +
           std::to_string(page + 1) +
           "</w:t></w:r><w:r><w:fldChar w:fldCharType=\"end\"/></w:r></w:p>";
  }
  doc +=
      "<w:sectPr><w:pgSz w:w=\"12240\" w:h=\"15840\"/><w:pgMar w:top=\"1440\" "
      "w:right=\"1800\" w:bottom=\"1440\" w:left=\"1800\" w:header=\"720\" "
      "w:footer=\"720\" w:gutter=\"0\"/></w:sectPr></w:body></w:document>";
  return doc;
}

const char kStyles[] =
    "<styles><style type=\"paragraph\" default=\"1\" styleId=\"Normal\"><name val=\"Normal\"/>"
    "<rPr><rFonts ascii=\"Calibri\" hAnsi=\"Calibri\"/><sz val=\"22\"/></rPr></style>"
    "<style type=\"paragraph\" styleId=\"Heading1\"><basedOn val=\"Normal\"/><pPr>"
    "<spacing before=\"240\"/></pPr><rPr><b/><sz val=\"28\"/></rPr></style>"
    "<style type=\"paragraph\" styleId=\"BodyText\"><basedOn val=\"Normal\"/><pPr>"
    "<jc val=\"left\"/></pPr></style>"
    "<style type=\"paragraph\" styleId=\"Quote\"><basedOn val=\"Normal\"/><pPr>"
    "<ind left=\"720\" right=\"720\"/></pPr><rPr><color val=\"404040\"/></rPr></style>"
    "<style type=\"table\" styleId=\"TableGrid\"><name val=\"Table Grid\"/><tblPr><tblBorders>"
    "<top val=\"single\" sz=\"4\" space=\"0\" color=\"auto\"/><left val=\"single\" sz=\"4\" "
    "space=\"0\" color=\"auto\"/><bottom val=\"single\" sz=\"4\" space=\"0\" color=\"auto\"/>"
    "<right val=\"single\" sz=\"4\" space=\"0\" color=\"auto\"/><insideH val=\"single\" "
    "sz=\"4\" space=\"0\" color=\"auto\"/></tblBorders></tblPr></style>"
    "</styles>";

const char kRelationships[] =
    "<Relationships>"
    "<Relationship Id=\"rId10\" Type=\"hyperlink\" Target=\"http://example.com/a\" "
    "TargetMode=\"External\"/>"
    "<Relationship Id=\"rId11\" Type=\"hyperlink\" Target=\"http://example.com/b?x=1\" "
    "TargetMode=\"External\"/>"
    "<Relationship Id=\"rId12\" Type=\"hyperlink\" Target=\"file:///c:/docs/c.docx\" "
    "TargetMode=\"External\"/>"
    "<Relationship Id=\"rId20\" Type=\"image\" Target=\"media/image1.png\"/>"
    "</Relationships>";

const char kNumbering[] =
    "<numbering><abstractNum abstractNumId=\"0\"><lvl ilvl=\"0\"><numFmt val=\"decimal\"/>"
    "</lvl><lvl ilvl=\"1\"><numFmt val=\"lowerLetter\"/></lvl></abstractNum>"
    "<abstractNum abstractNumId=\"1\"><lvl ilvl=\"0\"><numFmt val=\"bullet\"/></lvl>"
    "</abstractNum><num numId=\"1\"><abstractNumId val=\"0\"/></num>"
    "<num numId=\"2\"><abstractNumId val=\"1\"/></num></numbering>";

class NoProgress : public StageProgress {
 public:
  void StepGauge(const std::string&) override {}
};

void BM_ConvertDocument(benchmark::State& bench) {
  const std::string part = DocumentPart(static_cast<int>(bench.range(0)));
  NoProgress progress;
  long long peak_over_part = 0;
  for (auto _ : bench) {
    bench.PauseTiming();
    ResetConversionState();
    ConversionState& s = State();
    s.PackageName = "bench";
    s.PixelDivisor = 15;
    s.AutoShadingColor = "#eeeeee";
    s.StylesText = kStyles;
    s.RelationshipsText = kRelationships;
    s.NumberingText = kNumbering;
    BuildStyleSheet();
    s.DocumentText = part;
    const long long base = g_in_use.load();
    g_peak = base;
    bench.ResumeTiming();
    RunStages(progress);
    bench.PauseTiming();
    peak_over_part = std::max(peak_over_part, g_peak.load() - base);
    benchmark::DoNotOptimize(s.DocumentText.data());
    bench.ResumeTiming();
  }
  bench.SetBytesProcessed(static_cast<int64_t>(bench.iterations()) *
                          static_cast<int64_t>(part.size()));
  bench.counters["part_MB"] = static_cast<double>(part.size()) / 1e6;
  // Heap in use above the loaded state (which already holds the part once).
  bench.counters["peak_extra_MB"] = static_cast<double>(peak_over_part) / 1e6;
  bench.counters["peak_x_part"] =
      static_cast<double>(peak_over_part + static_cast<long long>(part.size())) /
      static_cast<double>(part.size());
}
BENCHMARK(BM_ConvertDocument)->Arg(1)->Arg(20)->Arg(200)->Arg(2000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace quillon

BENCHMARK_MAIN();
