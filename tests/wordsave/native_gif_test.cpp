// GIF pictures become PNG pictures before they are embedded.
#include <gtest/gtest.h>

#include <string>

#include "wordsave/native/gif_to_png.h"

namespace quillon::native {
namespace {

uint32_t Be32(const std::string& s, size_t at) {
  return static_cast<uint32_t>(static_cast<unsigned char>(s[at])) << 24 |
         static_cast<uint32_t>(static_cast<unsigned char>(s[at + 1])) << 16 |
         static_cast<uint32_t>(static_cast<unsigned char>(s[at + 2])) << 8 |
         static_cast<uint32_t>(static_cast<unsigned char>(s[at + 3]));
}

// 3x2 pixels over a red, green, blue, white palette; white is transparent.
const std::string kGif(
    "\x47\x49\x46\x38\x39\x61\x03\x00\x02\x00\x81\x00\x00\xFF\x00\x00\x00\xFF\x00\x00\x00\xFF\xFF"
    "\xFF"
    "\xFF\x21\xF9\x04\x01\x00\x00\x03\x00\x2C\x00\x00\x00\x00\x03\x00\x02\x00\x00\x02\x04\x44\xA8"
    "\x51"
    "\x29\x00\x3B",
    51);

// The pixel rows of a PNG written with stored deflate blocks.
std::string StoredPixels(const std::string& png) {
  size_t pos = 8;
  std::string idat;
  while (pos + 8 <= png.size()) {
    uint32_t len = Be32(png, pos);
    if (png.compare(pos + 4, 4, "IDAT") == 0) idat += png.substr(pos + 8, len);
    pos += 12 + len;
  }
  std::string raw;
  size_t at = 2;
  while (at + 5 <= idat.size()) {
    bool final = idat[at] & 1;
    size_t n = static_cast<unsigned char>(idat[at + 1]) | static_cast<unsigned char>(idat[at + 2])
                                                              << 8;
    raw += idat.substr(at + 5, n);
    at += 5 + n;
    if (final) break;
  }
  return raw;
}

TEST(NativeGif, FirstFrameBecomesRgbaPng) {
  std::string png;
  ASSERT_TRUE(GifToPng(kGif, &png));
  ASSERT_EQ(png.compare(0, 8, "\x89PNG\r\n\x1A\n"), 0);
  EXPECT_EQ(png.compare(12, 4, "IHDR"), 0);
  EXPECT_EQ(Be32(png, 16), 3u);
  EXPECT_EQ(Be32(png, 20), 2u);
  EXPECT_EQ(png[24], 8);
  EXPECT_EQ(png[25], 6) << "truecolour with alpha";
  std::string raw = StoredPixels(png);
  ASSERT_EQ(raw.size(), 2u * (1 + 3 * 4));
  const std::string row0("\0\xFF\0\0\xFF\0\xFF\0\xFF\0\0\xFF\xFF", 13);
  const std::string row1("\0\xFF\xFF\xFF\0\0\0\xFF\xFF\0\xFF\0\xFF", 13);
  EXPECT_EQ(raw.substr(0, 13), row0);
  EXPECT_EQ(raw.substr(13, 13), row1) << "the white pixel is transparent";
  EXPECT_NE(png.find("IEND"), std::string::npos);
}

TEST(NativeGif, RejectsOtherOrDamagedData) {
  std::string png;
  EXPECT_FALSE(GifToPng("", &png));
  EXPECT_FALSE(GifToPng("\x89PNG\r\n\x1A\n.............", &png));
  EXPECT_FALSE(GifToPng(kGif.substr(0, 30), &png)) << "cut inside the colour table";
  std::string no_frame = kGif.substr(0, 25) + "\x3B";
  EXPECT_FALSE(GifToPng(no_frame, &png));
  std::string bad_code_size = kGif;
  bad_code_size[43] = 12;
  EXPECT_FALSE(GifToPng(bad_code_size, &png));
}

}  // namespace
}  // namespace quillon::native
