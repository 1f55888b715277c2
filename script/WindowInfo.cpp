#include "script/WindowInfo.h"

namespace {

// Stores the buffer's text up to its first null; empty when the read
// failed, so a failed read never yields what an earlier read left in the
// buffer. Returns whether the string changed.
bool TakeText(int copied, WCHAR (&buffer)[kWindowTextCapacity], std::wstring &text) {
  buffer[kWindowTextCapacity - 1] = L'\0';
  if (copied <= 0) buffer[0] = L'\0';
  if (text.compare(buffer) == 0) return false;
  text.assign(buffer);
  return true;
}

}  // namespace

WindowInfo DescribeWindow(HWND window) {
  WindowInfo info;
  info.parent = GetParent(window);
  info.owner = GetWindow(window, GW_OWNER);
  info.is_visible = IsWindowVisible(window) != FALSE;
  info.is_enabled = IsWindowEnabled(window) != FALSE;

  // One buffer serves both reads: class name first, then title.
  WCHAR buffer[kWindowTextCapacity];
  buffer[0] = L'\0';
  TakeText(GetClassNameW(window, buffer, kWindowTextCapacity), buffer, info.classname);
  buffer[0] = L'\0';
  TakeText(GetWindowTextW(window, buffer, kWindowTextCapacity), buffer, info.title);
  return info;
}

bool ReadWindowTitle(HWND window, std::wstring &title, int *copied) {
  WCHAR buffer[kWindowTextCapacity];
  buffer[0] = L'\0';
  const int read = GetWindowTextW(window, buffer, kWindowTextCapacity);
  if (copied) *copied = read;
  return TakeText(read, buffer, title);
}

bool ReadWindowClassName(HWND window, std::wstring &classname) {
  WCHAR buffer[kWindowTextCapacity];
  buffer[0] = L'\0';
  return TakeText(GetClassNameW(window, buffer, kWindowTextCapacity), buffer, classname);
}
