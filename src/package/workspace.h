// The conversion workspace: where packages are unpacked, the one shared ZIP
// component, and the clean-up. Paths use the system's backslash form.
#pragma once

#include <stdexcept>
#include <string>

namespace quillon {

// A package folder that cannot be used safely (its name is empty, "." or "..",
// so emptying it would reach outside the package's own folder).
class EWorkspaceError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The file-system path of a special folder: 36 the system folder (on POSIX
// platform::SystemFolder()), 0x10 the desktop, 5 the user's documents. No
// trailing separator; empty when unknown.
std::string SpecialFolderPath(int folder_id);

// The workspace folder: SystemFolder() + "\\temp\\zorv\\" (always ends with a
// backslash).
std::string DefaultWorkspaceDir();

// Unpacks every entry of the package into |target_folder| with the shared
// component and returns the number of entries extracted. The folder is
// emptied first, so nothing of an earlier package of the same name remains.
// Raises the ZIP component's exceptions (EUnZipException and derived, see
// package/zip_errors.h) on a bad archive, and EWorkspaceError when the
// folder's own name is empty, "." or "..".
int ExtractPackage(const std::string& package_path, const std::string& target_folder);

// Deletes everything inside |folder| and keeps the folder; never follows links
// (a link is deleted, its target stays). A workspace lock file
// (package/workspace_lock.h) is left in place. Returns true.
bool ClearFolder(const std::string& folder);
// Deletes everything inside |folder| (ending with a backslash) and the folder;
// when |folder| is itself a link, only the link is removed. Returns true.
bool DeleteTree(const std::string& folder);

}  // namespace quillon
