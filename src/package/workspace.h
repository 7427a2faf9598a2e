// The conversion workspace: where packages are unpacked, the one shared ZIP
// component, and the clean-up. Paths use the system's backslash form.
#pragma once

#include <string>

namespace quillon {

// The workspace folder: SystemFolder() + "\\temp\\zorv\\" (always ends with a
// backslash).
std::string DefaultWorkspaceDir();

// Unpacks every entry of the package into |target_folder| with the shared
// component and returns the number of entries extracted. Raises the ZIP
// component's exceptions (EUnZipException and derived) on a bad archive.
int ExtractPackage(const std::string& package_path, const std::string& target_folder);

// Deletes everything inside |folder| and keeps the folder; never follows links.
bool ClearFolder(const std::string& folder);
// Deletes everything inside |folder| (ending with a backslash) and the folder.
bool DeleteTree(const std::string& folder);

}  // namespace quillon
