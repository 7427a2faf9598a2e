#include "package/workspace_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "package/workspace.h"
#include "platform/files.h"

namespace quillon {

namespace {

void ForceFolder(std::string path) {
  while (!path.empty() && path.back() == '\\') path.pop_back();
  if (path.empty() || platform::DirectoryExists(path)) return;
  size_t sep = path.find_last_of("\\/");
  if (sep != std::string::npos && sep > 0) ForceFolder(path.substr(0, sep));
  platform::CreateFolder(path);
}

int Flock(int fd, int op) {
  int rc;
  do {
    rc = ::flock(fd, op);
  } while (rc != 0 && errno == EINTR);
  return rc;
}

// A byte of the lock file stands for a package name: open-file-description
// locks on it exclude other instances (each opened the file itself) and are
// let go with the descriptor. Two names falling on one byte only take turns.
int64_t PackageSlot(const std::string& name) {
  uint64_t h = 14695981039346656037ull;  // FNV-1a
  for (unsigned char c : name) {
    h ^= c;
    h *= 1099511628211ull;
  }
  return static_cast<int64_t>(h & 0x3FFFFFFFFFFFull);
}

bool LockByte(int fd, int64_t slot, short type, bool wait) {
  struct flock fl = {};
  fl.l_type = type;
  fl.l_whence = SEEK_SET;
  fl.l_start = slot;
  fl.l_len = 1;
  int rc;
  do {
    rc = ::fcntl(fd, wait ? F_OFD_SETLKW : F_OFD_SETLK, &fl);
  } while (rc != 0 && errno == EINTR);
  return rc == 0;
}

}  // namespace

TPackageLock& TPackageLock::operator=(TPackageLock&& other) noexcept {
  if (this != &other) {
    Release();
    fd_ = other.fd_;
    slot_ = other.slot_;
    other.fd_ = -1;
  }
  return *this;
}

void TPackageLock::Release() {
  if (fd_ < 0) return;
  LockByte(fd_, slot_, F_UNLCK, false);
  fd_ = -1;
}

TPackageLock TWorkspaceLock::LockPackage(const std::string& package_name, bool wait) {
  if (fd_ < 0) return TPackageLock();
  const int64_t slot = PackageSlot(package_name);
  if (!LockByte(fd_, slot, F_WRLCK, wait)) return TPackageLock();
  return TPackageLock(fd_, slot);
}

TWorkspaceLock::TWorkspaceLock(const std::string& workspace_dir) : dir_(workspace_dir) {
  for (char& c : dir_) {
    if (c == '/') c = '\\';
  }
  if (!dir_.empty() && dir_.back() != '\\') dir_ += '\\';
  std::vector<platform::DirEntry> entries;
  if (platform::DirectoryExists(dir_) && !platform::PathExists(dir_ + kWorkspaceLockName) &&
      platform::ListFolder(dir_, entries) && !entries.empty()) {
    foreign_ = true;
    return;
  }
  ForceFolder(dir_);
  int fd = ::open(platform::NativePath(dir_ + kWorkspaceLockName).c_str(),
                  O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) return;
  if (Flock(fd, LOCK_SH) != 0) {
    ::close(fd);
    return;
  }
  fd_ = fd;
  // Package folders spread over the disk unpack much faster batch after batch
  // on some volumes; a file system without the hint simply ignores it.
  platform::SpreadSubfolders(dir_);
}

TWorkspaceLock::~TWorkspaceLock() {
  if (fd_ >= 0) ::close(fd_);
}

bool TWorkspaceLock::ClearIfAlone() {
  if (fd_ < 0) return false;
  // Converting a shared lock may drop it before failing; take it back then.
  if (Flock(fd_, LOCK_EX | LOCK_NB) != 0) {
    Flock(fd_, LOCK_SH);
    return false;
  }
  ClearFolder(dir_);
  Flock(fd_, LOCK_SH);
  return true;
}

}  // namespace quillon
