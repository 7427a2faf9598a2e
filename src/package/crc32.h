// The ZIP CRC-32 (reflected polynomial 0xEDB88320). A running value starts at
// 0xFFFFFFFF, is updated over the data and complemented at the end.
#pragma once

#include <cstddef>
#include <cstdint>

namespace quillon {

constexpr uint32_t kCrc32Initial = 0xFFFFFFFF;

// Continues a running CRC-32 over |count| bytes (no pre- or post-complement).
uint32_t UpdateCrc32(uint32_t running, const void* data, size_t count);

// The finished CRC-32 of a buffer.
inline uint32_t Crc32Of(const void* data, size_t count) {
  return ~UpdateCrc32(kCrc32Initial, data, count);
}

}  // namespace quillon
