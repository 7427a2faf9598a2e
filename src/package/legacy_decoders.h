// Decoders for the pre-deflate ZIP methods: shrunk (1), reduced (2 to 5) and
// imploded (6), as the PKWARE application note defines them. They read
// compressed bytes from a TDecoderInput and hand decoded data to a
// TDecoderOutput in chunks of at most 32768 bytes. Corrupt data ends decoding
// early (the caller's CRC check then fails the entry); the decoders raise
// nothing themselves, but pass on whatever the input or output raise.
#pragma once

#include <cstddef>
#include <cstdint>

namespace quillon {

class TDecoderInput {
 public:
  virtual ~TDecoderInput() = default;
  // The next compressed byte, or -1 once the compressed bytes are used up.
  int NextByte() {
    if (pos_ == len_ && !Refill()) return -1;
    return data_[pos_++];
  }

 protected:
  // Makes more bytes available in data_[0, len_) with pos_ = 0; false when
  // there are none left.
  virtual bool Refill() = 0;
  const unsigned char* data_ = nullptr;
  size_t pos_ = 0;
  size_t len_ = 0;
};

class TDecoderOutput {
 public:
  virtual ~TDecoderOutput() = default;
  virtual void Write(const unsigned char* data, size_t count) = 0;
};

// Size of the decoders' output chunks.
constexpr size_t kChunkSize = 32768;

// Method 1. Stops when the input is used up.
void Unshrink(TDecoderInput& in, TDecoderOutput& out);
// Methods 2 to 5 with compression factor 1 to 4; stops after |size| bytes.
void Unreduce(TDecoderInput& in, TDecoderOutput& out, uint64_t size, int factor);
// Method 6; |flags| is the entry's general purpose flag word (bit 1: 8K
// dictionary, bit 2: three trees). Stops after |size| bytes.
void Explode(TDecoderInput& in, TDecoderOutput& out, uint64_t size, uint16_t flags);

}  // namespace quillon
