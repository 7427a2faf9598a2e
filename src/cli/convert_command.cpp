// quillon convert: the batch job over one folder, with the terminal as its
// view. Rows go to standard output when the batch has ended; message-box texts
// and (on a terminal) a progress line go to standard error.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <set>

#include "app/batch_job.h"
#include "cli/commands.h"
#include "platform/files.h"
#include "platform/system.h"
#include "wordsave/automation.h"

namespace quillon::cli {

namespace {

const char* const kConvertUsage =
    "usage: quillon convert [--engine NAME] [--workspace DIR] [--skip NAME]... FOLDER\n";

std::string WithLineFeeds(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    out += text[i];
  }
  return out;
}

// The batch's view on a terminal: keeps the rows, draws a progress line.
class ConsoleView : public BatchView {
 public:
  ConsoleView() : live_(isatty(STDERR_FILENO) == 1) {}
  // The names the progress line shows, by row.
  void SetSources(const SourceFileList* sources) { sources_ = sources; }

  void SetStatusText(const std::string& text) override { status_ = text; }
  std::string StatusText() const override { return status_; }
  void SetGaugePosition(int position) override { gauge_ = position; }
  int GaugePosition() const override { return gauge_; }
  void SetGaugeVisible(bool visible) override { gauge_visible_ = visible; }
  void SetProgressMax(int max) override { progress_max_ = max; }
  void SetProgressPosition(int position) override { progress_ = position; }
  int ProgressPosition() const override { return progress_; }

  void ClearRows() override { rows_.clear(); }
  void AddRow(const std::string& caption, bool checked) override {
    rows_.push_back({caption, checked, {}});
  }
  int RowCount() const override { return static_cast<int>(rows_.size()); }
  bool RowChecked(int row) const override { return rows_.at(row).checked; }
  std::vector<std::string> RowSubItems(int row) const override { return rows_.at(row).sub_items; }
  void SetRowSubItems(int row, const std::vector<std::string>& sub_items) override {
    rows_.at(row).sub_items = sub_items;
  }
  void SetRowChecked(int row, bool checked) { rows_.at(row).checked = checked; }

  void SetConvertEnabled(bool) override {}
  void SetResultFolderEnabled(bool) override {}
  void FocusResultFolder() override {}
  void FocusConvert() override {}
  void SetCaption(const std::string&) override {}
  void ShowList() override {}

  void ShowMessage(const std::string& text, const std::string&) override {
    ClearLine();
    // Paths inside the texts keep the system's backslashes; show them as the
    // user knows them.
    std::cerr << platform::NativePath(WithLineFeeds(text)) << std::endl;
  }

  // The reason of a failed row, so that a user can act on it; the row line
  // itself keeps the fixed "Error".
  void ReportRowError(int row, const std::string& reason) override {
    ClearLine();
    std::string name = rows_.at(row).caption;
    name.erase(0, name.find_first_not_of(' '));
    std::cerr << "quillon: " << name << ": " << reason << std::endl;
  }

  void Repaint() override {
    // Drawn only while rows are being converted (the bar counts from 1).
    if (!live_ || !gauge_visible_ || progress_ <= 0) {
      ClearLine();
      return;
    }
    const int total = std::max(progress_max_ - 1, 0);
    const int done = std::clamp(progress_ - 1, 0, total);
    std::string line = "[" + std::to_string(done) + "/" + std::to_string(total) + "] ";
    if (sources_ != nullptr && done < total &&
        done < static_cast<int>(sources_->SourceFiles.size())) {
      line += sources_->SourceFiles[done];
    }
    const int filled = std::clamp(gauge_, 0, 100) / 5;
    line += " [" + std::string(filled, '#') + std::string(20 - filled, ' ') + "] " +
            std::to_string(gauge_) + "%";
    if (drawn_ && line == last_line_) return;
    std::fprintf(stderr, "\r\033[K%s", line.c_str());
    std::fflush(stderr);
    drawn_ = true;
    last_line_ = line;
  }

  void ClearLine() {
    if (!drawn_) return;
    std::fprintf(stderr, "\r\033[K");
    std::fflush(stderr);
    drawn_ = false;
  }

 private:
  struct Row {
    std::string caption;
    bool checked;
    std::vector<std::string> sub_items;
  };
  const SourceFileList* sources_ = nullptr;
  const bool live_;
  bool drawn_ = false;
  std::string last_line_;
  std::string status_;
  int gauge_ = 0;
  bool gauge_visible_ = false;
  int progress_max_ = 100;
  int progress_ = 0;
  std::vector<Row> rows_;
};

int UsageError(const std::string& message) {
  std::cerr << "quillon convert: " << message << "\n" << kConvertUsage;
  return 2;
}

}  // namespace

int ConvertCommand(const Args& args) {
  std::string engine = kDefaultEngine;
  std::string workspace;
  std::set<std::string> skip;
  std::string folder;
  bool have_folder = false;
  bool options_done = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (!options_done && (a == "--help" || a == "-h")) {
      std::cout << kConvertUsage;
      return 0;
    }
    if (!options_done && (a == "--engine" || a == "--workspace" || a == "--skip")) {
      if (i + 1 >= args.size()) return UsageError(a + " needs a value");
      const std::string& v = args[++i];
      if (a == "--engine") engine = v;
      if (a == "--workspace") workspace = v;
      if (a == "--skip") skip.insert(v);
      continue;
    }
    if (!options_done && a == "--") {
      options_done = true;
      continue;
    }
    if (!options_done && a.size() > 1 && a[0] == '-') return UsageError("unknown option " + a);
    if (have_folder) return UsageError("one FOLDER only");
    folder = a;
    have_folder = true;
  }
  if (!have_folder || folder.empty()) return UsageError("no FOLDER given");
  const std::vector<std::string> engines = EngineNames();
  if (std::find(engines.begin(), engines.end(), engine) == engines.end()) {
    std::string known;
    for (const std::string& name : engines) known += (known.empty() ? "" : ", ") + name;
    return UsageError("unknown engine \"" + engine + "\" (known: " + known + ")");
  }
  if (workspace.empty() && platform::SystemFolder().empty()) {
    return UsageError("no home folder for the workspace: give --workspace DIR");
  }

  if (!platform::DirectoryExists(folder)) {
    std::cerr << "quillon convert: " << folder << ": not a folder\n";
    return 2;
  }

  ConsoleView view;
  BatchJob job(view);
  view.SetSources(&job.Sources());
  job.SetEngineName(engine);
  job.SetWorkspaceDir(workspace);
  job.FormCreate();
  if (job.WorkspaceRefused()) {
    std::cerr << "quillon convert: the workspace folder " << platform::NativePath(job.WorkspaceDir())
              << " holds files that are not Quillon's; give an empty or new folder\n";
    return 2;
  }
  job.FormShow();
  // Message boxes of the file list (an empty folder) go to standard error too.
  platform::SetMessageBoxHandler([&view](const std::string& text, const std::string& caption) {
    view.ShowMessage(text, caption);
  });
  struct RestoreHandler {
    ~RestoreHandler() { platform::SetMessageBoxHandler(nullptr); }
  } restore_handler;
  if (!job.PickerOk(folder)) {
    job.FormClose();
    return 1;
  }
  job.AfterPicker();
  const SourceFileList& sources = job.Sources();
  for (const std::string& name : skip) {
    if (std::find(sources.SourceFiles.begin(), sources.SourceFiles.end(), name) ==
        sources.SourceFiles.end()) {
      std::cerr << "quillon convert: --skip " << name << ": no such document in the folder\n";
    }
  }
  for (int i = 0; i < view.RowCount(); ++i)
    view.SetRowChecked(i, skip.count(sources.SourceFiles[i]) == 0);
  job.btnConvClick();
  view.ClearLine();

  bool all_ok = true;
  for (int i = 0; i < view.RowCount(); ++i) {
    std::vector<std::string> cells = view.RowSubItems(i);
    cells.resize(3);
    std::cout << sources.SourceFiles[i] << '\t' << cells[0] << '\t' << cells[1] << '\t' << cells[2]
              << '\n';
    if (view.RowChecked(i) && cells[2] != "OK") all_ok = false;
  }
  std::cout.flush();
  job.FormClose();
  return all_ok ? 0 : 1;
}

}  // namespace quillon::cli
