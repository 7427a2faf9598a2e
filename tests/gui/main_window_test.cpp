// The main window: its controls, opening a folder through the picker, and
// batches run through the window with a word-processor stand-in.
#include "gui/main_window.h"

#include <gtest/gtest.h>

#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "app/batch_job.h"
#include "app/file_list.h"
#include "gui/about_box.h"
#include "gui/folder_dialog.h"
#include "gui/qt_hooks.h"
#include "gui_test_support.h"
#include "platform/system.h"

namespace quillon::gui {
namespace {

using testing::App;
using testing::CopySample;
using testing::FakeWordLog;
using testing::MessageRecorder;
using testing::WriteBytes;
using testing::WriteFileOfSize;

// A window that records what the batch does to it, and whether each change
// was painted before the next one.
class RecordingForm : public TForm1 {
 public:
  using TForm1::TForm1;

  void SetStatusText(const std::string& text) override {
    TForm1::SetStatusText(text);
    Change("status:" + text);
  }
  void SetGaugePosition(int position) override {
    TForm1::SetGaugePosition(position);
    gauge.push_back(position);
    Change("gauge:" + std::to_string(position));
  }
  void SetRowSubItems(int row, const std::vector<std::string>& sub_items) override {
    TForm1::SetRowSubItems(row, sub_items);
    Change("row:" + std::to_string(row));
  }
  void Repaint() override {
    TForm1::Repaint();
    if (!pending.empty() && painted_ > painted_at_change_) pending.clear();
  }

  // Counts paints of the status panel and the list's viewport.
  void WatchPaints() {
    findChild<QLabel*>("Panel6Caption")->installEventFilter(this);
    findChild<QTableWidget*>("List1")->viewport()->installEventFilter(this);
    findChild<QProgressBar*>("Gauge1")->installEventFilter(this);
  }
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++painted_;
    return TForm1::eventFilter(watched, event);
  }

  std::vector<std::string> statuses() const {
    std::vector<std::string> out;
    for (const std::string& change : changes) {
      if (change.rfind("status:", 0) == 0) out.push_back(change.substr(7));
    }
    return out;
  }

  void ResetRecord() {
    changes.clear();
    gauge.clear();
    pending.clear();
    unpainted.clear();
  }

  std::vector<std::string> changes;
  std::vector<int> gauge;
  std::string pending;                 // a change not painted yet
  std::vector<std::string> unpainted;  // changes overtaken before being painted

 private:
  void Change(const std::string& change) {
    if (!pending.empty()) unpainted.push_back(pending);
    pending = change;
    painted_at_change_ = painted_;
    changes.push_back(change);
  }
  int painted_ = 0;
  int painted_at_change_ = 0;
};

using Texts = std::vector<std::string>;

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    App();
    ASSERT_TRUE(root_.isValid());
    docs_ = root_.path() + "/docs";
    workspace_ = root_.path() + "/workspace";
    QDir().mkpath(docs_);
    QDir().mkpath(workspace_);
    saved_cwd_ = QDir::currentPath();
    log_ = std::make_shared<FakeWordLog>();
  }
  void TearDown() override { QDir::setCurrent(saved_cwd_); }

  std::unique_ptr<RecordingForm> MakeWindow() {
    WindowOptions options;
    options.workspace_dir = SystemPath(workspace_);
    options.engine_name = "fake";
    std::shared_ptr<FakeWordLog> log = log_;
    options.engine_maker = [log](const std::string& name, const EngineOptions&) {
      EXPECT_EQ(name, "fake");
      return testing::MakeFakeWord(log);
    };
    auto window = std::make_unique<RecordingForm>(options);
    window->SetShellOpener([this](const QString& path) { opened_ << path; });
    return window;
  }

  // Opens |folder| through the picker as a user would: Open, choose the
  // folder, OK. Returns whether the picker was still open after OK (it was
  // then cancelled).
  bool OpenThroughPicker(TForm1& window, const QString& folder) {
    bool stayed_open = false;
    QTimer::singleShot(0, &window, [&] {
      TFolderDlg1* picker = window.FolderDialog();
      EXPECT_EQ(picker->windowTitle(), "Select Folder of Word Documents");
      EXPECT_TRUE(picker->OpenFolder(folder));
      picker->Button1Click();
      stayed_open = picker->isVisible();
      if (stayed_open) picker->btnCancelClick();
    });
    window.btnOpenClick();
    return stayed_open;
  }

  void CancelPicker(TForm1& window) {
    QTimer::singleShot(0, &window, [&] { window.FolderDialog()->btnCancelClick(); });
    window.btnOpenClick();
  }

  static void ShowAndActivate(QWidget& window) {
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    // Focus checks need an active window; the offscreen platform activates it.
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  }

  static QTableWidget* List(QWidget& window) { return window.findChild<QTableWidget*>("List1"); }

  // The four-column texts of a row, empty for columns without a sub-item.
  static std::vector<std::string> RowTexts(QWidget& window, int row) {
    std::vector<std::string> texts;
    for (int column = 0; column < 4; ++column) {
      const QTableWidgetItem* item = List(window)->item(row, column);
      texts.push_back(item != nullptr ? item->text().toStdString() : std::string());
    }
    return texts;
  }

  // The size text of a file in the documents folder.
  std::string SizeOf(const QString& name) const {
    return SizeText(QFileInfo(docs_ + "/" + name).size());
  }

  std::string ResultDir() const { return SystemPath(docs_) + "\\"; }

  QTemporaryDir root_;
  QString docs_;
  QString workspace_;
  QString saved_cwd_;
  QStringList opened_;
  std::shared_ptr<FakeWordLog> log_;
};

TEST_F(MainWindowTest, InitialControls) {
  auto window = MakeWindow();
  EXPECT_EQ(window->windowTitle(), " Quillon");
  EXPECT_EQ(window->size(), QSize(613, 434));
  EXPECT_EQ(window->font().family(), "Tahoma");
  EXPECT_EQ(window->font().pointSize(), 8);

  auto* open = window->findChild<QPushButton*>("btnOpen");
  auto* conv = window->findChild<QPushButton*>("btnConv");
  auto* look = window->findChild<QPushButton*>("btnLook");
  auto* about = window->findChild<QPushButton*>("btnAbout");
  auto* help = window->findChild<QToolButton*>("btnHelp");
  ASSERT_TRUE(open && conv && look && about && help);
  EXPECT_EQ(open->text(), "Open");
  EXPECT_EQ(open->size(), QSize(75, 21));
  EXPECT_TRUE(open->isEnabled());
  EXPECT_EQ(conv->text(), "Convert");
  EXPECT_EQ(conv->size(), QSize(113, 21));
  EXPECT_TRUE(conv->font().bold());
  EXPECT_FALSE(conv->isEnabled());
  EXPECT_EQ(look->text(), "Open Result Folder");
  EXPECT_EQ(look->size(), QSize(113, 21));
  EXPECT_FALSE(look->isEnabled());
  EXPECT_EQ(about->text(), "About...");
  EXPECT_EQ(about->size(), QSize(47, 22));
  EXPECT_TRUE(about->isFlat());
  EXPECT_EQ(help->size(), QSize(22, 22));
  EXPECT_TRUE(help->autoRaise());
  EXPECT_FALSE(help->icon().isNull());

  QTableWidget* list = List(*window);
  ASSERT_NE(list, nullptr);
  ASSERT_EQ(list->columnCount(), 4);
  const QStringList headers = {"File Name", "Source Size", "Target Size", "Status"};
  const int widths[] = {240, 80, 80, 140};
  for (int c = 0; c < 4; ++c) {
    EXPECT_EQ(list->horizontalHeaderItem(c)->text(), headers[c]);
    EXPECT_EQ(list->columnWidth(c), widths[c]);
  }
  EXPECT_TRUE(list->horizontalHeaderItem(1)->textAlignment() & Qt::AlignRight);
  EXPECT_TRUE(list->horizontalHeaderItem(2)->textAlignment() & Qt::AlignRight);
  EXPECT_TRUE(list->showGrid());
  EXPECT_EQ(list->selectionBehavior(), QAbstractItemView::SelectRows);
  EXPECT_EQ(list->editTriggers(), QAbstractItemView::NoEditTriggers);
  EXPECT_EQ(list->rowCount(), 0);

  auto* gauge = window->findChild<QProgressBar*>("Gauge1");
  auto* panel = window->findChild<QFrame*>("Panel6");
  auto* progress = window->findChild<QProgressBar*>("Progress1");
  ASSERT_TRUE(gauge && panel && progress);
  EXPECT_EQ(gauge->width(), 100);
  EXPECT_TRUE(gauge->isTextVisible());
  EXPECT_EQ(gauge->maximum(), 100);
  EXPECT_TRUE(gauge->isHidden());
  EXPECT_EQ(progress->parentWidget(), panel);
  EXPECT_EQ(progress->width(), 161);
  EXPECT_EQ(progress->maximum(), 100);
  EXPECT_EQ(progress->value(), 0);
}

TEST_F(MainWindowTest, ShowingTheWindowShowsTheReadyText) {
  auto window = MakeWindow();
  ShowAndActivate(*window);
  EXPECT_EQ(window->findChild<QLabel*>("Panel6Caption")->text().toStdString(), kReadyText);
  EXPECT_EQ(window->StatusText(), kReadyText);

  // The progress bar sits at the right end of the status panel, clear of its
  // text, and the help button at the far right.
  auto* panel = window->findChild<QFrame*>("Panel6");
  auto* caption = window->findChild<QLabel*>("Panel6Caption");
  auto* progress = window->findChild<QProgressBar*>("Progress1");
  EXPECT_EQ(progress->parentWidget(), panel);
  EXPECT_EQ(caption->parentWidget(), panel);
  EXPECT_EQ(progress->width(), 161);
  EXPECT_GE(progress->geometry().right(), panel->width() - 4);
  EXPECT_LE(caption->geometry().right(), progress->geometry().left());
  auto* help = window->findChild<QToolButton*>("btnHelp");
  EXPECT_GE(help->mapTo(window.get(), QPoint(help->width(), 0)).x(), window->width() - 4);
  EXPECT_GT(help->mapTo(window.get(), QPoint(0, 0)).y(), window->height() - 26);
  window->hide();
}

TEST_F(MainWindowTest, OpenListsTheFolderSortedWithSizes) {
  WriteFileOfSize(docs_ + "/REPORT.DOCX", 1024);
  WriteFileOfSize(docs_ + "/notes.docx", 1);
  WriteFileOfSize(docs_ + "/empty.docx", 0);
  WriteFileOfSize(docs_ + "/old.doc", 10);
  WriteFileOfSize(docs_ + "/macro.docm", 10);
  WriteFileOfSize(docs_ + "/x.docx.bak", 10);
  QDir().mkpath(docs_ + "/folder.docx");

  auto window = MakeWindow();
  ShowAndActivate(*window);
  MessageRecorder messages;
  EXPECT_FALSE(OpenThroughPicker(*window, docs_));
  EXPECT_TRUE(messages.messages.empty());

  ASSERT_EQ(window->RowCount(), 4);
  EXPECT_EQ(RowTexts(*window, 0), Texts({"  empty.docx", "0 KB", "", ""}));
  EXPECT_EQ(RowTexts(*window, 1), Texts({"  folder.docx", "0 KB", "", ""}));
  EXPECT_EQ(RowTexts(*window, 2), Texts({"  notes.docx", "1 KB", "", ""}));
  EXPECT_EQ(RowTexts(*window, 3), Texts({"  REPORT.DOCX", "2 KB", "", ""}));
  for (int row = 0; row < 4; ++row) {
    EXPECT_TRUE(window->RowChecked(row));
    EXPECT_EQ(window->RowSubItems(row).size(), 1u);
    EXPECT_TRUE(List(*window)->item(row, 1)->textAlignment() & Qt::AlignRight);
  }
  EXPECT_EQ(window->windowTitle(), " Quillon - " + QDir::cleanPath(docs_) + "/");
  EXPECT_EQ(window->Job().ResultDir(), ResultDir());
  EXPECT_TRUE(window->findChild<QPushButton*>("btnConv")->isEnabled());
  EXPECT_EQ(window->focusWidget(), window->findChild<QPushButton*>("btnConv"));
  EXPECT_FALSE(window->findChild<QPushButton*>("btnLook")->isEnabled());
  EXPECT_TRUE(List(*window)->isVisible());
  // No big file: the status text stays.
  EXPECT_EQ(window->StatusText(), kReadyText);
  window->hide();
}

TEST_F(MainWindowTest, BigFileWarningStartsAboveTheLimit) {
  const QString small = root_.path() + "/small";
  QDir().mkpath(small);
  WriteFileOfSize(small + "/limit.docx", kBigFileLimit);
  WriteFileOfSize(docs_ + "/big.docx", kBigFileLimit + 1);
  WriteFileOfSize(docs_ + "/tiny.docx", 5);

  auto window = MakeWindow();
  window->SetStatusText("before");
  OpenThroughPicker(*window, small);
  ASSERT_EQ(window->RowCount(), 1);
  EXPECT_EQ(window->StatusText(), "before");
  OpenThroughPicker(*window, docs_);
  ASSERT_EQ(window->RowCount(), 2);
  EXPECT_EQ(window->StatusText(), kBigFileWarningText);
  EXPECT_EQ(window->findChild<QLabel*>("Panel6Caption")->text().toStdString(), kBigFileWarningText);
}

TEST_F(MainWindowTest, FolderWithoutDocumentsKeepsThePickerOpenAndTheEarlierList) {
  WriteFileOfSize(docs_ + "/one.docx", 100);
  const QString other = root_.path() + "/other";
  QDir().mkpath(other);
  WriteFileOfSize(other + "/readme.txt", 100);

  auto window = MakeWindow();
  MessageRecorder messages;
  EXPECT_FALSE(OpenThroughPicker(*window, docs_));
  ASSERT_EQ(window->RowCount(), 1);

  EXPECT_TRUE(OpenThroughPicker(*window, other));
  ASSERT_EQ(messages.messages.size(), 1u);
  EXPECT_EQ(messages.messages[0].first, kNoProperFilesText);
  // Cancel after the failed choice shows the earlier list again.
  ASSERT_EQ(window->RowCount(), 1);
  EXPECT_EQ(RowTexts(*window, 0)[0], "  one.docx");
  EXPECT_EQ(window->Job().ResultDir(), ResultDir());
}

TEST_F(MainWindowTest, CancelBeforeAnyOpenChangesNothing) {
  auto window = MakeWindow();
  CancelPicker(*window);
  EXPECT_EQ(window->RowCount(), 0);
  EXPECT_FALSE(window->findChild<QPushButton*>("btnConv")->isEnabled());
  EXPECT_EQ(window->windowTitle(), " Quillon");
}

TEST_F(MainWindowTest, ConvertWithoutFilesDoesNothing) {
  auto window = MakeWindow();
  window->SetStatusText("idle");
  MessageRecorder messages;
  window->btnConvClick();
  EXPECT_EQ(log_->starts, 0);
  EXPECT_EQ(window->StatusText(), "idle");
  EXPECT_TRUE(messages.messages.empty());
  EXPECT_FALSE(window->findChild<QPushButton*>("btnLook")->isEnabled());
}

TEST_F(MainWindowTest, BatchPaintsEveryStepAndReportsEachRow) {
  CopySample(docs_ + "/a.b.docx");
  WriteBytes(docs_ + "/broken.docx", "this is not a zip archive at all");
  CopySample(docs_ + "/c.docx");
  CopySample(docs_ + "/REPORT.DOCX");

  auto window = MakeWindow();
  ShowAndActivate(*window);
  window->WatchPaints();
  OpenThroughPicker(*window, docs_);
  ASSERT_EQ(window->RowCount(), 4);
  List(*window)->item(2, 0)->setCheckState(Qt::Unchecked);  // c.docx

  MessageRecorder messages;
  auto* gauge = window->findChild<QProgressBar*>("Gauge1");
  bool gauge_shown_during_save = false;
  int progress_at_first_save = -1;
  log_->on_save = [&] {
    gauge_shown_during_save = gauge->isVisible();
    if (progress_at_first_save < 0) progress_at_first_save = window->ProgressPosition();
  };
  window->ResetRecord();
  window->btnConvClick();

  const std::string saved_size = SizeText(log_->save_size);
  EXPECT_EQ(RowTexts(*window, 0), Texts({"  a.b.docx", SizeOf("a.b.docx"), saved_size, "OK"}));
  EXPECT_EQ(RowTexts(*window, 1), Texts({"  broken.docx", SizeOf("broken.docx"), "-", "Error"}));
  EXPECT_EQ(RowTexts(*window, 2), Texts({"  c.docx", SizeOf("c.docx"), " - ", " Passed"}));
  EXPECT_EQ(RowTexts(*window, 3),
            Texts({"  REPORT.DOCX", SizeOf("REPORT.DOCX"), saved_size, "OK"}));
  for (int row = 0; row < 4; ++row) EXPECT_EQ(window->RowSubItems(row).size(), 3u);
  EXPECT_TRUE(List(*window)->item(0, 2)->textAlignment() & Qt::AlignRight);

  // One instance for the batch; the documents beside their sources, and each
  // package unpacked into a folder of its own.
  EXPECT_EQ(log_->starts, 1);
  EXPECT_EQ(log_->quits, 1);
  EXPECT_TRUE(QFileInfo::exists(docs_ + "/a.b.doc"));
  EXPECT_TRUE(QFileInfo::exists(docs_ + "/REPORT.doc"));
  EXPECT_FALSE(QFileInfo::exists(docs_ + "/c.doc"));
  EXPECT_TRUE(QFileInfo(workspace_ + "/a.b").isDir());

  // Status texts in order, with the paths of the files.
  const std::vector<std::string> statuses = window->statuses();
  ASSERT_FALSE(statuses.empty());
  EXPECT_EQ(statuses.front(), kPreparingText);
  EXPECT_EQ(statuses.back(), kFinishedText);
  const std::string source = ResultDir() + "a.b.docx";
  auto find = [&](const std::string& text) {
    return std::find(statuses.begin(), statuses.end(), text) - statuses.begin();
  };
  EXPECT_LT(find("Opening " + source), find("Converting " + source));
  EXPECT_LT(find("Converting " + source), static_cast<long>(statuses.size()));
  EXPECT_LT(find("Opening " + ResultDir() + "broken.docx"), static_cast<long>(statuses.size()));
  EXPECT_EQ(find("Opening " + ResultDir() + "c.docx"), static_cast<long>(statuses.size()));

  // Each successful file walks the gauge from 0 to 100 in steps of 10.
  int full_walks = 0;
  for (size_t i = 0; i + 10 < window->gauge.size(); ++i) {
    bool walk = window->gauge[i] == 0;
    for (int k = 1; walk && k <= 10; ++k) walk = window->gauge[i + k] == 10 * k;
    full_walks += walk ? 1 : 0;
  }
  EXPECT_EQ(full_walks, 2);
  EXPECT_TRUE(gauge_shown_during_save);
  EXPECT_EQ(progress_at_first_save, 1);

  // Every status, gauge step and row outcome was painted before the next.
  EXPECT_TRUE(window->unpainted.empty()) << window->unpainted.front();

  // The final message, and the window after the batch.
  ASSERT_EQ(messages.messages.size(), 1u);
  EXPECT_EQ(messages.messages[0].first, std::string(kFinishedMessage) + ResultDir());
  EXPECT_EQ(messages.messages[0].second, kProgramTitle);
  EXPECT_TRUE(gauge->isHidden());
  EXPECT_EQ(window->ProgressPosition(), 0);
  EXPECT_EQ(window->findChild<QProgressBar*>("Progress1")->maximum(), 5);
  EXPECT_EQ(window->findChild<QLabel*>("Panel6Caption")->text().toStdString(), kFinishedText);
  auto* look = window->findChild<QPushButton*>("btnLook");
  EXPECT_TRUE(look->isEnabled());
  EXPECT_EQ(window->focusWidget(), look);
  EXPECT_TRUE(window->findChild<QPushButton*>("btnConv")->isEnabled());
  window->hide();
}

TEST_F(MainWindowTest, SecondRunRewritesEveryOutcome) {
  CopySample(docs_ + "/a.docx");
  CopySample(docs_ + "/b.docx");
  WriteBytes(docs_ + "/c.docx", "broken");
  auto window = MakeWindow();
  OpenThroughPicker(*window, docs_);
  ASSERT_EQ(window->RowCount(), 3);
  MessageRecorder messages;
  List(*window)->item(1, 0)->setCheckState(Qt::Unchecked);
  window->btnConvClick();
  EXPECT_EQ(RowTexts(*window, 0)[3], "OK");
  EXPECT_EQ(RowTexts(*window, 1)[3], " Passed");
  EXPECT_EQ(RowTexts(*window, 2)[3], "Error");

  // Second run: a was checked and is now left out; b now runs.
  List(*window)->item(0, 0)->setCheckState(Qt::Unchecked);
  List(*window)->item(1, 0)->setCheckState(Qt::Checked);
  log_->save_size = 3000;
  window->btnConvClick();
  EXPECT_EQ(RowTexts(*window, 0), Texts({"  a.docx", SizeOf("a.docx"), " - ", " Passed"}));
  EXPECT_EQ(RowTexts(*window, 1), Texts({"  b.docx", SizeOf("b.docx"), SizeText(3000), "OK"}));
  EXPECT_EQ(RowTexts(*window, 2), Texts({"  c.docx", SizeOf("c.docx"), "-", "Error"}));
  for (int row = 0; row < 3; ++row) EXPECT_EQ(window->RowSubItems(row).size(), 3u);
  EXPECT_EQ(messages.messages.size(), 2u);
  EXPECT_EQ(log_->starts, 2);
  EXPECT_EQ(log_->quits, 2);
}

TEST_F(MainWindowTest, AllRowsUncheckedStillRunsTheBatch) {
  CopySample(docs_ + "/a.docx");
  CopySample(docs_ + "/b.docx");
  auto window = MakeWindow();
  OpenThroughPicker(*window, docs_);
  for (int row = 0; row < 2; ++row) List(*window)->item(row, 0)->setCheckState(Qt::Unchecked);
  MessageRecorder messages;
  window->btnConvClick();
  EXPECT_EQ(log_->starts, 1);
  EXPECT_EQ(log_->quits, 1);
  EXPECT_TRUE(log_->saved_paths.empty());
  for (int row = 0; row < 2; ++row) {
    EXPECT_EQ(RowTexts(*window, row)[2], " - ");
    EXPECT_EQ(RowTexts(*window, row)[3], " Passed");
  }
  EXPECT_EQ(messages.messages.size(), 1u);
  EXPECT_TRUE(window->findChild<QPushButton*>("btnLook")->isEnabled());
}

TEST_F(MainWindowTest, ResultFolderButtonWaitsForABatchAfterEachOpen) {
  CopySample(docs_ + "/a.docx");
  auto window = MakeWindow();
  auto* look = window->findChild<QPushButton*>("btnLook");
  OpenThroughPicker(*window, docs_);
  EXPECT_FALSE(look->isEnabled());
  MessageRecorder messages;
  window->btnConvClick();
  EXPECT_TRUE(look->isEnabled());
  window->btnLookClick();
  EXPECT_EQ(opened_, QStringList({QDir::cleanPath(docs_) + "/"}));
  OpenThroughPicker(*window, docs_);
  EXPECT_FALSE(look->isEnabled());
}

TEST_F(MainWindowTest, ClicksAndCloseDuringABatchWaitForItsEnd) {
  CopySample(docs_ + "/a.docx");
  CopySample(docs_ + "/b.docx");
  auto window = MakeWindow();
  ShowAndActivate(*window);
  OpenThroughPicker(*window, docs_);
  WriteFileOfSize(workspace_ + "/stale.txt", 4);
  MessageRecorder messages;
  bool visible_after_close = false;
  log_->on_save = [&] {
    window->btnConvClick();  // ignored: the batch is running
    window->btnOpenClick();  // ignored as well (no picker appears)
    window->close();
    visible_after_close = window->isVisible();
  };
  window->btnConvClick();
  EXPECT_TRUE(visible_after_close);
  EXPECT_EQ(log_->starts, 1);
  EXPECT_EQ(log_->saved_paths.size(), 2u);
  EXPECT_EQ(messages.messages.size(), 1u);
  EXPECT_EQ(RowTexts(*window, 1)[3], "OK");
  // The close asked for during the batch happens once it is over, and empties
  // the workspace then.
  QCoreApplication::processEvents();
  EXPECT_FALSE(window->isVisible());
  EXPECT_TRUE(QDir(workspace_).isEmpty());
  EXPECT_TRUE(QFileInfo(workspace_).isDir());
}

TEST_F(MainWindowTest, ClosingNeverEmptiesAFolderThatWasNotAWorkspace) {
  QDir().mkpath(workspace_ + "/Documents");
  WriteFileOfSize(workspace_ + "/Documents/letter.txt", 10);
  auto window = MakeWindow();
  ShowAndActivate(*window);
  EXPECT_TRUE(window->close());
  EXPECT_TRUE(QFileInfo(workspace_ + "/Documents/letter.txt").isFile());
}

TEST_F(MainWindowTest, ClosingEmptiesTheWorkspace) {
  auto window = MakeWindow();
  // A package unpacked while the window runs.
  QDir().mkpath(workspace_ + "/pkg/word");
  WriteFileOfSize(workspace_ + "/pkg/word/doc.htm", 10);
  ShowAndActivate(*window);
  EXPECT_TRUE(window->close());
  EXPECT_TRUE(QDir(workspace_).isEmpty());
  EXPECT_TRUE(QFileInfo(workspace_).isDir());
}

TEST_F(MainWindowTest, HelpButtonOpensTheHelpPageBesideTheProgram) {
  auto window = MakeWindow();
  const QString expected = QString::fromStdString(platform::ExecutableFolder()) + "/help.htm";
  EXPECT_EQ(window->HelpPagePath(), expected);
  ASSERT_TRUE(QFileInfo(expected).isFile()) << "help.htm is copied beside the test program";
  QFile page(expected);
  ASSERT_TRUE(page.open(QIODevice::ReadOnly));
  const QByteArray html = page.readAll();
  EXPECT_TRUE(html.contains("<html"));
  EXPECT_TRUE(html.contains("Passed"));
  window->findChild<QToolButton*>("btnHelp")->click();
  EXPECT_EQ(opened_, QStringList({expected}));
}

TEST_F(MainWindowTest, AboutButtonShowsTheAboutBoxModally) {
  auto window = MakeWindow();
  bool was_modal = false;
  QString title;
  QTimer::singleShot(0, window.get(), [&] {
    QWidget* modal = QApplication::activeModalWidget();
    was_modal = modal != nullptr && modal == window->AboutBox();
    if (modal != nullptr) {
      title = modal->windowTitle();
      modal->close();
    }
  });
  window->btnAboutClick();
  EXPECT_TRUE(was_modal);
  EXPECT_EQ(title, "About");
}

TEST_F(MainWindowTest, ProgressPositionStaysWithinItsRange) {
  auto window = MakeWindow();
  window->SetProgressMax(3);
  window->SetProgressPosition(5);
  EXPECT_EQ(window->ProgressPosition(), 3);
  window->SetProgressPosition(-2);
  EXPECT_EQ(window->ProgressPosition(), 0);
  window->SetGaugePosition(130);
  EXPECT_EQ(window->GaugePosition(), 100);
}

TEST_F(MainWindowTest, RowSubItemsGrowAndShrink) {
  auto window = MakeWindow();
  window->AddRow("  x.docx", true);
  window->AddRow("  y.docx", false);
  EXPECT_EQ(window->RowCount(), 2);
  EXPECT_TRUE(window->RowChecked(0));
  EXPECT_FALSE(window->RowChecked(1));
  EXPECT_TRUE(window->RowSubItems(0).empty());
  window->SetRowSubItems(0, {"1 KB", "2 KB", "OK"});
  EXPECT_EQ(window->RowSubItems(0), (std::vector<std::string>{"1 KB", "2 KB", "OK"}));
  window->SetRowSubItems(0, {"1 KB"});
  EXPECT_EQ(window->RowSubItems(0), (std::vector<std::string>{"1 KB"}));
  EXPECT_EQ(List(*window)->item(0, 3), nullptr);
  window->SetRowSubItems(7, {"ignored"});
  window->ClearRows();
  EXPECT_EQ(window->RowCount(), 0);
}

}  // namespace
}  // namespace quillon::gui
