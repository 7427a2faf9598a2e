// The compound file and binary document writers, read back with a small
// independent parser of the container and the file information block.
#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>

#include "wordsave/native/cfb_writer.h"
#include "wordsave/native/doc_writer.h"

namespace quillon::native {
namespace {

uint32_t U32(const std::string& s, size_t at) {
  return static_cast<uint32_t>(static_cast<unsigned char>(s[at])) |
         static_cast<uint32_t>(static_cast<unsigned char>(s[at + 1])) << 8 |
         static_cast<uint32_t>(static_cast<unsigned char>(s[at + 2])) << 16 |
         static_cast<uint32_t>(static_cast<unsigned char>(s[at + 3])) << 24;
}
uint16_t U16(const std::string& s, size_t at) {
  return static_cast<uint16_t>(static_cast<unsigned char>(s[at]) |
                               static_cast<unsigned char>(s[at + 1]) << 8);
}

// Reads every stream of a version-3 compound file by following FAT chains.
std::map<std::string, std::string> ReadCompound(const std::string& file) {
  std::map<std::string, std::string> out;
  if (file.size() < 512 || file.compare(0, 8, "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1") != 0) return out;
  auto sector = [&](uint32_t n) { return static_cast<size_t>(n + 1) * 512; };
  std::vector<uint32_t> fat_sectors;
  uint32_t nfat = U32(file, 44);
  for (uint32_t i = 0; i < nfat && i < 109; ++i) fat_sectors.push_back(U32(file, 76 + 4 * i));
  uint32_t difat = U32(file, 68);
  while (fat_sectors.size() < nfat && difat < 0xFFFFFFFA) {
    for (uint32_t k = 0; k < 127 && fat_sectors.size() < nfat; ++k) {
      fat_sectors.push_back(U32(file, sector(difat) + 4 * k));
    }
    difat = U32(file, sector(difat) + 508);
  }
  auto next = [&](uint32_t s) { return U32(file, sector(fat_sectors[s / 128]) + 4 * (s % 128)); };
  auto chain = [&](uint32_t start, uint64_t size) {
    std::string data;
    for (uint32_t s = start; s < 0xFFFFFFFA && data.size() < size; s = next(s)) {
      data.append(file, sector(s), 512);
    }
    data.resize(size);
    return data;
  };
  std::string dir = chain(U32(file, 48), 1u << 20);
  for (size_t e = 0; e + 128 <= dir.size(); e += 128) {
    if (dir[e + 66] != 2) continue;
    std::string name;
    for (size_t i = 0; i + 2 < U16(dir, e + 64); i += 2) name.push_back(dir[e + i]);
    out[name] = chain(U32(dir, e + 116), U32(dir, e + 120));
  }
  return out;
}

TEST(NativeCompoundFile, StreamsRoundTrip) {
  std::string big(70000, 'x');
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7);
  std::string image = WriteCompoundFile({{"WordDocument", big}, {"1Table", "abc"}, {"Data", ""}});
  ASSERT_EQ(image.size() % 512, 0u);
  auto streams = ReadCompound(image);
  ASSERT_EQ(streams.size(), 3u);
  EXPECT_EQ(streams["WordDocument"], big);
  // Short streams are padded to the mini-stream cutoff with zeros.
  ASSERT_EQ(streams["1Table"].size(), 4096u);
  EXPECT_EQ(streams["1Table"].substr(0, 3), "abc");
  EXPECT_EQ(streams["1Table"][3], '\0');
  EXPECT_EQ(streams["Data"], std::string(4096, '\0'));
}

TEST(NativeCompoundFile, LargeFileUsesDifatSectors) {
  // More than 109 FAT sectors (about 7 MB) need the DIFAT chain.
  std::string big(9 * 1024 * 1024, '\0');
  for (size_t i = 0; i < big.size(); i += 4096) big[i] = static_cast<char>(i / 4096);
  std::string image = WriteCompoundFile({{"WordDocument", big}});
  EXPECT_GT(U32(image, 44), 109u);
  EXPECT_EQ(U32(image, 72), 1u);
  auto streams = ReadCompound(image);
  EXPECT_EQ(streams["WordDocument"], big);
}

DocModel SmallModel() {
  DocModel m;
  std::string bold;
  SprmU8(bold, 0x0835, 1);
  m.main.Append(u"Hello ", "");
  m.main.Append(u"bold", bold);
  m.main.EndParagraph("", "");
  m.page = {11906, 16838, 1134, 851, 1417, 1000};
  m.header.text = "Head";
  m.footer.text = "Foot";
  return m;
}

TEST(NativeDocWriter, FibAndTextPiece) {
  DocStreams s = BuildDocStreams(SmallModel());
  const std::string& w = s.word_document;
  EXPECT_EQ(U16(w, 0), 0xA5EC);
  EXPECT_EQ(U16(w, 2), 0x00C1);
  EXPECT_TRUE(U16(w, 10) & 0x0200) << "the table stream is 1Table";
  EXPECT_EQ(U16(w, 154 - 2), 93) << "Word 97 block of offsets";
  uint32_t ccp_text = U32(w, 64 + 4 * 3);
  uint32_t ccp_hdd = U32(w, 64 + 4 * 5);
  EXPECT_EQ(ccp_text, 11u);
  EXPECT_EQ(ccp_hdd, 11u) << "Head, Foot, each with its mark, and the closing mark";
  // The piece table: one Unicode piece covering every story plus one mark.
  uint32_t fc_clx = U32(w, 154 + 33 * 8), lcb_clx = U32(w, 154 + 33 * 8 + 4);
  ASSERT_EQ(lcb_clx, 21u);
  const std::string& t = s.table;
  EXPECT_EQ(t[fc_clx], 2);
  EXPECT_EQ(U32(t, fc_clx + 5), 0u);
  uint32_t ccp_all = U32(t, fc_clx + 9);
  EXPECT_EQ(ccp_all, ccp_text + ccp_hdd + 1);
  uint32_t fc = U32(t, fc_clx + 15);
  EXPECT_EQ(fc & 0x40000000u, 0u) << "not compressed";
  std::u16string text;
  for (uint32_t i = 0; i < ccp_all; ++i) text.push_back(static_cast<char16_t>(U16(w, fc + 2 * i)));
  EXPECT_EQ(text, u"Hello bold\rHead\rFoot\r\r\r");
}

TEST(NativeDocWriter, SectionCarriesExactPageSetup) {
  DocStreams s = BuildDocStreams(SmallModel());
  const std::string& w = s.word_document;
  uint32_t fc_sed = U32(w, 154 + 6 * 8);
  uint32_t fc_sepx = U32(s.table, fc_sed + 8 + 2);
  uint16_t cb = U16(w, fc_sepx);
  std::map<uint16_t, uint16_t> sprms;
  for (size_t i = fc_sepx + 2; i < fc_sepx + 2 + cb;) {
    uint16_t sprm = U16(w, i);
    int size = (sprm >> 13) == 1 ? 1 : 2;
    sprms[sprm] = size == 1 ? static_cast<uint8_t>(w[i + 2]) : U16(w, i + 2);
    i += 2 + static_cast<size_t>(size);
  }
  EXPECT_EQ(sprms[0xB01F], 11906);
  EXPECT_EQ(sprms[0xB020], 16838);
  EXPECT_EQ(sprms[0xB021], 1134);
  EXPECT_EQ(sprms[0xB022], 851);
  EXPECT_EQ(sprms[0x9023], 1417);
  EXPECT_EQ(sprms[0x9024], 1000);
}

TEST(NativeDocWriter, FormattingPagesCoverAllText) {
  // Many runs and paragraphs spill over several 512-byte property pages.
  DocModel m;
  for (int i = 0; i < 3000; ++i) {
    std::string chpx;
    SprmU16(chpx, 0x4A43, static_cast<uint32_t>(16 + i % 40));
    m.main.Append(u"word ", chpx);
    if (i % 3 == 0) {
      std::string papx;
      SprmU16(papx, 0x840F, static_cast<uint32_t>(i % 50) * 20);
      m.main.EndParagraph("", papx);
    }
  }
  m.main.EndParagraph("", "");
  DocStreams s = BuildDocStreams(m);
  const std::string& w = s.word_document;
  for (int which : {12, 13}) {  // character, then paragraph property pages
    uint32_t fc = U32(w, 154 + static_cast<size_t>(which) * 8);
    uint32_t lcb = U32(w, 154 + static_cast<size_t>(which) * 8 + 4);
    uint32_t pages = (lcb - 4) / 8;
    ASSERT_GT(pages, 1u);
    uint32_t expect = 0x400;
    for (uint32_t p = 0; p < pages; ++p) {
      uint32_t pn = U32(s.table, fc + 4 * (pages + 1) + 4 * p);
      size_t page = static_cast<size_t>(pn) * 512;
      uint8_t count = static_cast<uint8_t>(w[page + 511]);
      ASSERT_GT(count, 0);
      EXPECT_EQ(U32(w, page), expect) << "page " << p << " starts where the last ended";
      expect = U32(w, page + 4 * count);
    }
    EXPECT_EQ(expect, 0x400 + 2 * m.main.cp());
  }
}

TEST(NativeDocWriter, LargeParagraphPropertiesShareNoPageOverflow) {
  // Paragraph properties of 100 to 700 bytes: pages fill up, the largest go
  // to the Data stream; every page must stay within its 512 bytes.
  DocModel m;
  for (int i = 0; i < 200; ++i) {
    std::string papx;
    for (int k = 0; k < 25 + (i * 37) % 150; ++k)
      SprmU16(papx, 0x840F, static_cast<uint32_t>(i + k));
    m.main.Append(u"cell", "");
    m.main.EndParagraph("", papx);
  }
  DocStreams s = BuildDocStreams(m);
  const std::string& w = s.word_document;
  uint32_t fc = U32(w, 154 + 13 * 8), lcb = U32(w, 154 + 13 * 8 + 4);
  uint32_t pages = (lcb - 4) / 8;
  uint32_t paragraphs = 0;
  for (uint32_t p = 0; p < pages; ++p) {
    size_t page = static_cast<size_t>(U32(s.table, fc + 4 * (pages + 1) + 4 * p)) * 512;
    uint8_t count = static_cast<uint8_t>(w[page + 511]);
    for (uint8_t k = 0; k < count; ++k) {
      size_t at = page + 2 * static_cast<uint8_t>(w[page + 4 * (count + 1) + 13 * k]);
      size_t size =
          w[at] ? 2 * static_cast<uint8_t>(w[at]) - 1 + 1 : 2 * static_cast<uint8_t>(w[at + 1]) + 2;
      EXPECT_LE(at + size, page + 511) << "page " << p << " entry " << int{k};
      EXPECT_GE(at, page + 4 * (count + 1) + 13 * count);
    }
    paragraphs += count;
  }
  EXPECT_EQ(paragraphs, 200u);
  EXPECT_GT(s.data.size(), 0u) << "the largest properties moved to the Data stream";
}

TEST(NativeDocWriter, RejectsTextWithoutFinalMark) {
  DocModel m;
  m.main.Append(u"no mark", "");
  EXPECT_THROW(BuildDocStreams(m), std::runtime_error);
}

TEST(NativeDocWriter, PictureRecordSizesAddUp) {
  DocModel m;
  std::string png = std::string("\x89PNG\r\n\x1A\n", 8) + std::string(100, 'p');
  uint32_t first = AppendPicture(m, png, PictureKind::kPng, 1500, 750);
  uint32_t second = AppendPicture(m, "\xFF\xD8jpeg", PictureKind::kJpeg, 300, 300);
  EXPECT_EQ(first, 0u);
  EXPECT_EQ(U32(m.data, 0), second) << "the first record's size leads to the second";
  EXPECT_EQ(U16(m.data, 4), 0x44);
  EXPECT_EQ(U16(m.data, 6), 0x64);
  EXPECT_EQ(U16(m.data, 28), 1500);
  EXPECT_EQ(U16(m.data, 30), 750);
  EXPECT_EQ(U32(m.data, second), m.data.size() - second);
  EXPECT_NE(m.data.find(png), std::string::npos);
  EXPECT_EQ(m.pictures, 2);
}

TEST(NativeDocWriter, ZlibStoredBlocksAndChecksum) {
  std::string z = ZlibStored("abc");
  ASSERT_EQ(z.size(), 2u + 5u + 3u + 4u);
  EXPECT_EQ(static_cast<unsigned char>(z[0]), 0x78);
  EXPECT_EQ((static_cast<unsigned char>(z[0]) * 256 + static_cast<unsigned char>(z[1])) % 31, 0)
      << "header check bits";
  EXPECT_EQ(z[2], 1) << "final stored block";
  EXPECT_EQ(U16(z, 3), 3);
  EXPECT_EQ(U16(z, 5), 0xFFFC);
  EXPECT_EQ(z.substr(7, 3), "abc");
  EXPECT_EQ(z.substr(10), std::string("\x02\x4D\x01\x27", 4)) << "Adler-32 of abc, big-endian";
  // Larger data splits into 65535-byte blocks, only the last one final.
  std::string big(150000, 'q');
  std::string zb = ZlibStored(big);
  EXPECT_EQ(zb.size(), 2 + 3 * 5 + big.size() + 4);
  EXPECT_EQ(zb[2], 0);
  EXPECT_EQ(zb[2 + 5 + 65535], 0);
  EXPECT_EQ(zb[2 + 2 * (5 + 65535)], 1);
  EXPECT_EQ(U16(zb, 2 + 2 * (5 + 65535) + 1), 150000 - 2 * 65535);
}

TEST(NativeDocWriter, DetectsEmbeddablePictureKinds) {
  PictureKind k;
  EXPECT_TRUE(DetectPicture(std::string("\x89PNG\r\n\x1A\n....", 12), &k));
  EXPECT_EQ(k, PictureKind::kPng);
  EXPECT_TRUE(DetectPicture("\xFF\xD8\xFF\xE0rest", &k));
  EXPECT_EQ(k, PictureKind::kJpeg);
  std::string emf(100, '\0');
  emf[0] = 1;
  emf.replace(40, 4, " EMF");
  EXPECT_TRUE(DetectPicture(emf, &k));
  EXPECT_EQ(k, PictureKind::kEmf);
  std::string placeable = std::string("\xD7\xCD\xC6\x9A", 4) + std::string(60, '\0');
  EXPECT_TRUE(DetectPicture(placeable, &k));
  EXPECT_EQ(k, PictureKind::kWmf);
  EXPECT_FALSE(DetectPicture("GIF89a.........", &k));
  EXPECT_FALSE(DetectPicture("", &k));
  EXPECT_FALSE(DetectPicture("\xFF\xD8", &k)) << "too short to be a JPEG";
}

TEST(NativeDocWriter, PlaceableMetafileHeaderBecomesBounds) {
  // Placeable header: bounds 0,0 to 1000x500 at 1440 units per inch.
  std::string wmf("\xD7\xCD\xC6\x9A\0\0\0\0\0\0\xE8\x03\xF4\x01\xA0\x05\0\0\0\0\0\0", 22);
  wmf += std::string(
      "\x01\0\x09\0\0\x03"
      "body",
      10);
  DocModel m;
  AppendPicture(m, wmf, PictureKind::kWmf, 1000, 500);
  size_t blip = m.data.find(std::string("\x60\x21\x1B\xF0", 4));
  ASSERT_NE(blip, std::string::npos);
  size_t header = blip + 8 + 16;
  EXPECT_EQ(U32(m.data, header), 10u) << "metafile without its placeable header";
  EXPECT_EQ(U32(m.data, header + 12), 1000u);
  EXPECT_EQ(U32(m.data, header + 16), 500u);
  EXPECT_EQ(U32(m.data, header + 20), 635000u) << "width in EMU";
  EXPECT_EQ(m.data[header + 32], 0) << "deflate container";
  EXPECT_NE(m.data.find("body"), std::string::npos);
  EXPECT_EQ(m.data.find("\xD7\xCD\xC6\x9A"), std::string::npos);
}

}  // namespace
}  // namespace quillon::native
