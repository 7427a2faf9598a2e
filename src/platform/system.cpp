#include "platform/system.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <iostream>
#include <fstream>
#include <utility>

#include "platform/files.h"

extern char** environ;

namespace quillon::platform {

std::string HomeFolder() {
  const char* home = std::getenv("HOME");
  return home != nullptr ? std::string(home) : std::string();
}

std::string SystemFolder() {
  const char* cache = std::getenv("XDG_CACHE_HOME");
  std::string base;
  if (cache != nullptr && cache[0] == '/') {
    base = cache;
  } else {
    std::string home = HomeFolder();
    if (home.empty()) return std::string();
    base = home + "/.cache";
  }
  while (base.size() > 1 && base.back() == '/') base.pop_back();
  return base + "/quillon";
}

// Reads XDG_<NAME>_DIR from ~/.config/user-dirs.dirs, expanding $HOME.
static std::string XdgUserDir(const std::string& name, const std::string& fallback) {
  std::string home = HomeFolder();
  const char* config = std::getenv("XDG_CONFIG_HOME");
  std::string file = (config != nullptr && config[0] == '/') ? std::string(config)
                                                               : home + "/.config";
  file += "/user-dirs.dirs";
  std::ifstream in(file);
  std::string line;
  std::string key = "XDG_" + name + "_DIR=";
  while (std::getline(in, line)) {
    if (line.rfind(key, 0) != 0) continue;
    std::string value = line.substr(key.size());
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
      value = value.substr(1, value.size() - 2);
    }
    if (value.rfind("$HOME", 0) == 0) value = home + value.substr(5);
    if (!value.empty()) return value;
  }
  return home.empty() ? std::string() : home + "/" + fallback;
}

std::string DesktopFolder() { return XdgUserDir("DESKTOP", "Desktop"); }
std::string DocumentsFolder() { return XdgUserDir("DOCUMENTS", "Documents"); }

std::string ExecutableFolder() {
  char buf[4096];
  ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return CurrentFolder();
  std::string path(buf, static_cast<size_t>(n));
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return CurrentFolder();
  return slash == 0 ? std::string("/") : path.substr(0, slash);
}

bool ShellOpen(const std::string& path) {
  std::string native = NativePath(path);
  const char* argv[] = {"xdg-open", native.c_str(), nullptr};
  pid_t pid = 0;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  int rc = posix_spawnp(&pid, "xdg-open", &actions, nullptr, const_cast<char**>(argv), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return false;
  // xdg-open hands the path to the desktop and returns quickly; reap it so no
  // zombie is left behind.
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

static std::function<void()>& Pump() {
  static std::function<void()> pump;
  return pump;
}

void SetMessagePump(std::function<void()> pump) { Pump() = std::move(pump); }

void ProcessMessages() {
  if (Pump()) Pump()();
}

using MessageBoxHandler = std::function<void(const std::string&, const std::string&)>;

static MessageBoxHandler& BoxHandler() {
  static MessageBoxHandler handler;
  return handler;
}

void SetMessageBoxHandler(MessageBoxHandler handler) { BoxHandler() = std::move(handler); }

void ShowMessageBox(const std::string& text, const std::string& caption) {
  if (BoxHandler()) {
    BoxHandler()(text, caption);
    return;
  }
  std::cerr << (caption.empty() ? std::string() : caption + ": ") << text << std::endl;
}

}  // namespace quillon::platform
