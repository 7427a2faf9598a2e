// TUnZip: the ZIP component that reads an archive's directory and extracts
// its entries. Paths use the system's backslash form.
//
// Calling order: SetZipName, ReadDirectory, the settings, ExtractEntries.
// ReadDirectory and ExtractEntries raise the classes of package/zip_errors.h;
// a problem with a single entry (bad CRC, an output file that cannot be
// created, something other than a file or link in its place, an encrypted
// entry, a name leading outside DestDir) only skips it.
// Not thread-safe: one component serves one caller at a time.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "package/archive_stream.h"
#include "package/zip_records.h"

namespace quillon {

// Prompt would ask through a notification hook; with none attached (the
// system attaches none) it replaces the file, as Always does.
enum class TUZOverwriteMode { Prompt, Always, Never };
enum class TIncompleteZipMode { izAssumeMulti, izAssumeBad, izAssumeNotAZip };
enum class TOEMConvert { oemNever, oemAlways };

// Upper bound on what one extraction run may write in total.
constexpr uint64_t kMaxExtractedBytes = uint64_t{2} << 30;  // 2 GiB

class TUnZip {
 public:
  TUnZip();
  ~TUnZip();
  TUnZip(const TUnZip&) = delete;
  TUnZip& operator=(const TUnZip&) = delete;

  // Selecting another archive forgets the directory read from the last one.
  // Paths are compared exactly: on POSIX, names differing in case are
  // different files.
  void SetZipName(const std::string& path);
  const std::string& ZipName() const { return zip_name_; }
  // Stored without one trailing backslash.
  void SetDestDir(const std::string& folder);
  const std::string& DestDir() const { return dest_dir_; }

  bool DoAll() const { return do_all_; }
  void SetDoAll(bool value) { do_all_ = value; }
  bool RecreateDirs() const { return recreate_dirs_; }
  void SetRecreateDirs(bool value) { recreate_dirs_ = value; }
  bool RetainAttributes() const { return retain_attributes_; }
  void SetRetainAttributes(bool value) { retain_attributes_ = value; }
  TUZOverwriteMode OverwriteMode() const { return overwrite_mode_; }
  void SetOverwriteMode(TUZOverwriteMode mode) { overwrite_mode_ = mode; }
  TZipSortMode SortMode() const { return TZipSortMode::ByNone; }
  TIncompleteZipMode IncompleteZipMode() const { return incomplete_mode_; }
  void SetIncompleteZipMode(TIncompleteZipMode mode) { incomplete_mode_ = mode; }
  bool KeepZipOpen() const { return keep_zip_open_; }
  void SetKeepZipOpen(bool value) { keep_zip_open_ = value; }
  bool DoProcessMessages() const { return do_process_messages_; }
  void SetDoProcessMessages(bool value) { do_process_messages_ = value; }
  bool ReplaceReadOnly() const { return replace_read_only_; }
  void SetReplaceReadOnly(bool value) { replace_read_only_ = value; }
  TOEMConvert OEMConvert() const { return oem_convert_; }
  void SetOEMConvert(TOEMConvert value) { oem_convert_ = value; }

  // Makes sure the directory list reflects the archive. Returns quietly with
  // an empty list when the archive has no end record (izAssumeMulti); any
  // other failure resets the component and passes on.
  void ReadDirectory();
  // Number of entries in the directory list, 0 when there is none.
  int EntryCount() const;
  // Entry |i| in data order, 0 <= i < EntryCount().
  const TZipHeaderInfo& Entry(int i) const;
  const TEndCentral& EndCentral() const { return end_central_; }
  // How many full directory reads have run (a reused directory adds none).
  int DirectoryReads() const { return directory_reads_; }

  // Extracts every entry into DestDir and returns how many were extracted
  // (files whose CRC matched, plus folder entries).
  int ExtractEntries();

  // Closes the archive and forgets everything read from it.
  void Reset();

 private:
  friend class ExtractRun;

  void OpenArchive();
  void CloseArchive();
  void EnsureDirectory();  // steps "opening and reuse" and "full read"
  void FullRead();
  bool FindEndRecord(TArchiveFileStream& file, bool zfc);
  bool ReadCentralHeader(TBufferedStream& in, TZipHeaderInfo& info);
  bool RecoveryScan();
  void ReadCentralDirectory(TBufferedStream& in);
  void Pump();
  std::string ConvertName(const std::string& raw, uint16_t flags, bool host_is_dos,
                          bool& is_ansi) const;

  std::string zip_name_;
  std::string dest_dir_;
  bool do_all_ = true;
  bool recreate_dirs_ = true;
  bool retain_attributes_ = true;
  TUZOverwriteMode overwrite_mode_ = TUZOverwriteMode::Prompt;
  TIncompleteZipMode incomplete_mode_ = TIncompleteZipMode::izAssumeMulti;
  bool keep_zip_open_ = false;
  bool do_process_messages_ = true;
  bool replace_read_only_ = false;
  TOEMConvert oem_convert_ = TOEMConvert::oemAlways;

  TArchiveFileStream archive_;
  std::unique_ptr<TSortedZip> list_;
  TEndCentral end_central_;
  int64_t recorded_mtime_ = -1;
  int64_t recorded_size_ = -1;
  int volumes_ = 1;
  int current_volume_ = 0;
  int directory_reads_ = 0;
  bool merge_mode_ = false;
  bool scanned_ = false;
};

}  // namespace quillon
