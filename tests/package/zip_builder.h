// Builds ZIP archives byte by byte for the tests, including deliberately
// damaged ones (wrong CRCs, shared local header offsets, odd extra fields,
// missing end records).
#pragma once

#include <zlib.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "package/crc32.h"

// Tests describe entries with designated initializers and leave the other
// fields at their defaults on purpose.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace quillon::testing_zip {

inline void Put16(std::string& s, uint32_t v) {
  s += static_cast<char>(v & 0xFF);
  s += static_cast<char>((v >> 8) & 0xFF);
}
inline void Put32(std::string& s, uint32_t v) {
  Put16(s, v & 0xFFFF);
  Put16(s, v >> 16);
}
inline void Put64(std::string& s, uint64_t v) {
  Put32(s, static_cast<uint32_t>(v));
  Put32(s, static_cast<uint32_t>(v >> 32));
}

inline std::string RawDeflate(const std::string& data) {
  z_stream zs{};
  deflateInit2(&zs, 9, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
  std::string out(deflateBound(&zs, data.size()) + 16, '\0');
  zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  zs.avail_in = static_cast<uInt>(data.size());
  zs.next_out = reinterpret_cast<Bytef*>(out.data());
  zs.avail_out = static_cast<uInt>(out.size());
  deflate(&zs, Z_FINISH);
  out.resize(zs.total_out);
  deflateEnd(&zs);
  return out;
}

// 2025-01-01 12:00:00 as an MS-DOS date-time.
constexpr uint32_t kDosTime = (((2025u - 1980u) << 9 | 1u << 5 | 1u) << 16) | (12u << 11);

struct TestEntry {
  std::string name;
  std::string data;     // uncompressed contents
  uint16_t method = 0;  // 0 and 8 are encoded; others store |data| as is
  uint16_t flags = 0;
  uint16_t made_by = 20;  // host system 0 (MS-DOS)
  uint32_t external = 0x20;
  uint32_t dos_time = kDosTime;
  std::optional<uint32_t> crc;                   // declared CRC-32 instead of the real one
  std::optional<uint32_t> declared_size;         // declared uncompressed size
  std::optional<uint32_t> central_offset;        // local header offset named centrally
  std::optional<uint16_t> central_extra_length;  // length field without the bytes
  std::string central_extra;
  std::string local_extra;
  std::optional<std::string> raw_payload;  // compressed bytes instead of encoding
};

struct ZipOptions {
  std::string comment;
  std::vector<int> central_order;  // order of central headers; empty = as given
  bool end_record = true;
  bool zip64_end = false;  // saturate the end record, add Zip64 records
};

struct BuiltZip {
  std::string bytes;
  std::vector<uint32_t> local_offsets;
  uint32_t central_offset = 0;
  std::string central;  // the central directory alone
};

inline BuiltZip BuildZip(const std::vector<TestEntry>& entries, const ZipOptions& options = {}) {
  BuiltZip out;
  std::vector<std::string> headers;
  for (const TestEntry& e : entries) {
    std::string payload = e.raw_payload   ? *e.raw_payload
                          : e.method == 8 ? RawDeflate(e.data)
                                          : e.data;
    uint32_t crc = e.crc ? *e.crc : Crc32Of(e.data.data(), e.data.size());
    uint32_t usize = e.declared_size ? *e.declared_size : static_cast<uint32_t>(e.data.size());
    uint32_t offset = static_cast<uint32_t>(out.bytes.size());
    out.local_offsets.push_back(offset);
    std::string& z = out.bytes;
    Put32(z, 0x04034B50);
    Put16(z, 20), Put16(z, e.flags), Put16(z, e.method), Put32(z, e.dos_time);
    Put32(z, crc), Put32(z, static_cast<uint32_t>(payload.size())), Put32(z, usize);
    Put16(z, static_cast<uint32_t>(e.name.size())),
        Put16(z, static_cast<uint32_t>(e.local_extra.size()));
    z += e.name;
    z += e.local_extra;
    z += payload;
    std::string c;
    Put32(c, 0x02014B50);
    Put16(c, e.made_by), Put16(c, 20), Put16(c, e.flags), Put16(c, e.method);
    Put32(c, e.dos_time), Put32(c, crc), Put32(c, static_cast<uint32_t>(payload.size()));
    Put32(c, usize);
    Put16(c, static_cast<uint32_t>(e.name.size()));
    Put16(c, e.central_extra_length ? *e.central_extra_length
                                    : static_cast<uint32_t>(e.central_extra.size()));
    Put16(c, 0), Put16(c, 0), Put16(c, 0), Put32(c, e.external);
    Put32(c, e.central_offset ? *e.central_offset : offset);
    c += e.name;
    c += e.central_extra;
    headers.push_back(c);
  }
  out.central_offset = static_cast<uint32_t>(out.bytes.size());
  if (options.central_order.empty()) {
    for (const std::string& h : headers) out.central += h;
  } else {
    for (int i : options.central_order) out.central += headers[static_cast<size_t>(i)];
  }
  out.bytes += out.central;
  if (!options.end_record) return out;
  const uint32_t count = static_cast<uint32_t>(headers.size());
  if (options.zip64_end) {
    uint64_t zip64_at = out.bytes.size();
    std::string& z = out.bytes;
    Put32(z, 0x06064B50), Put64(z, 44), Put16(z, 45), Put16(z, 45), Put32(z, 0), Put32(z, 0);
    Put64(z, count), Put64(z, count), Put64(z, out.central.size()), Put64(z, out.central_offset);
    Put32(z, 0x07064B50), Put32(z, 0), Put64(z, zip64_at), Put32(z, 1);
  }
  std::string& z = out.bytes;
  Put32(z, 0x06054B50);
  Put16(z, 0), Put16(z, 0);
  Put16(z, options.zip64_end ? 0xFFFF : count), Put16(z, options.zip64_end ? 0xFFFF : count);
  Put32(z, static_cast<uint32_t>(out.central.size()));
  Put32(z, options.zip64_end ? 0xFFFFFFFF : out.central_offset);
  Put16(z, static_cast<uint32_t>(options.comment.size()));
  z += options.comment;
  return out;
}

}  // namespace quillon::testing_zip
