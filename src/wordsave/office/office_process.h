// The office bridge process: a python3 child that speaks one JSON command per
// line on its standard input and answers one JSON line on its standard
// output. Owns the child (and the office it started): the destructor asks it
// to quit and, failing that, kills both.
//
// Request raises AutomationError when the bridge answers {"ok": false}, dies
// or does not answer in time. A bridge that died, missed its deadline or
// reports its office lost is ended at once: Running() is false from then on.
#pragma once

#include <sys/types.h>

#include <string>

#include "wordsave/office/json_line.h"

namespace quillon {

class OfficeProcess {
 public:
  // Starts |interpreter| |script| |profile_dir| and waits for its "ready"
  // line. Raises AutomationError on failure.
  OfficeProcess(const std::string& interpreter, const std::string& script,
                const std::string& profile_dir, const std::string& log_path);
  ~OfficeProcess();

  OfficeProcess(const OfficeProcess&) = delete;
  OfficeProcess& operator=(const OfficeProcess&) = delete;

  // Sends one command line (a JSON object without the line end) and returns
  // the answer.
  json::Value Request(const std::string& command, int timeout_seconds = 600);

  // Sends "quit" and waits for the child to end; safe to call twice.
  void Quit();
  bool Running() const { return pid_ > 0; }
  // The office launcher's process id (the leader of the office's process
  // group), -1 when unknown or ended.
  pid_t office_pid() const { return office_pid_; }

 private:
  std::string ReadLine(int timeout_seconds);
  void Kill();

  pid_t pid_ = -1;
  pid_t office_pid_ = -1;
  int fd_ = -1;
  std::string pending_;
};

}  // namespace quillon
