// Writes a compound file (structured storage, version 3, 512-byte sectors)
// holding a flat set of streams under the root storage. Streams shorter than
// the mini-stream cutoff (4096 bytes) are zero-padded up to it, so every
// stream lives in regular sectors; callers only store streams whose readers
// locate data by offsets (trailing zeros are harmless to them).
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace quillon::native {

struct CfbStream {
  std::string name;  // ASCII, at most 31 characters
  std::string data;
};

// Returns the complete file image.
std::string WriteCompoundFile(std::vector<CfbStream> streams);

}  // namespace quillon::native
