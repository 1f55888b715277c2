// A snapshot of one window's identity and state, taken fresh for every use:
// the form in which the program shows a window to the user's script.
#ifndef QUILLMERE_SCRIPT_WINDOWINFO_H
#define QUILLMERE_SCRIPT_WINDOWINFO_H

#include <windows.h>

#include <string>

// Size of the buffer a window's class name and title are read into, in
// wide characters; each string keeps at most one less.
constexpr int kWindowTextCapacity = 1024;

struct WindowInfo {
  HWND parent = nullptr;  // GetParent: the parent, or an owned pop-up's owner
  HWND owner = nullptr;   // GetWindow with GW_OWNER
  bool is_visible = false;
  bool is_enabled = false;
  std::wstring title;
  std::wstring classname;
};

// Never fails: a handle that names no window describes as null handles,
// false flags and empty strings.
WindowInfo DescribeWindow(HWND window);

#endif
