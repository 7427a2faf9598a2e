// The batch job: start-up and close of a session (program and workspace
// folders, clean-up), the Convert action that walks the rows of a BatchView and
// turns every checked .docx into a .doc beside it, and the status texts, gauge,
// progress bar, row outcomes and final message that go with it.
//
// UI-independent: it talks to the screen only through BatchView and shows
// messages through BatchView::ShowMessage. Errors of a single file never leave
// convertFiles: the row reads "-" / "Error" and the loop goes on.
#pragma once

#include <memory>
#include <string>

#include "app/file_list.h"
#include "app/view.h"
#include "wordsave/word_automation.h"

namespace quillon {

class TWorkspaceLock;

// Status and message texts of the batch.
extern const char* const
    kReadyText;  // "Open a folder containing your Word documents, and Convert them."
extern const char* const kPreparingText;    // "Parepaing conversion..."
extern const char* const kFinishedText;     // "Conversion Finished."
extern const char* const kFinishedMessage;  // "Files Conversion Finished.\r\ndoc files have been
                                            // saved in the same folder:\r\n"
extern const char* const kMainCaption;      // " Quillon"

// "a.b.docx" -> "a.b.doc" with ext ".doc"; a name without a dot gets |ext|.
std::string ChangeExtension(const std::string& name, const std::string& ext);

class BatchJob : public WordHost {
 public:
  // |view| must outlive the job. |maker| creates engines (CreateEngine when
  // null); tests pass a recording one.
  explicit BatchJob(BatchView& view, EngineMaker maker = nullptr);
  ~BatchJob() override;

  // Settings, before FormCreate: an empty workspace means the default one
  // (DefaultWorkspaceDir()); the engine defaults to kDefaultEngine.
  void SetWorkspaceDir(const std::string& dir);
  void SetEngineName(const std::string& name) { engine_name_ = name; }

  // Window created: ProgramDir, WorkspaceDir (created when missing, and held
  // by a workspace lock for the session), conversion state, caption " Quillon".
  void FormCreate();
  // Window shown: the ready status text.
  void FormShow();
  // Window closing: empties WorkspaceDir (ClearFolder), unless another running
  // instance shares the workspace.
  void FormClose();
  // Window destroyed: the file list is emptied.
  void FormDestroy() { sources_ = SourceFileList(); }

  // Open: the picker's OK (see PickerOk in file_list.h) and what follows once
  // the picker has closed (rows, Convert focused, result-folder button off).
  bool PickerOk(const std::string& selected_folder);
  void AfterPicker();

  // Convert button; convertFiles is the loop over all rows, convFile one file.
  void btnConvClick();
  void convertFiles();
  void convFile(const std::string& source_path, const std::string& html_name);

  // Status panel text, repainted at once.
  void showStatus(const std::string& text);
  // Gauge + 10 (at most 100), repainted at once.
  void StepGauge(const std::string& label) override;

  // WordHost
  void ShowStatus(const std::string& text) override { showStatus(text); }
  void ShowMessage(const std::string& text, const std::string& caption) override;

  const std::string& ProgramDir() const { return program_dir_; }
  const std::string& WorkspaceDir() const { return workspace_dir_; }
  // True after FormCreate when the workspace folder already held files that
  // are not Quillon's: nothing is unpacked there and nothing is deleted.
  bool WorkspaceRefused() const;
  const std::string& ResultDir() const { return sources_.ResultDir; }
  const std::string& EngineName() const { return engine_name_; }
  SourceFileList& Sources() { return sources_; }
  const SourceFileList& Sources() const { return sources_; }

 private:
  BatchView& view_;
  std::unique_ptr<WordAutomation> word_;
  std::unique_ptr<TWorkspaceLock> workspace_lock_;
  std::string program_dir_;
  std::string workspace_dir_;
  std::string engine_name_;
  SourceFileList sources_;
};

}  // namespace quillon
