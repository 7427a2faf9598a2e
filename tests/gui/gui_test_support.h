// Shared pieces of the window tests: the one QApplication, a scratch folder,
// a sample .docx package, a word-processor stand-in and a message recorder.
#pragma once

#include <QApplication>
#include <QDir>
#include <QString>
#include <QTemporaryDir>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "wordsave/automation.h"

namespace quillon::gui::testing {

// Creates the QApplication on first use (tests run with the offscreen
// platform).
QApplication& App();

// Writes |size| bytes to |path| (a native path), creating nothing else.
void WriteFileOfSize(const QString& path, qint64 size);

// Copies a small, well-formed sample .docx from the shared corpus to |target|.
void CopySample(const QString& target);
void WriteBytes(const QString& path, const std::string& bytes);

// A word-processor stand-in: every object answers every member. "Count" is 0,
// "LinkFormat" is empty, "SaveAs" writes a document of |save_size| bytes at its
// first argument and then runs |on_save| (which may poke the window mid-batch).
struct FakeWordLog {
  int starts = 0;
  int quits = 0;
  std::vector<std::string> saved_paths;
  int save_size = 5000;
  std::function<void()> on_save;
};
AutoObjectPtr MakeFakeWord(std::shared_ptr<FakeWordLog> log);

// Records every message box instead of showing it; restores the previous
// handler when it goes.
class MessageRecorder {
 public:
  MessageRecorder();
  ~MessageRecorder();
  std::vector<std::pair<std::string, std::string>> messages;  // text, caption
};

// Sets an environment variable for the lifetime of the object.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const QString& value);
  ~ScopedEnv();

 private:
  QByteArray name_;
  QByteArray old_;
  bool had_old_;
};

}  // namespace quillon::gui::testing
