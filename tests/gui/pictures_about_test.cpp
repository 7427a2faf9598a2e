// The compiled-in pictures, the About box and the Qt hooks.
#include <gtest/gtest.h>

#include <QImage>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include "gui/about_box.h"
#include "gui/pictures.h"
#include "gui/qt_hooks.h"
#include "gui_test_support.h"
#include "platform/system.h"
#include "quillon_version.h"

namespace quillon::gui {
namespace {

// Number of pixels that are not fully transparent.
int OpaquePixels(const QPixmap& pixmap) {
  const QImage image = pixmap.toImage();
  int count = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) count += qAlpha(image.pixel(x, y)) > 0 ? 1 : 0;
  }
  return count;
}

TEST(PicturesTest, EveryPictureIsDrawnAtTheSizeAskedFor) {
  testing::App();
  for (const char* name : {"banner", "help", "MyDocu", "DeskTop"}) {
    SCOPED_TRACE(name);
    EXPECT_FALSE(PictureSize(name).isEmpty());
    const QPixmap pixmap = LoadPicture(name, QSize(32, 24));
    ASSERT_FALSE(pixmap.isNull());
    EXPECT_EQ(pixmap.size(), QSize(32, 24));
    EXPECT_GT(OpaquePixels(pixmap), 32 * 24 / 4);
  }
}

TEST(PicturesTest, UnknownNameOrEmptySizeGivesNoPicture) {
  testing::App();
  EXPECT_TRUE(LoadPicture("nothing", QSize(16, 16)).isNull());
  EXPECT_TRUE(PictureSize("nothing").isEmpty());
  EXPECT_TRUE(LoadPicture("help", QSize(0, 0)).isNull());
}

TEST(AboutBoxTest, WhiteToolWindowWithProductVersionAndBanner) {
  testing::App();
  TfrmAbout about;
  EXPECT_EQ(about.windowTitle(), "About");
  EXPECT_TRUE(about.windowFlags().testFlag(Qt::Tool));
  EXPECT_EQ(about.size(), QSize(286, 356));
  EXPECT_EQ(about.palette().color(QPalette::Window), QColor(Qt::white));
  const QString text = about.ProductText();
  EXPECT_TRUE(text.contains("Quillon"));
  EXPECT_TRUE(text.contains(QUILLON_VERSION));
  auto* banner = about.findChild<QLabel*>("Image1");
  ASSERT_NE(banner, nullptr);
  EXPECT_FALSE(banner->pixmap().isNull());
}

TEST(AboutBoxTest, CloseButtonEndsTheModalBox) {
  testing::App();
  TfrmAbout about;
  auto* close = about.findChild<QPushButton*>("btnClose");
  ASSERT_NE(close, nullptr);
  EXPECT_EQ(close->text(), "Close");
  QTimer::singleShot(0, close, &QPushButton::click);
  EXPECT_EQ(about.exec(), QDialog::Accepted);
  EXPECT_FALSE(about.isVisible());
}

TEST(QtHooksTest, DisplayTextShowsNativePathsAndLineBreaks) {
  EXPECT_EQ(DisplayText("Opening \\home\\me\\a.docx"), "Opening /home/me/a.docx");
  EXPECT_EQ(DisplayText("Finished.\r\ndoc files:\r\n\\tmp\\"), "Finished.\ndoc files:\n/tmp/");
  EXPECT_EQ(DisplayText(""), "");
}

TEST(QtHooksTest, SystemPathRoundTrips) {
  EXPECT_EQ(SystemPath("/home/me/docs"), "\\home\\me\\docs");
  EXPECT_EQ(NativePathOf("\\home\\me\\docs\\"), "/home/me/docs/");
  EXPECT_EQ(NativePathOf(SystemPath("/a b/c.d")), "/a b/c.d");
}

TEST(QtHooksTest, MessageBoxHandlerShowsAModalBoxWithTheTexts) {
  testing::App();
  InstallQtHooks();
  QString seen_title;
  QString seen_text;
  QTimer::singleShot(0, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr) return;
    seen_title = box->windowTitle();
    seen_text = box->text();
    box->accept();
  });
  platform::ShowMessageBox("Done.\r\nSaved in:\r\n\\tmp\\x\\", "Quillon");
  platform::SetMessageBoxHandler(nullptr);
  platform::SetMessagePump(nullptr);
  EXPECT_EQ(seen_title, "Quillon");
  EXPECT_EQ(seen_text, "Done.\nSaved in:\n/tmp/x/");
}

TEST(QtHooksTest, MessagePumpDeliversPostedEvents) {
  testing::App();
  InstallQtHooks();
  bool delivered = false;
  QTimer::singleShot(0, [&] { delivered = true; });
  platform::ProcessMessages();
  platform::SetMessagePump(nullptr);
  platform::SetMessageBoxHandler(nullptr);
  EXPECT_TRUE(delivered);
}

}  // namespace
}  // namespace quillon::gui
