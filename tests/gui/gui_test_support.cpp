#include "gui_test_support.h"

#include <QFile>
#include <cstdlib>

#include "platform/files.h"
#include "platform/system.h"

// Fontconfig keeps a few allocations of its own until the process ends; they
// are not ours, so the leak checker of sanitizer builds is told to skip them.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig\n"; }

namespace quillon::gui::testing {

QApplication& App() {
  static int argc = 1;
  static char name[] = "gui_tests";
  static char* argv[] = {name, nullptr};
  static QApplication* app = [] {
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    return new QApplication(argc, argv);
  }();
  return *app;
}

void WriteFileOfSize(const QString& path, qint64 size) {
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return;
  file.write(QByteArray(size, 'x'));
}

void WriteBytes(const QString& path, const std::string& bytes) {
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return;
  file.write(bytes.data(), static_cast<qint64>(bytes.size()));
}

namespace {

class FakeWord : public AutoObject {
 public:
  explicit FakeWord(std::shared_ptr<FakeWordLog> log) : log_(std::move(log)) {}

  Variant Get(const std::string& name) override {
    if (SameName(name, "Count")) return Variant(0);
    if (SameName(name, "LinkFormat")) return Variant();
    return Variant(Child());
  }
  void Set(const std::string&, const Variant&) override {}
  Variant Call(const std::string& name, const VariantList& args) override {
    if (SameName(name, "Quit")) {
      ++log_->quits;
      return Variant();
    }
    if (SameName(name, "SaveAs") && !args.empty() && args[0].IsText()) {
      const std::string& path = args[0].AsText();
      platform::WriteWholeFile(path, std::string(static_cast<size_t>(log_->save_size), 'd'));
      log_->saved_paths.push_back(path);
      if (log_->on_save) log_->on_save();
      return Variant();
    }
    return Variant(Child());
  }

 private:
  AutoObjectPtr Child() { return std::make_shared<FakeWord>(log_); }
  std::shared_ptr<FakeWordLog> log_;
};

}  // namespace

void CopySample(const QString& target) {
  QFile::remove(target);
  QFile::copy(QStringLiteral(QUILLON_CORPUS_DIR) + "/docx/docx2python/zen_of_python.docx", target);
}

AutoObjectPtr MakeFakeWord(std::shared_ptr<FakeWordLog> log) {
  ++log->starts;
  return std::make_shared<FakeWord>(std::move(log));
}

MessageRecorder::MessageRecorder() {
  platform::SetMessageBoxHandler([this](const std::string& text, const std::string& caption) {
    messages.emplace_back(text, caption);
  });
}

MessageRecorder::~MessageRecorder() { platform::SetMessageBoxHandler(nullptr); }

ScopedEnv::ScopedEnv(const char* name, const QString& value)
    : name_(name), old_(qgetenv(name)), had_old_(qEnvironmentVariableIsSet(name)) {
  qputenv(name, value.toLocal8Bit());
}

ScopedEnv::~ScopedEnv() {
  if (had_old_) {
    qputenv(name_.constData(), old_);
  } else {
    qunsetenv(name_.constData());
  }
}

}  // namespace quillon::gui::testing
