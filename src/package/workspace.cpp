#include "package/workspace.h"

#include <mutex>
#include <vector>

#include "package/unzip.h"
#include "package/workspace_lock.h"
#include "platform/files.h"
#include "platform/system.h"

namespace quillon {

namespace {

// The one extraction component, created on first use and kept until the
// program ends.
TUnZip& SharedUnZip() {
  static TUnZip zip;
  static bool configured = [] {
    zip.SetOverwriteMode(TUZOverwriteMode::Always);
    return true;
  }();
  (void)configured;
  return zip;
}

std::mutex& SharedUnZipMutex() {
  static std::mutex mutex;
  return mutex;
}

// Deletes the entries of |folder| (ending with a backslash). Links are
// deleted as links; their targets are never entered.
void DeleteContents(const std::string& folder) {
  std::vector<platform::DirEntry> entries;
  if (!platform::ListFolder(folder, entries)) return;
  for (const platform::DirEntry& e : entries) {
    const std::string path = folder + e.name;
    if (e.is_symlink) {
      platform::DeleteFile(path);
      continue;
    }
    if (!e.is_dir && e.name == kWorkspaceLockName) continue;  // another instance may hold it
    platform::SetAttributes(path, e.attributes & ~uint32_t{7});
    if (e.is_dir) {
      DeleteTree(path + "\\");
    } else {
      platform::DeleteFile(path);
    }
  }
}

}  // namespace

std::string SpecialFolderPath(int folder_id) {
  switch (folder_id) {
    case 36:  // the Windows folder
      return platform::SystemFolder();
    case 0x10:  // the desktop
      return platform::DesktopFolder();
    case 5:  // the user's documents
      return platform::DocumentsFolder();
    default:
      return std::string();
  }
}

std::string DefaultWorkspaceDir() { return SpecialFolderPath(36) + "\\temp\\zorv\\"; }

int ExtractPackage(const std::string& package_path, const std::string& target_folder) {
  // The folder is emptied below, so its own name must not climb out of the
  // workspace: a package called "...docx" would otherwise name the parent.
  std::string bare = target_folder;
  while (!bare.empty() && (bare.back() == '\\' || bare.back() == '/')) bare.pop_back();
  size_t sep = bare.find_last_of("\\/");
  std::string own = sep == std::string::npos ? bare : bare.substr(sep + 1);
  if (own.empty() || own == "." || own == "..") {
    throw EWorkspaceError("Cannot unpack into the package folder \"" + target_folder +
                          "\": its name is not usable");
  }
  std::lock_guard<std::mutex> lock(SharedUnZipMutex());
  // Start from an empty package folder: parts left by another package of the
  // same name must never be read as this one's.
  if (platform::DirectoryExists(target_folder)) ClearFolder(target_folder);
  TUnZip& zip = SharedUnZip();
  zip.SetZipName(package_path);
  zip.ReadDirectory();
  zip.SetDoAll(true);
  zip.SetDestDir(target_folder);
  zip.SetRecreateDirs(true);
  zip.SetRetainAttributes(true);
  return zip.ExtractEntries();
}

bool ClearFolder(const std::string& folder) {
  std::string f = folder;
  for (char& c : f) {
    if (c == '/') c = '\\';
  }
  if (f.empty() || f.back() != '\\') f += '\\';
  DeleteContents(f);
  return true;
}

bool DeleteTree(const std::string& folder) {
  std::string bare = folder;
  while (bare.size() > 1 && bare.back() == '\\') bare.pop_back();
  // A link named as the folder is removed itself; what it points to stays.
  if (platform::IsSymlink(bare)) {
    platform::DeleteFile(bare);
    return true;
  }
  DeleteContents(folder);
  platform::RemoveFolder(bare);
  return true;
}

}  // namespace quillon
