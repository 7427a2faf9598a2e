#include "package/archive_stream.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace quillon {

TFileStream64::~TFileStream64() { Close(); }

bool TFileStream64::OpenRead(const std::string& native_path) {
  Close();
  int fd = ::open(native_path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st;
  if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode) || ::flock(fd, LOCK_SH | LOCK_NB) != 0) {
    ::close(fd);
    return false;
  }
  fd_ = fd;
  position_ = 0;
  return true;
}

bool TFileStream64::Create(const std::string& native_path) {
  Close();
  int fd = ::open(native_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0666);
  if (fd < 0) return false;
  fd_ = fd;
  position_ = 0;
  return true;
}

void TFileStream64::Adopt(int fd) {
  Close();
  fd_ = fd;
  position_ = 0;
}

void TFileStream64::Close() {
  if (fd_ >= 0) ::close(fd_);  // closing also drops the advisory lock
  fd_ = -1;
  position_ = 0;
}

// Moves |count| bytes through |io| (pread or pwrite) from |position| on,
// retrying after interruptions; returns the bytes moved before an error or
// the end of the file.
template <typename Io, typename Byte>
static size_t Transfer(Io io, int fd, Byte* bytes, size_t count, int64_t& position) {
  size_t done = 0;
  while (done < count) {
    ssize_t n = io(fd, bytes + done, count - done, position);
    if (n < 0) {
      if (errno == EINTR) continue;
      break;
    }
    if (n == 0) break;
    done += static_cast<size_t>(n);
    position += n;
  }
  return done;
}

size_t TFileStream64::Read(void* data, size_t count) {
  if (fd_ < 0) return 0;
  return Transfer(::pread, fd_, static_cast<unsigned char*>(data), count, position_);
}

size_t TFileStream64::Write(const void* data, size_t count) {
  if (fd_ < 0) return 0;
  return Transfer(::pwrite, fd_, static_cast<const unsigned char*>(data), count, position_);
}

bool TFileStream64::Seek(int64_t position) {
  if (fd_ < 0 || position < 0) return false;
  position_ = position;
  return true;
}

int64_t TFileStream64::Size() const {
  struct stat st;
  if (fd_ < 0 || ::fstat(fd_, &st) != 0) return -1;
  return static_cast<int64_t>(st.st_size);
}

bool TFileStream64::SizeAndTime(int64_t& size, int64_t& mtime_ns) const {
  struct stat st;
  if (fd_ < 0 || ::fstat(fd_, &st) != 0) return false;
  size = static_cast<int64_t>(st.st_size);
  mtime_ns = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
  return true;
}

bool TFileStream64::SetSize(int64_t size) {
  return fd_ >= 0 && size >= 0 && ::ftruncate(fd_, size) == 0;
}

size_t TBufferedStream::Read(void* data, size_t count) {
  auto* out = static_cast<unsigned char*>(data);
  size_t done = 0;
  if (write_len_ > 0 && !Flush()) return 0;
  while (done < count) {
    if (read_pos_ < read_len_) {
      size_t n = std::min(count - done, read_len_ - read_pos_);
      std::memcpy(out + done, buffer_.data() + read_pos_, n);
      read_pos_ += n;
      done += n;
      continue;
    }
    // Buffer used up: continue from the file position after it.
    int64_t next =
        buffer_valid_ ? buffer_start_ + static_cast<int64_t>(read_len_) : file_.Position();
    if (!file_.Seek(next)) break;
    if (count - done >= kBufferSize) {
      size_t n = file_.Read(out + done, count - done);
      done += n;
      buffer_start_ = file_.Position();
      read_pos_ = read_len_ = 0;
      buffer_valid_ = true;
      break;
    }
    buffer_start_ = next;
    buffer_valid_ = true;
    read_pos_ = 0;
    read_len_ = file_.Read(buffer_.data(), kBufferSize);
    if (read_len_ == 0) break;
  }
  return done;
}

size_t TBufferedStream::Write(const void* data, size_t count) {
  const auto* in = static_cast<const unsigned char*>(data);
  if (read_len_ > 0 || read_pos_ > 0) {
    // Leaving read mode: the file position is where the reader stood.
    file_.Seek(Position());
    read_pos_ = read_len_ = 0;
    buffer_valid_ = false;
  }
  if (write_len_ + count > kBufferSize) {
    if (!Flush()) return 0;
    if (count >= kBufferSize) return file_.Write(in, count);
  }
  std::memcpy(buffer_.data() + write_len_, in, count);
  write_len_ += count;
  return count;
}

bool TBufferedStream::Flush() {
  if (write_len_ == 0) return true;
  size_t n = file_.Write(buffer_.data(), write_len_);
  bool ok = n == write_len_;
  write_len_ = 0;
  return ok;
}

void TBufferedStream::Invalidate() {
  read_pos_ = read_len_ = write_len_ = 0;
  buffer_valid_ = false;
}

int64_t TBufferedStream::Position() const {
  if (write_len_ > 0) return file_.Position() + static_cast<int64_t>(write_len_);
  if (buffer_valid_) return buffer_start_ + static_cast<int64_t>(read_pos_);
  return file_.Position();
}

bool TBufferedStream::Seek(int64_t position) {
  if (position < 0) return false;
  if (write_len_ > 0 && !Flush()) return false;
  if (buffer_valid_ && position >= buffer_start_ &&
      position <= buffer_start_ + static_cast<int64_t>(read_len_)) {
    read_pos_ = static_cast<size_t>(position - buffer_start_);
    return true;
  }
  read_pos_ = read_len_ = 0;
  buffer_valid_ = false;
  return file_.Seek(position);
}

int64_t TBufferedStream::Size() {
  if (write_len_ > 0) Flush();
  return file_.Size();
}

}  // namespace quillon
