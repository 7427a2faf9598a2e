// The native engine's speed: a one-page page to a .doc through the whole
// automation sequence, and the engine's part (parse, build, write) on a page
// of about 2000 printed pages, reported in bytes of page per second.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "wordsave/automation.h"
#include "wordsave/native/doc_writer.h"
#include "wordsave/native/html_reader.h"
#include "wordsave/native/native_engine.h"

namespace quillon {
namespace {

namespace fs = std::filesystem;

const char kHead[] =
    "<html>\r\n<head><title>Bench</title>\r\n<meta http-equiv=\"Content-Type\" "
    "content=\"text/html; "
    "charset=UTF-8\"/>\r\n<style>\r\np{margin-top:0px;margin-bottom:0px;font-family:'Times New "
    "Roman'}\r\n"
    "ol,ul{margin-top:0px;margin-bottom:0px;margin-left:1em}\r\ntable{border-collapse:collapse;}"
    "\r\n"
    "td{padding:1 2;border-color:gray;}\r\n.tab{margin-left:3em}</style></head>";

// One printed page or so of typical converted content.
std::string PageChunk(int n) {
  std::string s;
  s += "\r\n<p style=\"font-size:19px;margin-top:16px;font-weight:bold;\">Section " +
       std::to_string(n) + "</p>";
  for (int i = 0; i < 8; ++i) {
    s += "\r\n<p style=\"text-align:justify;line-height:16px;\"><span style=\"font:normal 16px "
         "'Arial';\">"
         "The quarterly figures show steady growth across all regions, with the northern office "
         "reporting</span> <b>record</b> <i>results</i> and the <a "
         "href=\"http://example.com/r\">full "
         "report</a> <b class=tab></b>available online.</span></p>";
  }
  s += "\r\n<table width=600px border=1><col width=200><col width=400>";
  for (int r = 0; r < 3; ++r) {
    s += "\r\n<tr><td style=\"width:200px;\">\r\n<p>Row " + std::to_string(r) +
         "</p></td>\r\n<td style=\"width:400px;background-color:#EEEEEE;\">\r\n<p>Value "
         "text</p></td></tr>";
  }
  s += "</table>\r\n<ol><li><p>First point</p></li><li><p>Second "
       "point</p></li><ul><li><p>Detail</p></li></ul></ol>";
  return s;
}

std::string MakePage(int pages) {
  std::string page = kHead;
  page += "<body>";
  for (int i = 0; i < pages; ++i) page += PageChunk(i);
  page += "</body></html>";
  return page;
}

fs::path WritePackage(const std::string& name, const std::string& page) {
  fs::path dir = fs::temp_directory_path() / ("quillon_native_bench_" + name);
  fs::create_directories(dir / "word");
  std::ofstream(dir / "word" / "doc.htm", std::ios::binary) << page;
  return dir;
}

// The whole saving sequence on a one-page page, through files.
void BM_NativeOnePageDocument(benchmark::State& state) {
  fs::path dir = WritePackage("one", MakePage(1));
  std::string page_path = (dir / "word" / "doc.htm").string();
  std::string target = (dir / "out.doc").string();
  AutoObjectPtr app = CreateNativeEngine(EngineOptions{});
  for (auto _ : state) {
    CallMember(GetObject(app, "Documents"), "add");
    CallMember(GetObject(app, "Documents"), "Open", {page_path, false, true});
    AutoObjectPtr doc = CallMember(GetObject(app, "Documents"), "Item", {1}).AsObject();
    GetObject(doc, "PageSetup")->Set("pageWidth", 612);
    CallMember(doc, "SaveAs", {target, 0});
    CallMember(doc, "Close");
  }
  fs::remove_all(dir);
}
BENCHMARK(BM_NativeOnePageDocument)->Unit(benchmark::kMillisecond)->UseRealTime();

// Parse, build and write in memory; throughput in page bytes.
void BM_NativeLargePage(benchmark::State& state) {
  std::string page = MakePage(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    native::HtmlPage parsed(page, "/nonexistent/pkg/word/doc.htm");
    native::DocModel model;
    parsed.Build(model);
    std::string file = native::BuildDocFile(model);
    benchmark::DoNotOptimize(file.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(page.size()));
  state.counters["page_MB"] = static_cast<double>(page.size()) / 1e6;
}
BENCHMARK(BM_NativeLargePage)
    ->Arg(1)
    ->Arg(2000)
    ->Arg(7500)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
}  // namespace quillon

BENCHMARK_MAIN();
