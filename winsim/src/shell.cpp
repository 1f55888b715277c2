// The notification area: icons that programs add, each with the message
// the shell sends its window when the user clicks it; and the shell's
// restart, after which programs add their icons again.
#include "desktop.h"

#include <winsim/driver.h>

#include <algorithm>

using namespace winsim;

BOOL WINAPI Shell_NotifyIconW(DWORD message, PNOTIFYICONDATAW data) {
  if (!data) return FALSE;
  Lock lock(Mutex());
  auto &tray = D().tray;
  auto it = std::find_if(tray.begin(), tray.end(),
                         [&](const TrayEntry &e) { return e.window == data->hWnd && e.id == data->uID; });
  auto update = [&](TrayEntry &e) {
    if (data->uFlags & NIF_MESSAGE) e.callbackMessage = data->uCallbackMessage;
    if (data->uFlags & NIF_ICON) e.icon = data->hIcon;
    if (data->uFlags & NIF_TIP) {
      size_t n = std::find(data->szTip, data->szTip + 128, L'\0') - data->szTip;
      e.tip.assign(data->szTip, n);
    }
    e.flags |= data->uFlags;
  };
  switch (message) {
    case NIM_ADD: {
      if (it != tray.end() || !FindLocked(data->hWnd)) return FALSE;
      TrayEntry e;
      e.window = data->hWnd;
      e.id = data->uID;
      update(e);
      tray.push_back(e);
      return TRUE;
    }
    case NIM_MODIFY:
      if (it == tray.end()) return FALSE;
      update(*it);
      return TRUE;
    case NIM_DELETE:
      if (it == tray.end()) return FALSE;
      tray.erase(it);
      return TRUE;
    case NIM_SETVERSION:
    case NIM_SETFOCUS:
      return it != tray.end();
    default:
      return FALSE;
  }
}

namespace winsim::driver {

void RestartShell() {
  std::vector<HWND> topLevel;
  {
    Lock lock(Mutex());
    D().tray.clear();
    topLevel = D().topLevel;
  }
  const UINT taskbarCreated = RegisterWindowMessageW(L"TaskbarCreated");
  for (HWND window : topLevel) PostMessageW(window, taskbarCreated, 0, 0);
}

}  // namespace winsim::driver
