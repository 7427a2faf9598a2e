#include "package/legacy_decoders.h"

#include <algorithm>
#include <array>
#include <memory>
#include <vector>

namespace quillon {
namespace {

// Reads bits least significant first. Past the end of the input it supplies
// zero bits and remembers that it ran dry.
class BitReader {
 public:
  explicit BitReader(TDecoderInput& in) : in_(in) {}

  // Makes at least |n| (<= 32) bits available, padding with zeros at the end.
  void Fill(int n) {
    while (count_ < n) {
      int b = in_.NextByte();
      if (b < 0) {
        b = 0;
        pad_ += 8;
      }
      bits_ |= static_cast<uint64_t>(b) << count_;
      count_ += 8;
    }
  }
  uint32_t Peek(int n) {
    Fill(n);
    return static_cast<uint32_t>(bits_ & ((uint64_t{1} << n) - 1));
  }
  void Drop(int n) {
    int real = count_ - pad_;
    if (n > real) {
      overrun_ = true;
      pad_ -= n - real;
    }
    bits_ >>= n;
    count_ -= n;
  }
  uint32_t Get(int n) {
    uint32_t v = Peek(n);
    Drop(n);
    return v;
  }
  // True once a bit beyond the end of the input has been consumed.
  bool Overrun() const { return overrun_; }
  // True when fewer than |n| real bits remain.
  bool Short(int n) {
    Fill(n);
    return count_ - pad_ < n;
  }

 private:
  TDecoderInput& in_;
  uint64_t bits_ = 0;
  int count_ = 0;  // bits held, padding included
  int pad_ = 0;    // zero bits added past the end of the input
  bool overrun_ = false;
};

// The output buffer, which is also the sliding window: it is written out
// whenever it holds kChunkSize bytes, and back-references reach into it.
class Window {
 public:
  Window(TDecoderOutput& out, uint64_t limit) : out_(out), limit_(limit), buf_(kChunkSize) {}

  bool Done() const { return total_ >= limit_; }
  void Put(unsigned char b) {
    buf_[fill_++] = b;
    ++total_;
    if (fill_ == kChunkSize) Flush();
  }
  // Copies |length| bytes from |distance| back; before the start of the
  // output the data counts as zeros.
  void Copy(uint64_t distance, uint32_t length) {
    for (uint32_t i = 0; i < length && !Done(); ++i) {
      unsigned char b = 0;
      if (distance <= total_) b = buf_[(fill_ + kChunkSize - distance) & (kChunkSize - 1)];
      Put(b);
    }
  }
  void Flush() {
    if (fill_ > 0) out_.Write(buf_.data(), fill_);
    fill_ = 0;
  }

 private:
  TDecoderOutput& out_;
  uint64_t limit_;
  uint64_t total_ = 0;
  size_t fill_ = 0;
  std::vector<unsigned char> buf_;
};

// ---------------------------------------------------------------- shrink

constexpr int kShrinkCodes = 8192;
constexpr int kShrinkFirstFree = 257;

}  // namespace

void Unshrink(TDecoderInput& in, TDecoderOutput& out) {
  BitReader bits(in);
  Window window(out, UINT64_MAX);
  std::vector<int16_t> prefix(kShrinkCodes, -1);
  std::vector<unsigned char> suffix(kShrinkCodes, 0);
  std::vector<bool> free_code(kShrinkCodes, true);
  std::vector<unsigned char> stack(kShrinkCodes + 1);
  int code_size = 9;
  int next_free = kShrinkFirstFree;
  int prev = -1;

  // Writes the string of |code| into |stack| (last byte first); returns its
  // length, or 0 when the chain is broken.
  auto expand = [&](int code) -> int {
    int n = 0;
    while (code >= 256) {
      if (n >= kShrinkCodes || prefix[code] < 0) return 0;
      stack[n++] = suffix[code];
      code = prefix[code];
    }
    stack[n++] = static_cast<unsigned char>(code);
    return n;
  };

  for (;;) {
    if (bits.Short(code_size)) break;
    int code = static_cast<int>(bits.Get(code_size));
    if (code == 256) {
      if (bits.Short(code_size)) break;
      int op = static_cast<int>(bits.Get(code_size));
      if (op == 1) {
        if (code_size < 13) ++code_size;
      } else if (op == 2) {
        // Partial clear: free every code no other code builds on.
        std::vector<bool> is_prefix(kShrinkCodes, false);
        for (int c = kShrinkFirstFree; c < kShrinkCodes; ++c) {
          if (!free_code[c] && prefix[c] >= 0) is_prefix[prefix[c]] = true;
        }
        for (int c = kShrinkFirstFree; c < kShrinkCodes; ++c) {
          if (!is_prefix[c]) free_code[c] = true;
        }
        next_free = kShrinkFirstFree;
        while (next_free < kShrinkCodes && !free_code[next_free]) ++next_free;
      } else {
        break;  // no such control code
      }
      continue;
    }
    if (prev < 0) {
      if (code >= 256) break;  // the first code must be a literal
      window.Put(static_cast<unsigned char>(code));
      prev = code;
      continue;
    }
    int n = 0;
    unsigned char first = 0;
    bool known = code < 256 || !free_code[code];
    if (known) {
      n = expand(code);
      if (n == 0) break;
      first = stack[n - 1];
    } else {
      if (code != next_free) break;  // only the code about to be defined may be unknown
      n = expand(prev);
      if (n == 0) break;
      first = stack[n - 1];
    }
    // Define the next free code as the previous string plus this first byte.
    if (next_free < kShrinkCodes) {
      prefix[next_free] = static_cast<int16_t>(prev);
      suffix[next_free] = first;
      free_code[next_free] = false;
      while (next_free < kShrinkCodes && !free_code[next_free]) ++next_free;
    }
    if (!known) {
      n = expand(code);
      if (n == 0) break;
    }
    for (int i = n - 1; i >= 0; --i) window.Put(stack[i]);
    prev = code;
  }
  window.Flush();
}

// ---------------------------------------------------------------- reduce

void Unreduce(TDecoderInput& in, TDecoderOutput& out, uint64_t size, int factor) {
  BitReader bits(in);
  Window window(out, size);
  std::array<std::array<unsigned char, 64>, 256> follower{};
  std::array<int, 256> count{};
  for (int j = 255; j >= 0; --j) {
    count[j] = static_cast<int>(bits.Get(6));
    if (count[j] > 32) return;  // a follower set holds at most 32 bytes
    for (int k = 0; k < count[j]; ++k) follower[j][k] = static_cast<unsigned char>(bits.Get(8));
  }
  auto width = [](int n) {  // bits needed for the value n - 1, at least 1
    int w = 1;
    while ((1 << w) < n) ++w;
    return w;
  };
  const int length_bits = 8 - factor;
  const uint32_t length_mask = (1u << length_bits) - 1;
  int last = 0;
  int state = 0;
  uint32_t v = 0;
  uint32_t len = 0;
  while (!window.Done()) {
    int c;
    if (count[last] == 0) {
      c = static_cast<int>(bits.Get(8));
    } else if (bits.Get(1) != 0) {
      c = static_cast<int>(bits.Get(8));
    } else {
      uint32_t i = bits.Get(width(count[last]));
      if (static_cast<int>(i) >= count[last]) break;
      c = follower[last][i];
    }
    if (bits.Overrun()) break;
    last = c;
    switch (state) {
      case 0:
        if (c != 0x90) {
          window.Put(static_cast<unsigned char>(c));
        } else {
          state = 1;
        }
        break;
      case 1:
        if (c != 0) {
          v = static_cast<uint32_t>(c);
          len = v & length_mask;
          state = len == length_mask ? 2 : 3;
        } else {
          window.Put(0x90);
          state = 0;
        }
        break;
      case 2:
        len += static_cast<uint32_t>(c);
        state = 3;
        break;
      default: {
        uint64_t distance = (static_cast<uint64_t>(v >> length_bits) << 8) + c + 1;
        window.Copy(distance, len + 3);
        state = 0;
        break;
      }
    }
  }
  window.Flush();
}

// ---------------------------------------------------------------- implode

namespace {

// A Shannon-Fano code as a 16-bit lookup table indexed by the next 16 stream
// bits; each entry holds symbol | length << 9, or kNoCode.
class ShannonFano {
 public:
  static constexpr uint16_t kNoCode = 0xFFFF;

  // Reads the stored code lengths of |n| symbols. False on a malformed tree.
  bool Read(BitReader& bits, int n) {
    std::vector<int> lengths;
    int bytes = static_cast<int>(bits.Get(8)) + 1;
    for (int i = 0; i < bytes; ++i) {
      uint32_t b = bits.Get(8);
      int repeat = static_cast<int>(b >> 4) + 1;
      int length = static_cast<int>(b & 0x0F) + 1;
      for (int k = 0; k < repeat; ++k) lengths.push_back(length);
    }
    if (bits.Overrun() || static_cast<int>(lengths.size()) != n) return false;
    return Build(lengths);
  }

  // Decodes one symbol; -1 on a code that does not exist.
  int Decode(BitReader& bits) const {
    uint16_t e = table_[bits.Peek(16)];
    if (e == kNoCode) return -1;
    bits.Drop(e >> 9);
    return e & 0x1FF;
  }

 private:
  bool Build(const std::vector<int>& lengths) {
    const int n = static_cast<int>(lengths.size());
    uint64_t kraft = 0;
    for (int len : lengths) kraft += uint64_t{1} << (16 - len);
    if (kraft > 65536) return false;  // over-subscribed: not a prefix code
    // Sort by length, keeping the stored order among equal lengths, and
    // give out codes from the longest down: code 0 goes to the last one.
    std::vector<int> order(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) order[static_cast<size_t>(i)] = i;
    std::stable_sort(order.begin(), order.end(),
                     [&](int a, int b) { return lengths[a] < lengths[b]; });
    std::vector<uint32_t> code(static_cast<size_t>(n));
    uint32_t value = 0;
    uint32_t increment = 0;
    int last_length = 0;
    for (int i = n - 1; i >= 0; --i) {
      int sym = order[static_cast<size_t>(i)];
      value = (value + increment) & 0xFFFF;
      if (lengths[sym] != last_length) {
        last_length = lengths[sym];
        increment = 1u << (16 - last_length);
      }
      code[static_cast<size_t>(sym)] = value;
    }
    table_.assign(65536, kNoCode);
    for (int sym = 0; sym < n; ++sym) {
      int len = lengths[sym];
      // The stream carries the code's bits inverted, most significant first.
      uint32_t c = code[static_cast<size_t>(sym)] >> (16 - len);
      uint32_t reversed = 0;
      for (int b = 0; b < len; ++b) reversed |= ((c >> b) & 1) << (len - 1 - b);
      for (uint32_t rest = 0; rest < (1u << (16 - len)); ++rest) {
        uint32_t index = reversed | (rest << len);
        if (table_[index] != kNoCode) return false;
        table_[index] = static_cast<uint16_t>(sym | (len << 9));
      }
    }
    return true;
  }

  std::vector<uint16_t> table_;
};

}  // namespace

void Explode(TDecoderInput& in, TDecoderOutput& out, uint64_t size, uint16_t flags) {
  BitReader bits(in);
  Window window(out, size);
  const bool large_dictionary = (flags & 2) != 0;
  const bool literal_tree = (flags & 4) != 0;
  auto literals = std::make_unique<ShannonFano>();
  auto lengths = std::make_unique<ShannonFano>();
  auto distances = std::make_unique<ShannonFano>();
  if (literal_tree && !literals->Read(bits, 256)) return;
  if (!lengths->Read(bits, 64) || !distances->Read(bits, 64)) return;
  const uint32_t min_match = literal_tree ? 3 : 2;
  const int low_bits = large_dictionary ? 7 : 6;
  while (!window.Done()) {
    if (bits.Get(1) != 0) {
      int c = literal_tree ? literals->Decode(bits) : static_cast<int>(bits.Get(8));
      if (c < 0 || bits.Overrun()) break;
      window.Put(static_cast<unsigned char>(c));
      continue;
    }
    uint32_t low = bits.Get(low_bits);
    int high = distances->Decode(bits);
    if (high < 0) break;
    int length_code = lengths->Decode(bits);
    if (length_code < 0) break;
    uint32_t length = static_cast<uint32_t>(length_code) + min_match;
    if (length_code == 63) length += bits.Get(8);
    if (bits.Overrun()) break;
    uint64_t distance = ((static_cast<uint64_t>(high) << low_bits) | low) + 1;
    window.Copy(distance, length);
  }
  window.Flush();
}

}  // namespace quillon
