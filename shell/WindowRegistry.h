// Finds the BaseWindow object of a window handle. A window is entered when
// it receives WM_NCCREATE and forgotten after WM_NCDESTROY. The registry
// is the process's own: another process can change a window's user data,
// but not this map.
#ifndef QUILLMERE_SHELL_WINDOWREGISTRY_H
#define QUILLMERE_SHELL_WINDOWREGISTRY_H

#include <windows.h>

#include <map>
#include <mutex>

class BaseWindow;

class WindowRegistry {
 public:
  static void Add(HWND window, BaseWindow *object);
  static void Remove(HWND window);
  // The object of the handle, or null when the registry does not know it.
  static BaseWindow *Find(HWND window);

 private:
  // Windows of several threads (a test's, a host's) may send messages at
  // the same time.
  static std::mutex &Mutex();
  static std::map<HWND, BaseWindow *> &Entries();
};

#endif
