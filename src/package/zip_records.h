// The records that hold an archive's directory: the end-of-central-directory
// record (TEndCentral), one entry (TZipHeaderInfo) and the owning list that
// keeps entries in the order of their data in the archive (TSortedZip).
// Field layouts follow the PKWARE application note, Zip64 included.
// TSortedObjectList raises EListError; nothing else here throws.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace quillon {

// Clamps an MS-DOS date-time (date in the high 16 bits, time in the low 16)
// into range: hour <= 23, minute <= 59, seconds <= 58 (stored 29), year <=
// 2099, month 1..12, day >= 1. A value needing no clamp comes back unchanged.
uint32_t RepairDosDateTime(uint32_t dos_date_time);

// The Zip64 end-of-central-directory record (56 bytes on disk).
struct TZip64EndCentral {
  uint32_t signature = 0x06064B50;
  uint64_t record_size = 44;
  uint16_t version_made_by = 45;
  uint16_t version_needed = 45;
  uint32_t this_disk = 0;
  uint32_t central_disk = 0;
  uint64_t entries_this_disk = 0;
  uint64_t total_entries = 0;
  uint64_t central_size = 0;
  uint64_t central_offset = 0;
};

// The Zip64 end-of-central-directory locator (20 bytes on disk).
struct TZip64Locator {
  uint32_t signature = 0x07064B50;
  uint32_t zip64_disk = 0;
  uint64_t zip64_offset = 0;
  uint32_t total_disks = 1;
};

class TEndCentral {
 public:
  uint32_t signature = 0x06054B50;
  uint16_t this_disk = 0;
  uint16_t central_disk = 0;
  uint16_t entries_this_disk = 0;
  uint16_t total_entries = 0;
  uint32_t central_size = 0;
  uint32_t central_offset = 0;
  uint16_t comment_length = 0;
  std::optional<std::string> comment;  // absent until read
  int64_t comment_position = 0;
  bool modified = false;
  std::optional<TZip64EndCentral> zip64;       // created on first use
  std::optional<TZip64Locator> zip64_locator;  // created on first use

  // Values that fall back to the Zip64 record when the field is saturated.
  uint32_t ThisDisk() const;
  uint32_t CentralDisk() const;
  uint64_t TotalEntries() const;
  uint64_t CentralOffset() const;

  TZip64EndCentral& Zip64();
  TZip64Locator& Zip64Locator();
  void Reset();
};

// The Zip64 extended information block of one entry.
struct TZip64ExtraInfo {
  uint16_t tag = 1;
  uint16_t size = 0;
  uint64_t uncompressed_size = 0;
  uint64_t compressed_size = 0;
  uint64_t local_header_offset = 0;
  uint32_t disk_number_start = 0;
};

class TZipHeaderInfo {
 public:
  uint16_t version_made_by = 45;
  uint16_t version_needed = 20;
  uint16_t flags = 0;
  uint16_t compression_method = 8;
  uint32_t dos_date_time = 0;  // already repaired
  uint32_t crc32 = 0xFFFFFFFF;
  uint32_t compressed_size = 0;
  uint32_t uncompressed_size = 0;
  uint16_t name_length = 0;
  uint16_t central_extra_length = 0;
  uint16_t local_extra_length = 0;
  uint16_t comment_length = 0;
  uint16_t disk_number_start = 0;
  uint16_t internal_attributes = 1;
  uint32_t external_attributes = 0x20;
  uint32_t local_header_offset = 0;
  int64_t central_header_position = 0;
  std::optional<TZip64ExtraInfo> zip64;
  std::optional<std::string> comment;
  bool selected = false;
  bool flag2 = false;
  bool flag3 = false;
  bool oem_convert = true;    // name conversion mode of the component
  bool name_is_ansi = false;  // name was turned from code page 437 into 1252
  int64_t central_extra_position = 0;
  uint16_t central_extra_size = 0;
  uint16_t zip64_block_size = 0;  // size of the Zip64 block plus 4

  const std::string& FileName() const { return file_name_; }
  const std::string& Directory() const { return directory_; }
  // Folder plus file name, backslash separated.
  std::string FullName() const { return directory_ + file_name_; }
  // Splits at the last backslash into folder (ending with one) and file name.
  void SetFullName(const std::string& name);
  void SetFileName(const std::string& name);
  void SetDirectory(const std::string& folder);

  bool Encrypted() const { return (flags & 1) != 0; }
  bool HasDataDescriptor() const { return (flags & 8) != 0; }
  uint8_t HostSystem() const { return static_cast<uint8_t>(version_made_by >> 8); }

  uint64_t CompressedSize() const;
  uint64_t UncompressedSize() const;
  uint64_t LocalHeaderOffset() const;
  uint32_t DiskNumberStart() const;
  void SetCompressedSize(uint64_t value);
  void SetUncompressedSize(uint64_t value);
  void SetLocalHeaderOffset(uint64_t value);
  void SetDiskNumberStart(uint32_t value);

  TZip64ExtraInfo& Zip64();
  void Reset();

 private:
  std::string file_name_;
  std::string directory_;
};

// The data-order comparison: disk number start, then local header offset.
int CompareByDataOrder(const TZipHeaderInfo& a, const TZipHeaderInfo& b);

// The list's own error class.
class EListError : public std::runtime_error {
 public:
  explicit EListError(const std::string& message) : std::runtime_error(message) {}
};

enum class TDuplicates { dupIgnore, dupAccept, dupError };

// An owning list kept sorted on insertion by a comparison function.
template <typename T>
class TSortedObjectList {
 public:
  using Compare = std::function<int(const T&, const T&)>;

  TSortedObjectList(Compare compare, TDuplicates duplicates)
      : compare_(std::move(compare)), duplicates_(duplicates) {}
  virtual ~TSortedObjectList() = default;

  int Count() const { return static_cast<int>(items_.size()); }
  T& operator[](int i) { return *items_[static_cast<size_t>(i)]; }
  const T& operator[](int i) const { return *items_[static_cast<size_t>(i)]; }
  TDuplicates Duplicates() const { return duplicates_; }

  // Inserts in order and takes ownership. Returns the index, or -1 when the
  // key is present and duplicates are ignored (the object is then freed).
  // Raises EListError "Duplicate Object index" with duplicates = error.
  virtual int Add(std::unique_ptr<T> item) {
    int index = 0;
    if (Find(*item, index)) {
      if (duplicates_ == TDuplicates::dupIgnore) return -1;
      if (duplicates_ == TDuplicates::dupError) throw EListError("Duplicate Object index");
    }
    items_.insert(items_.begin() + index, std::move(item));
    return index;
  }

  // Placing an object at a chosen index would break the order.
  void Put(int, std::unique_ptr<T>) {
    throw EListError("Cannot <Put> an Object in a sorted list!");
  }
  void Insert(int, std::unique_ptr<T>) {
    throw EListError("Cannot <Put> an Object in a sorted list!");
  }

  // Binary search; |index| is where |key| is or would go.
  bool Find(const T& key, int& index) const {
    int low = 0;
    int high = Count() - 1;
    bool found = false;
    while (low <= high) {
      int mid = (low + high) / 2;
      int c = compare_(*items_[static_cast<size_t>(mid)], key);
      if (c < 0) {
        low = mid + 1;
      } else {
        high = mid - 1;
        if (c == 0) {
          found = true;
          if (duplicates_ != TDuplicates::dupAccept) low = mid;
        }
      }
    }
    index = low;
    return found;
  }

  void Clear() { items_.clear(); }

 private:
  Compare compare_;
  TDuplicates duplicates_;
  std::vector<std::unique_ptr<T>> items_;
};

enum class TZipSortMode { ByNone };

// The directory list: entries in data order.
class TSortedZip : public TSortedObjectList<TZipHeaderInfo> {
 public:
  explicit TSortedZip(TDuplicates duplicates = TDuplicates::dupError,
                      TZipSortMode sort_mode = TZipSortMode::ByNone);
  TZipSortMode SortMode() const { return sort_mode_; }
  bool HasZip64() const { return has_zip64_; }
  int Add(std::unique_ptr<TZipHeaderInfo> item) override;

 private:
  TZipSortMode sort_mode_;
  bool has_zip64_ = false;
};

}  // namespace quillon
