// TWorkspaceLock: lets several running instances share one workspace folder.
// Each instance holds a shared lock on the file kWorkspaceLockName inside the
// workspace for as long as it runs; the close-time clean-up runs only when the
// lock can be taken exclusively, i.e. when no other instance is running, so it
// never deletes a package another instance is converting. Never throws.
#pragma once

#include <string>

namespace quillon {

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

 private:
  std::string dir_;
  int fd_ = -1;
  bool foreign_ = false;
};

}  // namespace quillon
