#include "wordsave/native/gif_to_png.h"

#include <array>
#include <cstdint>
#include <vector>

#include "wordsave/native/bytes.h"
#include "wordsave/native/doc_writer.h"

namespace quillon::native {
namespace {

class Reader {
 public:
  explicit Reader(const std::string& s) : s_(s) {}
  bool Has(size_t n) const { return pos_ + n <= s_.size(); }
  uint8_t U8() { return Has(1) ? static_cast<uint8_t>(s_[pos_++]) : (ok_ = false, 0); }
  uint16_t U16() {
    uint16_t lo = U8();
    return static_cast<uint16_t>(lo | U8() << 8);
  }
  void Skip(size_t n) {
    if (!Has(n)) ok_ = false;
    pos_ = std::min(s_.size(), pos_ + n);
  }
  // Concatenated data sub-blocks up to the zero-length terminator.
  std::string SubBlocks() {
    std::string out;
    while (ok_) {
      uint8_t n = U8();
      if (n == 0 || !Has(n)) break;
      out.append(s_, pos_, n);
      pos_ += n;
    }
    return out;
  }
  bool ok() const { return ok_; }

 private:
  const std::string& s_;
  size_t pos_ = 0;
  bool ok_ = true;
};

// Variable-width LZW as GIF uses it; returns colour indexes.
bool Lzw(const std::string& data, int min_size, size_t pixels, std::vector<uint8_t>* out) {
  if (min_size < 2 || min_size > 8) return false;
  const int clear = 1 << min_size, end = clear + 1;
  std::vector<uint16_t> prefix(4096);
  std::vector<uint8_t> suffix(4096), stack(4097);
  int size = min_size + 1, next = clear + 2, old = -1;
  uint8_t first = 0;
  uint32_t bits = 0;
  int nbits = 0;
  for (int c = 0; c < clear; ++c) suffix[static_cast<size_t>(c)] = static_cast<uint8_t>(c);
  for (unsigned char byte : data) {
    bits |= static_cast<uint32_t>(byte) << nbits;
    nbits += 8;
    while (nbits >= size) {
      int code = static_cast<int>(bits & ((1u << size) - 1));
      bits >>= size;
      nbits -= size;
      if (code == clear) {
        size = min_size + 1;
        next = clear + 2;
        old = -1;
        continue;
      }
      if (code == end) return true;
      if (old < 0) {
        if (code >= clear) return false;
        out->push_back(static_cast<uint8_t>(code));
        old = code;
        first = static_cast<uint8_t>(code);
        continue;
      }
      int in = code;
      size_t sp = 0;
      if (code >= next) {  // the code being defined right now
        if (code > next) return false;
        stack[sp++] = first;
        code = old;
      }
      while (code >= clear) {
        stack[sp++] = suffix[static_cast<size_t>(code)];
        code = prefix[static_cast<size_t>(code)];
        if (sp >= 4096) return false;
      }
      first = static_cast<uint8_t>(code);
      stack[sp++] = first;
      while (sp) out->push_back(stack[--sp]);
      if (next < 4096) {
        prefix[static_cast<size_t>(next)] = static_cast<uint16_t>(old);
        suffix[static_cast<size_t>(next)] = first;
        ++next;
        if (next == (1 << size) && size < 12) ++size;
      }
      old = in;
      if (out->size() >= pixels) return true;
    }
  }
  return !out->empty();
}

uint32_t Crc32(const std::string& s, size_t from) {
  static const std::array<uint32_t, 256> table = [] {
    std::array<uint32_t, 256> t{};
    for (uint32_t n = 0; n < 256; ++n) {
      uint32_t c = n;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[n] = c;
    }
    return t;
  }();
  uint32_t c = 0xFFFFFFFFu;
  for (size_t i = from; i < s.size(); ++i)
    c = table[(c ^ static_cast<unsigned char>(s[i])) & 0xFF] ^ (c >> 8);
  return c ^ 0xFFFFFFFFu;
}

void Chunk(std::string& png, const char* type, const std::string& data) {
  auto be32 = [&png](uint32_t v) {
    for (int s = 24; s >= 0; s -= 8) png.push_back(static_cast<char>((v >> s) & 0xFF));
  };
  be32(static_cast<uint32_t>(data.size()));
  size_t start = png.size();
  png.append(type, 4);
  png += data;
  be32(Crc32(png, start));
}

}  // namespace

bool GifToPng(const std::string& gif, std::string* png) {
  if (gif.size() < 13 || (gif.compare(0, 6, "GIF87a") != 0 && gif.compare(0, 6, "GIF89a") != 0))
    return false;
  Reader r(gif);
  r.Skip(6);
  uint16_t width = r.U16(), height = r.U16();
  uint8_t flags = r.U8();
  r.Skip(2);
  std::string palette(768, '\0');
  if (flags & 0x80) {
    size_t n = 3u << ((flags & 7) + 1);
    if (!r.Has(n)) return false;
    for (size_t i = 0; i < n; ++i) palette[i] = static_cast<char>(r.U8());
  }
  int transparent = -1;
  while (r.ok()) {
    uint8_t block = r.U8();
    if (block == 0x21) {
      uint8_t label = r.U8();
      std::string ext = r.SubBlocks();
      if (label == 0xF9 && ext.size() >= 4 && (ext[0] & 1))
        transparent = static_cast<unsigned char>(ext[3]);
      continue;
    }
    if (block != 0x2C) return false;  // the trailer before any frame, or damage
    uint16_t left = r.U16(), top = r.U16(), w = r.U16(), h = r.U16();
    uint8_t image_flags = r.U8();
    if (image_flags & 0x80) {
      size_t n = 3u << ((image_flags & 7) + 1);
      if (!r.Has(n)) return false;
      for (size_t i = 0; i < n; ++i) palette[i] = static_cast<char>(r.U8());
    }
    int min_size = r.U8();
    std::string data = r.SubBlocks();
    if (!r.ok() || w == 0 || h == 0) return false;
    if (width == 0 || height == 0) {
      width = static_cast<uint16_t>(left + w);
      height = static_cast<uint16_t>(top + h);
    }
    if (static_cast<uint64_t>(width) * height > 50'000'000) return false;
    std::vector<uint8_t> indexes;
    indexes.reserve(static_cast<size_t>(w) * h);
    if (!Lzw(data, min_size, static_cast<size_t>(w) * h, &indexes)) return false;
    indexes.resize(static_cast<size_t>(w) * h,
                   static_cast<uint8_t>(transparent < 0 ? 0 : transparent));
    // Rows of an interlaced frame arrive in four passes.
    std::vector<size_t> row_of(h);
    if (image_flags & 0x40) {
      size_t k = 0;
      for (int pass = 0; pass < 4; ++pass) {
        static const int kStart[] = {0, 4, 2, 1}, kStep[] = {8, 8, 4, 2};
        for (int y = kStart[pass]; y < h; y += kStep[pass]) row_of[k++] = static_cast<size_t>(y);
      }
    } else {
      for (size_t y = 0; y < h; ++y) row_of[y] = y;
    }
    // RGBA canvas; pixels outside the frame are transparent.
    std::string raw;
    raw.reserve(static_cast<size_t>(height) * (1 + 4u * width));
    std::vector<uint8_t> canvas(static_cast<size_t>(width) * height * 4, 0);
    for (size_t i = 0; i < h; ++i) {
      size_t y = row_of[i] + top;
      if (y >= height) continue;
      for (size_t x = 0; x < w && x + left < width; ++x) {
        uint8_t c = indexes[i * w + x];
        uint8_t* p = &canvas[(y * width + x + left) * 4];
        p[0] = static_cast<uint8_t>(palette[3u * c]);
        p[1] = static_cast<uint8_t>(palette[3u * c + 1]);
        p[2] = static_cast<uint8_t>(palette[3u * c + 2]);
        p[3] = c == transparent ? 0 : 255;
      }
    }
    for (size_t y = 0; y < height; ++y) {
      raw.push_back('\0');
      raw.append(reinterpret_cast<const char*>(&canvas[y * width * 4]),
                 static_cast<size_t>(width) * 4);
    }
    Bytes ihdr;
    for (uint32_t v : {static_cast<uint32_t>(width), static_cast<uint32_t>(height)}) {
      ihdr.U8(v >> 24);
      ihdr.U8(v >> 16);
      ihdr.U8(v >> 8);
      ihdr.U8(v);
    }
    ihdr.U8(8);
    ihdr.U8(6);  // truecolour with alpha
    ihdr.Zeros(3);
    png->assign("\x89PNG\r\n\x1A\n", 8);
    Chunk(*png, "IHDR", ihdr.str());
    Chunk(*png, "IDAT", ZlibStored(raw));
    Chunk(*png, "IEND", "");
    return true;
  }
  return false;
}

}  // namespace quillon::native
