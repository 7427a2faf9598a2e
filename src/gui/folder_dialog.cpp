#include "gui/folder_dialog.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QPushButton>
#include <QStorageInfo>
#include <QStyle>
#include <QTimer>
#include <algorithm>

#include "gui/pictures.h"
#include "platform/files.h"
#include "platform/system.h"

namespace quillon::gui {
namespace {

constexpr int kPathRole = Qt::UserRole;

QString CleanFolder(const QString& path) {
  if (path.isEmpty()) return QString();
  return QDir::cleanPath(QDir(path).absolutePath());
}

QString FromPlatform(const std::string& path) {
  return QString::fromStdString(platform::NativePath(path));
}

}  // namespace

// ---------------------------------------------------------------------------
// Folder list box

TNewDLBox::TNewDLBox(QWidget* parent) : QTreeWidget(parent) {
  setObjectName("NewDLBox");
  setHeaderHidden(true);
  setColumnCount(1);
  setRootIsDecorated(false);
  setIndentation(10);
  setItemsExpandable(false);
  setExpandsOnDoubleClick(false);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setIconSize(QSize(16, 16));
  // A folder list box shows the chain of folders by indentation alone.
  setStyleSheet("QTreeView::branch { image: none; border-image: none; }");
  // The list is rebuilt when a folder opens; doing that inside the click's own
  // signal would delete the entry under the mouse, so it runs right after.
  connect(this, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item) {
    const QString path = item->data(0, kPathRole).toString();
    QTimer::singleShot(0, this, [this, path] {
      if (path != directory_) SetDirectory(path);
    });
  });
  connect(this, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* item) {
    const QString path = item->data(0, kPathRole).toString();
    QTimer::singleShot(0, this, [this, path] {
      if (path != directory_) SetDirectory(path);
    });
  });
}

bool TNewDLBox::SetDirectory(const QString& path) {
  const QString folder = CleanFolder(path);
  QFileInfo info(folder);
  if (folder.isEmpty() || !info.isDir() || !info.isReadable()) return false;
  directory_ = folder;
  platform::SetCurrentFolder(folder.toStdString());
  Rebuild();
  Q_EMIT DirectoryChanged(directory_);
  return true;
}

QTreeWidgetItem* TNewDLBox::ItemFor(const QString& path) const {
  const QString folder = CleanFolder(path);
  for (QTreeWidgetItemIterator it(const_cast<TNewDLBox*>(this)); *it; ++it) {
    if ((*it)->data(0, kPathRole).toString() == folder) return *it;
  }
  return nullptr;
}

void TNewDLBox::Rebuild() {
  clear();
  const QIcon open_icon = style()->standardIcon(QStyle::SP_DirOpenIcon);
  const QIcon closed_icon = style()->standardIcon(QStyle::SP_DirClosedIcon);

  // The chain from the root down to the open folder, each one level deeper.
  QStringList parts = directory_.split('/', Qt::SkipEmptyParts);
  auto* item = new QTreeWidgetItem(this, QStringList(QDir::rootPath()));
  item->setData(0, kPathRole, QDir::rootPath());
  item->setIcon(0, open_icon);
  QString path;
  for (const QString& part : parts) {
    path += '/' + part;
    auto* child = new QTreeWidgetItem(item, QStringList(part));
    child->setData(0, kPathRole, path);
    child->setIcon(0, open_icon);
    item = child;
  }
  QTreeWidgetItem* current = item;

  const QStringList children =
      QDir(directory_).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
  for (const QString& name : children) {
    auto* child = new QTreeWidgetItem(current, QStringList(name));
    child->setData(0, kPathRole, QDir(directory_).filePath(name));
    child->setIcon(0, closed_icon);
  }
  expandAll();
  setCurrentItem(current);
  scrollToItem(current);
}

// ---------------------------------------------------------------------------
// File box

TFileListBox::TFileListBox(QWidget* parent) : QListWidget(parent) {
  setObjectName("FileListBox1");
  setSelectionMode(QAbstractItemView::SingleSelection);
  setIconSize(QSize(16, 16));
}

void TFileListBox::SetMask(const QString& mask) {
  mask_ = mask;
  Refresh();
}

void TFileListBox::SetDirectory(const QString& path) {
  directory_ = CleanFolder(path);
  Refresh();
}

QStringList TFileListBox::FileNames() const {
  QStringList names;
  for (int i = 0; i < count(); ++i) names << item(i)->text();
  return names;
}

void TFileListBox::Refresh() {
  clear();
  if (directory_.isEmpty()) return;
  const QStringList filters = mask_.split(';', Qt::SkipEmptyParts);
  QStringList patterns;
  for (const QString& f : filters) patterns << f.trimmed();
  const QStringList names =
      QDir(directory_).entryList(patterns, QDir::Files, QDir::Name | QDir::IgnoreCase);
  const QIcon file_icon = style()->standardIcon(QStyle::SP_FileIcon);
  for (const QString& name : names) addItem(new QListWidgetItem(file_icon, name));
}

// ---------------------------------------------------------------------------
// The picker

TFolderDlg1::TFolderDlg1(QWidget* parent) : QDialog(parent, Qt::Tool) {
  setObjectName("FolderDlg1");
  setWindowTitle("Select Folder");
  setFixedSize(377, 253);
  const QFont verdana("Verdana", 8);

  // Creation: the folder list box first, then the pictures and the drive box
  // with its two extra entries after the drives.
  DLBox_ = new TNewDLBox(this);
  DLBox_->hide();
  my_docu_picture_ = LoadPicture("MyDocu", QSize(16, 16));
  desktop_picture_ = LoadPicture("DeskTop", QSize(16, 16));

  Drive1_ = new QComboBox(this);
  Drive1_->setObjectName("Drive1");
  Drive1_->setGeometry(12, 10, 165, 22);
  Drive1_->setFont(QFont("Tahoma", 8));
  FillDrives();

  FileListBox1_ = new TFileListBox(this);
  FileListBox1_->setGeometry(184, 10, 185, 209);
  FileListBox1_->setFont(verdana);

  Button1_ = new QPushButton("OK", this);
  Button1_->setObjectName("Button1");
  Button1_->setGeometry(184, 226, 81, 20);
  Button1_->setFont(verdana);
  Button1_->setDefault(true);
  btnCancel_ = new QPushButton("Cancel", this);
  btnCancel_->setObjectName("btnCancel");
  btnCancel_->setGeometry(288, 226, 81, 20);
  btnCancel_->setFont(verdana);

  connect(Drive1_, &QComboBox::activated, this, [this] { Drive1Change(); });
  connect(DLBox_, &TNewDLBox::DirectoryChanged, FileListBox1_, &TFileListBox::SetDirectory);
  connect(Button1_, &QPushButton::clicked, this, [this] { Button1Click(); });
  connect(btnCancel_, &QPushButton::clicked, this, [this] { btnCancelClick(); });
}

TFolderDlg1::~TFolderDlg1() = default;

void TFolderDlg1::FillDrives() {
  Drive1_->clear();
  QStringList roots;
  // Memory-backed and package-image mounts (tmpfs, squashfs...) are not places
  // where documents live; the root is always listed.
  static const QList<QByteArray> kSkippedTypes = {"tmpfs", "devtmpfs", "ramfs",  "squashfs",
                                                  "proc",  "sysfs",    "cgroup", "cgroup2"};
  for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
    const QString root = volume.rootPath();
    if (!volume.isValid() || !volume.isReady() || !QFileInfo(root).isDir()) continue;
    if (root != QDir::rootPath() && kSkippedTypes.contains(volume.fileSystemType())) continue;
    roots << root;
  }
  if (roots.isEmpty()) roots << QDir::rootPath();
  roots.sort();
  roots.removeDuplicates();
  const QIcon drive_icon = style()->standardIcon(QStyle::SP_DriveHDIcon);
  // Drive names are shown upper-case; the entry keeps the real mount point,
  // since POSIX paths are case-sensitive.
  for (const QString& root : roots) Drive1_->addItem(drive_icon, root.toUpper(), root);
  Drive1_->addItem(QIcon(my_docu_picture_), " My Documents");
  Drive1_->addItem(QIcon(desktop_picture_), " Desktop");
}

int TFolderDlg1::MyDocumentsIndex() const { return Drive1_->count() - 2; }
int TFolderDlg1::DesktopIndex() const { return Drive1_->count() - 1; }

QString TFolderDlg1::SelectedFolder() const { return DLBox_->Directory(); }

bool TFolderDlg1::OpenFolder(const QString& path) {
  if (!DLBox_->SetDirectory(path)) return false;
  SelectDriveOf(DLBox_->Directory());
  return true;
}

void TFolderDlg1::SelectDriveOf(const QString& path) {
  // The volume whose mount point is the longest prefix of |path|.
  int best = -1;
  qsizetype best_length = -1;
  for (int i = 0; i < MyDocumentsIndex(); ++i) {
    QString root = Drive1_->itemData(i).toString();
    const bool contains =
        root == "/" || path == root || path.startsWith(root.endsWith('/') ? root : root + '/');
    if (contains && root.size() > best_length) {
      best = i;
      best_length = root.size();
    }
  }
  if (best >= 0) Drive1_->setCurrentIndex(best);
}

void TFolderDlg1::Drive1Change() {
  const int index = Drive1_->currentIndex();
  if (index < 0) return;
  if (index < MyDocumentsIndex()) {
    DLBox_->SetDirectory(Drive1_->itemData(index).toString());
  } else {
    const std::string target =
        index == DesktopIndex() ? platform::DesktopFolder() : platform::DocumentsFolder();
    DLBox_->SetDirectory(FromPlatform(target));
  }
  FileListBox1_->SetDirectory(DLBox_->Directory());
}

void TFolderDlg1::Button1Click() {
  if (!ok_handler_ || ok_handler_(SelectedFolder())) accept();
}

void TFolderDlg1::btnCancelClick() { reject(); }

void TFolderDlg1::showEvent(QShowEvent* event) {
  DLBox_->setGeometry(12, 40, 163, 203);
  DLBox_->setFont(QFont("Verdana", 8));
  DLBox_->show();
  FileListBox1_->SetMask(mask_);
  if (DLBox_->Directory().isEmpty()) {
    OpenFolder(FromPlatform(platform::CurrentFolder()));
  } else {
    FileListBox1_->SetDirectory(DLBox_->Directory());
  }
  QDialog::showEvent(event);
}

}  // namespace quillon::gui
