// TWorkspaceLock: lets several running instances share one workspace folder.
// Each instance holds a shared lock on the file kWorkspaceLockName inside the
// workspace for as long as it runs; the close-time clean-up runs only when the
// lock can be taken exclusively, i.e. when no other instance is running, so it
// never deletes a package another instance is converting. Never throws.
#pragma once

#include <cstdint>
#include <string>

namespace quillon {

// Holds one package folder of the workspace for this instance; see
// TWorkspaceLock::LockPackage. Moves, not copies; lets go when destroyed.
class TPackageLock {
 public:
  TPackageLock() = default;
  TPackageLock(int fd, int64_t slot) : fd_(fd), slot_(slot) {}
  ~TPackageLock() { Release(); }
  TPackageLock(TPackageLock&& other) noexcept : fd_(other.fd_), slot_(other.slot_) {
    other.fd_ = -1;
  }
  TPackageLock& operator=(TPackageLock&& other) noexcept;
  TPackageLock(const TPackageLock&) = delete;
  TPackageLock& operator=(const TPackageLock&) = delete;

  bool Held() const { return fd_ >= 0; }
  void Release();

 private:
  int fd_ = -1;
  int64_t slot_ = 0;
};

// Name of the lock file; ClearFolder leaves a file of this name alone.
inline constexpr const char* kWorkspaceLockName = ".quillon.lock";

class TWorkspaceLock {
 public:
  // Creates the workspace folder and the lock file when missing and takes the
  // shared lock, waiting while another instance is cleaning up. A folder that
  // already holds files but no lock file is somebody else's: it is left
  // untouched and the lock is not taken (Foreign() is true), because the
  // workspace's package folders are emptied and deleted freely.
  explicit TWorkspaceLock(const std::string& workspace_dir);
  ~TWorkspaceLock();
  TWorkspaceLock(const TWorkspaceLock&) = delete;
  TWorkspaceLock& operator=(const TWorkspaceLock&) = delete;

  // True when the shared lock is held.
  bool Held() const { return fd_ >= 0; }
  // True when the folder was refused as not being a workspace.
  bool Foreign() const { return foreign_; }

  // When no other instance holds the lock, empties the workspace (ClearFolder)
  // and returns true; otherwise leaves everything and returns false. The
  // shared lock is held again afterwards either way.
  bool ClearIfAlone();

  // Package folders are named after the source file alone, so two instances
  // converting files of the same name from different folders would unpack
  // into, and read from, the same folder at the same time. This lock makes
  // the second wait until the first has saved its document: it covers the
  // package from unpacking to saving. |wait| false returns at once, not held,
  // when another instance has the package. Not held either when the
  // workspace lock is not held (nothing to share then).
  TPackageLock LockPackage(const std::string& package_name, bool wait = true);

 private:
  std::string dir_;
  int fd_ = -1;
  bool foreign_ = false;
};

}  // namespace quillon
