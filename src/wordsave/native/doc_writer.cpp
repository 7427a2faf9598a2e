#include "wordsave/native/doc_writer.h"

#include <algorithm>
#include <fstream>
#include <map>
#include <stdexcept>

#include "wordsave/native/bytes.h"
#include "wordsave/native/cfb_writer.h"

namespace quillon::native {
namespace {

constexpr uint32_t kTextStart = 0x400;  // the text follows the 900-byte FIB
constexpr uint32_t kPage = 512;

// Indices of the (fc, lcb) pairs in the FIB's 97 block.
enum FcLcb {
  kStshf = 1,
  kPlcfSed = 6,
  kPlcfHdd = 11,
  kPlcfBteChpx = 12,
  kPlcfBtePapx = 13,
  kSttbfFfn = 15,
  kPlcfFldMom = 16,
  kSttbfBkmk = 21,
  kPlcfBkf = 22,
  kPlcfBkl = 23,
  kDop = 31,
  kClx = 33,
  kPlfLst = 73,
  kPlfLfo = 74,
  kFcLcbCount = 93,
};

struct Span {
  uint32_t fc_start, fc_end;
  const std::string* props;
};

// Formatted disk pages (FKPs): each 512-byte page holds the FC boundaries of
// its runs, one BX entry of |bx_size| bytes per run (the record's word offset,
// then zeros), and the distinct property records packed from the page's end.
// |record_of| gives the record stored for a span; an empty record means "no
// properties" (offset 0). Returns the PlcfBte (FCs, then page numbers) and
// appends the pages to |doc| (page aligned).
template <typename RecordOf>
std::string WriteFkpPages(Bytes& doc, const std::vector<Span>& spans, size_t bx_size,
                          RecordOf record_of, uint32_t* first_pn, uint32_t* count) {
  Bytes plc_fc, plc_pn;
  *first_pn = static_cast<uint32_t>(doc.size() / kPage);
  *count = 0;
  size_t i = 0;
  while (i < spans.size()) {
    std::string page(kPage, '\0');
    std::vector<uint32_t> fcs{spans[i].fc_start};
    std::vector<uint8_t> offsets;
    std::map<std::string, uint8_t> stored;
    size_t free_end = kPage - 1;
    while (i < spans.size()) {
      const std::string rec = record_of(spans[i]);
      uint8_t off = 0;
      size_t new_free = free_end;
      const bool is_new = !rec.empty() && !stored.count(rec);
      if (!rec.empty() && !is_new) off = stored[rec];
      if (is_new) {
        if (rec.size() + 8 > free_end) break;  // full: the run opens the next page
        new_free = (free_end - rec.size()) & ~size_t{1};
        off = static_cast<uint8_t>(new_free / 2);
      }
      const size_t n = offsets.size() + 1;
      if (4 * (n + 1) + bx_size * n > new_free) break;
      if (is_new) {
        std::copy(rec.begin(), rec.end(), page.begin() + static_cast<long>(new_free));
        stored[rec] = off;
        free_end = new_free;
      }
      fcs.push_back(spans[i].fc_end);
      offsets.push_back(off);
      ++i;
    }
    Bytes head;
    for (uint32_t fc : fcs) head.U32(fc);
    for (uint8_t o : offsets) {
      head.U8(o);
      head.Zeros(bx_size - 1);  // a PAPX's paragraph height cache, left unset
    }
    std::copy(head.str().begin(), head.str().end(), page.begin());
    page[kPage - 1] = static_cast<char>(offsets.size());
    plc_fc.U32(fcs.front());
    plc_pn.U32(static_cast<uint32_t>(doc.size() / kPage));
    doc.Raw(page);
    ++*count;
    if (i == spans.size()) plc_fc.U32(fcs.back());
  }
  return plc_fc.str() + plc_pn.str();
}

// Character property pages: a CHPX is a count byte and the sprms; runs with
// more than 255 bytes of properties lose them (the count is one byte).
std::string WriteChpxPages(Bytes& doc, const std::vector<Span>& spans, uint32_t* first_pn,
                           uint32_t* count) {
  auto chpx = [](const Span& span) {
    const std::string& g = *span.props;
    if (g.empty() || g.size() > 255) return std::string();
    return static_cast<char>(g.size()) + g;
  };
  return WriteFkpPages(doc, spans, 1, chpx, first_pn, count);
}

// Paragraph property pages: a PAPX is istd 0 and the sprms behind a count
// (an odd size uses the short count form), with 13-byte BX entries.
std::string WritePapxPages(Bytes& doc, const std::vector<Span>& spans, uint32_t* first_pn,
                           uint32_t* count) {
  auto papx = [](const Span& span) {
    const std::string body = std::string(2, '\0') + *span.props;
    std::string rec;
    if (body.size() % 2) {
      rec.push_back(static_cast<char>((body.size() + 1) / 2));
    } else {
      rec.push_back('\0');
      rec.push_back(static_cast<char>(body.size() / 2));
    }
    return rec + body;
  };
  return WriteFkpPages(doc, spans, 13, papx, first_pn, count);
}

void Xstz(Bytes& b, const std::u16string& s) {
  b.U16(static_cast<uint32_t>(s.size()));
  for (char16_t c : s) b.U16(c);
  b.U16(0);
}

// One style: paragraph styles carry a paragraph and a character UPX,
// character styles only the character one.
void WriteStd(Bytes& out, uint16_t sti, bool paragraph, uint16_t istd_next,
              const std::u16string& name, const std::string& chpx) {
  Bytes std;
  std.U16(sti & 0x0FFF);
  std.U16((paragraph ? 1 : 2) | (0x0FFF << 4));
  std.U16((paragraph ? 2 : 1) | (istd_next << 4));
  std.U16(0);  // size, patched below
  std.U16(0);
  Xstz(std, name);
  if (paragraph) {
    std.U16(2);
    std.U16(0);  // istd of the paragraph UPX
  }
  std.U16(static_cast<uint32_t>(chpx.size()));
  std.Raw(chpx);
  std.PadTo(2);
  std.PutU16(6, static_cast<uint32_t>(std.size()));
  out.U16(static_cast<uint32_t>(std.size()));
  out.Raw(std.str());
}

std::string StyleSheet() {
  constexpr int kStyles = 15;
  Bytes b;
  b.U16(18);
  b.U16(kStyles);
  b.U16(10);  // base size of each style record
  b.U16(1);   // built-in style names are written
  b.U16(0x5B);
  b.U16(15);
  b.U16(0);
  b.U16(0);  // default fonts: Times New Roman for all three scripts
  b.U16(0);
  b.U16(0);
  std::string normal;
  SprmU16(normal, 0x4A4F, 0);
  SprmU16(normal, 0x4A51, 0);
  SprmU16(normal, 0x4A43, 24);
  WriteStd(b, 0, true, 0, u"Normal", normal);
  for (int i = 1; i < 10; ++i) b.U16(0);  // unused heading slots
  WriteStd(b, 65, false, 10, u"Default Paragraph Font", "");
  for (int i = 11; i < kStyles; ++i) b.U16(0);
  return b.str();
}

std::string FontTable(const std::vector<std::string>& fonts) {
  Bytes b;
  b.U16(static_cast<uint32_t>(fonts.size()));
  b.U16(0);
  for (const std::string& f : fonts) {
    std::u16string name = Utf8ToUtf16(f).substr(0, 31);
    bool symbol = f == "Symbol" || f == "Wingdings";
    bool roman = f.find("Times") != std::string::npos || f.find("Georgia") != std::string::npos ||
                 f.find("Cambria") != std::string::npos;
    uint32_t size = 40 + 2 * static_cast<uint32_t>(name.size() + 1);
    b.U8(size - 1);
    b.U8(0x02 | 0x04 | ((symbol ? 5 : roman ? 1 : 2) << 4));
    b.U16(400);
    b.U8(symbol ? 2 : 0);
    b.U8(0);
    b.Zeros(10 + 24);
    for (char16_t c : name) b.U16(c);
    b.U16(0);
  }
  return b.str();
}

std::string Dop() {
  Bytes b;
  b.Zeros(500);
  b.str()[0] = 0x02;  // widow control
  b.PutU16(10, 720);  // default tab stop: half an inch
  return b.str();
}

std::string ListTables(const std::vector<ListDef>& lists, std::string* lfo) {
  Bytes lst;
  lst.U16(static_cast<uint32_t>(lists.size()));
  for (size_t i = 0; i < lists.size(); ++i) {
    lst.U32(0x1A000000 + static_cast<uint32_t>(i) * 7919);
    lst.U32(0);
    for (int k = 0; k < 9; ++k) lst.U16(0x0FFF);
    lst.U8(0);
    lst.U8(0);
  }
  for (const ListDef& list : lists) {
    for (int level = 0; level < 9; ++level) {
      bool ordered = list.ordered[level];
      std::string papx;
      SprmU16(papx, 0x840F, 360 * (level + 1));
      SprmU16(papx, 0x8411, static_cast<uint16_t>(-360));
      std::u16string number;
      if (ordered) {
        number.push_back(static_cast<char16_t>(level));
        number.push_back(u'.');
      } else {
        number.push_back(level % 2 ? u'\u25E6' : u'\u2022');
      }
      lst.U32(1);
      lst.U8(ordered ? 0 : 23);
      lst.U8(0);
      lst.U8(ordered ? 1 : 0);
      lst.Zeros(8);
      lst.U8(0);  // a tab follows the number
      lst.U32(0);
      lst.U32(0);
      lst.U8(0);  // no character sprms
      lst.U8(static_cast<uint32_t>(papx.size()));
      lst.U8(0);
      lst.U8(0);
      lst.Raw(papx);
      lst.U16(static_cast<uint32_t>(number.size()));
      for (char16_t c : number) lst.U16(c);
    }
  }
  Bytes f;
  f.U32(static_cast<uint32_t>(lists.size()));
  for (size_t i = 0; i < lists.size(); ++i) {
    f.U32(0x1A000000 + static_cast<uint32_t>(i) * 7919);
    f.Zeros(12);
  }
  for (size_t i = 0; i < lists.size(); ++i) f.U32(0xFFFFFFFF);
  *lfo = f.str();
  return lst.str();
}

}  // namespace

// A zlib stream of stored (uncompressed) deflate blocks: readers expect
// metafile pictures in that container, and stored blocks need no encoder.
std::string ZlibStored(const std::string& data) {
  Bytes out;
  out.U8(0x78);
  out.U8(0x01);
  size_t pos = 0;
  do {
    size_t n = std::min<size_t>(65535, data.size() - pos);
    out.U8(pos + n == data.size() ? 1 : 0);
    out.U16(static_cast<uint32_t>(n));
    out.U16(static_cast<uint32_t>(~n & 0xFFFF));
    out.Raw(std::string_view(data).substr(pos, n));
    pos += n;
  } while (pos < data.size());
  uint32_t a = 1, b = 0;
  for (unsigned char c : data) {
    a = (a + c) % 65521;
    b = (b + a) % 65521;
  }
  uint32_t adler = (b << 16) | a;
  out.U8(adler >> 24);
  out.U8((adler >> 16) & 0xFF);
  out.U8((adler >> 8) & 0xFF);
  out.U8(adler & 0xFF);
  return out.str();
}

bool DetectPicture(const std::string& blob, PictureKind* kind) {
  auto at = [&](size_t i) { return i < blob.size() ? static_cast<unsigned char>(blob[i]) : 0u; };
  if (blob.size() > 8 && blob.compare(0, 8, "\x89PNG\r\n\x1A\n") == 0) {
    *kind = PictureKind::kPng;
  } else if (at(0) == 0xFF && at(1) == 0xD8 && at(2) == 0xFF) {
    *kind = PictureKind::kJpeg;
  } else if (blob.size() > 88 && at(0) == 1 && at(1) == 0 && at(2) == 0 && at(3) == 0 &&
             at(40) == ' ' && at(41) == 'E' && at(42) == 'M' && at(43) == 'F') {
    *kind = PictureKind::kEmf;
  } else if ((blob.size() > 40 && at(0) == 0xD7 && at(1) == 0xCD && at(2) == 0xC6 &&
              at(3) == 0x9A) ||
             (blob.size() > 18 && (at(0) == 1 || at(0) == 2) && at(1) == 0 && at(2) == 9 &&
              at(3) == 0)) {
    *kind = PictureKind::kWmf;
  } else {
    return false;
  }
  return true;
}

uint32_t AppendPicture(DocModel& model, const std::string& blob_in, PictureKind kind, int width,
                       int height) {
  uint32_t offset = static_cast<uint32_t>(model.data.size());
  const bool metafile = kind == PictureKind::kEmf || kind == PictureKind::kWmf;
  uint16_t instance = 0;
  uint16_t rec_type = 0;
  uint8_t store_type = 0;
  switch (kind) {
    case PictureKind::kPng:
      instance = 0x6E0;
      rec_type = 0xF01E;
      store_type = 6;
      break;
    case PictureKind::kJpeg:
      instance = 0x46A;
      rec_type = 0xF01D;
      store_type = 5;
      break;
    case PictureKind::kEmf:
      instance = 0x3D4;
      rec_type = 0xF01A;
      store_type = 2;
      break;
    case PictureKind::kWmf:
      instance = 0x216;
      rec_type = 0xF01B;
      store_type = 3;
      break;
  }
  std::string blob = blob_in;
  // Metafile bounds: the EMF frame, or the placeable header of a WMF.
  int32_t bounds[4] = {0, 0, width, height};
  auto i16 = [&](size_t i) {
    return static_cast<int16_t>(static_cast<unsigned char>(blob_in[i]) |
                                static_cast<unsigned char>(blob_in[i + 1]) << 8);
  };
  auto i32 = [&](size_t i) {
    return static_cast<int32_t>(
        static_cast<uint32_t>(static_cast<unsigned char>(blob_in[i])) |
        static_cast<uint32_t>(static_cast<unsigned char>(blob_in[i + 1])) << 8 |
        static_cast<uint32_t>(static_cast<unsigned char>(blob_in[i + 2])) << 16 |
        static_cast<uint32_t>(static_cast<unsigned char>(blob_in[i + 3])) << 24);
  };
  if (kind == PictureKind::kEmf) {
    for (int k = 0; k < 4; ++k) bounds[k] = i32(8 + 4 * static_cast<size_t>(k));
  } else if (kind == PictureKind::kWmf && static_cast<unsigned char>(blob_in[0]) == 0xD7) {
    for (int k = 0; k < 4; ++k) bounds[k] = i16(6 + 2 * static_cast<size_t>(k));
    blob = blob_in.substr(22);
  }
  std::string packed = metafile ? ZlibStored(blob) : std::string();
  Bytes blip;
  blip.U16(instance << 4);
  blip.U16(rec_type);
  blip.U32(static_cast<uint32_t>(16 + (metafile ? 34 + packed.size() : 1 + blob.size())));
  uint32_t uid = static_cast<uint32_t>(model.pictures + 1) * 2654435761u;
  for (int k = 0; k < 4; ++k) blip.U32(uid ^ (0x9E3779B9u * static_cast<uint32_t>(k)));
  if (metafile) {
    blip.U32(static_cast<uint32_t>(blob.size()));
    for (int32_t b : bounds) blip.U32(static_cast<uint32_t>(b));
    blip.U32(static_cast<uint32_t>(static_cast<int64_t>(width) * 635));  // twips to EMU
    blip.U32(static_cast<uint32_t>(static_cast<int64_t>(height) * 635));
    blip.U32(static_cast<uint32_t>(packed.size()));
    blip.U8(0x00);  // deflate
    blip.U8(0xFE);
    blip.Raw(packed);
  } else {
    blip.U8(0xFF);
    blip.Raw(blob);
  }
  Bytes fbse;
  fbse.U16(0x0002 | (store_type << 4));
  fbse.U16(0xF007);
  fbse.U32(static_cast<uint32_t>(36 + blip.size()));
  fbse.U8(store_type);
  fbse.U8(store_type);
  fbse.Raw(blip.str().substr(8, 16));
  fbse.U16(0x00FF);
  fbse.U32(static_cast<uint32_t>(blip.size()));
  fbse.U32(1);
  fbse.U32(0);
  fbse.U32(0);
  fbse.Raw(blip.str());
  // Shape: a picture frame whose property table names store entry 1.
  Bytes sp;
  sp.U16(0x0002 | (75 << 4));
  sp.U16(0xF00A);
  sp.U32(8);
  sp.U32(0x400 + static_cast<uint32_t>(model.pictures) + 1);
  sp.U32(0x00000A00);
  sp.U16(0x0003 | (1 << 4));
  sp.U16(0xF00B);
  sp.U32(6);
  sp.U16(0x4104);
  sp.U32(1);
  Bytes container;
  container.U16(0x000F);
  container.U16(0xF004);
  container.U32(static_cast<uint32_t>(sp.size()));
  container.Raw(sp.str());

  uint32_t total = 68 + static_cast<uint32_t>(container.size() + fbse.size());
  Bytes picf;
  picf.U32(total);
  picf.U16(0x44);
  picf.U16(0x0064);  // the picture data is an OfficeArt shape
  picf.Zeros(6);
  picf.Zeros(14);
  picf.U16(static_cast<uint32_t>(width));
  picf.U16(static_cast<uint32_t>(height));
  picf.U16(1000);
  picf.U16(1000);
  picf.Zeros(8 + 2 + 16 + 4);
  picf.U16(0);
  model.data += picf.str();
  model.data += container.str();
  model.data += fbse.str();
  ++model.pictures;
  return offset;
}

DocStreams BuildDocStreams(const DocModel& model) {
  const Story& main = model.main;
  if (main.text().empty() || main.text().back() != 0x0D) {
    throw std::runtime_error("the document text does not end with a paragraph mark");
  }
  // Header document: odd-page header story, odd-page footer story, guard mark.
  Story hdd;
  uint32_t header_end = 0, footer_end = 0;
  auto story = [&](const HeaderFooterText& h, DocModel& fonts_owner) {
    if (h.text.empty()) return;
    std::string chpx, papx;
    int font = fonts_owner.FontIndex(h.font);
    SprmU16(chpx, 0x4A4F, static_cast<uint32_t>(font));
    SprmU16(chpx, 0x4A51, static_cast<uint32_t>(font));
    SprmU16(chpx, 0x4A43, static_cast<uint32_t>(h.half_points));
    if (h.bold) SprmU8(chpx, 0x0835, 1);
    SprmU8(papx, 0x2403, static_cast<uint32_t>(h.align));
    hdd.Append(Utf8ToUtf16(h.text), chpx);
    hdd.EndParagraph(chpx, papx);
  };
  DocModel fonts_owner;
  fonts_owner.fonts = model.fonts;
  story(model.header, fonts_owner);
  header_end = hdd.cp();
  story(model.footer, fonts_owner);
  footer_end = hdd.cp();
  bool has_hdd = footer_end > 0;
  if (has_hdd) hdd.EndParagraph("", "");
  uint32_t ccp_text = main.cp();
  uint32_t ccp_hdd = hdd.cp();

  // The one piece: main text, header document, and the closing mark.
  std::u16string text = main.text() + hdd.text();
  std::vector<Run> runs = main.runs();
  std::vector<Paragraph> paras = main.paragraphs();
  for (const Run& r : hdd.runs()) runs.push_back({r.end + ccp_text, r.chpx});
  for (const Paragraph& p : hdd.paragraphs()) paras.push_back({p.end + ccp_text, p.papx});
  if (has_hdd) {
    text.push_back(0x0D);
    runs.push_back({static_cast<uint32_t>(text.size()), ""});
    paras.push_back({static_cast<uint32_t>(text.size()), ""});
  }
  uint32_t ccp_all = static_cast<uint32_t>(text.size());

  DocStreams out;
  out.data = model.data;
  Bytes doc;
  doc.Zeros(kTextStart);
  doc.str().reserve(kTextStart + text.size() * 2 + text.size() / 4 + 8192);
  for (char16_t c : text) doc.U16(c);
  uint32_t fc_end = static_cast<uint32_t>(doc.size());
  doc.PadTo(kPage);

  auto fc = [](uint32_t cp) { return kTextStart + 2 * cp; };
  std::vector<Span> chp_spans, pap_spans;
  uint32_t start = 0;
  for (const Run& r : runs) {
    chp_spans.push_back({fc(start), fc(r.end), &r.chpx});
    start = r.end;
  }
  // Paragraph properties that do not fit in a page go to the Data stream,
  // referenced by a single huge-properties sprm.
  std::vector<std::string> big(paras.size());
  start = 0;
  for (size_t i = 0; i < paras.size(); ++i) {
    const std::string* props = &paras[i].papx;
    if (props->size() > 400) {
      uint32_t at = static_cast<uint32_t>(out.data.size());
      Bytes h;
      h.U16(static_cast<uint32_t>(props->size()));
      h.Raw(*props);
      out.data += h.str();
      SprmU32(big[i], 0x6646, at);
      props = &big[i];
    }
    pap_spans.push_back({fc(start), fc(paras[i].end), props});
    start = paras[i].end;
  }
  uint32_t chp_first = 0, chp_count = 0, pap_first = 0, pap_count = 0;
  std::string bte_chpx = WriteChpxPages(doc, chp_spans, &chp_first, &chp_count);
  std::string bte_papx = WritePapxPages(doc, pap_spans, &pap_first, &pap_count);

  // Section properties.
  const PageSetup& p = model.page;
  std::string sep;
  SprmU8(sep, 0x3009, 2);
  SprmU16(sep, 0xB01F, static_cast<uint32_t>(p.width));
  SprmU16(sep, 0xB020, static_cast<uint32_t>(p.height));
  SprmU16(sep, 0xB021, static_cast<uint32_t>(p.left));
  SprmU16(sep, 0xB022, static_cast<uint32_t>(p.right));
  SprmU16(sep, 0x9023, static_cast<uint32_t>(p.top));
  SprmU16(sep, 0x9024, static_cast<uint32_t>(p.bottom));
  SprmU16(sep, 0xB017, static_cast<uint32_t>(std::min(720, p.top / 2)));
  SprmU16(sep, 0xB018, static_cast<uint32_t>(std::min(720, p.bottom / 2)));
  uint32_t fc_sepx = static_cast<uint32_t>(doc.size());
  doc.U16(static_cast<uint32_t>(sep.size()));
  doc.Raw(sep);

  // Table stream.
  Bytes tbl;
  uint32_t fclcb[kFcLcbCount][2] = {};
  auto put = [&](int index, const std::string& bytes) {
    if (bytes.empty()) return;
    fclcb[index][0] = static_cast<uint32_t>(tbl.size());
    fclcb[index][1] = static_cast<uint32_t>(bytes.size());
    tbl.Raw(bytes);
  };
  put(kStshf, StyleSheet());
  {
    Bytes b;
    b.U32(0);
    b.U32(ccp_text);
    b.U16(0);
    b.U32(fc_sepx);
    b.U16(0);
    b.U32(0xFFFFFFFF);
    put(kPlcfSed, b.str());
  }
  if (has_hdd) {
    Bytes b;
    for (int i = 0; i < 6; ++i) b.U32(0);
    for (uint32_t cp : {0u, 0u, header_end, header_end, footer_end, footer_end}) b.U32(cp);
    b.U32(ccp_hdd - 1);
    b.U32(ccp_hdd);
    put(kPlcfHdd, b.str());
  }
  put(kPlcfBteChpx, bte_chpx);
  put(kPlcfBtePapx, bte_papx);
  put(kSttbfFfn, FontTable(fonts_owner.fonts));
  if (!model.fields.empty()) {
    Bytes cps, data;
    for (const FieldMark& f : model.fields) {
      cps.U32(f.cp);
      data.U8(f.ch);
      data.U8(f.info);
    }
    cps.U32(ccp_text);
    put(kPlcfFldMom, cps.str() + data.str());
  }
  if (!model.bookmarks.empty()) {
    Bytes names, bkf, bkf_data, bkl;
    names.U16(0xFFFF);
    names.U16(static_cast<uint32_t>(model.bookmarks.size()));
    names.U16(0);
    for (size_t i = 0; i < model.bookmarks.size(); ++i) {
      const Bookmark& bm = model.bookmarks[i];
      names.U16(static_cast<uint32_t>(bm.name.size()));
      for (char16_t c : bm.name) names.U16(c);
      bkf.U32(bm.cp);
      bkf_data.U16(static_cast<uint32_t>(i));
      bkf_data.U16(0);
      bkl.U32(bm.cp);
    }
    bkf.U32(ccp_text);
    bkl.U32(ccp_text);
    put(kSttbfBkmk, names.str());
    put(kPlcfBkf, bkf.str() + bkf_data.str());
    put(kPlcfBkl, bkl.str());
  }
  put(kDop, Dop());
  {
    Bytes b;
    b.U8(0x02);
    b.U32(8 + 8);
    b.U32(0);
    b.U32(ccp_all);
    b.U16(0);
    b.U32(kTextStart);
    b.U16(0);
    put(kClx, b.str());
  }
  if (!model.lists.empty()) {
    std::string lfo;
    std::string lst = ListTables(model.lists, &lfo);
    uint32_t lst_head = 2 + 28 * static_cast<uint32_t>(model.lists.size());
    put(kPlfLst, lst);
    fclcb[kPlfLst][1] = lst_head;  // the levels follow the list headers
    put(kPlfLfo, lfo);
  }

  // File information block.
  Bytes fib;
  fib.U16(0xA5EC);
  fib.U16(0x00C1);
  fib.U16(0);
  fib.U16(0x0409);
  fib.U16(0);
  fib.U16(0x0200 | 0x1000 | (model.pictures ? 0x0008 : 0));
  fib.U16(0x00BF);
  fib.U32(0);
  fib.U8(0);
  fib.U8(0);
  fib.U16(0);
  fib.U16(0);
  fib.U32(kTextStart);
  fib.U32(fc_end);
  fib.U16(14);
  fib.Zeros(28);
  fib.U16(22);
  uint32_t lw[22] = {};
  lw[0] = static_cast<uint32_t>(doc.size());
  lw[3] = ccp_text;
  lw[5] = ccp_hdd;
  lw[11] = chp_first;
  lw[12] = chp_first;
  lw[13] = chp_count;
  lw[14] = pap_first;
  lw[15] = pap_first;
  lw[16] = pap_count;
  for (uint32_t v : lw) fib.U32(v);
  fib.U16(kFcLcbCount);
  for (auto& pair : fclcb) {
    fib.U32(pair[0]);
    fib.U32(pair[1]);
  }
  fib.U16(0);
  std::copy(fib.str().begin(), fib.str().end(), doc.str().begin());
  out.word_document = std::move(doc.str());
  out.table = std::move(tbl.str());
  return out;
}

std::string BuildDocFile(const DocModel& model) {
  DocStreams s = BuildDocStreams(model);
  std::vector<CfbStream> streams;
  streams.push_back({"WordDocument", std::move(s.word_document)});
  streams.push_back({"1Table", std::move(s.table)});
  streams.push_back({"Data", std::move(s.data)});
  return WriteCompoundFile(std::move(streams));
}

void SaveDocFile(const DocModel& model, const std::string& path) {
  std::string image = BuildDocFile(model);
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  if (!f) throw std::runtime_error("cannot create " + path);
  f.write(image.data(), static_cast<std::streamsize>(image.size()));
  f.close();
  if (!f) throw std::runtime_error("cannot write " + path);
}

}  // namespace quillon::native
