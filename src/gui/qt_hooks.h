// The Qt side of the platform hooks: the event pump that long loops call to
// keep the window painted and responsive, and the modal message box. Also the
// one conversion from the system's texts (backslash paths, "\r\n" breaks) to
// what the window shows.
#pragma once

#include <QString>
#include <string>

namespace quillon::gui {

// Installs QCoreApplication::processEvents as the message pump and a modal
// QMessageBox as the message-box handler. Call once a QApplication exists.
void InstallQtHooks();

// A system text as the window shows it: backslashes become the native
// separator on POSIX (paths inside the system keep the backslash form), and
// "\r\n" becomes one line break.
QString DisplayText(const std::string& text);

// A native folder path ("/home/me/docs") in the system's backslash form
// ("\\home\\me\\docs"); the platform layer turns it back at the boundary.
std::string SystemPath(const QString& native_path);

// The reverse, for handing a system path to Qt.
QString NativePathOf(const std::string& system_path);

}  // namespace quillon::gui
