// TForm1: the main window. A button bar (Open, Convert, Open Result Folder,
// About...), the file list List1 (check boxes, four columns), and a status bar
// with the per-file gauge Gauge1, the status panel Panel6 (its text in the
// label Panel6Caption, the row progress bar Progress1 at its right end), and
// the help button btnHelp. Every control's objectName is its component name.
//
// The window is the BatchView of the batch job: the job drives every status
// text, gauge step and row outcome through it, and each change is painted
// before the job goes on. The batch runs on the GUI thread; while it runs the
// Open and Convert buttons are ignored and closing waits for its end.
#pragma once

#include <QWidget>
#include <functional>
#include <memory>
#include <string>

#include "app/batch_job.h"
#include "app/view.h"

class QFrame;
class QLabel;
class QProgressBar;
class QPushButton;
class QTableWidget;
class QToolButton;

namespace quillon::gui {

class TFolderDlg1;
class TfrmAbout;

struct WindowOptions {
  std::string workspace_dir;  // empty: the default workspace
  std::string engine_name;    // empty: the default engine
  EngineMaker engine_maker;   // null: engines by name (CreateEngine)
};

class TForm1 : public QWidget, public BatchView {
  Q_OBJECT

 public:
  explicit TForm1(const WindowOptions& options = {}, QWidget* parent = nullptr);
  ~TForm1() override;

  // Receives the paths given to the shell's "open" (help page, result
  // folder); the default hands them to the desktop (QDesktopServices).
  void SetShellOpener(std::function<void(const QString& path)> opener);

  TFolderDlg1* FolderDialog() const { return FolderDlg1_; }
  TfrmAbout* AboutBox() const { return frmAbout_; }
  BatchJob& Job() { return *job_; }
  bool Busy() const { return busy_; }
  // ProgramDir + "/help.htm" as a native path.
  QString HelpPagePath() const;

  // Opens |folder| (a native path) as the picker's OK followed by its close
  // would; false, with the picker's message, when it holds no documents.
  bool OpenSourceFolder(const QString& folder);
  // Ticks or clears the check box of a row.
  void SetRowChecked(int row, bool checked);

  // Control handlers, callable directly.
  void btnOpenClick();
  void btnConvClick();
  void btnLookClick();
  void btnAboutClick();
  void btnHelpClick();

  // BatchView
  void SetStatusText(const std::string& text) override;
  std::string StatusText() const override { return status_text_; }
  void SetGaugePosition(int position) override;
  int GaugePosition() const override;
  void SetGaugeVisible(bool visible) override;
  void SetProgressMax(int max) override;
  void SetProgressPosition(int position) override;
  int ProgressPosition() const override;
  void ClearRows() override;
  void AddRow(const std::string& caption, bool checked) override;
  int RowCount() const override;
  bool RowChecked(int row) const override;
  std::vector<std::string> RowSubItems(int row) const override;
  void SetRowSubItems(int row, const std::vector<std::string>& sub_items) override;
  void SetConvertEnabled(bool enabled) override;
  void SetResultFolderEnabled(bool enabled) override;
  void FocusResultFolder() override;
  void FocusConvert() override;
  void SetCaption(const std::string& caption) override;
  void ShowList() override;
  void ShowMessage(const std::string& text, const std::string& caption) override;
  void Repaint() override;

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void CreateControls();
  void ShellOpen(const QString& path);

  std::unique_ptr<BatchJob> job_;
  QPushButton* btnOpen_;
  QPushButton* btnConv_;
  QPushButton* btnLook_;
  QPushButton* btnAbout_;
  QTableWidget* List1_;
  QProgressBar* Gauge1_;
  QFrame* Panel6_;
  QLabel* Caption_;  // the status panel's caption
  QProgressBar* Progress1_;
  QToolButton* btnHelp_;
  TfrmAbout* frmAbout_ = nullptr;
  TFolderDlg1* FolderDlg1_ = nullptr;
  std::string status_text_;
  std::function<void(const QString&)> shell_opener_;
  bool busy_ = false;
  bool close_pending_ = false;
};

}  // namespace quillon::gui
