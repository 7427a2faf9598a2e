#include "platform/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>
#ifdef __linux__
#include <linux/fs.h>
#endif

#include <cerrno>
#include <cstdio>
#include <cstring>
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
  if (S_ISDIR(st.st_mode))
    attr |= kAttrDirectory;
  else
    attr |= kAttrArchive;
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

// The permission bits |mode| becomes under an attribute word: read-only
// removes every write permission, anything else restores the owner's.
static mode_t ModeForAttributes(mode_t mode, uint32_t attributes) {
  if (attributes & kAttrReadOnly) return mode & ~static_cast<mode_t>(S_IWUSR | S_IWGRP | S_IWOTH);
  return mode | S_IWUSR;
}

bool SetAttributes(const std::string& path, uint32_t attributes) {
  std::string native = NativePath(path);
  struct stat st;
  if (::lstat(native.c_str(), &st) != 0 || S_ISLNK(st.st_mode)) return false;
  return ::chmod(native.c_str(), ModeForAttributes(st.st_mode & 07777, attributes)) == 0;
}

bool SetDescriptorAttributes(int fd, uint32_t attributes, int current_mode) {
  mode_t mode = static_cast<mode_t>(current_mode);
  if (current_mode < 0) {
    struct stat st;
    if (::fstat(fd, &st) != 0) return false;
    mode = st.st_mode & 07777;
  }
  const mode_t wanted = ModeForAttributes(mode, attributes);
  return wanted == mode || ::fchmod(fd, wanted) == 0;
}

// The creation mask, from /proc when it is there (reading it changes
// nothing); otherwise by setting and restoring it.
static mode_t CreationMask() {
  if (FILE* f = std::fopen("/proc/self/status", "re")) {
    char line[256];
    unsigned mask = 0;
    bool found = false;
    while (!found && std::fgets(line, sizeof line, f) != nullptr) {
      found = std::sscanf(line, "Umask: %o", &mask) == 1;
    }
    std::fclose(f);
    if (found) return static_cast<mode_t>(mask & 0777);
  }
  mode_t mask = ::umask(022);
  ::umask(mask);
  return mask;
}

uint32_t NewEntryMode(bool folder) {
  static const mode_t mask = CreationMask();
  return static_cast<uint32_t>((folder ? 0777 : 0666) & ~mask);
}

int64_t DosDateTimeToUnix(uint32_t dos_date_time) {
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
  return t == static_cast<time_t>(-1) ? -1 : static_cast<int64_t>(t);
}

static void FillTimes(struct timespec times[2], int64_t unix_seconds) {
  times[0].tv_sec = static_cast<time_t>(unix_seconds);
  times[0].tv_nsec = 0;
  times[1] = times[0];
}

bool SetFileDosTime(const std::string& path, uint32_t dos_date_time) {
  int64_t t = DosDateTimeToUnix(dos_date_time);
  if (t == -1) return false;
  struct timespec times[2];
  FillTimes(times, t);
  return ::utimensat(AT_FDCWD, NativePath(path).c_str(), times, 0) == 0;
}

bool SetDescriptorTime(int fd, int64_t unix_seconds) {
  struct timespec times[2];
  FillTimes(times, unix_seconds);
  return ::futimens(fd, times) == 0;
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

int MakeFolder(const std::string& path) {
  return ::mkdir(NativePath(path).c_str(), 0777) == 0 ? 0 : errno;
}

bool SpreadSubfolders(const std::string& folder) {
#if defined(__linux__) && defined(FS_IOC_GETFLAGS) && defined(FS_TOPDIR_FL)
  int fd = ::open(NativePath(folder).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) return false;
  // The flag word is an int for every file system that answers these calls.
  int flags = 0;
  bool set = false;
  if (::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0) {
    set = (flags & FS_TOPDIR_FL) != 0;
    if (!set) {
      flags |= FS_TOPDIR_FL;
      set = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
  }
  ::close(fd);
  return set;
#else
  (void)folder;
  return false;
#endif
}

FolderHandle& FolderHandle::operator=(FolderHandle&& other) noexcept {
  if (this != &other) {
    Close();
    fd_ = other.fd_;
    other.fd_ = -1;
  }
  return *this;
}

static constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;

bool FolderHandle::Open(const std::string& path, bool no_link) {
  Close();
  std::string native = NativePath(path);
  fd_ = ::open(native.empty() ? "." : native.c_str(), kFolderFlags | (no_link ? O_NOFOLLOW : 0));
  return fd_ >= 0;
}

bool FolderHandle::OpenChild(const FolderHandle& parent, const std::string& name, bool create,
                             bool* created) {
  Close();
  // Making it first costs nothing extra when it is missing, which is the
  // usual case while unpacking into an emptied folder.
  bool made = create && ::mkdirat(parent.fd_, name.c_str(), 0777) == 0;
  if (created != nullptr) *created = made;
  fd_ = ::openat(parent.fd_, name.c_str(), kFolderFlags | O_NOFOLLOW);
  return fd_ >= 0;
}

void FolderHandle::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

bool FolderHandle::ListKinds(std::vector<DirEntry>& out) const {
  out.clear();
  if (fd_ < 0) return false;
  // Listing reads from the descriptor's position: start at the beginning.
  if (::lseek(fd_, 0, SEEK_SET) != 0) return false;
  alignas(struct dirent64) char buffer[16384];
  for (;;) {
    ssize_t n = ::getdents64(fd_, buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) break;
    for (ssize_t at = 0; at < n;) {
      const auto* ent = reinterpret_cast<const struct dirent64*>(buffer + at);
      at += ent->d_reclen;
      const char* name = ent->d_name;
      if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))) continue;
      DirEntry entry;
      entry.name = name;
      unsigned char type = ent->d_type;
      if (type == DT_UNKNOWN) {
        struct stat st;
        if (::fstatat(fd_, name, &st, AT_SYMLINK_NOFOLLOW) == 0) {
          type = S_ISLNK(st.st_mode) ? DT_LNK : S_ISDIR(st.st_mode) ? DT_DIR : DT_REG;
        }
      }
      entry.is_symlink = type == DT_LNK;
      entry.is_dir = type == DT_DIR;
      out.push_back(std::move(entry));
    }
  }
  return true;
}

bool FolderHandle::Stat(const std::string& name, EntryStat& out) const {
  struct stat st;
  if (::fstatat(fd_, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return false;
  out.is_dir = S_ISDIR(st.st_mode);
  out.is_regular = S_ISREG(st.st_mode);
  out.is_symlink = S_ISLNK(st.st_mode);
  out.mode = st.st_mode & 07777;
  return true;
}

int FolderHandle::CreateFile(const std::string& name, bool exclusive) const {
  int flags = O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC;
  if (exclusive) flags |= O_EXCL;
  return ::openat(fd_, name.c_str(), flags, 0666);
}

bool FolderHandle::DeleteFile(const std::string& name) const {
  return ::unlinkat(fd_, name.c_str(), 0) == 0;
}

bool FolderHandle::RemoveFolder(const std::string& name) const {
  return ::unlinkat(fd_, name.c_str(), AT_REMOVEDIR) == 0;
}

bool FolderHandle::SetAttributes(const std::string& name, uint32_t attributes) const {
  EntryStat st;
  if (!Stat(name, st) || st.is_symlink) return false;
  const mode_t wanted = ModeForAttributes(st.mode, attributes);
  return ::fchmodat(fd_, name.c_str(), wanted, 0) == 0;
}

}  // namespace quillon::platform
