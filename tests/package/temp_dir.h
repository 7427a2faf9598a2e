// A scratch folder per test, removed with everything in it afterwards.
#pragma once

#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <string>

#include "platform/files.h"

namespace quillon::testing_zip {

class TempDir {
 public:
  TempDir() {
    static std::atomic<int> counter{0};
    path_ = std::filesystem::temp_directory_path() /
            ("quillon_pkg_" + std::to_string(::getpid()) + "_" + std::to_string(counter++));
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~TempDir() {
    std::error_code ec;
    for (auto& p : std::filesystem::recursive_directory_iterator(path_, ec)) {
      if (!p.is_symlink()) {
        std::filesystem::permissions(p.path(), std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
      }
    }
    std::filesystem::remove_all(path_, ec);
  }
  // POSIX path of |name| inside the folder.
  std::string Path(const std::string& name = "") const {
    return name.empty() ? path_.string() : (path_ / name).string();
  }
  std::string Write(const std::string& name, const std::string& bytes) const {
    std::string p = Path(name);
    platform::WriteWholeFile(p, bytes);
    return p;
  }
  std::string Read(const std::string& name) const {
    std::string data;
    platform::ReadWholeFile(Path(name), data);
    return data;
  }
  bool Exists(const std::string& name) const { return platform::PathExists(Path(name)); }

 private:
  std::filesystem::path path_;
};

}  // namespace quillon::testing_zip
