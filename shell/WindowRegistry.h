// Finds the BaseWindow object of a window handle. An entry is made when
// the window has been created and is never removed.
#ifndef QUILLMERE_SHELL_WINDOWREGISTRY_H
#define QUILLMERE_SHELL_WINDOWREGISTRY_H

#include <windows.h>

#include <map>

class BaseWindow;

class WindowRegistry {
 public:
  static void Add(HWND window, BaseWindow *object);
  // The object of the handle, or null when the registry does not know it.
  static BaseWindow *Find(HWND window);

 private:
  static std::map<HWND, BaseWindow *> &Entries();
};

#endif
