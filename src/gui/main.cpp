// quillon-gui: the desktop window.
//
// Options, all optional: --engine NAME and --workspace DIR choose the
// word-processor engine and the workspace folder, as the command line does.
// For demonstrations and the documentation's screenshot, --open FOLDER opens a
// folder at start (as if chosen in the picker), --skip NAME clears a row's
// check box, --convert runs the batch, and --grab FILE saves a picture of the
// window afterwards and quits (messages then go to standard error).
#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QTimer>
#include <cstdio>

#include "gui/main_window.h"
#include "gui/qt_hooks.h"
#include "platform/system.h"
#include "quillon_version.h"

namespace {

// The scripted steps of --open/--skip/--convert/--grab; returns the exit code.
int RunScripted(quillon::gui::TForm1& window, const QCommandLineParser& parser) {
  const QString folder = parser.value("open");
  if (!folder.isEmpty() && !window.OpenSourceFolder(QFileInfo(folder).absoluteFilePath())) return 1;
  const QStringList skipped = parser.values("skip");
  const std::vector<std::string>& files = window.Job().Sources().SourceFiles;
  for (int row = 0; row < window.RowCount() && row < static_cast<int>(files.size()); ++row) {
    if (skipped.contains(QString::fromStdString(files[static_cast<size_t>(row)]))) {
      window.SetRowChecked(row, false);
    }
  }
  if (parser.isSet("convert")) window.btnConvClick();
  const QString grab = parser.value("grab");
  if (!grab.isEmpty()) {
    QCoreApplication::processEvents();
    if (!window.grab().save(grab, "PNG")) {
      std::fprintf(stderr, "cannot write %s\n", grab.toLocal8Bit().constData());
      return 1;
    }
    window.close();
    QCoreApplication::quit();
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Quillon");
  QApplication::setApplicationVersion(QUILLON_VERSION);

  QCommandLineParser parser;
  parser.setApplicationDescription("Converts the .docx files of a folder into .doc files.");
  parser.addHelpOption();
  parser.addVersionOption();
  parser.addOption({{"e", "engine"}, "Word-processor engine.", "NAME"});
  parser.addOption({{"w", "workspace"}, "Folder in which packages are unpacked.", "DIR"});
  parser.addOption({"open", "Open FOLDER at start.", "FOLDER"});
  parser.addOption({"skip", "Clear the check box of the row of NAME.", "NAME"});
  parser.addOption({"convert", "Convert once the folder is open."});
  parser.addOption({"grab", "Save a picture of the window to FILE (PNG) and quit.", "FILE"});
  parser.process(app);

  quillon::gui::InstallQtHooks();
  const bool grabbing = parser.isSet("grab");
  if (grabbing) {
    // Nobody is there to close a box: messages go to standard error.
    quillon::platform::SetMessageBoxHandler([](const std::string& text,
                                               const std::string& caption) {
      std::fprintf(stderr, "%s: %s\n", quillon::gui::DisplayText(caption).toLocal8Bit().constData(),
                   quillon::gui::DisplayText(text).toLocal8Bit().constData());
    });
  }

  quillon::gui::WindowOptions options;
  options.engine_name = parser.value("engine").toStdString();
  const QString workspace = parser.value("workspace");
  if (!workspace.isEmpty()) {
    options.workspace_dir = quillon::gui::SystemPath(QFileInfo(workspace).absoluteFilePath());
  }
  quillon::gui::TForm1 window(options);
  window.show();

  int scripted_result = 0;
  if (parser.isSet("open") || parser.isSet("convert") || grabbing) {
    QTimer::singleShot(0, &window, [&] {
      scripted_result = RunScripted(window, parser);
      if (scripted_result != 0) QCoreApplication::exit(scripted_result);
    });
  }
  const int result = app.exec();
  return scripted_result != 0 ? scripted_result : result;
}
