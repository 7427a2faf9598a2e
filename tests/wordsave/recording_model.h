// A recording automation object model for tests: every get, set and call is
// written to a shared log as one line ("get Word.Documents",
// "set Word.visible=false", "call Word.Documents.Item(1)"), objects are made on
// demand and named by the path that reached them. Tests script answers
// (values by path), failures (a log line that raises) and side effects.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "wordsave/automation.h"

namespace quillon::testing {

struct RecordingLog {
  std::vector<std::string> lines;
  // Answers of gets, by path ("Word.activeDocument.shapes.count").
  std::map<std::string, Variant> values;
  // A line that raises AutomationError when it is about to be logged (it is
  // still logged, so tests see where the failure happened).
  std::vector<std::string> fail_lines;
  // Called for every method call after it is logged.
  std::function<void(const std::string& path, const std::string& name, const VariantList& args)>
      on_call;

  std::vector<std::string> Matching(const std::string& needle) const {
    std::vector<std::string> out;
    for (const std::string& line : lines) {
      if (line.find(needle) != std::string::npos) out.push_back(line);
    }
    return out;
  }
};

class RecordingObject : public AutoObject {
 public:
  RecordingObject(std::shared_ptr<RecordingLog> log, std::string path)
      : log_(std::move(log)), path_(std::move(path)) {}

  Variant Get(const std::string& name) override {
    const std::string child = path_ + "." + name;
    Log("get " + child);
    auto it = log_->values.find(child);
    if (it != log_->values.end()) return it->second;
    return AutoObjectPtr(std::make_shared<RecordingObject>(log_, child));
  }

  void Set(const std::string& name, const Variant& value) override {
    Log("set " + path_ + "." + name + "=" + value.Describe());
  }

  Variant Call(const std::string& name, const VariantList& args) override {
    std::string text;
    for (const Variant& a : args) text += (text.empty() ? "" : ",") + a.Describe();
    const std::string child = path_ + "." + name + "(" + text + ")";
    Log("call " + child);
    if (log_->on_call) log_->on_call(path_, name, args);
    auto it = log_->values.find(child);
    if (it != log_->values.end()) return it->second;
    return AutoObjectPtr(std::make_shared<RecordingObject>(log_, child));
  }

 private:
  void Log(const std::string& line) {
    log_->lines.push_back(line);
    for (const std::string& fail : log_->fail_lines) {
      if (line == fail) throw AutomationError("refused: " + line);
    }
  }

  std::shared_ptr<RecordingLog> log_;
  std::string path_;
};

inline AutoObjectPtr MakeRecordingWord(const std::shared_ptr<RecordingLog>& log) {
  return std::make_shared<RecordingObject>(log, "Word");
}

}  // namespace quillon::testing
