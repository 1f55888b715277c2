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

// The title or the class name alone, read as DescribeWindow reads it: at
// most kWindowTextCapacity - 1 characters, empty when the read fails. The
// string is assigned only when the text differs from what it holds, so a
// reader that keeps its string allocates nothing while the text stays the
// same. Returns whether it changed; *copied (when given) receives what the
// platform's read returned.
bool ReadWindowTitle(HWND window, std::wstring &title, int *copied = nullptr);
bool ReadWindowClassName(HWND window, std::wstring &classname);

#endif
