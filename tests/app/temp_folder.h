// A scratch folder below /tmp for one test, removed afterwards.
#pragma once

#include <stdlib.h>

#include <cstdlib>
#include <fstream>
#include <string>

namespace quillon::testing {

class TempFolder {
 public:
  TempFolder() {
    char pattern[] = "/tmp/quillon-app-XXXXXX";
    const char* dir = mkdtemp(pattern);
    path_ = dir ? dir : "";
  }
  ~TempFolder() {
    if (!path_.empty())
      std::system(("chmod -R u+rwx '" + path_ + "' 2>/dev/null; rm -rf '" + path_ + "'").c_str());
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::string& path() const { return path_; }
  // The folder in the system's form, ending with a backslash.
  std::string dir() const { return path_ + "\\"; }

  void Write(const std::string& name, const std::string& data) const {
    std::ofstream out(path_ + "/" + name, std::ios::binary);
    out << data;
  }
  void Make(const std::string& name) const {
    std::system(("mkdir -p '" + path_ + "/" + name + "'").c_str());
  }
  void Copy(const std::string& from, const std::string& name) const {
    std::system(("cp '" + from + "' '" + path_ + "/" + name + "'").c_str());
  }

 private:
  std::string path_;
};

}  // namespace quillon::testing
