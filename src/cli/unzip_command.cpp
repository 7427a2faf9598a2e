// quillon unzip ARCHIVE DESTDIR: reads the archive's directory and extracts
// every entry with the system's settings (folders recreated, attributes
// retained, existing files overwritten), then prints the count. Paths are
// taken as given: the component accepts "/" as well as "\\" separators.
#include <exception>
#include <iostream>

#include "cli/commands.h"
#include "package/unzip.h"

namespace quillon::cli {

int UnzipCommand(const Args& args) {
  if (args.size() != 2) {
    std::cerr << "usage: quillon unzip ARCHIVE DESTDIR\n";
    return 2;
  }
  try {
    TUnZip zip;
    zip.SetOverwriteMode(TUZOverwriteMode::Always);
    zip.SetZipName(args[0]);
    zip.ReadDirectory();
    zip.SetDoAll(true);
    zip.SetDestDir(args[1]);
    zip.SetRecreateDirs(true);
    zip.SetRetainAttributes(true);
    int count = zip.ExtractEntries();
    std::cout << count << "\n";
    return 0;
  } catch (const std::exception& e) {
    std::cerr << e.what() << "\n";
    return 1;
  }
}

}  // namespace quillon::cli
