// Streams for archive and output files: a file stream with 64-bit positions
// over a POSIX descriptor, and a buffered stream with an 8192-byte buffer over
// it. Reads and writes report how many bytes moved; nothing here throws.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace quillon {

class TFileStream64 {
 public:
  TFileStream64() = default;
  ~TFileStream64();
  TFileStream64(const TFileStream64&) = delete;
  TFileStream64& operator=(const TFileStream64&) = delete;

  // Opens an existing file for reading, denying writers. POSIX has no share
  // modes; the nearest honest equivalent is a shared advisory lock (flock):
  // it fails while a cooperating writer holds an exclusive lock on the file,
  // and it keeps cooperating writers that ask for one out while we read.
  // Programs that take no lock are not kept out. Returns false on failure.
  bool OpenRead(const std::string& native_path);
  // Creates or truncates a file for writing; a symbolic link at the path is
  // never followed. Returns false on failure.
  bool Create(const std::string& native_path);
  // Takes over an open descriptor (closing the one held before).
  void Adopt(int fd);
  void Close();
  int Descriptor() const { return fd_; }
  bool IsOpen() const { return fd_ >= 0; }

  size_t Read(void* data, size_t count);
  size_t Write(const void* data, size_t count);
  bool Seek(int64_t position);
  int64_t Position() const { return position_; }
  int64_t Size() const;
  // Size and modification time (nanoseconds since the epoch) in one call;
  // false when the file is not open or cannot be asked.
  bool SizeAndTime(int64_t& size, int64_t& mtime_ns) const;
  bool SetSize(int64_t size);

 private:
  int fd_ = -1;
  int64_t position_ = 0;
};

// A stream with an 8192-byte buffer, for reading or for writing (not both at
// once). Reads and writes of a buffer's size or more go straight through.
class TBufferedStream {
 public:
  static constexpr size_t kBufferSize = 8192;

  explicit TBufferedStream(TFileStream64& file) : file_(file), buffer_(kBufferSize) {}
  ~TBufferedStream() { Flush(); }

  size_t Read(void* data, size_t count);
  size_t Write(const void* data, size_t count);
  bool Seek(int64_t position);
  bool SeekBy(int64_t delta) { return Seek(Position() + delta); }
  int64_t Position() const;
  int64_t Size();
  bool Flush();
  // Drops what is buffered without writing (after the file was repositioned
  // or resized underneath).
  void Invalidate();

 private:
  TFileStream64& file_;
  std::vector<unsigned char> buffer_;
  int64_t buffer_start_ = 0;   // file position of buffer_[0]
  size_t read_pos_ = 0;        // next byte to read in the buffer
  size_t read_len_ = 0;        // bytes valid in the buffer for reading
  size_t write_len_ = 0;       // bytes waiting to be written
  bool buffer_valid_ = false;  // buffer_start_ is meaningful
};

// The archive stream: a buffered stream over a 64-bit file stream, opened for
// reading with deny-write sharing.
class TArchiveFileStream {
 public:
  TArchiveFileStream() : buffered_(file_) {}
  bool Open(const std::string& native_path) { return file_.OpenRead(native_path); }
  void Close() {
    buffered_.Invalidate();
    file_.Close();
  }
  bool IsOpen() const { return file_.IsOpen(); }
  TBufferedStream& Stream() { return buffered_; }
  TFileStream64& File() { return file_; }

 private:
  TFileStream64 file_;
  TBufferedStream buffered_;
};

}  // namespace quillon
