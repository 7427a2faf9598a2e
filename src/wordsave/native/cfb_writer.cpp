#include "wordsave/native/cfb_writer.h"

#include <algorithm>
#include <cstdint>

#include "wordsave/native/bytes.h"

namespace quillon::native {
namespace {

constexpr uint32_t kSector = 512;
constexpr uint32_t kFree = 0xFFFFFFFF;
constexpr uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr uint32_t kFatSect = 0xFFFFFFFD;
constexpr uint32_t kDifSect = 0xFFFFFFFC;
constexpr uint32_t kNoStream = 0xFFFFFFFF;
constexpr uint32_t kMiniCutoff = 4096;

uint32_t SectorsFor(size_t bytes) { return static_cast<uint32_t>((bytes + kSector - 1) / kSector); }

// Directory names sort by length first, then by upper-cased characters.
bool NameLess(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return a.size() < b.size();
  for (size_t i = 0; i < a.size(); ++i) {
    char x = static_cast<char>(std::toupper(static_cast<unsigned char>(a[i])));
    char y = static_cast<char>(std::toupper(static_cast<unsigned char>(b[i])));
    if (x != y) return x < y;
  }
  return false;
}

void DirEntry(Bytes& out, const std::string& name, uint8_t type, uint32_t left, uint32_t right,
              uint32_t child, uint32_t start, uint64_t size) {
  size_t at = out.size();
  for (char c : name) out.U16(static_cast<unsigned char>(c));
  out.Zeros(64 - 2 * name.size());
  out.U16(name.empty() ? 0 : static_cast<uint32_t>(2 * (name.size() + 1)));
  out.U8(type);
  out.U8(1);  // black: every node black keeps the tree balanced as built below
  out.U32(left);
  out.U32(right);
  out.U32(child);
  out.Zeros(16 + 4 + 8 + 8);  // CLSID, state bits, creation and modification times
  out.U32(start);
  out.U32(static_cast<uint32_t>(size));
  out.U32(static_cast<uint32_t>(size >> 32));
  (void)at;
}

// Builds a perfectly balanced binary search tree over sorted entries
// [lo, hi), returning the root index (entry ids are offset by 1 for the root).
uint32_t BuildTree(std::vector<uint32_t>& left, std::vector<uint32_t>& right, int lo, int hi) {
  if (lo >= hi) return kNoStream;
  int mid = (lo + hi) / 2;
  left[mid] = BuildTree(left, right, lo, mid);
  right[mid] = BuildTree(left, right, mid + 1, hi);
  return static_cast<uint32_t>(mid + 1);
}

}  // namespace

std::string WriteCompoundFile(std::vector<CfbStream> streams) {
  std::sort(streams.begin(), streams.end(),
            [](const CfbStream& a, const CfbStream& b) { return NameLess(a.name, b.name); });
  for (auto& s : streams) {
    if (s.data.size() < kMiniCutoff) s.data.resize(kMiniCutoff, '\0');
  }
  // Sector plan: stream data, then the directory, then FAT, then DIFAT.
  std::vector<uint32_t> starts;
  uint32_t next = 0;
  for (const auto& s : streams) {
    starts.push_back(next);
    next += SectorsFor(s.data.size());
  }
  uint32_t entries = static_cast<uint32_t>(streams.size() + 1);
  uint32_t dir_start = next;
  uint32_t dir_sectors = (entries * 128 + kSector - 1) / kSector;
  next += dir_sectors;
  // FAT and DIFAT sectors also need FAT entries: iterate to a fixed point.
  uint32_t fat_sectors = 0, difat_sectors = 0;
  for (;;) {
    uint32_t total = next + fat_sectors + difat_sectors;
    uint32_t need_fat = (total + 127) / 128;
    uint32_t need_difat = need_fat > 109 ? (need_fat - 109 + 126) / 127 : 0;
    if (need_fat == fat_sectors && need_difat == difat_sectors) break;
    fat_sectors = need_fat;
    difat_sectors = need_difat;
  }
  uint32_t fat_start = next;
  uint32_t difat_start = fat_start + fat_sectors;
  uint32_t total_sectors = difat_start + difat_sectors;

  std::vector<uint32_t> fat(static_cast<size_t>(fat_sectors) * 128, kFree);
  auto chain = [&](uint32_t start, uint32_t count) {
    for (uint32_t i = 0; i < count; ++i)
      fat[start + i] = (i + 1 == count) ? kEndOfChain : start + i + 1;
  };
  for (size_t i = 0; i < streams.size(); ++i) chain(starts[i], SectorsFor(streams[i].data.size()));
  chain(dir_start, dir_sectors);
  for (uint32_t i = 0; i < fat_sectors; ++i) fat[fat_start + i] = kFatSect;
  for (uint32_t i = 0; i < difat_sectors; ++i) fat[difat_start + i] = kDifSect;

  Bytes out;
  out.str().reserve(static_cast<size_t>(total_sectors + 1) * kSector);
  // Header.
  out.Raw(std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8));
  out.Zeros(16);
  out.U16(0x003E);
  out.U16(0x0003);
  out.U16(0xFFFE);
  out.U16(9);
  out.U16(6);
  out.Zeros(6);
  out.U32(0);  // directory sectors (always 0 in version 3)
  out.U32(fat_sectors);
  out.U32(dir_start);
  out.U32(0);
  out.U32(kMiniCutoff);
  out.U32(kEndOfChain);  // no mini FAT
  out.U32(0);
  out.U32(difat_sectors ? difat_start : kEndOfChain);
  out.U32(difat_sectors);
  for (uint32_t i = 0; i < 109; ++i) out.U32(i < fat_sectors ? fat_start + i : kFree);

  for (size_t i = 0; i < streams.size(); ++i) {
    out.Raw(streams[i].data);
    out.PadTo(kSector);
  }
  // Directory: root, then the streams in sorted order as a balanced tree.
  std::vector<uint32_t> left(streams.size(), kNoStream), right(streams.size(), kNoStream);
  uint32_t root_child = BuildTree(left, right, 0, static_cast<int>(streams.size()));
  DirEntry(out, "Root Entry", 5, kNoStream, kNoStream, root_child, kEndOfChain, 0);
  for (size_t i = 0; i < streams.size(); ++i) {
    DirEntry(out, streams[i].name, 2, left[i], right[i], kNoStream, starts[i],
             streams[i].data.size());
  }
  while (out.size() % kSector) {
    DirEntry(out, "", 0, kNoStream, kNoStream, kNoStream, 0, 0);
  }
  for (uint32_t v : fat) out.U32(v);
  // DIFAT sectors: 127 FAT sector numbers each, then the next DIFAT sector.
  uint32_t listed = 109;
  for (uint32_t d = 0; d < difat_sectors; ++d) {
    for (uint32_t k = 0; k < 127; ++k, ++listed)
      out.U32(listed < fat_sectors ? fat_start + listed : kFree);
    out.U32(d + 1 < difat_sectors ? difat_start + d + 1 : kEndOfChain);
  }
  return out.str();
}

}  // namespace quillon::native
