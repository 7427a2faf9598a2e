// Little-endian byte writing for the binary document format: a growing byte
// string with typed appends and in-place patches. Offsets are byte offsets
// from the start of the buffer; patching past the end is a programming error.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quillon::native {

class Bytes {
 public:
  void U8(uint32_t v) { data_.push_back(static_cast<char>(v & 0xFF)); }
  void U16(uint32_t v) {
    U8(v);
    U8(v >> 8);
  }
  void U32(uint32_t v) {
    U16(v & 0xFFFF);
    U16(v >> 16);
  }
  void Raw(std::string_view s) { data_.append(s.data(), s.size()); }
  void Zeros(size_t n) { data_.append(n, '\0'); }
  void PadTo(size_t multiple) {
    if (data_.size() % multiple) Zeros(multiple - data_.size() % multiple);
  }
  void PutU16(size_t at, uint32_t v) {
    data_[at] = static_cast<char>(v & 0xFF);
    data_[at + 1] = static_cast<char>((v >> 8) & 0xFF);
  }
  void PutU32(size_t at, uint32_t v) {
    PutU16(at, v & 0xFFFF);
    PutU16(at + 2, v >> 16);
  }
  size_t size() const { return data_.size(); }
  const std::string& str() const { return data_; }
  std::string& str() { return data_; }

 private:
  std::string data_;
};

}  // namespace quillon::native
