#include "platform/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>

namespace quillon::platform {

std::string NativePath(const std::string& path) {
  std::string native = path;
  for (char& c : native) {
    if (c == '\\') c = '/';
  }
  return native;
}

bool FileExists(const std::string& path) {
  struct stat st;
  return ::stat(NativePath(path).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool DirectoryExists(const std::string& path) {
  struct stat st;
  return ::stat(NativePath(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool PathExists(const std::string& path) {
  struct stat st;
  return ::lstat(NativePath(path).c_str(), &st) == 0;
}

bool IsSymlink(const std::string& path) {
  struct stat st;
  return ::lstat(NativePath(path).c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

int64_t FileSize(const std::string& path) {
  struct stat st;
  if (::stat(NativePath(path).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
  return static_cast<int64_t>(st.st_size);
}

int ReadWholeFile(const std::string& path, std::string& out) {
  out.clear();
  int fd = ::open(NativePath(path).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return errno;
  struct stat st;
  if (::fstat(fd, &st) != 0) {
    int err = errno;
    ::close(fd);
    return err;
  }
  if (S_ISDIR(st.st_mode)) {
    ::close(fd);
    return EISDIR;
  }
  out.resize(static_cast<size_t>(st.st_size));
  size_t done = 0;
  while (done < out.size()) {
    ssize_t n = ::read(fd, out.data() + done, out.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      int err = errno;
      ::close(fd);
      out.clear();
      return err;
    }
    if (n == 0) break;  // the file shrank while we read it
    done += static_cast<size_t>(n);
  }
  out.resize(done);
  ::close(fd);
  return 0;
}

int WriteWholeFile(const std::string& path, const std::string& data) {
  int fd = ::open(NativePath(path).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) return errno;
  size_t done = 0;
  while (done < data.size()) {
    ssize_t n = ::write(fd, data.data() + done, data.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      int err = errno;
      ::close(fd);
      return err;
    }
    done += static_cast<size_t>(n);
  }
  if (::close(fd) != 0) return errno;
  return 0;
}

bool CreateFolder(const std::string& path) {
  if (::mkdir(NativePath(path).c_str(), 0777) == 0) return true;
  return DirectoryExists(path);
}

bool RemoveFolder(const std::string& path) { return ::rmdir(NativePath(path).c_str()) == 0; }

bool DeleteFile(const std::string& path) { return ::unlink(NativePath(path).c_str()) == 0; }

static uint32_t AttributesOf(const struct stat& st) {
  uint32_t attr = 0;
  if (S_ISDIR(st.st_mode)) attr |= kAttrDirectory;
  else attr |= kAttrArchive;
  if ((st.st_mode & S_IWUSR) == 0) attr |= kAttrReadOnly;
  return attr;
}

bool ListFolder(const std::string& path, std::vector<DirEntry>& out) {
  out.clear();
  std::string native = NativePath(path);
  DIR* dir = ::opendir(native.empty() ? "." : native.c_str());
  if (dir == nullptr) return false;
  if (!native.empty() && native.back() != '/') native += '/';
  while (struct dirent* ent = ::readdir(dir)) {
    std::string name = ent->d_name;
    if (name == "." || name == "..") continue;
    DirEntry entry;
    entry.name = name;
    struct stat st;
    if (::lstat((native + name).c_str(), &st) == 0) {
      entry.is_symlink = S_ISLNK(st.st_mode);
      entry.is_dir = S_ISDIR(st.st_mode);
      entry.size = S_ISREG(st.st_mode) ? static_cast<int64_t>(st.st_size) : 0;
      entry.attributes = AttributesOf(st);
    }
    out.push_back(std::move(entry));
  }
  ::closedir(dir);
  return true;
}

uint32_t GetAttributes(const std::string& path) {
  struct stat st;
  if (::stat(NativePath(path).c_str(), &st) != 0) return 0xFFFFFFFFu;
  return AttributesOf(st);
}

bool SetAttributes(const std::string& path, uint32_t attributes) {
  std::string native = NativePath(path);
  struct stat st;
  if (::lstat(native.c_str(), &st) != 0 || S_ISLNK(st.st_mode)) return false;
  mode_t mode = st.st_mode & 07777;
  if (attributes & kAttrReadOnly) {
    mode &= ~static_cast<mode_t>(S_IWUSR | S_IWGRP | S_IWOTH);
  } else {
    mode |= S_IWUSR;
  }
  return ::chmod(native.c_str(), mode) == 0;
}

bool SetFileDosTime(const std::string& path, uint32_t dos_date_time) {
  uint32_t date = dos_date_time >> 16;
  uint32_t time = dos_date_time & 0xFFFF;
  struct tm tm = {};
  tm.tm_year = static_cast<int>(((date >> 9) & 0x7F) + 80);
  tm.tm_mon = static_cast<int>(((date >> 5) & 0x0F)) - 1;
  tm.tm_mday = static_cast<int>(date & 0x1F);
  tm.tm_hour = static_cast<int>((time >> 11) & 0x1F);
  tm.tm_min = static_cast<int>((time >> 5) & 0x3F);
  tm.tm_sec = static_cast<int>((time & 0x1F) * 2);
  tm.tm_isdst = -1;
  time_t t = ::mktime(&tm);
  if (t == static_cast<time_t>(-1)) return false;
  struct timespec times[2];
  times[0].tv_sec = t;
  times[0].tv_nsec = 0;
  times[1] = times[0];
  return ::utimensat(AT_FDCWD, NativePath(path).c_str(), times, 0) == 0;
}

int64_t FileModTimeNs(const std::string& path) {
  struct stat st;
  if (::stat(NativePath(path).c_str(), &st) != 0) return -1;
  return static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
}

std::string CurrentFolder() {
  char buf[4096];
  if (::getcwd(buf, sizeof buf) == nullptr) return std::string();
  return buf;
}

bool SetCurrentFolder(const std::string& path) { return ::chdir(NativePath(path).c_str()) == 0; }

}  // namespace quillon::platform
