#include "package/workspace.h"

#include <algorithm>
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

void DeleteContents(const platform::FolderHandle& dir);

// Deletes the entry |e| of the open folder |dir|. Links are deleted as links;
// their targets are never entered. A file needs no attribute change to be
// deleted here; one that stays anyway is left writable, as Windows would
// leave it after clearing its attributes. A subfolder is made writable, when
// it is not, before it is emptied.
void DeleteEntry(const platform::FolderHandle& dir, const platform::DirEntry& e) {
  if (e.is_symlink) {
    dir.DeleteFile(e.name);
    return;
  }
  if (!e.is_dir) {
    if (e.name == kWorkspaceLockName) return;  // another instance may hold it
    if (!dir.DeleteFile(e.name)) dir.SetAttributes(e.name, 0);
    return;
  }
  platform::FolderHandle sub;
  if (sub.OpenChild(dir, e.name, false)) {
    platform::SetDescriptorAttributes(sub.Descriptor(), 0);
    DeleteContents(sub);
    sub.Close();
  } else {
    dir.SetAttributes(e.name, 0);
  }
  dir.RemoveFolder(e.name);
}

// Deletes the entries of the open folder |dir|, in the order listed.
void DeleteContents(const platform::FolderHandle& dir) {
  std::vector<platform::DirEntry> entries;
  if (!dir.ListKinds(entries)) return;
  for (const platform::DirEntry& e : entries) DeleteEntry(dir, e);
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
  ClearFolder(target_folder);
  TUnZip& zip = SharedUnZip();
  zip.SetZipName(package_path);
  // The archive stays open from the directory read to the extraction, which
  // then reads on from the same descriptor instead of opening it again; the
  // extraction closes it.
  struct KeepOpen {
    TUnZip& zip;
    bool before;
    ~KeepOpen() { zip.SetKeepZipOpen(before); }
  } keep{zip, zip.KeepZipOpen()};
  zip.SetKeepZipOpen(true);
  zip.ReadDirectory();
  zip.SetKeepZipOpen(keep.before);
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
  platform::FolderHandle dir;
  if (dir.Open(f)) DeleteContents(dir);
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
  platform::FolderHandle dir;
  if (dir.Open(bare, true)) DeleteContents(dir);
  dir.Close();
  platform::RemoveFolder(bare);
  return true;
}

}  // namespace quillon
