// Folder scan, sizes and the rows of the source file list.
#include "app/file_list.h"

#include <algorithm>
#include <limits>

#include "platform/files.h"
#include "platform/system.h"

namespace quillon {

const char* const kDocumentMask = "*.docx";
const char* const kPickerCaption = "Select Folder of Word Documents";
const char* const kNoProperFilesText = "There's no proper files in this folder";
const char* const kBigFileWarningText =
    "Warning: Big file in list, conversion may be slow, please be patient.";
const char* const kProgramTitle = "Quillon";

namespace {

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::string LowerAscii(std::string s) {
  for (char& c : s) c = LowerAscii(c);
  return s;
}

// From the last dot to the end, dot included; empty without a dot.
std::string ExtensionOf(const std::string& name) {
  size_t dot = name.rfind('.');
  return dot == std::string::npos ? std::string() : name.substr(dot);
}

std::vector<std::string> SplitAt(const std::string& text, char sep) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (;;) {
    size_t at = text.find(sep, start);
    parts.push_back(text.substr(start, at == std::string::npos ? std::string::npos : at - start));
    if (at == std::string::npos) break;
    start = at + 1;
  }
  return parts;
}

// Ordinal comparison ignoring ASCII case; names equal that way keep a fixed
// order by their bytes, so the list never depends on the directory order.
bool NameLess(const std::string& a, const std::string& b) {
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    unsigned char x = static_cast<unsigned char>(LowerAscii(a[i]));
    unsigned char y = static_cast<unsigned char>(LowerAscii(b[i]));
    if (x != y) return x < y;
  }
  if (a.size() != b.size()) return a.size() < b.size();
  return a < b;
}

}  // namespace

std::vector<std::string> MaskList(const std::string& mask_text) {
  std::string rest;
  for (char c : mask_text) {
    if (c != '*') rest += c;
  }
  if (rest.find(';') != std::string::npos) return SplitAt(rest, ';');
  if (rest.find(',') != std::string::npos) return SplitAt(rest, ',');
  return {rest};
}

bool ScanFolder(const std::string& folder, const std::string& mask_text, SourceFileList& list) {
  list.SourceFiles.clear();
  list.SourceSizes.clear();
  const std::vector<std::string> masks = MaskList(mask_text);
  std::vector<platform::DirEntry> entries;
  if (!platform::ListFolder(folder, entries)) return false;
  for (const platform::DirEntry& entry : entries) {
    if (entry.name == "." || entry.name == "..") continue;
    const std::string ext = LowerAscii(ExtensionOf(entry.name));
    for (const std::string& mask : masks) {
      if (ext == mask) list.SourceFiles.push_back(entry.name);
    }
  }
  std::sort(list.SourceFiles.begin(), list.SourceFiles.end(), NameLess);
  for (const std::string& name : list.SourceFiles)
    list.SourceSizes.push_back(FileSizeOf(folder + name));
  return true;
}

int32_t FileSizeOf(const std::string& path) {
  // Only regular files have a size here: a folder (or anything else) that
  // happens to carry a document's name counts as 0 bytes.
  int64_t size = platform::FileSize(path);
  if (size <= 0) return 0;
  if (size > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  return static_cast<int32_t>(size);
}

std::string SizeText(int64_t size) {
  if (size <= 0) return "0 KB";
  return std::to_string(size / 1024 + 1) + " KB";
}

bool HasBigFile(const std::vector<int32_t>& sizes) {
  return std::any_of(sizes.begin(), sizes.end(), [](int32_t s) { return s > kBigFileLimit; });
}

std::string WithTrailingBackslash(const std::string& folder) {
  if (!folder.empty() && folder.back() == '\\') return folder;
  return folder + "\\";
}

void showFileInfo1(BatchView& view, const SourceFileList& list) {
  view.ClearRows();
  for (size_t i = 0; i < list.SourceFiles.size(); ++i) {
    view.AddRow("  " + list.SourceFiles[i], true);
    const int32_t size = i < list.SourceSizes.size() ? list.SourceSizes[i] : 0;
    view.SetRowSubItems(static_cast<int>(i), {SizeText(size)});
  }
  if (HasBigFile(list.SourceSizes)) view.SetStatusText(kBigFileWarningText);
}

void showFiles(BatchView& view, const SourceFileList& list) {
  showFileInfo1(view, list);
  view.ShowList();
  view.SetConvertEnabled(true);
  view.SetCaption(std::string(" Quillon") + " - " + list.ResultDir);
  view.Repaint();
}

bool PickerOk(const std::string& selected_folder, const std::string& mask_text,
              SourceFileList& list) {
  // Scan into a fresh list: a folder without documents must not wipe out the
  // list of an earlier successful open, which the window still shows.
  SourceFileList found;
  found.ResultDir = WithTrailingBackslash(selected_folder);
  if (!ScanFolder(found.ResultDir, mask_text, found) || found.SourceFiles.empty()) {
    platform::ShowMessageBox(kNoProperFilesText, kProgramTitle);
    return false;
  }
  list = std::move(found);
  return true;
}

}  // namespace quillon
