// Special folders, the shell's "open", and the hook through which long loops
// keep a window responsive. Never throws.
#pragma once

#include <functional>
#include <string>

namespace quillon::platform {

// The user's cache folder ($XDG_CACHE_HOME, else ~/.cache) + "/quillon": the
// stand-in for the Windows folder, so the workspace belongs to the user alone.
// No trailing separator. Empty when no home folder is known.
std::string SystemFolder();

std::string DesktopFolder();    // xdg desktop folder, else ~/Desktop
std::string DocumentsFolder();  // xdg documents folder, else ~/Documents
std::string HomeFolder();

// Folder of the running executable, without a trailing separator.
std::string ExecutableFolder();

// Hands a file or folder to the desktop's default opener (xdg-open), detached.
// The result is ignored by callers, as with the Windows shell.
bool ShellOpen(const std::string& path);

// Long loops (directory reading, extraction) call ProcessMessages() so that a
// window can repaint and take input. The GUI installs its event pump here; the
// command line leaves the default, which does nothing.
void SetMessagePump(std::function<void()> pump);
void ProcessMessages();

// A modal message box with an OK button. The GUI installs a real dialog; the
// default handler (the command line's) writes "caption: text" to standard error.
void SetMessageBoxHandler(std::function<void(const std::string& text, const std::string& caption)> handler);
void ShowMessageBox(const std::string& text, const std::string& caption);

}  // namespace quillon::platform
