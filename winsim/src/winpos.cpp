// Window positions, sizes, stacking and showing.
#include "desktop.h"

#include <algorithm>

using namespace winsim;

namespace {

constexpr LONG kMinimizedPosition = -32000;  // where the platform parks minimised windows

std::vector<HWND> &SiblingsLocked(Window &w) {
  if (w.parent) {
    if (auto p = FindLocked(w.parent)) return p->children;
  }
  return D().topLevel;
}

bool IsTopmostLocked(HWND h) {
  auto w = FindLocked(h);
  return w && (w->exStyle & WS_EX_TOPMOST);
}

// Owned windows stay above their owner and share its top-most state.
void KeepOwnedAboveLocked(Window &owner) {
  auto &list = D().topLevel;
  std::vector<HWND> owned;
  for (HWND h : list) {
    auto w = FindLocked(h);
    if (w && w->owner == owner.handle) owned.push_back(h);
  }
  if (owned.empty()) return;
  for (HWND h : owned) list.erase(std::find(list.begin(), list.end(), h));
  auto pos = std::find(list.begin(), list.end(), owner.handle);
  list.insert(pos, owned.begin(), owned.end());
  for (HWND h : owned) {
    auto w = FindLocked(h);
    w->exStyle = (w->exStyle & ~WS_EX_TOPMOST) | (owner.exStyle & WS_EX_TOPMOST);
    KeepOwnedAboveLocked(*w);
  }
}

bool Activates(int command) {
  switch (command) {
    case SW_SHOWNORMAL:
    case SW_SHOWMINIMIZED:
    case SW_SHOWMAXIMIZED:
    case SW_SHOW:
    case SW_RESTORE:
    case SW_SHOWDEFAULT:
      return true;
    default:
      return false;
  }
}

BOOL ShowOnOwnThread(HWND window, int command) {
  auto w = Find(window);
  if (!w) return Fail(ERROR_INVALID_WINDOW_HANDLE);
  bool wasVisible, minimized, maximized, child;
  {
    Lock lock(Mutex());
    wasVisible = (w->style & WS_VISIBLE) != 0;
    minimized = (w->style & WS_MINIMIZE) != 0;
    maximized = (w->style & WS_MAXIMIZE) != 0;
    child = (w->style & WS_CHILD) != 0;
  }
  if (command == SW_HIDE) {
    if (!wasVisible) return FALSE;
    SystemSend(window, WM_SHOWWINDOW, FALSE, 0);
    SetWindowPosOnThread(window, nullptr, 0, 0, 0, 0,
                         SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    return TRUE;
  }
  if (!wasVisible) SystemSend(window, WM_SHOWWINDOW, TRUE, 0);
  if (!IsWindow(window)) return wasVisible;

  UINT flags = SWP_SHOWWINDOW | SWP_NOZORDER | SWP_NOACTIVATE;
  RECT target{};
  bool newPlacement = false;
  {
    Lock lock(Mutex());
    const int *m = D().metrics;
    switch (command) {
      case SW_MINIMIZE:
      case SW_SHOWMINIMIZED:
      case SW_SHOWMINNOACTIVE:
        if (!minimized) {
          if (!maximized) w->normalRect = w->rect;
          w->style = (w->style | WS_MINIMIZE) & ~WS_MAXIMIZE;
          target = RECT{kMinimizedPosition, kMinimizedPosition, kMinimizedPosition + m[SM_CXMINIMIZED],
                        kMinimizedPosition + m[SM_CYMINIMIZED]};
          newPlacement = true;
        }
        break;
      case SW_SHOWMAXIMIZED:
        if (!maximized) {
          if (!minimized) w->normalRect = w->rect;
          w->style = (w->style | WS_MAXIMIZE) & ~WS_MINIMIZE;
          int fx = m[SM_CXFRAME], fy = m[SM_CYFRAME];
          target = RECT{-fx, -fy, m[SM_CXSCREEN] + fx, m[SM_CYSCREEN] + fy};
          newPlacement = true;
        }
        break;
      case SW_SHOWNORMAL:
      case SW_SHOWNOACTIVATE:
      case SW_RESTORE:
      case SW_SHOWDEFAULT:
        if (minimized || maximized) {
          w->style &= ~(WS_MINIMIZE | WS_MAXIMIZE);
          target = w->normalRect;
          newPlacement = true;
        }
        break;
      default:  // SW_SHOW, SW_SHOWNA: the current placement
        break;
    }
  }
  if (newPlacement) {
    flags &= ~(SWP_NOMOVE | SWP_NOSIZE);
    flags |= SWP_FRAMECHANGED;
  } else {
    flags |= SWP_NOMOVE | SWP_NOSIZE;
  }
  SetWindowPosOnThread(window, nullptr, target.left, target.top, target.right - target.left, target.bottom - target.top,
                       flags);
  if (!child && Activates(command)) ActivateOnOwnThread(window, WA_ACTIVE);
  if (command == SW_MINIMIZE) OnWindowGoneOrHidden(window, false);
  return wasVisible;
}

}  // namespace

namespace winsim {

void LinkZOrderLocked(Window &w, HWND insertAfter, bool hasOwnedWindows) {
  auto &list = SiblingsLocked(w);
  list.erase(std::remove(list.begin(), list.end(), w.handle), list.end());
  if (w.parent) {
    auto pos = list.begin();
    if (insertAfter == HWND_BOTTOM)
      pos = list.end();
    else if (insertAfter != HWND_TOP && insertAfter != HWND_TOPMOST && insertAfter != HWND_NOTOPMOST) {
      auto it = std::find(list.begin(), list.end(), insertAfter);
      if (it != list.end()) pos = it + 1;
    }
    list.insert(pos, w.handle);
    return;
  }
  auto firstNormal = [&] { return std::find_if(list.begin(), list.end(), [](HWND h) { return !IsTopmostLocked(h); }); };
  if (insertAfter == HWND_TOPMOST) {
    w.exStyle |= WS_EX_TOPMOST;
    list.insert(list.begin(), w.handle);
  } else if (insertAfter == HWND_NOTOPMOST) {
    w.exStyle &= ~WS_EX_TOPMOST;
    list.insert(firstNormal(), w.handle);
  } else if (insertAfter == HWND_TOP) {
    list.insert((w.exStyle & WS_EX_TOPMOST) ? list.begin() : firstNormal(), w.handle);
  } else if (insertAfter == HWND_BOTTOM) {
    w.exStyle &= ~WS_EX_TOPMOST;
    list.push_back(w.handle);
  } else {
    auto it = std::find(list.begin(), list.end(), insertAfter);
    if (it == list.end()) {
      list.insert((w.exStyle & WS_EX_TOPMOST) ? list.begin() : firstNormal(), w.handle);
    } else {
      // Placed below another window, it takes that window's band.
      w.exStyle = (w.exStyle & ~WS_EX_TOPMOST) | (IsTopmostLocked(insertAfter) ? WS_EX_TOPMOST : 0);
      list.insert(it + 1, w.handle);
    }
  }
  if (hasOwnedWindows) KeepOwnedAboveLocked(w);
}

BOOL SetWindowPosOnThread(HWND window, HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
  auto w = Find(window);
  if (!w) return Fail(ERROR_INVALID_WINDOW_HANDLE);
  WINDOWPOS pos{window, insertAfter, x, y, cx, cy, flags};
  {
    Lock lock(Mutex());
    RECT r = w->rect;
    if (pos.flags & SWP_NOSIZE) {
      pos.cx = r.right - r.left;
      pos.cy = r.bottom - r.top;
    } else if (pos.cx == r.right - r.left && pos.cy == r.bottom - r.top) {
      pos.flags |= SWP_NOSIZE;
    }
    if (pos.flags & SWP_NOMOVE) {
      pos.x = r.left;
      pos.y = r.top;
    } else if (pos.x == r.left && pos.y == r.top) {
      pos.flags |= SWP_NOMOVE;
    }
    if (pos.cx < 0) pos.cx = 0;
    if (pos.cy < 0) pos.cy = 0;
    bool visible = (w->style & WS_VISIBLE) != 0;
    if (visible) pos.flags &= ~SWP_SHOWWINDOW;
    if (!visible) pos.flags &= ~SWP_HIDEWINDOW;
    if (w->style & WS_CHILD) pos.flags |= SWP_NOACTIVATE;
  }
  if (!(pos.flags & SWP_NOSENDCHANGING)) SystemSend(window, WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LPARAM>(&pos));
  bool hidden = false;
  {
    Lock lock(Mutex());
    if (!FindLocked(window)) return Fail(ERROR_INVALID_WINDOW_HANDLE);
    RECT before = w->rect;
    if (!(pos.flags & SWP_NOMOVE)) {
      LONG width = w->rect.right - w->rect.left, height = w->rect.bottom - w->rect.top;
      w->rect = RECT{pos.x, pos.y, SaturatedAdd(pos.x, width), SaturatedAdd(pos.y, height)};
    }
    if (!(pos.flags & SWP_NOSIZE)) {
      w->rect.right = SaturatedAdd(w->rect.left, std::max(0, pos.cx));
      w->rect.bottom = SaturatedAdd(w->rect.top, std::max(0, pos.cy));
    }
    if (!(pos.flags & SWP_NOZORDER)) LinkZOrderLocked(*w, pos.hwndInsertAfter);
    if (pos.flags & SWP_SHOWWINDOW) {
      w->style |= WS_VISIBLE;
      w->needsPaint = true;
    }
    if (pos.flags & SWP_HIDEWINDOW) {
      w->style &= ~WS_VISIBLE;
      hidden = true;
    }
    if (before.right - before.left != w->rect.right - w->rect.left ||
        before.bottom - before.top != w->rect.bottom - w->rect.top)
      w->needsPaint = true;
    if (!(w->style & (WS_MINIMIZE | WS_MAXIMIZE))) w->normalRect = w->rect;
    w->thread->wake.notify_all();
  }
  SystemSend(window, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&pos));
  if (hidden) OnWindowGoneOrHidden(window, false);
  if (!(pos.flags & SWP_NOACTIVATE)) ActivateOnOwnThread(window, WA_ACTIVE);
  return TRUE;
}

}  // namespace winsim

BOOL WINAPI ShowWindow(HWND window, int command) {
  auto w = Find(window);
  if (!w) return Fail(ERROR_INVALID_WINDOW_HANDLE);
  BOOL result = FALSE;
  RunOnThread(w->thread, [&] { result = ShowOnOwnThread(window, command); });
  return result;
}

BOOL WINAPI SetWindowPos(HWND window, HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
  auto w = Find(window);
  if (!w) return Fail(ERROR_INVALID_WINDOW_HANDLE);
  // The change runs on the window's own thread, where its messages go.
  BOOL result = FALSE;
  RunOnThread(w->thread, [&] { result = SetWindowPosOnThread(window, insertAfter, x, y, cx, cy, flags); });
  return result;
}

BOOL WINAPI MoveWindow(HWND window, int x, int y, int width, int height, BOOL repaint) {
  return SetWindowPos(window, nullptr, x, y, width, height,
                      SWP_NOZORDER | SWP_NOACTIVATE | (repaint ? 0 : SWP_NOREDRAW));
}

BOOL WINAPI GetWindowRect(HWND window, LPRECT rect) {
  if (!rect) return Fail(ERROR_INVALID_PARAMETER);
  Lock lock(Mutex());
  if (window == D().desktopWindow) {
    *rect = RECT{0, 0, D().metrics[SM_CXSCREEN], D().metrics[SM_CYSCREEN]};
    return TRUE;
  }
  auto w = FindLocked(window);
  if (!w) return Fail(ERROR_INVALID_WINDOW_HANDLE);
  *rect = ScreenRectLocked(*w);
  return TRUE;
}

BOOL WINAPI GetClientRect(HWND window, LPRECT rect) {
  if (!rect) return Fail(ERROR_INVALID_PARAMETER);
  Lock lock(Mutex());
  auto w = FindLocked(window);
  if (!w) return Fail(ERROR_INVALID_WINDOW_HANDLE);
  RECT c = ClientRectLocked(*w);
  *rect = RECT{0, 0, c.right - c.left, c.bottom - c.top};
  return TRUE;
}

int WINAPI GetSystemMetrics(int index) {
  if (index < 0 || index >= SM_CMETRICS) return 0;
  Lock lock(Mutex());
  return D().metrics[index];
}

BOOL WINAPI UpdateWindow(HWND window) {
  bool paint;
  {
    Lock lock(Mutex());
    auto w = FindLocked(window);
    if (!w) return Fail(ERROR_INVALID_WINDOW_HANDLE);
    paint = w->needsPaint && IsVisibleLocked(*w);
  }
  if (paint) SystemSend(window, WM_PAINT, 0, 0);
  return TRUE;
}

BOOL WINAPI InvalidateRect(HWND window, const RECT * /*rect*/, BOOL /*erase*/) {
  Lock lock(Mutex());
  auto w = FindLocked(window);
  if (!w) return Fail(ERROR_INVALID_WINDOW_HANDLE);
  w->needsPaint = true;
  w->thread->wake.notify_all();
  return TRUE;
}
