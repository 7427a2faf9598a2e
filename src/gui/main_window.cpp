#include "gui/main_window.h"

#include <QCloseEvent>
#include <QDesktopServices>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>

#include "app/file_list.h"
#include "gui/about_box.h"
#include "gui/folder_dialog.h"
#include "gui/pictures.h"
#include "gui/qt_hooks.h"
#include "platform/system.h"

namespace quillon::gui {
namespace {

constexpr int kOutcomeColumns = 3;  // source size, target size, status
constexpr int kProgressWidth = 161;

// The list's "sub-items" are columns 1..3; a column holds an item only while
// the row has that sub-item.
QTableWidgetItem* SubItem(const std::string& text, int column) {
  auto* item = new QTableWidgetItem(QString::fromStdString(text));
  item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
  if (column == 1 || column == 2) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
  return item;
}

}  // namespace

TForm1::TForm1(const WindowOptions& options, QWidget* parent) : QWidget(parent) {
  job_ = std::make_unique<BatchJob>(*this, options.engine_maker);
  job_->SetWorkspaceDir(options.workspace_dir);
  if (!options.engine_name.empty()) job_->SetEngineName(options.engine_name);
  CreateControls();
  job_->FormCreate();
  // After the main window: the About box, then the source folder picker.
  frmAbout_ = new TfrmAbout(this);
  FolderDlg1_ = new TFolderDlg1(this);
  FolderDlg1_->SetOkHandler(
      [this](const QString& folder) { return job_->PickerOk(SystemPath(folder)); });
}

TForm1::~TForm1() = default;

void TForm1::CreateControls() {
  setObjectName("Form1");
  resize(613, 434);
  setFont(QFont("Tahoma", 8));

  // Button bar, 28 high.
  auto* bar = new QWidget(this);
  bar->setObjectName("Panel1");
  bar->setFixedHeight(28);
  auto* bar_layout = new QHBoxLayout(bar);
  bar_layout->setContentsMargins(4, 3, 4, 3);
  bar_layout->setSpacing(4);
  btnOpen_ = new QPushButton("Open", bar);
  btnOpen_->setObjectName("btnOpen");
  btnOpen_->setFixedSize(75, 21);
  btnConv_ = new QPushButton("Convert", bar);
  btnConv_->setObjectName("btnConv");
  btnConv_->setFixedSize(113, 21);
  QFont bold = font();
  bold.setBold(true);
  btnConv_->setFont(bold);
  btnConv_->setEnabled(false);
  btnLook_ = new QPushButton("Open Result Folder", bar);
  btnLook_->setObjectName("btnLook");
  btnLook_->setFixedSize(113, 21);
  btnLook_->setEnabled(false);
  btnAbout_ = new QPushButton("About...", bar);
  btnAbout_->setObjectName("btnAbout");
  btnAbout_->setFixedSize(47, 22);
  btnAbout_->setFlat(true);
  bar_layout->addWidget(btnOpen_);
  bar_layout->addWidget(btnConv_);
  bar_layout->addWidget(btnLook_);
  bar_layout->addStretch(1);
  bar_layout->addWidget(btnAbout_);

  // The file list.
  List1_ = new QTableWidget(0, 4, this);
  List1_->setObjectName("List1");
  List1_->setHorizontalHeaderLabels({"File Name", "Source Size", "Target Size", "Status"});
  List1_->horizontalHeaderItem(1)->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
  List1_->horizontalHeaderItem(2)->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
  List1_->horizontalHeaderItem(0)->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  List1_->horizontalHeaderItem(3)->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  List1_->setColumnWidth(0, 240);
  List1_->setColumnWidth(1, 80);
  List1_->setColumnWidth(2, 80);
  List1_->setColumnWidth(3, 140);
  List1_->horizontalHeader()->setHighlightSections(false);
  List1_->verticalHeader()->hide();
  List1_->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
  List1_->setShowGrid(true);
  List1_->setSelectionBehavior(QAbstractItemView::SelectRows);
  List1_->setSelectionMode(QAbstractItemView::SingleSelection);
  List1_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  List1_->setWordWrap(false);

  // Status bar, 24 high: gauge, status panel with the progress bar at its
  // right end, help button.
  auto* status_bar = new QWidget(this);
  status_bar->setObjectName("Panel2");
  status_bar->setFixedHeight(24);
  auto* status_layout = new QHBoxLayout(status_bar);
  status_layout->setContentsMargins(2, 1, 2, 1);
  status_layout->setSpacing(2);
  Gauge1_ = new QProgressBar(status_bar);
  Gauge1_->setObjectName("Gauge1");
  Gauge1_->setRange(0, 100);
  Gauge1_->setValue(0);
  Gauge1_->setTextVisible(true);
  Gauge1_->setFormat("%p%");
  Gauge1_->setOrientation(Qt::Horizontal);
  Gauge1_->setFixedWidth(100);
  Gauge1_->hide();
  // The status panel: its caption, and the progress bar at its right end.
  Panel6_ = new QFrame(status_bar);
  Panel6_->setObjectName("Panel6");
  Panel6_->setFrameShape(QFrame::Panel);
  Panel6_->setFrameShadow(QFrame::Sunken);
  Caption_ = new QLabel(Panel6_);
  Caption_->setObjectName("Panel6Caption");
  Caption_->setIndent(3);
  Caption_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  Progress1_ = new QProgressBar(Panel6_);
  Progress1_->setObjectName("Progress1");
  Progress1_->setRange(0, 100);
  Progress1_->setValue(0);
  Progress1_->setTextVisible(false);
  Progress1_->setFixedWidth(kProgressWidth);
  auto* panel_layout = new QHBoxLayout(Panel6_);
  panel_layout->setContentsMargins(1, 1, 1, 1);
  panel_layout->setSpacing(2);
  panel_layout->addWidget(Caption_, 1);
  panel_layout->addWidget(Progress1_);
  btnHelp_ = new QToolButton(status_bar);
  btnHelp_->setObjectName("btnHelp");
  btnHelp_->setFixedSize(22, 22);
  btnHelp_->setAutoRaise(true);
  btnHelp_->setIcon(QIcon(LoadPicture("help", QSize(16, 16))));
  btnHelp_->setIconSize(QSize(16, 16));
  btnHelp_->setToolTip("Help");
  status_layout->addWidget(Gauge1_);
  status_layout->addWidget(Panel6_, 1);
  status_layout->addWidget(btnHelp_);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(bar);
  layout->addWidget(List1_, 1);
  layout->addWidget(status_bar);

  connect(btnOpen_, &QPushButton::clicked, this, [this] { btnOpenClick(); });
  connect(btnConv_, &QPushButton::clicked, this, [this] { btnConvClick(); });
  connect(btnLook_, &QPushButton::clicked, this, [this] { btnLookClick(); });
  connect(btnAbout_, &QPushButton::clicked, this, [this] { btnAboutClick(); });
  connect(btnHelp_, &QToolButton::clicked, this, [this] { btnHelpClick(); });
}

void TForm1::SetShellOpener(std::function<void(const QString& path)> opener) {
  shell_opener_ = std::move(opener);
}

void TForm1::ShellOpen(const QString& path) {
  if (shell_opener_) {
    shell_opener_(path);
    return;
  }
  QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

QString TForm1::HelpPagePath() const { return NativePathOf(job_->ProgramDir() + "\\help.htm"); }

bool TForm1::OpenSourceFolder(const QString& folder) {
  if (busy_) return false;
  const bool found = job_->PickerOk(SystemPath(folder));
  job_->AfterPicker();
  return found;
}

void TForm1::SetRowChecked(int row, bool checked) {
  QTableWidgetItem* item = List1_->item(row, 0);
  if (item != nullptr) item->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
}

// ---------------------------------------------------------------------------
// Handlers

void TForm1::btnOpenClick() {
  if (busy_) return;
  FolderDlg1_->SetMask(kDocumentMask);
  FolderDlg1_->setWindowTitle(kPickerCaption);
  FolderDlg1_->exec();
  job_->AfterPicker();
}

void TForm1::btnConvClick() {
  // The batch drains the event queue while it unpacks; a second click on
  // Convert (or Open) then must not start another batch inside this one.
  if (busy_) return;
  struct BusyScope {
    bool& flag;
    explicit BusyScope(bool& f) : flag(f) { flag = true; }
    ~BusyScope() { flag = false; }
  } busy(busy_);
  job_->btnConvClick();
  if (close_pending_) QTimer::singleShot(0, this, &QWidget::close);
}

void TForm1::btnLookClick() {
  if (job_->ResultDir().empty()) return;
  ShellOpen(NativePathOf(job_->ResultDir()));
}

void TForm1::btnAboutClick() { frmAbout_->exec(); }

void TForm1::btnHelpClick() {
  const QString path = HelpPagePath();
  if (QFileInfo(path).isFile()) ShellOpen(path);
}

void TForm1::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (!event->spontaneous()) job_->FormShow();
}

void TForm1::closeEvent(QCloseEvent* event) {
  if (busy_) {
    // Emptying the workspace now would pull the files from under the running
    // batch; the window closes once the batch has ended.
    close_pending_ = true;
    event->ignore();
    return;
  }
  job_->FormClose();
  event->accept();
}

// ---------------------------------------------------------------------------
// BatchView

void TForm1::SetStatusText(const std::string& text) {
  status_text_ = text;
  Caption_->setText(DisplayText(text));
}

void TForm1::SetGaugePosition(int position) { Gauge1_->setValue(std::clamp(position, 0, 100)); }

int TForm1::GaugePosition() const { return Gauge1_->value(); }

void TForm1::SetGaugeVisible(bool visible) { Gauge1_->setVisible(visible); }

void TForm1::SetProgressMax(int max) { Progress1_->setMaximum(std::max(max, 0)); }

void TForm1::SetProgressPosition(int position) {
  Progress1_->setValue(std::clamp(position, Progress1_->minimum(), Progress1_->maximum()));
}

int TForm1::ProgressPosition() const { return Progress1_->value(); }

void TForm1::ClearRows() { List1_->setRowCount(0); }

void TForm1::AddRow(const std::string& caption, bool checked) {
  const int row = List1_->rowCount();
  List1_->insertRow(row);
  auto* item = new QTableWidgetItem(QString::fromStdString(caption));
  item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
  item->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
  List1_->setItem(row, 0, item);
}

int TForm1::RowCount() const { return List1_->rowCount(); }

bool TForm1::RowChecked(int row) const {
  const QTableWidgetItem* item = List1_->item(row, 0);
  return item != nullptr && item->checkState() == Qt::Checked;
}

std::vector<std::string> TForm1::RowSubItems(int row) const {
  std::vector<std::string> sub_items;
  for (int column = 1; column <= kOutcomeColumns; ++column) {
    const QTableWidgetItem* item = List1_->item(row, column);
    if (item == nullptr) break;
    sub_items.push_back(item->text().toStdString());
  }
  return sub_items;
}

void TForm1::SetRowSubItems(int row, const std::vector<std::string>& sub_items) {
  if (row < 0 || row >= List1_->rowCount()) return;
  for (int column = 1; column <= kOutcomeColumns; ++column) {
    const size_t index = static_cast<size_t>(column - 1);
    if (index < sub_items.size()) {
      List1_->setItem(row, column, SubItem(sub_items[index], column));
    } else {
      delete List1_->takeItem(row, column);
    }
  }
}

void TForm1::SetConvertEnabled(bool enabled) { btnConv_->setEnabled(enabled); }

void TForm1::SetResultFolderEnabled(bool enabled) { btnLook_->setEnabled(enabled); }

void TForm1::FocusResultFolder() { btnLook_->setFocus(); }

void TForm1::FocusConvert() { btnConv_->setFocus(); }

void TForm1::SetCaption(const std::string& caption) { setWindowTitle(DisplayText(caption)); }

void TForm1::ShowList() { List1_->show(); }

void TForm1::ShowMessage(const std::string& text, const std::string& caption) {
  platform::ShowMessageBox(text, caption);
}

void TForm1::Repaint() {
  // The batch does not return to the event loop between its steps; paint the
  // window now so that each change is on screen before the next step.
  if (isVisible()) repaint();
}

}  // namespace quillon::gui
