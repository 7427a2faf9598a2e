// The source folder picker: drive box, folder list box, file box, OK/Cancel.
#include "gui/folder_dialog.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QPushButton>
#include <QStorageInfo>
#include <QTest>

#include "gui_test_support.h"
#include "platform/files.h"

namespace quillon::gui {
namespace {

using testing::App;
using testing::ScopedEnv;
using testing::WriteFileOfSize;

class FolderDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    App();
    ASSERT_TRUE(root_.isValid());
    saved_cwd_ = QDir::currentPath();
  }
  void TearDown() override { QDir::setCurrent(saved_cwd_); }

  QString MakeDir(const QString& relative) {
    const QString path = root_.path() + "/" + relative;
    QDir().mkpath(path);
    return path;
  }

  QTemporaryDir root_;
  QString saved_cwd_;
};

TEST_F(FolderDialogTest, ControlsCaptionAndGeometry) {
  TFolderDlg1 dialog;
  EXPECT_EQ(dialog.windowTitle(), "Select Folder");
  EXPECT_TRUE(dialog.windowFlags().testFlag(Qt::Tool));
  EXPECT_EQ(dialog.size(), QSize(377, 253));
  auto* drive = dialog.findChild<QComboBox*>("Drive1");
  ASSERT_NE(drive, nullptr);
  EXPECT_EQ(drive->geometry(), QRect(12, 10, 165, 22));
  auto* files = dialog.findChild<TFileListBox*>("FileListBox1");
  ASSERT_NE(files, nullptr);
  EXPECT_EQ(files->geometry(), QRect(184, 10, 185, 209));
  auto* ok = dialog.findChild<QPushButton*>("Button1");
  auto* cancel = dialog.findChild<QPushButton*>("btnCancel");
  ASSERT_NE(ok, nullptr);
  ASSERT_NE(cancel, nullptr);
  EXPECT_EQ(ok->text(), "OK");
  EXPECT_EQ(cancel->text(), "Cancel");
  EXPECT_EQ(ok->size(), QSize(81, 20));
  EXPECT_EQ(cancel->size(), QSize(81, 20));

  // The folder list box takes its place when the picker is shown.
  auto* tree = dialog.findChild<TNewDLBox*>();
  ASSERT_NE(tree, nullptr);
  EXPECT_FALSE(tree->isVisibleTo(&dialog));
  dialog.show();
  EXPECT_TRUE(tree->isVisible());
  EXPECT_EQ(tree->geometry(), QRect(12, 40, 163, 203));
  dialog.hide();
}

TEST_F(FolderDialogTest, DriveBoxListsVolumesUpperCaseThenTheTwoPlaces) {
  TFolderDlg1 dialog;
  auto* drive = dialog.findChild<QComboBox*>("Drive1");
  ASSERT_NE(drive, nullptr);
  ASSERT_GE(drive->count(), 3);
  EXPECT_EQ(dialog.MyDocumentsIndex(), drive->count() - 2);
  EXPECT_EQ(dialog.DesktopIndex(), drive->count() - 1);
  EXPECT_EQ(drive->itemText(dialog.MyDocumentsIndex()), " My Documents");
  EXPECT_EQ(drive->itemText(dialog.DesktopIndex()), " Desktop");
  EXPECT_FALSE(drive->itemIcon(dialog.MyDocumentsIndex()).isNull());
  EXPECT_FALSE(drive->itemIcon(dialog.DesktopIndex()).isNull());

  QStringList mounted;
  for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) mounted << volume.rootPath();
  for (int i = 0; i < dialog.MyDocumentsIndex(); ++i) {
    const QString root = drive->itemData(i).toString();
    EXPECT_EQ(drive->itemText(i), root.toUpper());
    if (!mounted.isEmpty()) {
      EXPECT_TRUE(mounted.contains(root)) << root.toStdString();
    }
    EXPECT_TRUE(QFileInfo(root).isDir()) << root.toStdString();
  }
  // The root volume is always there.
  EXPECT_GE(drive->findData(QDir::rootPath()), 0);
}

TEST_F(FolderDialogTest, DesktopEntryOpensTheDesktopAndListsItsDocuments) {
  const QString home = MakeDir("home");
  const QString desktop = MakeDir("home/Desktop");
  MakeDir("home/Desktop/inner");
  MakeDir("config");
  WriteFileOfSize(desktop + "/letter.docx", 10);
  WriteFileOfSize(desktop + "/Notes.DOCX", 10);
  WriteFileOfSize(desktop + "/old.doc", 10);
  WriteFileOfSize(desktop + "/keep.docx.bak", 10);
  ScopedEnv home_env("HOME", home);
  ScopedEnv config_env("XDG_CONFIG_HOME", root_.path() + "/config");

  TFolderDlg1 dialog;
  dialog.SetMask("*.docx");
  dialog.show();
  auto* drive = dialog.findChild<QComboBox*>("Drive1");
  drive->setCurrentIndex(dialog.DesktopIndex());
  dialog.Drive1Change();
  EXPECT_EQ(dialog.SelectedFolder(), QDir::cleanPath(desktop));
  auto* tree = dialog.findChild<TNewDLBox*>();
  ASSERT_NE(tree->ItemFor(desktop + "/inner"), nullptr);
  EXPECT_EQ(tree->currentItem(), tree->ItemFor(desktop));
  auto* files = dialog.findChild<TFileListBox*>("FileListBox1");
  EXPECT_EQ(files->FileNames(), QStringList({"letter.docx", "Notes.DOCX"}));
  // The process's current folder follows the open folder.
  EXPECT_EQ(QDir::currentPath(), QDir::cleanPath(desktop));
  dialog.hide();
}

TEST_F(FolderDialogTest, MyDocumentsEntryFollowsTheUserDirsFile) {
  const QString home = MakeDir("home");
  const QString papers = MakeDir("home/Papers");
  MakeDir("config");
  WriteFileOfSize(papers + "/a.docx", 1);
  {
    QFile dirs(root_.path() + "/config/user-dirs.dirs");
    ASSERT_TRUE(dirs.open(QIODevice::WriteOnly));
    dirs.write("XDG_DOCUMENTS_DIR=\"$HOME/Papers\"\n");
  }
  ScopedEnv home_env("HOME", home);
  ScopedEnv config_env("XDG_CONFIG_HOME", root_.path() + "/config");

  TFolderDlg1 dialog;
  dialog.show();
  auto* drive = dialog.findChild<QComboBox*>("Drive1");
  drive->setCurrentIndex(dialog.MyDocumentsIndex());
  dialog.Drive1Change();
  EXPECT_EQ(dialog.SelectedFolder(), QDir::cleanPath(papers));
  EXPECT_EQ(dialog.findChild<TFileListBox*>("FileListBox1")->FileNames(), QStringList({"a.docx"}));
  dialog.hide();
}

TEST_F(FolderDialogTest, MissingDesktopLeavesTheOpenFolder) {
  const QString home = MakeDir("bare-home");
  const QString start = MakeDir("start");
  MakeDir("config");
  ScopedEnv home_env("HOME", home);
  ScopedEnv config_env("XDG_CONFIG_HOME", root_.path() + "/config");
  TFolderDlg1 dialog;
  ASSERT_TRUE(dialog.OpenFolder(start));
  auto* drive = dialog.findChild<QComboBox*>("Drive1");
  drive->setCurrentIndex(dialog.DesktopIndex());
  dialog.Drive1Change();
  EXPECT_EQ(dialog.SelectedFolder(), QDir::cleanPath(start));
}

TEST_F(FolderDialogTest, RealDriveOpensItsRoot) {
  const QString start = MakeDir("start");
  TFolderDlg1 dialog;
  ASSERT_TRUE(dialog.OpenFolder(start));
  auto* drive = dialog.findChild<QComboBox*>("Drive1");
  const int root_index = drive->findData(QDir::rootPath());
  ASSERT_GE(root_index, 0);
  drive->setCurrentIndex(root_index);
  dialog.Drive1Change();
  EXPECT_EQ(dialog.SelectedFolder(), QDir::rootPath());
}

TEST_F(FolderDialogTest, SingleClickOpensAFolder) {
  const QString top = MakeDir("top");
  const QString sub = MakeDir("top/Sub Folder");
  MakeDir("top/.hidden");
  WriteFileOfSize(sub + "/inside.docx", 3);
  WriteFileOfSize(top + "/outside.docx", 3);

  TFolderDlg1 dialog;
  dialog.SetMask("*.docx");
  dialog.show();
  ASSERT_TRUE(dialog.OpenFolder(top));
  auto* tree = dialog.findChild<TNewDLBox*>();
  auto* files = dialog.findChild<TFileListBox*>("FileListBox1");
  EXPECT_EQ(files->FileNames(), QStringList({"outside.docx"}));
  EXPECT_EQ(tree->ItemFor(top + "/.hidden"), nullptr);

  QTreeWidgetItem* item = tree->ItemFor(sub);
  ASSERT_NE(item, nullptr);
  tree->scrollToItem(item);
  const QRect rect = tree->visualItemRect(item);
  ASSERT_TRUE(rect.isValid());
  QTest::mouseClick(tree->viewport(), Qt::LeftButton, Qt::NoModifier, rect.center());
  QCoreApplication::processEvents();
  EXPECT_EQ(dialog.SelectedFolder(), QDir::cleanPath(sub));
  EXPECT_EQ(files->FileNames(), QStringList({"inside.docx"}));

  // The parent is listed above the open folder; one click goes back up.
  QTreeWidgetItem* parent = tree->ItemFor(top);
  ASSERT_NE(parent, nullptr);
  QTest::mouseClick(tree->viewport(), Qt::LeftButton, Qt::NoModifier,
                    tree->visualItemRect(parent).center());
  QCoreApplication::processEvents();
  EXPECT_EQ(dialog.SelectedFolder(), QDir::cleanPath(top));
  dialog.hide();
}

TEST_F(FolderDialogTest, FolderListShowsTheChainFromTheRoot) {
  const QString deep = MakeDir("a/b/c");
  MakeDir("a/b/c/z");
  MakeDir("a/b/c/Y");
  TNewDLBox tree;
  ASSERT_TRUE(tree.SetDirectory(deep));
  ASSERT_EQ(tree.topLevelItemCount(), 1);
  EXPECT_EQ(tree.topLevelItem(0)->text(0), "/");
  // Every ancestor is listed, the open folder's sub-folders sorted ignoring case.
  for (QString path = QDir::cleanPath(deep); path != "/"; path = QFileInfo(path).path()) {
    EXPECT_NE(tree.ItemFor(path), nullptr) << path.toStdString();
  }
  QTreeWidgetItem* current = tree.ItemFor(deep);
  ASSERT_EQ(current->childCount(), 2);
  EXPECT_EQ(current->child(0)->text(0), "Y");
  EXPECT_EQ(current->child(1)->text(0), "z");
}

TEST_F(FolderDialogTest, UnreadableOrMissingFolderIsNotOpened) {
  const QString start = MakeDir("start");
  TNewDLBox tree;
  ASSERT_TRUE(tree.SetDirectory(start));
  EXPECT_FALSE(tree.SetDirectory(root_.path() + "/absent"));
  WriteFileOfSize(root_.path() + "/plain.txt", 1);
  EXPECT_FALSE(tree.SetDirectory(root_.path() + "/plain.txt"));
  EXPECT_EQ(tree.Directory(), QDir::cleanPath(start));
}

TEST_F(FolderDialogTest, FileBoxMaskMatchesFilesOnlyIgnoringCase) {
  const QString dir = MakeDir("mask");
  MakeDir("mask/folder.docx");
  WriteFileOfSize(dir + "/b.docx", 1);
  WriteFileOfSize(dir + "/A.DocX", 1);
  WriteFileOfSize(dir + "/c.docm", 1);
  WriteFileOfSize(dir + "/d.txt", 1);
  TFileListBox files;
  files.SetDirectory(dir);
  files.SetMask("*.docx");
  EXPECT_EQ(files.FileNames(), QStringList({"A.DocX", "b.docx"}));
  files.SetMask("*.docm;*.txt");
  EXPECT_EQ(files.FileNames(), QStringList({"c.docm", "d.txt"}));
}

TEST_F(FolderDialogTest, OkClosesOnlyWhenTheHandlerAccepts) {
  const QString dir = MakeDir("ok");
  TFolderDlg1 dialog;
  ASSERT_TRUE(dialog.OpenFolder(dir));
  QStringList offered;
  bool accept = false;
  dialog.SetOkHandler([&](const QString& folder) {
    offered << folder;
    return accept;
  });
  dialog.show();
  dialog.Button1Click();
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_EQ(dialog.result(), 0);
  accept = true;
  dialog.Button1Click();
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(offered, QStringList({QDir::cleanPath(dir), QDir::cleanPath(dir)}));

  dialog.show();
  dialog.btnCancelClick();
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_EQ(dialog.result(), QDialog::Rejected);
  EXPECT_EQ(offered.size(), 2);
}

}  // namespace
}  // namespace quillon::gui
