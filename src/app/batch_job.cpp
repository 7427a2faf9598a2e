// The Convert action and the session's start-up and close.
#include "app/batch_job.h"

#include <algorithm>
#include <stdexcept>

#include "convert/page_stages.h"
#include "convert/state.h"
#include "package/workspace.h"
#include "package/workspace_lock.h"
#include "platform/files.h"
#include "platform/system.h"

namespace quillon {

const char* const kReadyText = "Open a folder containing your Word documents, and Convert them.";
const char* const kPreparingText = "Parepaing conversion...";
const char* const kFinishedText = "Conversion Finished.";
const char* const kFinishedMessage =
    "Files Conversion Finished.\r\ndoc files have been saved in the same folder:\r\n";
const char* const kMainCaption = " Quillon";

namespace {

constexpr int kGaugeStep = 10;
constexpr int kGaugeMax = 100;

// Position of the first character of the file-name part of a backslash path.
size_t NameStart(const std::string& path) {
  size_t slash = path.rfind('\\');
  return slash == std::string::npos ? 0 : slash + 1;
}

}  // namespace

std::string ChangeExtension(const std::string& name, const std::string& ext) {
  const size_t start = NameStart(name);
  const size_t dot = name.rfind('.');
  if (dot == std::string::npos || dot < start) return name + ext;
  return name.substr(0, dot) + ext;
}

BatchJob::BatchJob(BatchView& view, EngineMaker maker)
    : view_(view),
      word_(std::make_unique<WordAutomation>(*this, std::move(maker))),
      engine_name_(kDefaultEngine) {}

BatchJob::~BatchJob() = default;

void BatchJob::SetWorkspaceDir(const std::string& dir) {
  workspace_dir_ = dir.empty() ? std::string() : WithTrailingBackslash(dir);
}

void BatchJob::FormCreate() {
  program_dir_ = platform::ExecutableFolder();
  if (workspace_dir_.empty()) workspace_dir_ = DefaultWorkspaceDir();
  // Held for the whole session: another instance closing meanwhile leaves the
  // packages of this one alone.
  workspace_lock_ = std::make_unique<TWorkspaceLock>(workspace_dir_);
  InitConversionState();
  view_.SetCaption(kMainCaption);
}

void BatchJob::FormShow() { showStatus(kReadyText); }

bool BatchJob::WorkspaceRefused() const { return workspace_lock_ && workspace_lock_->Foreign(); }

void BatchJob::FormClose() {
  if (workspace_dir_.empty()) return;
  // A folder refused as somebody else's is never emptied.
  if (WorkspaceRefused()) return;
  if (workspace_lock_ && workspace_lock_->Held()) {
    workspace_lock_->ClearIfAlone();
  } else {
    ClearFolder(workspace_dir_);
  }
}

bool BatchJob::PickerOk(const std::string& selected_folder) {
  return quillon::PickerOk(selected_folder, kDocumentMask, sources_);
}

void BatchJob::AfterPicker() {
  if (sources_.SourceFiles.empty()) return;
  showFiles(view_, sources_);
  view_.FocusConvert();
  view_.SetResultFolderEnabled(false);
  view_.Repaint();
}

void BatchJob::showStatus(const std::string& text) {
  view_.SetStatusText(text);
  view_.Repaint();
}

void BatchJob::StepGauge(const std::string& /*label*/) {
  int position = view_.GaugePosition() + kGaugeStep;
  if (position > kGaugeMax) position = kGaugeMax;
  view_.SetGaugePosition(position);
  view_.Repaint();
}

void BatchJob::ShowMessage(const std::string& text, const std::string& caption) {
  view_.ShowMessage(text, caption);
}

void BatchJob::btnConvClick() {
  if (sources_.SourceFiles.empty()) return;
  showStatus(kPreparingText);
  view_.SetProgressMax(static_cast<int>(sources_.SourceFiles.size()) + 1);
  view_.SetProgressPosition(1);
  view_.SetGaugePosition(0);
  view_.SetGaugeVisible(true);
  view_.Repaint();
  convertFiles();
  view_.SetResultFolderEnabled(true);
  view_.FocusResultFolder();
  view_.SetGaugeVisible(false);
  view_.Repaint();
}

void BatchJob::convertFiles() {
  word_->StartWord(engine_name_, EngineOptions{workspace_dir_});
  const int rows = std::min(view_.RowCount(), static_cast<int>(sources_.SourceFiles.size()));
  for (int i = 0; i < rows; ++i) {
    std::vector<std::string> sub_items = view_.RowSubItems(i);
    if (sub_items.size() > 1) sub_items.resize(1);  // drop an earlier batch's outcome
    if (view_.RowChecked(i)) {
      const std::string& name = sources_.SourceFiles[i];
      const std::string source_path = sources_.ResultDir + name;
      const std::string target_path = sources_.ResultDir + ChangeExtension(name, ".doc");
      try {
        // A target that was there before must be rewritten by this save to count.
        const int64_t old_time = platform::FileModTimeNs(target_path);
        convFile(source_path, ChangeExtension(name, ".htm"));
        if (!platform::FileExists(target_path) ||
            platform::FileModTimeNs(target_path) == old_time) {
          throw std::runtime_error("the save wrote no document");
        }
        sub_items.push_back(SizeText(FileSizeOf(target_path)));
        sub_items.push_back("OK");
      } catch (const std::exception& e) {
        sub_items.push_back("-");
        sub_items.push_back("Error");
        view_.ReportRowError(i, e.what());
      } catch (...) {
        sub_items.push_back("-");
        sub_items.push_back("Error");
        view_.ReportRowError(i, "unknown error");
      }
    } else {
      sub_items.push_back(" - ");
      sub_items.push_back(" Passed");
    }
    view_.SetRowSubItems(i, sub_items);
    view_.Repaint();
    view_.SetProgressPosition(view_.ProgressPosition() + 1);
    view_.Repaint();
  }
  word_->QuitWord();
  view_.ShowMessage(kFinishedMessage + sources_.ResultDir, kProgramTitle);
  view_.SetProgressPosition(0);
  showStatus(kFinishedText);
}

void BatchJob::convFile(const std::string& source_path, const std::string& html_name) {
  view_.SetGaugePosition(0);
  view_.Repaint();
  ResetConversionState();
  showStatus("Opening " + source_path);
  const size_t dot = html_name.rfind('.');
  ConversionState& state = State();
  state.PackageName = dot == std::string::npos ? html_name : html_name.substr(0, dot);
  // On this system a name may hold a backslash, which the backslash paths of
  // the conversion would read as a folder; and "." or ".." would make the
  // package folder the workspace or its parent. Such a file is not unpacked.
  if (state.PackageName.empty() || state.PackageName == "." || state.PackageName == ".." ||
      html_name.find_first_of("\\/") != std::string::npos) {
    throw std::runtime_error("the file name cannot name a package folder");
  }
  // Package folders are emptied before unpacking: never inside a folder that
  // holds somebody else's files.
  if (WorkspaceRefused()) {
    throw std::runtime_error("the workspace folder holds files that are not Quillon's");
  }
  state.PackageDir = workspace_dir_ + state.PackageName + "\\";
  // Another instance converting a file of the same name uses the same folder:
  // take turns with it until the document is saved.
  TPackageLock package_lock;
  if (workspace_lock_) package_lock = workspace_lock_->LockPackage(state.PackageName);
  ExtractPackage(source_path, state.PackageDir);
  StepGauge("Unpacked");
  LoadPackage();
  showStatus("Converting " + source_path);
  RunStages(*this);
  const std::string page_path = state.PackageDir + "word\\doc.htm";
  SaveHtml(page_path);
  word_->SaveAsDoc(page_path, ChangeExtension(source_path, ".doc"));
}

}  // namespace quillon
