// Extraction speed of the ZIP component against Info-ZIP's `unzip` on the
// same 50 MB deflated archive, measured in one run. Run by hand:
//   build/bench/unzip_bench --benchmark_min_time=2
#include <benchmark/benchmark.h>
#include <unistd.h>
#include <zlib.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "package/crc32.h"
#include "package/unzip.h"
#include "platform/files.h"

namespace {

namespace fs = std::filesystem;

void Put16(std::string& s, uint32_t v) {
  s += static_cast<char>(v & 0xFF);
  s += static_cast<char>((v >> 8) & 0xFF);
}
void Put32(std::string& s, uint32_t v) {
  Put16(s, v & 0xFFFF);
  Put16(s, v >> 16);
}

std::string RawDeflate(const std::string& data) {
  z_stream zs{};
  deflateInit2(&zs, 6, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
  std::string out(deflateBound(&zs, data.size()), '\0');
  zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  zs.avail_in = static_cast<uInt>(data.size());
  zs.next_out = reinterpret_cast<Bytef*>(out.data());
  zs.avail_out = static_cast<uInt>(out.size());
  deflate(&zs, Z_FINISH);
  out.resize(zs.total_out);
  deflateEnd(&zs);
  return out;
}

// Text-like data: words drawn from a small vocabulary with random numbers
// mixed in, which deflates to roughly a third of its size.
std::string MakeText(size_t size, uint32_t seed) {
  static const char* kWords[] = {"the",   "paragraph", "style",  "table", "numbering", "run",
                                 "w:val", "<w:p>",     "</w:r>", "list",  "document",  "font"};
  std::mt19937 rng(seed);
  std::string s;
  s.reserve(size + 32);
  while (s.size() < size) {
    uint32_t r = rng();
    if (r % 5 == 0) {
      s += std::to_string(rng() % 100000);
    } else {
      s += kWords[r % 12];
    }
    s += (r % 17 == 0) ? '\n' : ' ';
  }
  s.resize(size);
  return s;
}

// Archive and outputs live in memory (/dev/shm) when it exists, so the disk
// does not drown the difference; QUILLON_BENCH_DIR overrides.
std::string BenchDir() {
  const char* env = std::getenv("QUILLON_BENCH_DIR");
  if (env != nullptr && env[0] != '\0') return env;
  return fs::is_directory("/dev/shm") ? "/dev/shm/quillon_unzip_bench" : "/tmp/quillon_unzip_bench";
}

// Builds the archive once: 24 deflated entries, about 50 MB in all.
const std::string& ArchivePath() {
  static const std::string path = [] {
    std::string dir = BenchDir();
    fs::create_directories(dir);
    std::string file = dir + "/bench.zip";
    std::string zip;
    std::string central;
    int entries = 0;
    for (int i = 0; zip.size() < 50u * 1000 * 1000; ++i) {
      std::string name = "word/part" + std::to_string(i) + ".xml";
      std::string data = MakeText(8u * 1000 * 1000, static_cast<uint32_t>(i + 1));
      std::string packed = RawDeflate(data);
      uint32_t crc = quillon::Crc32Of(data.data(), data.size());
      uint32_t offset = static_cast<uint32_t>(zip.size());
      Put32(zip, 0x04034B50);
      Put16(zip, 20), Put16(zip, 0), Put16(zip, 8), Put32(zip, 0x5A210000);
      Put32(zip, crc), Put32(zip, static_cast<uint32_t>(packed.size()));
      Put32(zip, static_cast<uint32_t>(data.size()));
      Put16(zip, static_cast<uint32_t>(name.size())), Put16(zip, 0);
      zip += name;
      zip += packed;
      Put32(central, 0x02014B50);
      Put16(central, 20), Put16(central, 20), Put16(central, 0), Put16(central, 8);
      Put32(central, 0x5A210000), Put32(central, crc);
      Put32(central, static_cast<uint32_t>(packed.size()));
      Put32(central, static_cast<uint32_t>(data.size()));
      Put16(central, static_cast<uint32_t>(name.size()));
      Put16(central, 0), Put16(central, 0), Put16(central, 0), Put16(central, 0);
      Put32(central, 0x20), Put32(central, offset);
      central += name;
      ++entries;
    }
    uint32_t central_offset = static_cast<uint32_t>(zip.size());
    zip += central;
    Put32(zip, 0x06054B50);
    Put16(zip, 0), Put16(zip, 0), Put16(zip, entries), Put16(zip, entries);
    Put32(zip, static_cast<uint32_t>(central.size())), Put32(zip, central_offset);
    Put16(zip, 0);
    quillon::platform::WriteWholeFile(file, zip);
    return file;
  }();
  return path;
}

void BM_QuillonExtract(benchmark::State& state) {
  const std::string& archive = ArchivePath();
  const std::string dest = BenchDir() + "/out_quillon";
  for (auto _ : state) {
    quillon::TUnZip zip;
    zip.SetOverwriteMode(quillon::TUZOverwriteMode::Always);
    zip.SetZipName(archive);
    zip.ReadDirectory();
    zip.SetDestDir(dest);
    int n = zip.ExtractEntries();
    if (n <= 0) state.SkipWithError("nothing extracted");
  }
  state.SetBytesProcessed(state.iterations() * quillon::platform::FileSize(archive));
}
BENCHMARK(BM_QuillonExtract)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_InfoZipExtract(benchmark::State& state) {
  const std::string& archive = ArchivePath();
  const std::string command = "unzip -qqo " + archive + " -d " + BenchDir() + "/out_infozip";
  for (auto _ : state) {
    if (std::system(command.c_str()) != 0) state.SkipWithError("unzip failed");
  }
  state.SetBytesProcessed(state.iterations() * quillon::platform::FileSize(archive));
}
BENCHMARK(BM_InfoZipExtract)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
