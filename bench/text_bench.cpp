// Text toolkit throughput over a document-sized text (about 5 MB of run markup).
#include <benchmark/benchmark.h>

#include <string>

#include "text/regex.h"
#include "text/text_ops.h"
#include "text/xml_fragments.h"

namespace quillon {
namespace {

// About |bytes| of WordprocessingML-like runs.
const std::string& Document(size_t bytes = 5 * 1024 * 1024) {
  static const std::string text = [bytes] {
    std::string out;
    out.reserve(bytes + 256);
    for (int i = 0; out.size() < bytes; ++i) {
      out +=
          "<w:p><w:pPr><w:jc w:val=\"center\"/></w:pPr><w:r><w:rPr><w:b/><w:sz w:val=\"24\"/>"
          "</w:rPr><w:t>Paragraph number ";
      out += std::to_string(i);
      out += " with some ordinary text in it.</w:t></w:r></w:p>\r\n";
    }
    return out;
  }();
  return text;
}

void BM_ReplaceAll(benchmark::State& state) {
  const std::string& doc = Document();
  for (auto _ : state) {
    std::string out = ReplaceAll(doc, "w:", "");
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * doc.size()));
}
BENCHMARK(BM_ReplaceAll)->Unit(benchmark::kMillisecond);

void BM_ReplaceAllIgnoreCase(benchmark::State& state) {
  const std::string& doc = Document();
  for (auto _ : state) {
    std::string out = ReplaceAll(doc, "<W:T>", "<t>", true);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * doc.size()));
}
BENCHMARK(BM_ReplaceAllIgnoreCase)->Unit(benchmark::kMillisecond);

void BM_RegexReplaceTemplate(benchmark::State& state) {
  const std::string doc = ReplaceAll(Document(), "w:", "");
  for (auto _ : state) {
    std::string text = doc;
    RegexReplace(text, "<r[^>]*><rPr>.+?</rPr>(.+?)</r>", "<span>$1</span>");
    benchmark::DoNotOptimize(text.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * doc.size()));
}
BENCHMARK(BM_RegexReplaceTemplate)->Unit(benchmark::kMillisecond);

void BM_RegexScanWithReplace(benchmark::State& state) {
  const std::string doc = ReplaceAll(Document(), "w:", "");
  for (auto _ : state) {
    TVelRegEx& re = SharedRegex();
    re.SetSubject(doc);
    re.SetPattern("<jc val=\"(\\w+)\"/>");
    while (re.MatchAgain()) re.ReplaceInPlace("<al \\U1/>");
    benchmark::DoNotOptimize(re.Subject().data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * doc.size()));
}
BENCHMARK(BM_RegexScanWithReplace)->Unit(benchmark::kMillisecond);

void BM_SpliceBuild(benchmark::State& state) {
  const std::string& doc = Document();
  for (auto _ : state) {
    SpliceBuilder builder(doc);
    for (int p = PosFrom(doc, "<w:rPr>", 1); p != 0;) {
      int end = PosFrom(doc, "</w:rPr>", p);
      if (end == 0) break;
      builder.CopyUpTo(p);
      builder.Append("<w:rPr/>");
      builder.SkipTo(end + 8);
      p = PosFrom(doc, "<w:rPr>", end + 8);
    }
    std::string out = builder.Finish();
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * doc.size()));
}
BENCHMARK(BM_SpliceBuild)->Unit(benchmark::kMillisecond);

void BM_MergeAdjacentElements(benchmark::State& state) {
  std::string doc;
  while (doc.size() < 5 * 1024 * 1024) {
    doc += "<span style=\"color:red\">word</span>\r\n<span style=\"color:red\">next</span><br>";
  }
  for (auto _ : state) {
    std::string out = MergeAdjacentElements(doc, "span");
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * doc.size()));
}
BENCHMARK(BM_MergeAdjacentElements)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace quillon

BENCHMARK_MAIN();
