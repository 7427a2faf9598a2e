// TUnZip: extracting the entries of the directory list.
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <vector>

#include "package/crc32.h"
#include "package/legacy_decoders.h"
#include "package/unzip.h"
#include "package/zip_bytes.h"
#include "package/zip_errors.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/system.h"

namespace quillon {

using namespace zipbytes;

namespace {

// Files are sized to their declared length up front only when that length is
// plausible for the compressed data (deflate expands at most about 1032:1),
// so a lying header cannot reserve absurd amounts of space.
constexpr uint64_t kMaxExpansionRatio = 1100;

// Creates |path| with every missing parent; failures are left for the file
// creation that follows to notice. The folder is made straight away and its
// parents only looked at when that fails for want of them.
void ForceDirectories(std::string path) {
  if (!path.empty() && (path.back() == '\\' || path.back() == '/')) path.pop_back();
  if (path.size() <= 2 || platform::MakeFolder(path) != ENOENT) return;
  size_t sep = path.find_last_of("\\/");
  if (sep == std::string::npos || sep == 0) return;
  ForceDirectories(path.substr(0, sep));
  platform::MakeFolder(path);
}

// Folders kept open during one run, beyond the destination itself. Packages
// have a handful; an archive with thousands must not run out of descriptors.
constexpr size_t kMaxOpenFolders = 64;

// Turns an entry's folder into a path relative to the destination: a drive
// prefix and leading backslashes are dropped, "." and empty parts vanish.
// False when a part is ".." or holds a NUL, i.e. when the entry would leave
// the destination folder.
bool RelativeFolder(const std::string& folder, std::string& out) {
  out.clear();
  std::string f = folder;
  if (f.size() >= 2 && f[1] == ':') f.erase(0, 2);
  size_t start = 0;
  while (start <= f.size()) {
    size_t end = f.find('\\', start);
    if (end == std::string::npos) end = f.size();
    std::string part = f.substr(start, end - start);
    start = end + 1;
    if (part.empty() || part == ".") continue;
    if (part == ".." || part.find('\0') != std::string::npos) return false;
    out += part;
    out += '\\';
  }
  return true;
}

bool SafeFileName(const std::string& name) {
  return name != "." && name != ".." && name.find('\0') == std::string::npos;
}

}  // namespace

// One extraction run: the buffers, the working record and the per-entry
// state. It is also the decoders' input and output.
class ExtractRun : public TDecoderInput, public TDecoderOutput {
 public:
  explicit ExtractRun(TUnZip& zip)
      : zip_(zip), in_buffer_(kChunkSize + 1), out_buffer_(kChunkSize + 1) {}

  int Run() {
    const std::string& dest = zip_.dest_dir_;
    if (!dest.empty()) ForceDirectories(dest);
    dest_.handle.Open(dest);  // every entry is made through it; failing, none can be
    CheckTotalSize();
    int done = 0;
    for (int i = 0; i < zip_.EntryCount(); ++i) {
      zip_.Pump();
      if (ExtractOne(zip_.Entry(i))) ++done;
    }
    return done;
  }

  void Write(const unsigned char* data, size_t count) override {
    if (written_ + count > work_.UncompressedSize()) throw EBiggerThanUncompressed();
    if (output_->Write(data, count) != count) throw ECantWriteUCF();
    crc_ = UpdateCrc32(crc_, data, count);
    written_ += count;
  }

 protected:
  bool Refill() override {
    size_t n = FillInput();
    if (n == 0) return false;
    data_ = in_buffer_.data();
    pos_ = 0;
    len_ = n;
    return true;
  }

 private:
  // Reads the next min(32768, remaining) compressed bytes into the input
  // buffer; 0 once the compressed bytes are used up.
  size_t FillInput() {
    size_t n = static_cast<size_t>(std::min<uint64_t>(kChunkSize, remaining_));
    if (n == 0) return 0;
    zip_.Pump();
    if (zip_.archive_.Stream().Read(in_buffer_.data(), n) != n) throw EFatalUnzipError();
    remaining_ -= n;
    return n;
  }

  // The declared sizes bound what decoding may write, so their sum bounds the
  // whole run: refuse up front rather than fill the disk.
  void CheckTotalSize() {
    uint64_t total = 0;
    for (int i = 0; i < zip_.EntryCount(); ++i) {
      const TZipHeaderInfo& e = zip_.Entry(i);
      if (e.FileName().empty() || e.Encrypted()) continue;
      total += std::min<uint64_t>(e.UncompressedSize(), kMaxExtractedBytes + 1);
      if (total > kMaxExtractedBytes) throw EZipTooLarge();
    }
  }

  std::string OutputFolder(const std::string& relative) const {
    const std::string& dest = zip_.dest_dir_;
    if (dest.empty()) return relative;  // relative to the current folder
    return dest + "\\" + relative;
  }

  // One folder below the destination, open for the rest of the run.
  struct OpenFolder {
    std::string relative;  // "word\\_rels\\"
    platform::FolderHandle handle;
    int mode;  // permission bits when known, -1 otherwise
  };

  // The folder |relative| (each part followed by a backslash) below the
  // destination, made part by part when missing. Refuses to pass through a
  // symbolic link. Null when it cannot be had. Folders already reached in
  // this run are not looked at again.
  OpenFolder* Folder(const std::string& relative) {
    if (relative.empty()) return dest_.handle.IsOpen() ? &dest_ : nullptr;
    for (OpenFolder& f : folders_) {
      if (f.relative == relative) return &f;
    }
    const size_t sep = relative.rfind('\\', relative.size() - 2);
    const std::string parent_path = sep == std::string::npos ? "" : relative.substr(0, sep + 1);
    const std::string name =
        relative.substr(parent_path.size(), relative.size() - parent_path.size() - 1);
    OpenFolder* parent = Folder(parent_path);
    if (parent == nullptr) return nullptr;
    platform::FolderHandle handle;
    bool created = false;
    if (!handle.OpenChild(parent->handle, name, true, &created)) return nullptr;
    if (folders_.size() >= kMaxOpenFolders) folders_.clear();  // |parent| is not needed any more
    folders_.push_back(OpenFolder{relative, std::move(handle),
                                  created ? static_cast<int>(platform::NewEntryMode(true)) : -1});
    return &folders_.back();
  }

  bool ExtractOne(const TZipHeaderInfo& entry) {
    work_ = entry;
    TBufferedStream& archive = zip_.archive_.Stream();
    uint64_t data_offset = 0;
    if (!work_.FileName().empty()) {
      unsigned char h[30];
      uint64_t offset = work_.LocalHeaderOffset();
      if (offset > static_cast<uint64_t>(INT64_MAX) - 65536 * 2 ||
          !archive.Seek(static_cast<int64_t>(offset)) || archive.Read(h, sizeof h) != sizeof h) {
        throw EFatalUnzipError();
      }
      data_offset = offset + 30 + Le16(h + 26) + Le16(h + 28);
    }

    std::string relative;
    if (zip_.recreate_dirs_ && !RelativeFolder(work_.Directory(), relative)) return false;
    std::string name = work_.FileName();
    if (work_.name_is_ansi) {
      relative = platform::Cp1252ToUtf8(relative);
      name = platform::Cp1252ToUtf8(name);
    }

    if (name.empty()) {
      // A folder entry. Windows ignores the read-only bit on folders, so it
      // is not applied here, where it would stop the folder's files.
      OpenFolder* folder = nullptr;
      if (zip_.recreate_dirs_ && !relative.empty()) {
        folder = Folder(relative);
        if (folder == nullptr) return false;
      }
      if (zip_.retain_attributes_ && !OutputFolder(relative).empty()) {
        if (folder == nullptr) folder = Folder(relative);
        if (folder != nullptr) {
          const uint32_t attributes = work_.external_attributes & ~platform::kAttrReadOnly;
          platform::SetDescriptorAttributes(folder->handle.Descriptor(), attributes, folder->mode);
          folder->mode = -1;  // whatever it is now, ask again next time
        }
      }
      return true;
    }
    if (!SafeFileName(name)) return false;
    OpenFolder* folder = Folder(relative);
    if (folder == nullptr) return false;
    const platform::FolderHandle& dir = folder->handle;
    if (work_.Encrypted()) return false;  // no password is ever set

    // The usual case, a name not there yet, needs no look beforehand.
    int fd = dir.CreateFile(name, true);
    int mode = static_cast<int>(platform::NewEntryMode(false));
    if (fd < 0) {
      if (errno != EEXIST) return false;
      platform::EntryStat existing;
      if (dir.Stat(name, existing)) {
        if (zip_.overwrite_mode_ == TUZOverwriteMode::Never) return false;
        if (existing.is_symlink) {
          dir.DeleteFile(name);  // replace the link, never write through it
        } else if (!existing.is_regular) {
          return false;  // a folder, a pipe or a device is never written into
        } else if (!zip_.replace_read_only_ && existing.ReadOnly()) {
          return false;
        } else {
          mode = static_cast<int>(existing.mode);
        }
      }
      fd = dir.CreateFile(name, false);
      if (fd < 0) return false;
    }
    TFileStream64 file;
    file.Adopt(fd);
    const uint64_t declared = work_.UncompressedSize();
    bool sized = false;
    if (declared > 0 && declared <= kMaxExtractedBytes &&
        declared <= std::max<uint64_t>(work_.CompressedSize(), 1) * kMaxExpansionRatio) {
      sized = file.SetSize(static_cast<int64_t>(declared));
    }
    TBufferedStream output(file);
    output_ = &output;
    written_ = 0;
    crc_ = kCrc32Initial;
    remaining_ = work_.CompressedSize();
    pos_ = len_ = 0;
    bool decoded = true;
    try {
      if (data_offset > static_cast<uint64_t>(INT64_MAX) ||
          !archive.Seek(static_cast<int64_t>(data_offset))) {
        throw EFatalUnzipError();
      }
      Decode();
    } catch (const EBiggerThanUncompressed&) {
      decoded = false;
    } catch (...) {
      output.Flush();
      output_ = nullptr;
      throw;
    }
    output.Flush();
    output_ = nullptr;
    // Whatever the declared size, the file holds exactly the decoded bytes.
    if (sized && written_ != declared) file.SetSize(static_cast<int64_t>(written_));
    const bool ok = decoded && ~crc_ == work_.crc32;
    if (ok) {
      // Stamped through the open file: its path is not looked up again, and
      // nothing writes to it afterwards.
      const int64_t time = UnixTime(work_.dos_date_time);
      if (time != -1) platform::SetDescriptorTime(fd, time);
      if (zip_.retain_attributes_) {
        platform::SetDescriptorAttributes(fd, work_.external_attributes, mode);
      }
      file.Close();
      return true;
    }
    file.Close();
    if (!dir.DeleteFile(name) && decoded) {
      // It stays: finish it as any decoded file is finished.
      const std::string path = OutputFolder(relative) + name;
      platform::SetFileDosTime(path, work_.dos_date_time);
      if (zip_.retain_attributes_) platform::SetAttributes(path, work_.external_attributes);
    }
    return false;
  }

  // Entries of one archive mostly share a date-time: convert each once.
  int64_t UnixTime(uint32_t dos_date_time) {
    if (!time_known_ || dos_date_time != last_dos_time_) {
      last_unix_time_ = platform::DosDateTimeToUnix(dos_date_time);
      last_dos_time_ = dos_date_time;
      time_known_ = true;
    }
    return last_unix_time_;
  }

  void Decode() {
    const uint64_t size = work_.UncompressedSize();
    switch (work_.compression_method) {
      case 0:
        while (remaining_ > 0) {
          size_t n = FillInput();
          Write(in_buffer_.data(), n);
        }
        break;
      case 1:
        Unshrink(*this, *this);
        break;
      case 2:
      case 3:
      case 4:
      case 5:
        Unreduce(*this, *this, size, work_.compression_method - 1);
        break;
      case 6:
        Explode(*this, *this, size, work_.flags);
        break;
      case 8:
        Inflate();
        break;
      default:
        platform::ShowMessageBox("Unknown Compression Method", "Zip Error");
        break;
    }
  }

  void Inflate() {
    z_stream zs{};
    if (inflateInit2(&zs, -15) != Z_OK) throw EZCompressionError();
    struct End {
      z_stream* zs;
      ~End() { inflateEnd(zs); }
    } end{&zs};
    unsigned char* out = out_buffer_.data();
    zs.next_out = out;
    zs.avail_out = kChunkSize;
    for (;;) {
      if (zs.avail_in == 0) {
        size_t n = FillInput();
        zs.next_in = in_buffer_.data();
        zs.avail_in = static_cast<uInt>(n);
      }
      int rc = inflate(&zs, Z_NO_FLUSH);
      if (rc < 0) throw EZCompressionError();
      if (zs.avail_out == 0 || rc == Z_STREAM_END) {
        Write(out, kChunkSize - zs.avail_out);
        zs.next_out = out;
        zs.avail_out = kChunkSize;
      }
      if (rc == Z_STREAM_END) break;
    }
  }

  TUnZip& zip_;
  OpenFolder dest_{std::string(), platform::FolderHandle(), -1};  // the destination
  std::vector<OpenFolder> folders_;
  bool time_known_ = false;
  uint32_t last_dos_time_ = 0;
  int64_t last_unix_time_ = -1;
  TZipHeaderInfo work_;
  std::vector<unsigned char> in_buffer_;
  std::vector<unsigned char> out_buffer_;
  TBufferedStream* output_ = nullptr;
  uint64_t remaining_ = 0;
  uint64_t written_ = 0;
  uint32_t crc_ = kCrc32Initial;
};

int TUnZip::ExtractEntries() {
  const bool keep_open = keep_zip_open_;
  int done = 0;
  try {
    EnsureDirectory();
    ExtractRun run(*this);
    done = run.Run();
  } catch (...) {
    keep_zip_open_ = keep_open;
    if (!keep_zip_open_) CloseArchive();
    throw;
  }
  keep_zip_open_ = keep_open;
  if (!keep_zip_open_) CloseArchive();
  return done;
}

}  // namespace quillon
