#include "script/WindowInfo.h"

namespace {

// The buffer's text up to its first null; empty when the read failed, so a
// failed read never yields what an earlier read left in the buffer.
std::wstring TakeText(int copied, WCHAR (&buffer)[kWindowTextCapacity]) {
  buffer[kWindowTextCapacity - 1] = L'\0';
  if (copied <= 0) return std::wstring();
  return std::wstring(buffer);
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
  int copied = GetClassNameW(window, buffer, kWindowTextCapacity);
  info.classname = TakeText(copied, buffer);
  buffer[0] = L'\0';
  copied = GetWindowTextW(window, buffer, kWindowTextCapacity);
  info.title = TakeText(copied, buffer);
  return info;
}
