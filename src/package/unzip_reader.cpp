// TUnZip: opening the archive and reading its directory.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <vector>

#include "package/unzip.h"
#include "package/zip_bytes.h"
#include "package/zip_errors.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/system.h"

namespace quillon {

using namespace zipbytes;

namespace {

constexpr int64_t kEndRecordSize = 22;
constexpr int64_t kTailWindow = 65535 + kEndRecordSize;  // longest comment + record
constexpr int64_t kExeScanStart = 14000;
constexpr int kScanPumpInterval = 10240;

// The archive path with its extension replaced by ".zfc".
std::string ZfcPath(const std::string& path) {
  size_t dot = path.rfind('.');
  size_t sep = path.find_last_of("\\/");
  if (dot == std::string::npos || (sep != std::string::npos && dot < sep)) return path + ".zfc";
  return path.substr(0, dot) + ".zfc";
}

bool HasExeExtension(const std::string& path) {
  if (path.size() < 4) return false;
  std::string ext = path.substr(path.size() - 4);
  for (char& c : ext) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return ext == ".EXE";
}

// Stores a count or offset in a 16/32-bit end record field, spilling into the
// Zip64 record when it does not fit.
void SetTotalEntries(TEndCentral& end, uint64_t count) {
  if (count >= 0xFFFF) {
    end.total_entries = 0xFFFF;
    end.Zip64().total_entries = count;
  } else {
    end.total_entries = static_cast<uint16_t>(count);
  }
}

void SetCentralOffset(TEndCentral& end, uint64_t offset) {
  if (offset >= 0xFFFFFFFF) {
    end.central_offset = 0xFFFFFFFF;
    end.Zip64().central_offset = offset;
  } else {
    end.central_offset = static_cast<uint32_t>(offset);
  }
}

}  // namespace

TUnZip::TUnZip() = default;

TUnZip::~TUnZip() { Reset(); }

void TUnZip::SetZipName(const std::string& path) {
  if (path == zip_name_) return;
  CloseArchive();
  list_.reset();
  end_central_.Reset();
  recorded_mtime_ = -1;
  recorded_size_ = -1;
  zip_name_ = path;
}

void TUnZip::SetDestDir(const std::string& folder) {
  dest_dir_ = folder;
  if (!dest_dir_.empty() && dest_dir_.back() == '\\') dest_dir_.pop_back();
}

void TUnZip::Reset() {
  archive_.Close();
  list_.reset();
  end_central_.Reset();
  volumes_ = 1;
  zip_name_.clear();
  recorded_mtime_ = -1;
  recorded_size_ = -1;
}

int TUnZip::EntryCount() const { return list_ ? list_->Count() : 0; }

const TZipHeaderInfo& TUnZip::Entry(int i) const { return (*list_)[i]; }

void TUnZip::Pump() {
  // POSIX has no thread message queue; the platform layer runs whatever
  // event pump the window installed (nothing on the command line).
  if (do_process_messages_) platform::ProcessMessages();
}

void TUnZip::OpenArchive() {
  if (archive_.IsOpen()) return;
  if (!archive_.Open(platform::NativePath(zip_name_))) throw EFOpenError(zip_name_);
}

void TUnZip::CloseArchive() { archive_.Close(); }

void TUnZip::ReadDirectory() {
  try {
    EnsureDirectory();
  } catch (const EIncompleteZip&) {
    CloseArchive();
    return;
  } catch (...) {
    Reset();
    throw;
  }
  if (!keep_zip_open_) CloseArchive();
}

void TUnZip::EnsureDirectory() {
  OpenArchive();
  // The directory is reused while the file's time stamp (and, as a guard
  // against coarse time stamps, its size) are unchanged.
  // One question to the open file answers both (and is about the very file
  // that will be read, whatever happened to its name since).
  int64_t mtime = -1;
  int64_t size = -1;
  archive_.File().SizeAndTime(size, mtime);
  if (list_ && mtime == recorded_mtime_ && size == recorded_size_) return;
  recorded_mtime_ = mtime;
  recorded_size_ = size;
  FullRead();
}

void TUnZip::FullRead() {
  list_.reset();
  end_central_.Reset();
  ++directory_reads_;
  merge_mode_ = false;
  scanned_ = false;
  current_volume_ = 0;

  bool found = FindEndRecord(archive_, false);
  if (found && end_central_.ThisDisk() < end_central_.CentralDisk()) found = false;
  TArchiveFileStream zfc;
  TBufferedStream* directory = &archive_.Stream();
  uint64_t start = 0;
  if (!found) {
    std::string zfc_path = ZfcPath(zip_name_);
    end_central_.Reset();
    bool zfc_found = platform::FileExists(zfc_path) && zfc.Open(platform::NativePath(zfc_path)) &&
                     FindEndRecord(zfc, true) &&
                     end_central_.ThisDisk() >= end_central_.CentralDisk();
    if (!zfc_found) {
      end_central_.Reset();
      recorded_mtime_ = -1;
      if (incomplete_mode_ == TIncompleteZipMode::izAssumeMulti) throw EIncompleteZip();
      throw EBadZipFile();
    }
    directory = &zfc.Stream();
    start = 0;
    current_volume_ = 0;
  } else {
    start = end_central_.CentralOffset();
  }
  list_ = std::make_unique<TSortedZip>(TDuplicates::dupError, TZipSortMode::ByNone);
  volumes_ = static_cast<int>(std::min<uint32_t>(end_central_.ThisDisk(), 0x7FFFFFFE)) + 1;
  if (end_central_.TotalEntries() > 0) {
    if (start > static_cast<uint64_t>(INT64_MAX)) start = static_cast<uint64_t>(INT64_MAX);
    directory->Seek(static_cast<int64_t>(start));
    ReadCentralDirectory(*directory);
  }
}

bool TUnZip::FindEndRecord(TArchiveFileStream& file, bool /*zfc*/) {
  int64_t length = file.File().Size();
  if (length < kEndRecordSize) {
    if (length != 0) return false;
    // An empty file is an archive with no entries.
    end_central_ = TEndCentral();
    end_central_.signature = 0;
    return true;
  }
  const int64_t window = std::min(kTailWindow, length);
  std::vector<unsigned char> tail(static_cast<size_t>(window));
  file.Stream().Invalidate();
  if (!file.File().Seek(length - window) ||
      file.File().Read(tail.data(), tail.size()) != tail.size()) {
    return false;
  }
  int64_t match = -1;
  for (int64_t i = window - kEndRecordSize; i >= 0; --i) {
    if (tail[static_cast<size_t>(i)] == 'P' &&
        Le32(&tail[static_cast<size_t>(i)]) == kEndSignature) {
      match = i;
      break;
    }
  }
  if (match < 0) return false;
  const unsigned char* r = &tail[static_cast<size_t>(match)];
  end_central_.signature = Le32(r);
  end_central_.this_disk = Le16(r + 4);
  end_central_.central_disk = Le16(r + 6);
  end_central_.entries_this_disk = Le16(r + 8);
  end_central_.total_entries = Le16(r + 10);
  end_central_.central_size = Le32(r + 12);
  end_central_.central_offset = Le32(r + 16);
  end_central_.comment_length = Le16(r + 20);
  end_central_.comment_position = length - window + match + kEndRecordSize;
  if (match >= 20 && Le32(r - 20) == kZip64LocatorSignature) {
    const unsigned char* loc = r - 20;
    TZip64Locator& locator = end_central_.Zip64Locator();
    locator.zip64_disk = Le32(loc + 4);
    locator.zip64_offset = Le64(loc + 8);
    locator.total_disks = Le32(loc + 16);
    unsigned char z[56];
    if (locator.zip64_offset < static_cast<uint64_t>(length) &&
        file.File().Seek(static_cast<int64_t>(locator.zip64_offset)) &&
        file.File().Read(z, sizeof z) == sizeof z) {
      TZip64EndCentral& record = end_central_.Zip64();
      record.signature = Le32(z);
      record.record_size = Le64(z + 4);
      record.version_made_by = Le16(z + 12);
      record.version_needed = Le16(z + 14);
      record.this_disk = Le32(z + 16);
      record.central_disk = Le32(z + 20);
      record.entries_this_disk = Le64(z + 24);
      record.total_entries = Le64(z + 32);
      record.central_size = Le64(z + 40);
      record.central_offset = Le64(z + 48);
    }
  }
  return true;
}

std::string TUnZip::ConvertName(const std::string& raw, uint16_t flags, bool host_is_dos,
                                bool& is_ansi) const {
  is_ansi = false;
  // Names flagged UTF-8 (bit 11) are already what the file system wants.
  if ((flags & 0x800) != 0) return raw;
  if (host_is_dos && oem_convert_ == TOEMConvert::oemAlways) {
    is_ansi = true;
    return platform::Cp437ToCp1252(raw);
  }
  return raw;
}

bool TUnZip::ReadCentralHeader(TBufferedStream& in, TZipHeaderInfo& info) {
  const int64_t start = in.Position();
  unsigned char h[46];
  if (in.Read(h, sizeof h) != sizeof h || Le32(h) != kCentralSignature) {
    in.Seek(start);
    return false;
  }
  const uint16_t name_length = Le16(h + 28);
  std::string name(name_length, '\0');
  if (name_length > 0 && in.Read(name.data(), name_length) != name_length) {
    in.Seek(start);
    return false;
  }
  std::replace(name.begin(), name.end(), '/', '\\');
  info.version_made_by = Le16(h + 4);
  info.version_needed = Le16(h + 6);
  info.flags = Le16(h + 8);
  info.compression_method = Le16(h + 10);
  info.dos_date_time = RepairDosDateTime(Le32(h + 12));
  info.crc32 = Le32(h + 16);
  info.compressed_size = Le32(h + 20);
  info.uncompressed_size = Le32(h + 24);
  info.central_extra_length = Le16(h + 30);
  info.comment_length = Le16(h + 32);
  info.disk_number_start = Le16(h + 34);
  info.internal_attributes = Le16(h + 36);
  info.external_attributes = Le32(h + 38);
  info.local_header_offset = Le32(h + 42);
  info.central_header_position = start;
  bool is_ansi = false;
  info.SetFullName(ConvertName(name, info.flags, info.HostSystem() == 0, is_ansi));
  info.name_length = name_length;
  info.name_is_ansi = is_ansi;

  const uint16_t extra_length = info.central_extra_length;
  if (extra_length > 0) {
    const int64_t extra_start = in.Position();
    info.central_extra_position = extra_start;
    info.central_extra_size = extra_length;
    std::vector<unsigned char> extra(extra_length);
    size_t got = in.Read(extra.data(), extra.size());
    size_t off = 0;
    while (off + 4 <= got) {
      uint16_t tag = Le16(&extra[off]);
      uint16_t size = Le16(&extra[off + 2]);
      size_t data = off + 4;
      size_t end = std::min(got, data + size);
      if (tag == 1) {
        TZip64ExtraInfo& z = info.Zip64();
        z.size = size;
        info.zip64_block_size = static_cast<uint16_t>(size + 4);
        size_t p = data;
        if (info.uncompressed_size == 0xFFFFFFFF && p + 8 <= end) {
          z.uncompressed_size = Le64(&extra[p]);
          p += 8;
        }
        if (info.compressed_size == 0xFFFFFFFF && p + 8 <= end) {
          z.compressed_size = Le64(&extra[p]);
          p += 8;
        }
        if (info.local_header_offset == 0xFFFFFFFF && p + 8 <= end) {
          z.local_header_offset = Le64(&extra[p]);
          p += 8;
        }
        if (info.disk_number_start == 0xFFFF && p + 4 <= end) {
          z.disk_number_start = Le32(&extra[p]);
        }
      }
      off = data + size;
    }
    in.Seek(extra_start);
  }
  return true;
}

void TUnZip::ReadCentralDirectory(TBufferedStream& directory) {
  TBufferedStream* in = &directory;
  uint64_t total = end_central_.TotalEntries();
  TZipHeaderInfo* previous = nullptr;
  std::vector<bool> merged;  // scanned records already given central values
  for (uint64_t i = 0; i < total; ++i) {
    Pump();
    auto record = std::make_unique<TZipHeaderInfo>();
    record->oem_convert = oem_convert_ == TOEMConvert::oemAlways;
    bool ok = ReadCentralHeader(*in, *record);
    if (!ok && !merge_mode_ && previous != nullptr && previous->central_extra_length > 0) {
      // The previous header may have claimed a wrong extra field length.
      int64_t back = previous->central_extra_length;
      previous->central_extra_length = 0;
      in->SeekBy(-back);
      ok = ReadCentralHeader(*in, *record);
    }
    if (ok) {
      const int64_t skip = record->central_extra_length + record->comment_length;
      if (merge_mode_) {
        int index = 0;
        // A record takes the values of the first central header naming its
        // position; a second claim on the same data is a lie and dropped.
        merged.resize(static_cast<size_t>(list_->Count()), false);
        if (list_->Find(*record, index) && !merged[static_cast<size_t>(index)]) {
          merged[static_cast<size_t>(index)] = true;
          TZipHeaderInfo& scanned = (*list_)[index];
          uint64_t own_offset = scanned.LocalHeaderOffset();
          scanned = *record;
          scanned.SetLocalHeaderOffset(own_offset);
        }
        in->SeekBy(skip);
        continue;
      }
      try {
        TZipHeaderInfo* raw = record.get();
        list_->Add(std::move(record));
        previous = raw;
        in->SeekBy(skip);
        continue;
      } catch (...) {
        ok = false;  // a duplicate data position: the directory lies
      }
    }
    if (merge_mode_) break;  // the first unreadable header ends the merge
    if (!scanned_ && RecoveryScan()) {
      merge_mode_ = true;
      in = &archive_.Stream();
      total = end_central_.TotalEntries();
      previous = nullptr;
      i = static_cast<uint64_t>(-1);  // restart from the first header
      continue;
    }
    Reset();
    throw EBadZipFile();
  }
}

bool TUnZip::RecoveryScan() {
  scanned_ = true;
  TBufferedStream& in = archive_.Stream();
  if (!in.Seek(HasExeExtension(zip_name_) ? kExeScanStart : 0)) return false;

  // Look for "PK\3\4" followed by a version-needed field whose upper byte is
  // below 10.
  unsigned char last[6] = {0, 0, 0, 0, 0, 0};
  int64_t seen = 0;
  bool candidate = false;
  unsigned char chunk[4096];
  size_t have = 0;
  size_t at = 0;
  int since_pump = 0;
  while (!candidate) {
    if (at == have) {
      have = in.Read(chunk, sizeof chunk);
      at = 0;
      if (have == 0) break;
    }
    std::memmove(last, last + 1, 5);
    last[5] = chunk[at++];
    ++seen;
    if (++since_pump == kScanPumpInterval) {
      since_pump = 0;
      Pump();
    }
    if (seen >= 6 && last[0] == 'P' && last[1] == 'K' && last[2] == 3 && last[3] == 4 &&
        last[5] < 10) {
      candidate = true;
    }
  }
  if (!candidate) return false;
  // Back to the candidate's signature: the bytes not yet used from |chunk|
  // lie after it.
  const int64_t signature_at = in.Position() - static_cast<int64_t>(have - at) - 6;
  in.Seek(signature_at);

  auto scanned = std::make_unique<TSortedZip>(TDuplicates::dupError, TZipSortMode::ByNone);
  const int64_t file_size = in.Size();
  for (;;) {
    const int64_t header_at = in.Position();
    unsigned char h[30];
    if (in.Read(h, sizeof h) != sizeof h || Le32(h) != kLocalSignature) {
      in.Seek(header_at);
      break;
    }
    const uint16_t name_length = Le16(h + 26);
    const uint16_t extra_length = Le16(h + 28);
    std::string name(name_length, '\0');
    if (name_length > 0 && in.Read(name.data(), name_length) != name_length) {
      in.Seek(header_at);
      break;
    }
    std::replace(name.begin(), name.end(), '/', '\\');
    auto record = std::make_unique<TZipHeaderInfo>();
    record->oem_convert = oem_convert_ == TOEMConvert::oemAlways;
    record->version_made_by = 0;
    record->version_needed = Le16(h + 4);
    record->flags = Le16(h + 6);
    record->compression_method = Le16(h + 8);
    record->dos_date_time = RepairDosDateTime(Le32(h + 10));
    record->crc32 = Le32(h + 14);
    record->compressed_size = Le32(h + 18);
    record->uncompressed_size = Le32(h + 22);
    record->local_extra_length = extra_length;
    record->internal_attributes = 0;
    record->external_attributes = 0;
    bool is_ansi = false;
    // A local header names no host system: the name counts as a DOS one.
    record->SetFullName(ConvertName(name, record->flags, true, is_ansi));
    record->name_length = name_length;
    record->name_is_ansi = is_ansi;
    const int64_t after_name = in.Position();
    if (extra_length > 0) {
      unsigned char z[32];
      if (in.Read(z, sizeof z) == sizeof z && Le16(z) == 1) {
        TZip64ExtraInfo& block = record->Zip64();
        block.size = Le16(z + 2);
        block.uncompressed_size = Le64(z + 4);
        block.compressed_size = Le64(z + 12);
        block.local_header_offset = Le64(z + 20);
        block.disk_number_start = Le32(z + 28);
      }
      in.Seek(after_name);
    }
    record->SetLocalHeaderOffset(static_cast<uint64_t>(header_at));
    const uint64_t skip =
        record->CompressedSize() + extra_length + (record->HasDataDescriptor() ? 16 : 0);
    try {
      scanned->Add(std::move(record));
    } catch (const EListError&) {
      in.Seek(header_at);
      break;
    }
    if (skip > static_cast<uint64_t>(file_size)) {
      in.Seek(file_size);  // beyond the end: nothing more to walk
      break;
    }
    in.Seek(after_name + static_cast<int64_t>(skip));
  }
  if (scanned->Count() == 0) return false;
  end_central_.this_disk = 0;
  SetCentralOffset(end_central_, static_cast<uint64_t>(in.Position()));
  SetTotalEntries(end_central_, static_cast<uint64_t>(scanned->Count()));
  volumes_ = 1;
  list_ = std::move(scanned);
  return true;
}

}  // namespace quillon
