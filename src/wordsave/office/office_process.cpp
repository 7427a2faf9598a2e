// Child process plumbing of the office engine. The child's standard input and
// output are one end of a socket pair, so that writing to a child that died
// raises no SIGPIPE (send with MSG_NOSIGNAL) and reads can wait with poll.
#include "wordsave/office/office_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <vector>

#include "wordsave/automation.h"

extern char** environ;

namespace quillon {

namespace {

constexpr int kStartTimeoutSeconds = 180;
constexpr int kQuitTimeoutSeconds = 60;

// Waits up to |seconds| for |pid| to end; true when it has been reaped.
bool WaitFor(pid_t pid, int seconds) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  for (;;) {
    int status = 0;
    pid_t r = waitpid(pid, &status, WNOHANG);
    if (r == pid || (r < 0 && errno != EINTR)) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    usleep(20000);
  }
}

}  // namespace

OfficeProcess::OfficeProcess(const std::string& interpreter, const std::string& script,
                             const std::string& profile_dir, const std::string& log_path) {
  int fds[2];
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0) {
    throw AutomationError(std::string("office bridge: no socket pair: ") + std::strerror(errno));
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, fds[1], 0);
  posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
  posix_spawn_file_actions_addopen(&actions, 2, log_path.empty() ? "/dev/null" : log_path.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0600);
  std::vector<std::string> args = {interpreter, script, profile_dir};
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = -1;
  const int rc =
      interpreter.find('/') == std::string::npos
          ? posix_spawnp(&pid, interpreter.c_str(), &actions, nullptr, argv.data(), environ)
          : posix_spawn(&pid, interpreter.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(fds[1]);
  if (rc != 0) {
    close(fds[0]);
    throw AutomationError("office bridge: cannot run " + interpreter + ": " + std::strerror(rc));
  }
  pid_ = pid;
  fd_ = fds[0];
  json::Value ready;
  try {
    ready = json::Parse(ReadLine(kStartTimeoutSeconds));
  } catch (const std::exception& e) {
    Kill();
    throw AutomationError(std::string("office bridge did not start: ") + e.what());
  }
  const json::Value* ok = ready.Find("ok");
  if (ok == nullptr || !ok->boolean) {
    const json::Value* error = ready.Find("error");
    Kill();
    throw AutomationError("office did not start: " +
                          (error ? error->text : std::string("no reason given")));
  }
  if (const json::Value* office = ready.Find("office_pid"))
    office_pid_ = static_cast<pid_t>(office->number);
}

OfficeProcess::~OfficeProcess() { Quit(); }

std::string OfficeProcess::ReadLine(int timeout_seconds) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeout_seconds);
  for (;;) {
    size_t end = pending_.find('\n');
    if (end != std::string::npos) {
      std::string line = pending_.substr(0, end);
      pending_.erase(0, end + 1);
      return line;
    }
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) throw AutomationError("office bridge: no answer in time");
    pollfd p{fd_, POLLIN, 0};
    int r = poll(&p, 1, static_cast<int>(std::min<long long>(left.count(), 1000)));
    if (r < 0 && errno != EINTR) throw AutomationError("office bridge: poll failed");
    if (r <= 0) continue;
    char buf[4096];
    ssize_t n = read(fd_, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) throw AutomationError("office bridge ended unexpectedly");
    pending_.append(buf, static_cast<size_t>(n));
  }
}

json::Value OfficeProcess::Request(const std::string& command, int timeout_seconds) {
  if (pid_ <= 0) throw AutomationError("office bridge is not running");
  std::string line = command + "\n";
  size_t sent = 0;
  while (sent < line.size()) {
    ssize_t n = send(fd_, line.data() + sent, line.size() - sent, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      Kill();
      throw AutomationError("office bridge: cannot send a command");
    }
    sent += static_cast<size_t>(n);
  }
  json::Value answer;
  try {
    answer = json::Parse(ReadLine(timeout_seconds));
  } catch (const AutomationError&) {
    // A bridge that missed its deadline is in an unknown state: end it, so the
    // following calls fail at once instead of reading a stale answer.
    Kill();
    throw;
  } catch (const std::exception& e) {
    Kill();
    throw AutomationError(std::string("office bridge: ") + e.what());
  }
  const json::Value* ok = answer.Find("ok");
  if (ok == nullptr || ok->kind != json::Value::Kind::kBool || !ok->boolean) {
    const json::Value* error = answer.Find("error");
    const std::string reason = error ? error->text : std::string("request refused");
    // An office that crashed or dropped its connection serves nothing more:
    // end the bridge too, so that Running() tells the owner to start afresh.
    if (const json::Value* lost = answer.Find("office_lost"); lost != nullptr && lost->boolean) {
      Kill();
      throw AutomationError("office: the office stopped working: " + reason);
    }
    throw AutomationError("office: " + reason);
  }
  return answer;
}

void OfficeProcess::Quit() {
  if (pid_ <= 0) return;
  try {
    Request("{\"cmd\":\"quit\"}", kQuitTimeoutSeconds);
  } catch (const AutomationError&) {
    // Killed below when it does not end by itself.
  }
  if (pid_ > 0) {
    close(fd_);
    fd_ = -1;
    if (!WaitFor(pid_, kQuitTimeoutSeconds)) Kill();
    pid_ = -1;
  }
}

void OfficeProcess::Kill() {
  if (office_pid_ > 0) {
    // The bridge starts the office as the leader of a session of its own, so
    // the whole group (launcher and office) goes.
    kill(-office_pid_, SIGKILL);
    office_pid_ = -1;
  }
  if (pid_ > 0) {
    kill(pid_, SIGKILL);
    WaitFor(pid_, 10);
    pid_ = -1;
  }
  if (fd_ >= 0) {
    close(fd_);
    fd_ = -1;
  }
}

}  // namespace quillon
