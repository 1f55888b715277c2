#include "shell/ScriptFolderWatch.h"

std::string ScriptFolder(const std::string &scriptPath) {
  const std::string::size_type slash = scriptPath.find_last_of("\\/");
  if (slash == std::string::npos) return ".";
  // "C:\x.py" is in "C:\", "/x.py" in "/".
  if (slash == 0 || (slash == 2 && scriptPath[1] == ':')) return scriptPath.substr(0, slash + 1);
  return scriptPath.substr(0, slash);
}

ScriptFolderWatch::ScriptFolderWatch(const std::string &scriptPath, HWND window, UINT message)
    : window_(window), message_(message) {
  const std::string folder = ScriptFolder(scriptPath);
  change_.reset(FindFirstChangeNotificationA(
      folder.c_str(), FALSE, FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_SIZE | FILE_NOTIFY_CHANGE_LAST_WRITE));
  if (!change_) {
    problem_ = "The script's folder \"" + folder + "\" cannot be watched (error " + std::to_string(GetLastError()) +
               "): saving the script does not reload it; the Reload script command does";
    return;
  }
  stop_.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  if (!stop_) {
    problem_ = "The script's folder cannot be watched (no event, error " + std::to_string(GetLastError()) +
               "): saving the script does not reload it; the Reload script command does";
    return;
  }
  thread_ = std::thread([this] {
    // Nothing may leave a thread's function: it would end the process.
    try {
      Run();
    } catch (...) {
    }
  });
}

ScriptFolderWatch::~ScriptFolderWatch() {
  if (thread_.joinable()) {
    SetEvent(stop_.get());
    thread_.join();
  }
}

void ScriptFolderWatch::Run() {
  // The stop event comes first: it wins over a change signalled with it.
  const HANDLE handles[] = {stop_.get(), change_.get()};
  for (;;) {
    const DWORD which = WaitForMultipleObjects(2, handles, FALSE, INFINITE);
    if (which != WAIT_OBJECT_0 + 1) return;  // stopped, or the wait failed
    if (!posted_.exchange(true) && !PostMessageW(window_, message_, 0, 0)) posted_ = false;
    if (!FindNextChangeNotification(change_.get())) return;
  }
}
