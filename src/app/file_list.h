// The source file list: finds the documents of a folder (by a mask such as
// "*.docx"), keeps their sorted names and sizes, and shows them as checked rows
// of a BatchView. Also the two size services of the "Target Size" column.
//
// Folders are in the system's backslash form and end with a backslash. Nothing
// here throws; an unreadable folder is reported by a false result.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/view.h"

namespace quillon {

// Fixed texts of the file list.
extern const char* const kDocumentMask;        // "*.docx"
extern const char* const kPickerCaption;       // "Select Folder of Word Documents"
extern const char* const kNoProperFilesText;   // "There's no proper files in this folder"
extern const char* const kBigFileWarningText;  // "Warning: Big file in list, ..."
extern const char* const kProgramTitle;        // "Quillon", caption of message boxes
// A listed file larger than this many bytes raises the big-file warning.
constexpr int32_t kBigFileLimit = 512000;

// The documents of one folder: names sorted ignoring case, sizes in the same
// order (signed 32-bit, as the list shows them).
struct SourceFileList {
  std::string ResultDir;  // the folder scanned, ending with a backslash
  std::vector<std::string> SourceFiles;
  std::vector<int32_t> SourceSizes;
};

// The extensions of a mask text: every "*" removed, then split at ";" (or at
// "," when there is no ";"). "*.docx" -> {".docx"}.
std::vector<std::string> MaskList(const std::string& mask_text);

// Lists the entries of |folder| whose lower-cased extension equals an entry of
// MaskList(mask_text), sorted ignoring case, with their sizes. Folders that
// match are listed with size 0. Returns false (lists empty) when the folder
// cannot be read. |list.ResultDir| is left alone.
bool ScanFolder(const std::string& folder, const std::string& mask_text, SourceFileList& list);

// Size in bytes of the file at |path| (relative paths from the current
// folder); 0 when there is no such file or it is a folder; sizes beyond the
// 32-bit range are clamped to its maximum.
int32_t FileSizeOf(const std::string& path);

// "0 KB" for sizes <= 0, else (size / 1024 + 1) followed by " KB".
std::string SizeText(int64_t size);

// True when any size is above kBigFileLimit.
bool HasBigFile(const std::vector<int32_t>& sizes);

// |folder| with a backslash appended when it does not end with one.
std::string WithTrailingBackslash(const std::string& folder);

// Rebuilds the rows: one checked row "  " + name with the size text per file;
// sets the big-file warning as status text when a file is big (otherwise the
// status text stays).
void showFileInfo1(BatchView& view, const SourceFileList& list);

// Presents an opened folder: rows, list visible, Convert enabled and the
// caption " Quillon - " + ResultDir.
void showFiles(BatchView& view, const SourceFileList& list);

// The folder picker's OK button: scans |selected_folder| (a backslash is
// appended when missing) with |mask_text|. When documents are found, |list|
// takes the new folder and files and the result is true (the picker closes).
// Otherwise the message kNoProperFilesText is shown through
// platform::ShowMessageBox, |list| keeps its earlier folder and files (so a
// later Cancel shows the earlier list again) and the result is false.
bool PickerOk(const std::string& selected_folder, const std::string& mask_text,
              SourceFileList& list);

}  // namespace quillon
