#include "package/zip_records.h"

namespace quillon {

uint32_t RepairDosDateTime(uint32_t dos_date_time) {
  uint32_t date = dos_date_time >> 16;
  uint32_t time = dos_date_time & 0xFFFF;
  uint32_t hour = time >> 11;
  uint32_t minute = (time >> 5) & 0x3F;
  uint32_t second = (time & 0x1F) * 2;
  uint32_t year = 1980 + (date >> 9);
  uint32_t month = (date >> 5) & 0x0F;
  uint32_t day = date & 0x1F;
  bool clamped = false;
  if (hour > 23) hour = 23, clamped = true;
  if (minute > 59) minute = 59, clamped = true;
  if (second > 59) second = 58, clamped = true;  // stored as 29
  if (year > 2099) year = 2099, clamped = true;
  if (month > 12) month = 12, clamped = true;
  if (month == 0) month = 1, clamped = true;
  if (day == 0) day = 1, clamped = true;
  if (!clamped) return dos_date_time;
  uint32_t new_date = ((year - 1980) << 9) | (month << 5) | day;
  uint32_t new_time = (hour << 11) | (minute << 5) | (second / 2);
  return (new_date << 16) | new_time;
}

uint32_t TEndCentral::ThisDisk() const {
  return this_disk == 0xFFFF && zip64 ? zip64->this_disk : this_disk;
}

uint32_t TEndCentral::CentralDisk() const {
  return central_disk == 0xFFFF && zip64 ? zip64->central_disk : central_disk;
}

uint64_t TEndCentral::TotalEntries() const {
  return total_entries == 0xFFFF && zip64 ? zip64->total_entries : total_entries;
}

uint64_t TEndCentral::CentralOffset() const {
  return central_offset == 0xFFFFFFFF && zip64 ? zip64->central_offset : central_offset;
}

TZip64EndCentral& TEndCentral::Zip64() {
  if (!zip64) zip64.emplace();
  return *zip64;
}

TZip64Locator& TEndCentral::Zip64Locator() {
  if (!zip64_locator) zip64_locator.emplace();
  return *zip64_locator;
}

void TEndCentral::Reset() {
  // The Zip64 records belong to the archive just read; a reset forgets them
  // too, so a later archive never sees stale values through the accessors.
  *this = TEndCentral();
}

void TZipHeaderInfo::SetFullName(const std::string& name) {
  size_t slash = name.rfind('\\');
  if (slash == std::string::npos) {
    directory_.clear();
    file_name_ = name;
  } else {
    directory_ = name.substr(0, slash + 1);
    file_name_ = name.substr(slash + 1);
  }
  name_length = static_cast<uint16_t>(directory_.size() + file_name_.size());
}

void TZipHeaderInfo::SetFileName(const std::string& name) {
  file_name_ = name;
  name_length = static_cast<uint16_t>(directory_.size() + file_name_.size());
}

void TZipHeaderInfo::SetDirectory(const std::string& folder) {
  directory_ = folder;
  if (!directory_.empty() && directory_.back() != '\\') directory_ += '\\';
  name_length = static_cast<uint16_t>(directory_.size() + file_name_.size());
}

uint64_t TZipHeaderInfo::CompressedSize() const {
  return compressed_size == 0xFFFFFFFF && zip64 ? zip64->compressed_size : compressed_size;
}

uint64_t TZipHeaderInfo::UncompressedSize() const {
  return uncompressed_size == 0xFFFFFFFF && zip64 ? zip64->uncompressed_size : uncompressed_size;
}

uint64_t TZipHeaderInfo::LocalHeaderOffset() const {
  return local_header_offset == 0xFFFFFFFF && zip64 ? zip64->local_header_offset
                                                    : local_header_offset;
}

uint32_t TZipHeaderInfo::DiskNumberStart() const {
  return disk_number_start == 0xFFFF && zip64 ? zip64->disk_number_start : disk_number_start;
}

void TZipHeaderInfo::SetCompressedSize(uint64_t value) {
  if (value >= 0xFFFFFFFF) {
    Zip64().compressed_size = value;
    compressed_size = 0xFFFFFFFF;
  } else {
    compressed_size = static_cast<uint32_t>(value);
  }
}

void TZipHeaderInfo::SetUncompressedSize(uint64_t value) {
  if (value >= 0xFFFFFFFF) {
    Zip64().uncompressed_size = value;
    uncompressed_size = 0xFFFFFFFF;
  } else {
    uncompressed_size = static_cast<uint32_t>(value);
  }
}

void TZipHeaderInfo::SetLocalHeaderOffset(uint64_t value) {
  if (value >= 0xFFFFFFFF) {
    Zip64().local_header_offset = value;
    local_header_offset = 0xFFFFFFFF;
  } else {
    local_header_offset = static_cast<uint32_t>(value);
  }
}

void TZipHeaderInfo::SetDiskNumberStart(uint32_t value) {
  if (value >= 0xFFFF) {
    Zip64().disk_number_start = value;
    disk_number_start = 0xFFFF;
  } else {
    disk_number_start = static_cast<uint16_t>(value);
  }
}

TZip64ExtraInfo& TZipHeaderInfo::Zip64() {
  if (!zip64) zip64.emplace();
  return *zip64;
}

void TZipHeaderInfo::Reset() {
  bool oem = oem_convert;
  *this = TZipHeaderInfo();
  oem_convert = oem;
}

int CompareByDataOrder(const TZipHeaderInfo& a, const TZipHeaderInfo& b) {
  int64_t disk = static_cast<int64_t>(a.DiskNumberStart()) - b.DiskNumberStart();
  if (disk != 0) return disk < 0 ? -1 : 1;
  uint64_t ao = a.LocalHeaderOffset();
  uint64_t bo = b.LocalHeaderOffset();
  if (ao == bo) return 0;
  return ao < bo ? -1 : 1;
}

TSortedZip::TSortedZip(TDuplicates duplicates, TZipSortMode sort_mode)
    : TSortedObjectList<TZipHeaderInfo>(CompareByDataOrder, duplicates), sort_mode_(sort_mode) {}

int TSortedZip::Add(std::unique_ptr<TZipHeaderInfo> item) {
  bool zip64 = item->zip64.has_value();
  int index = TSortedObjectList<TZipHeaderInfo>::Add(std::move(item));
  if (zip64) has_zip64_ = true;
  return index;
}

}  // namespace quillon
