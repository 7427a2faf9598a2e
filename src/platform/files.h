// Files and folders: the only place that talks to the operating system's file
// system. Paths are the system's own form (backslash-separated, as the
// conversion keeps them); every function turns them into native paths itself.
// Nothing here throws unless its comment says so; failures come back as false,
// -1 or an error number (errno).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quillon::platform {

// "a\\b\\c" -> "a/b/c" on POSIX. The one conversion at the boundary.
std::string NativePath(const std::string& path);

bool FileExists(const std::string& path);       // a regular file (links followed)
bool DirectoryExists(const std::string& path);  // a folder (links followed)
bool PathExists(const std::string& path);       // anything, links not followed
bool IsSymlink(const std::string& path);        // a symbolic link, whatever it points to

// Size in bytes of a regular file; -1 when there is none.
int64_t FileSize(const std::string& path);

// Reads the whole file into |out|. Returns 0, or the errno of the failure
// (ENOENT when there is no file).
int ReadWholeFile(const std::string& path, std::string& out);

// Creates or truncates the file and writes |data|. Returns 0 or an errno.
int WriteWholeFile(const std::string& path, const std::string& data);

bool CreateFolder(const std::string& path);  // one level; true when it exists afterwards
bool RemoveFolder(const std::string& path);  // empty folders only
bool DeleteFile(const std::string& path);    // a file or a symbolic link (never its target)

// One entry of a folder listing.
struct DirEntry {
  std::string name;         // as stored on disk (no folder)
  bool is_dir = false;      // a real folder (not a link to one)
  bool is_symlink = false;  // a symbolic link, whatever it points to
  int64_t size = 0;         // bytes for regular files, 0 for everything else
  uint32_t attributes = 0;  // Windows-style attribute word, see Attributes()
};

// Lists a folder's entries, "." and ".." excluded, in the order the system
// returns them. Returns false when the folder cannot be read.
bool ListFolder(const std::string& path, std::vector<DirEntry>& out);

// Windows-style attribute words (0x01 read-only, 0x10 folder, 0x20 archive).
constexpr uint32_t kAttrReadOnly = 0x01;
constexpr uint32_t kAttrHidden = 0x02;
constexpr uint32_t kAttrSystem = 0x04;
constexpr uint32_t kAttrDirectory = 0x10;
constexpr uint32_t kAttrArchive = 0x20;

// The attribute word of a path: folder bit, read-only when the owner cannot
// write it; 0xFFFFFFFF when it does not exist.
uint32_t GetAttributes(const std::string& path);

// Applies an attribute word: on POSIX only the read-only bit has a meaning
// (it removes every write permission; clearing it restores the owner's).
// Hidden, system and archive have no equivalent and are ignored.
bool SetAttributes(const std::string& path, uint32_t attributes);

// Sets the modification time from an MS-DOS date-time (date in the high 16
// bits, time in the low 16), read as local time.
bool SetFileDosTime(const std::string& path, uint32_t dos_date_time);

// Modification time as seconds since the epoch (sub-second part in nanoseconds
// folded in), or -1. Used to tell when a file has changed.
int64_t FileModTimeNs(const std::string& path);

std::string CurrentFolder();
bool SetCurrentFolder(const std::string& path);

}  // namespace quillon::platform
