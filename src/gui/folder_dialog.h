// TFolderDlg1: the source folder picker. A tool window with a drive box
// (Drive1: the mounted volumes, then " My Documents" and " Desktop"), a folder
// list box (TNewDLBox) in which one click opens a folder, the file box
// (FileListBox1) showing the documents of the open folder that match the mask,
// and the OK (Button1) and Cancel (btnCancel) buttons.
//
// Folders here are native paths ("/home/me/Documents", no trailing "/" except
// the root). OK hands the open folder to the handler set by the owner and
// closes the picker only when the handler returns true.
#pragma once

#include <QDialog>
#include <QListWidget>
#include <QPixmap>
#include <QString>
#include <QTreeWidget>
#include <functional>

class QComboBox;
class QPushButton;

namespace quillon::gui {

// A folder list box: the open folder's ancestors from the root down, the open
// folder itself, and its sub-folders one level deeper. A single click (or
// Enter) on an entry opens that folder. Hidden (dot) folders are not shown.
class TNewDLBox : public QTreeWidget {
  Q_OBJECT

 public:
  explicit TNewDLBox(QWidget* parent = nullptr);

  QString Directory() const { return directory_; }
  // Opens |path| and lists it; false (nothing changes) when it is not a
  // readable folder. The process's current folder follows the open folder.
  bool SetDirectory(const QString& path);
  // The entry showing |path|, or nullptr.
  QTreeWidgetItem* ItemFor(const QString& path) const;

 Q_SIGNALS:
  void DirectoryChanged(const QString& path);

 private:
  void OpenItem(QTreeWidgetItem* item);
  void Rebuild();

  QString directory_;
};

// The file box: the files (not folders) of one folder whose names match the
// mask ("*.docx", or several patterns split at ";"), ignoring case, sorted.
class TFileListBox : public QListWidget {
  Q_OBJECT

 public:
  explicit TFileListBox(QWidget* parent = nullptr);

  void SetMask(const QString& mask);
  QString Mask() const { return mask_; }
  void SetDirectory(const QString& path);
  QString Directory() const { return directory_; }
  QStringList FileNames() const;

 private:
  void Refresh();

  QString mask_ = "*.*";
  QString directory_;
};

class TFolderDlg1 : public QDialog {
  Q_OBJECT

 public:
  using OkHandler = std::function<bool(const QString& folder)>;

  explicit TFolderDlg1(QWidget* parent = nullptr);
  ~TFolderDlg1() override;

  void SetOkHandler(OkHandler handler) { ok_handler_ = std::move(handler); }
  // The mask of the file box, applied when the picker is shown.
  void SetMask(const QString& mask) { mask_ = mask; }

  // The folder open in the folder list box.
  QString SelectedFolder() const;
  // Opens |path| in the folder list box and shows it in the file box.
  bool OpenFolder(const QString& path);

  // The drive box entries: index of " My Documents" and " Desktop".
  int MyDocumentsIndex() const;
  int DesktopIndex() const;

  // Handlers of the controls, callable directly.
  void Drive1Change();
  void Button1Click();
  void btnCancelClick();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void FillDrives();
  void SelectDriveOf(const QString& path);

  QComboBox* Drive1_;
  TNewDLBox* DLBox_;
  TFileListBox* FileListBox1_;
  QPushButton* Button1_;
  QPushButton* btnCancel_;
  QPixmap my_docu_picture_;
  QPixmap desktop_picture_;
  OkHandler ok_handler_;
  QString mask_ = "*.docx";
};

}  // namespace quillon::gui
