#include "gui/qt_hooks.h"

#include <QApplication>
#include <QMessageBox>

#include "platform/files.h"
#include "platform/system.h"

namespace quillon::gui {

void InstallQtHooks() {
  platform::SetMessagePump([] { QCoreApplication::processEvents(QEventLoop::AllEvents); });
  platform::SetMessageBoxHandler([](const std::string& text, const std::string& caption) {
    QMessageBox box(QMessageBox::Information, DisplayText(caption), DisplayText(text),
                    QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
  });
}

QString DisplayText(const std::string& text) {
  QString shown = QString::fromStdString(text);
  shown.replace("\r\n", "\n");
#ifndef _WIN32
  shown.replace('\\', '/');
#endif
  return shown;
}

std::string SystemPath(const QString& native_path) {
  std::string path = native_path.toStdString();
#ifndef _WIN32
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
#endif
  return path;
}

QString NativePathOf(const std::string& system_path) {
  return QString::fromStdString(platform::NativePath(system_path));
}

}  // namespace quillon::gui
