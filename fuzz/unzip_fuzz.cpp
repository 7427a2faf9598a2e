// Fuzzes directory reading and extraction: each input is written out as an
// archive and extracted into a scratch folder, which is emptied afterwards.
// Any exception of the component's own classes is an expected outcome.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "package/unzip.h"
#include "package/workspace.h"
#include "package/zip_errors.h"
#include "platform/files.h"
#include "platform/system.h"

namespace {

std::string Scratch() {
  static const std::string dir = [] {
    std::string d = "/tmp/quillon_unzip_fuzz_" + std::to_string(::getpid());
    quillon::platform::CreateFolder(d);
    quillon::platform::CreateFolder(d + "/out");
    quillon::platform::SetMessageBoxHandler([](const std::string&, const std::string&) {});
    return d;
  }();
  return dir;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace quillon;
  const std::string dir = Scratch();
  const std::string archive = dir + "/input.zip";
  platform::WriteWholeFile(archive, std::string(reinterpret_cast<const char*>(data), size));
  TUnZip zip;
  zip.SetOverwriteMode(TUZOverwriteMode::Always);
  zip.SetZipName(archive);
  try {
    zip.ReadDirectory();
    zip.SetDestDir(dir + "/out");
    zip.ExtractEntries();
  } catch (const EUnZipException&) {
  }
  ClearFolder(dir + "/out");
  // Nothing may ever land beside the destination folder.
  std::vector<platform::DirEntry> entries;
  platform::ListFolder(dir, entries);
  for (const auto& e : entries) {
    if (e.name != "out" && e.name != "input.zip") __builtin_trap();
  }
  return 0;
}
