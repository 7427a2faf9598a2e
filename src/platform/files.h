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

// Creates one folder. Returns 0, or the errno of the failure (EEXIST when
// something of that name is already there, ENOENT when a parent is missing).
int MakeFolder(const std::string& path);

// Asks the file system to place each new subfolder of |folder| in a part of
// the disk of its own, as it does for folders at the top of a volume (ext4's
// "top of directory hierarchy" flag). Meant for the workspace, whose package
// folders are made, filled and deleted over and over: on an ext4 volume
// without a journal every file created skips one by one past the inodes
// deleted in its part of the disk during the last minutes, so a workspace
// whose packages all share one part slows down with each batch. Returns true
// when the flag is set afterwards; false (changing nothing) where the file
// system has no such flag or the folder cannot be opened.
bool SpreadSubfolders(const std::string& folder);

// An MS-DOS date-time (date in the high 16 bits, time in the low 16, local
// time) as seconds since the epoch; -1 when it names no time.
int64_t DosDateTimeToUnix(uint32_t dos_date_time);

// The permission bits a file (|folder| false, created with 0666) or a folder
// (created with 0777) gets when this process creates it: the creation mask
// applied. The mask is read once, when first needed.
uint32_t NewEntryMode(bool folder);

// Calls on an open file descriptor, to finish a file just written without
// looking its path up again.
// Sets the access and modification times to |unix_seconds|.
bool SetDescriptorTime(int fd, int64_t unix_seconds);
// Applies an attribute word as SetAttributes does. |current_mode| holds the
// permission bits when the caller knows them (-1: they are asked for); the
// bits are only written when they change.
bool SetDescriptorAttributes(int fd, uint32_t attributes, int current_mode = -1);

// What one lstat tells about an entry.
struct EntryStat {
  bool is_dir = false;
  bool is_regular = false;
  bool is_symlink = false;
  uint32_t mode = 0;                                     // permission bits
  bool ReadOnly() const { return (mode & 0200u) == 0; }  // the owner cannot write
};

// An open folder. Names given to its members are single entries inside it (no
// separators); a link at such a name is never followed, so nothing is ever
// created, written or deleted outside the folder through one. Moves, not
// copies; closes itself. Failures come back as false or -1 with errno set.
class FolderHandle {
 public:
  FolderHandle() = default;
  ~FolderHandle() { Close(); }
  FolderHandle(FolderHandle&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
  FolderHandle& operator=(FolderHandle&& other) noexcept;
  FolderHandle(const FolderHandle&) = delete;
  FolderHandle& operator=(const FolderHandle&) = delete;

  // Opens the folder at |path| (empty: the current folder). Links within
  // |path| itself are followed, unless |no_link| refuses one as its last part.
  bool Open(const std::string& path, bool no_link = false);
  // Opens the folder |name| of |parent|, refusing a link. With |create| it is
  // made first when missing; |*created| (if given) tells whether this call
  // made it.
  bool OpenChild(const FolderHandle& parent, const std::string& name, bool create,
                 bool* created = nullptr);
  void Close();
  bool IsOpen() const { return fd_ >= 0; }
  int Descriptor() const { return fd_; }

  // The entries of the folder, "." and ".." excluded, with name, is_dir and
  // is_symlink filled from the listing itself (an lstat only where the file
  // system records no kinds); size and attributes are left 0.
  bool ListKinds(std::vector<DirEntry>& out) const;
  // lstat of an entry.
  bool Stat(const std::string& name, EntryStat& out) const;
  // Opens the file |name| for writing, creating it when missing and emptying
  // it otherwise; with |exclusive| an existing entry fails with EEXIST. A link
  // at |name| fails. Returns the descriptor (the caller closes it) or -1.
  int CreateFile(const std::string& name, bool exclusive) const;
  // Deletes a file or a link (never its target).
  bool DeleteFile(const std::string& name) const;
  // Removes an empty subfolder.
  bool RemoveFolder(const std::string& name) const;
  // Applies an attribute word to the entry |name| as SetAttributes does; a
  // link is left alone.
  bool SetAttributes(const std::string& name, uint32_t attributes) const;

 private:
  int fd_ = -1;
};

}  // namespace quillon::platform
