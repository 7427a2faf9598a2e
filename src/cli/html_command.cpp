// quillon html [--workspace DIR] FILE.docx: unpacks the package, runs the
// conversion and writes the page bytes to standard output.
#include <exception>
#include <iostream>
#include <string>

#include "cli/commands.h"
#include "convert/state.h"
#include "package/workspace.h"
#include "package/workspace_lock.h"
#include "platform/files.h"
#include "platform/system.h"

namespace quillon::cli {
namespace {

// Progress is not shown for a single page.
class SilentProgress : public StageProgress {
 public:
  void StepGauge(const std::string&) override {}
};

// The file's name without folder, up to (not including) its last dot.
std::string PackageNameOf(const std::string& path) {
  const size_t slash = path.find_last_of("/\\:");
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  const size_t dot = name.rfind('.');
  if (dot != std::string::npos) name.resize(dot);
  return name;
}

int Usage() {
  std::cerr << "usage: quillon html [--workspace DIR] FILE.docx\n";
  return 2;
}

}  // namespace

int HtmlCommand(const Args& args) {
  std::string workspace;
  std::string file;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--workspace") {
      if (i + 1 >= args.size()) return Usage();
      workspace = args[++i];
    } else if (!args[i].empty() && args[i][0] == '-' && args[i] != "-") {
      return Usage();
    } else if (file.empty()) {
      file = args[i];
    } else {
      return Usage();
    }
  }
  if (file.empty()) return Usage();
  try {
    if (workspace.empty()) {
      if (platform::SystemFolder().empty()) {
        std::cerr << "no home folder for the workspace: give --workspace DIR\n";
        return 2;
      }
      workspace = DefaultWorkspaceDir();
    }
    if (workspace.back() != '\\' && workspace.back() != '/') workspace += "\\";
    const std::string name = PackageNameOf(file);
    if (name.empty()) {
      std::cerr << "Not a package file name: " << file << "\n";
      return 1;
    }
    // Like the batch: share the workspace with other running instances and
    // empty it at the end unless another instance is still using it.
    TWorkspaceLock lock(workspace);
    if (lock.Foreign()) {
      std::cerr << "The workspace folder " << platform::NativePath(workspace)
                << " holds files that are not Quillon's; give an empty or new folder\n";
      return 2;
    }
    InitConversionState();
    ResetConversionState();
    ConversionState& state = State();
    state.PackageName = name;
    state.PackageDir = workspace + name + "\\";
    int status = 0;
    try {
      TPackageLock package_lock = lock.LockPackage(name);
      ExtractPackage(file, state.PackageDir);
      LoadPackage();
      SilentProgress progress;
      RunStages(progress);
      std::cout.write(state.DocumentText.data(),
                      static_cast<std::streamsize>(state.DocumentText.size()));
      std::cout.flush();
      if (!std::cout) {
        std::cerr << "Cannot write the page to standard output\n";
        status = 1;
      }
    } catch (const std::exception& e) {
      std::cerr << e.what() << "\n";
      status = 1;
    }
    if (lock.Held()) lock.ClearIfAlone();
    return status;
  } catch (const std::exception& e) {
    std::cerr << e.what() << "\n";
    return 1;
  }
}

}  // namespace quillon::cli
