// Watches the folder of the script file for changes of file names, sizes
// and write times, with the platform's change notification: a thread of its
// own waits for the notification and posts a message to a window for each
// batch of changes. The window decides whether the script file changed
// (ScriptSaveSettle).
#ifndef QUILLMERE_SHELL_SCRIPTFOLDERWATCH_H
#define QUILLMERE_SHELL_SCRIPTFOLDERWATCH_H

#include <windows.h>

#include <atomic>
#include <string>
#include <thread>

#include "scoped/ChangeNotification.h"
#include "scoped/UniqueHandle.h"

// The folder a script path names its file in: the part before the last
// '\' or '/', "." for a bare file name, the root itself for a file in it.
std::string ScriptFolder(const std::string &scriptPath);

class ScriptFolderWatch {
 public:
  // Starts watching the folder of the script file; `message` is posted to
  // `window` after changes, with wParam and lParam 0. When the folder
  // cannot be watched, Watching() is false and Problem() says why.
  ScriptFolderWatch(const std::string &scriptPath, HWND window, UINT message);
  // Stops the thread and closes the handles.
  ~ScriptFolderWatch();
  ScriptFolderWatch(const ScriptFolderWatch &) = delete;
  ScriptFolderWatch &operator=(const ScriptFolderWatch &) = delete;

  bool Watching() const { return thread_.joinable(); }
  const std::string &Problem() const { return problem_; }

  // The window has taken the message: the next change posts another. Until
  // then further changes post nothing, so a burst of changes queues one.
  void Acknowledge() { posted_ = false; }

 private:
  void Run();

  HWND window_;
  UINT message_;
  std::string problem_;
  ChangeNotification change_;
  UniqueHandle stop_;
  std::atomic<bool> posted_{false};
  std::thread thread_;
};

#endif
