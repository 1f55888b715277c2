// Windows and their tree: creation, destruction, ancestry, ownership,
// enumeration, text, class names and the window's long values.
#include "desktop.h"

#include <algorithm>

using namespace winsim;

namespace {

void UnlinkLocked(Window &w) {
  Desktop &d = D();
  std::vector<HWND> *siblings = &d.topLevel;
  if (w.parent) {
    auto p = FindLocked(w.parent);
    if (!p) return;
    siblings = &p->children;
  }
  siblings->erase(std::remove(siblings->begin(), siblings->end(), w.handle), siblings->end());
}

// Removes a window and everything inside it from the desktop; its handle
// and theirs turn stale.
void ForgetLocked(HWND handle) {
  auto w = FindLocked(handle);
  if (!w) return;
  for (HWND child : std::vector<HWND>(w->children)) ForgetLocked(child);
  UnlinkLocked(*w);
  Desktop &d = D();
  if (w->thread->focus == handle) w->thread->focus = nullptr;
  if (w->thread->active == handle) w->thread->active = nullptr;
  if (d.focusLostFrom == handle) d.focusLostFrom = nullptr;
  ReleasePropertiesLocked(*w);
  d.windows.erase(handle);
  NotifyIdleLocked();
}

void SendDestroyRecursive(HWND handle) {
  SystemSend(handle, WM_DESTROY, 0, 0);
  std::vector<HWND> children;
  if (auto w = Find(handle)) children = w->children;
  for (HWND child : children) SendDestroyRecursive(child);
}

void SendNcDestroyRecursive(HWND handle) {
  std::vector<HWND> children;
  if (auto w = Find(handle)) children = w->children;
  for (HWND child : children) SendNcDestroyRecursive(child);
  SystemSend(handle, WM_NCDESTROY, 0, 0);
}

HWND GetParentLocked(const Window &w) {
  if (w.style & WS_CHILD) return w.parent;
  if (w.style & WS_POPUP) return w.owner;
  return nullptr;
}

void CollectChildren(const Window &w, std::vector<HWND> &out) {
  for (HWND child : w.children) {
    out.push_back(child);
    if (auto c = FindLocked(child)) CollectChildren(*c, out);
  }
}

bool DestroyOnOwnThread(HWND handle) {
  auto w = Find(handle);
  if (!w || w->destroying) return w != nullptr;
  {
    Lock lock(Mutex());
    w->destroying = true;
  }
  // Owned windows go first; those of other threads lose their owner.
  std::vector<HWND> owned;
  {
    Lock lock(Mutex());
    for (auto &[h, other] : D().windows) {
      if (other->owner != handle) continue;
      if (other->thread == w->thread)
        owned.push_back(h);
      else
        other->owner = nullptr;
    }
  }
  for (HWND h : owned) DestroyWindow(h);

  bool visible;
  {
    Lock lock(Mutex());
    visible = (w->style & WS_VISIBLE) != 0;
  }
  if (visible)
    SetWindowPosOnThread(handle, nullptr, 0, 0, 0, 0,
                         SWP_HIDEWINDOW | SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER);
  OnWindowGoneOrHidden(handle, true);
  SendDestroyRecursive(handle);
  SendNcDestroyRecursive(handle);
  Lock lock(Mutex());
  HMENU menu = (w->style & WS_CHILD) ? nullptr : w->menu;
  ForgetLocked(handle);
  lock.unlock();
  if (menu) DestroyMenu(menu);
  return true;
}

}  // namespace

namespace winsim {

bool IsDescendantLocked(HWND ancestor, HWND window) {
  auto w = FindLocked(window);
  while (w && (w->style & WS_CHILD) && w->parent) {
    if (w->parent == ancestor) return true;
    w = FindLocked(w->parent);
  }
  return false;
}

void DropThreadWindowsLocked(Desktop &d, Thread &t) {
  std::vector<HWND> mine;
  for (auto &[h, w] : d.windows)
    if (w->thread.get() == &t) mine.push_back(h);
  for (HWND h : mine) ForgetLocked(h);
  for (auto &[h, w] : d.windows)
    if (w->owner && !d.windows.count(w->owner)) w->owner = nullptr;
  t.focus = t.active = nullptr;
  if (d.foregroundThread == t.id) d.foregroundThread = 0;
}

}  // namespace winsim

HWND WINAPI CreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x, int y, int width,
                            int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param) {
  if (!className) return FailWith<HWND>(ERROR_INVALID_PARAMETER, nullptr);
  auto self = CurrentThread();
  auto w = std::make_shared<Window>();
  int menuToLoad = 0;
  std::wstring menuNameToLoad;
  {
    Lock lock(Mutex());
    Desktop &d = D();
    self->hasQueue = true;
    auto cls = FindClassLocked(className, self->process->id);
    if (!cls) return FailWith<HWND>(ERROR_CANNOT_FIND_WND_CLASS, nullptr);
    if (style & WS_CHILD) {
      if (!parent || parent == d.desktopWindow) return FailWith<HWND>(ERROR_TLW_WITH_WSCHILD, nullptr);
      auto p = FindLocked(parent);
      if (!p) return FailWith<HWND>(ERROR_INVALID_WINDOW_HANDLE, nullptr);
      w->parent = parent;
      w->id = reinterpret_cast<LONG_PTR>(menu);
    } else {
      if (parent && parent != d.desktopWindow) {
        // A top-level window's "parent" is its owner, always a top-level window.
        auto p = FindLocked(parent);
        if (!p) return FailWith<HWND>(ERROR_INVALID_WINDOW_HANDLE, nullptr);
        w->owner = RootOf(*p);
      }
      w->menu = menu;
      if (!menu) {
        menuToLoad = cls->menuId;
        menuNameToLoad = cls->menuName;
      }
      if (!(style & WS_POPUP)) {
        style |= WS_CAPTION | WS_CLIPSIBLINGS;  // an overlapped window always has a caption
        exStyle |= WS_EX_WINDOWEDGE;
        if (x == CW_USEDEFAULT) {
          int step = 26 * (d.defaultPositions++ % 8);
          x = 22 + step;
          y = 22 + step;
        }
        if (width == CW_USEDEFAULT) {
          width = d.metrics[SM_CXSCREEN] * 3 / 4;
          height = d.metrics[SM_CYSCREEN] * 3 / 4;
        }
      }
    }
    if (x == CW_USEDEFAULT) x = y = 0;
    if (width == CW_USEDEFAULT) width = height = 0;
    if (width < 0) width = 0;
    if (height < 0) height = 0;
    w->handle = reinterpret_cast<HWND>(NewHandleValue(d));
    w->cls = cls;
    w->thread = self;
    w->style = style & ~WS_VISIBLE;
    w->exStyle = exStyle & ~WS_EX_TOPMOST;
    w->rect = RECT{x, y, SaturatedAdd(x, width), SaturatedAdd(y, height)};
    w->normalRect = w->rect;
    w->proc = cls->proc;
    w->instance = instance;
    d.windows[w->handle] = w;
    if (w->parent)
      FindLocked(w->parent)->children.push_back(w->handle);  // children keep their order of creation
    else
      LinkZOrderLocked(*w, (exStyle & WS_EX_TOPMOST) ? HWND_TOPMOST : HWND_TOP, false);
  }
  HWND h = w->handle;
  if (menuToLoad || !menuNameToLoad.empty()) {
    HMENU loaded = LoadMenuFromScript(w->cls->instance, menuToLoad, menuNameToLoad);
    Lock lock(Mutex());
    w->menu = loaded;
  }

  // Sizable and overlapped top-level windows keep to the tracking limits.
  if ((style & WS_THICKFRAME) || !(style & (WS_POPUP | WS_CHILD))) {
    MINMAXINFO info{};
    {
      Lock lock(Mutex());
      info.ptMinTrackSize = DefaultMinTrackSizeLocked(*w);
    }
    info.ptMaxTrackSize = {GetSystemMetrics(SM_CXMAXTRACK), GetSystemMetrics(SM_CYMAXTRACK)};
    SystemSend(h, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    Lock lock(Mutex());
    LONG cx = std::clamp<LONG>(w->rect.right - w->rect.left, info.ptMinTrackSize.x, info.ptMaxTrackSize.x);
    LONG cy = std::clamp<LONG>(w->rect.bottom - w->rect.top, info.ptMinTrackSize.y, info.ptMaxTrackSize.y);
    w->rect.right = SaturatedAdd(w->rect.left, cx);
    w->rect.bottom = SaturatedAdd(w->rect.top, cy);
    w->normalRect = w->rect;
  }

  CREATESTRUCTW cs{param,      instance,  menu,   parent, height, width, y, x, static_cast<LONG>(style),
                   windowName, className, exStyle};
  if (!SystemSend(h, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&cs))) {
    DestroyWindow(h);
    return FailWith<HWND>(ERROR_GEN_FAILURE, nullptr);
  }
  if (SystemSend(h, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) {
    DestroyWindow(h);
    return FailWith<HWND>(ERROR_GEN_FAILURE, nullptr);
  }
  if (!IsWindow(h)) return nullptr;  // destroyed by its own creation handling
  RECT client;
  GetClientRect(h, &client);
  SystemSend(h, WM_SIZE, SIZE_RESTORED, MAKELPARAM(client.right, client.bottom));
  {
    RECT r{};
    {
      Lock lock(Mutex());
      r = w->rect;
      RECT c = ClientRectLocked(*w);
      r.left += c.left;
      r.top += c.top;
    }
    SystemSend(h, WM_MOVE, 0, MAKELPARAM(r.left, r.top));
  }
  if (style & WS_VISIBLE) ShowWindow(h, (style & WS_MINIMIZE) ? SW_SHOWMINIMIZED : SW_SHOW);
  return h;
}

BOOL WINAPI DestroyWindow(HWND window) {
  auto w = Find(window);
  if (!w) return Fail(ERROR_INVALID_WINDOW_HANDLE);
  // Only the window's own thread may destroy it.
  if (w->thread != CurrentThread()) return Fail(ERROR_ACCESS_DENIED);
  return DestroyOnOwnThread(window);
}

BOOL WINAPI IsWindow(HWND window) {
  Lock lock(Mutex());
  return window && (window == D().desktopWindow || FindLocked(window) != nullptr);
}

BOOL WINAPI IsWindowVisible(HWND window) {
  Lock lock(Mutex());
  const Window *w = PeekLocked(window);
  return w && IsVisibleLocked(*w);
}

BOOL WINAPI IsWindowEnabled(HWND window) {
  Lock lock(Mutex());
  const Window *w = PeekLocked(window);
  if (!w) return Fail(ERROR_INVALID_WINDOW_HANDLE);
  return !(w->style & WS_DISABLED);
}

BOOL WINAPI EnableWindow(HWND window, BOOL enable) {
  auto w = Find(window);
  if (!w) return Fail(ERROR_INVALID_WINDOW_HANDLE);
  BOOL wasDisabled = FALSE;
  RunOnThread(w->thread, [&] {
    bool changed;
    {
      Lock lock(Mutex());
      wasDisabled = (w->style & WS_DISABLED) != 0;
      changed = (wasDisabled != 0) == (enable != 0);
      if (enable)
        w->style &= ~WS_DISABLED;
      else
        w->style |= WS_DISABLED;
    }
    if (!changed) return;
    if (!enable) {
      HWND focus = GetFocus();
      if (focus == window || IsChild(window, focus)) SetFocus(nullptr);
    }
    SystemSend(window, WM_ENABLE, enable ? TRUE : FALSE, 0);
  });
  return wasDisabled;
}

BOOL WINAPI IsIconic(HWND window) {
  Lock lock(Mutex());
  auto w = FindLocked(window);
  return w && (w->style & WS_MINIMIZE);
}

BOOL WINAPI IsZoomed(HWND window) {
  Lock lock(Mutex());
  auto w = FindLocked(window);
  return w && (w->style & WS_MAXIMIZE);
}

BOOL WINAPI IsChild(HWND parent, HWND window) {
  Lock lock(Mutex());
  return IsDescendantLocked(parent, window);
}

HWND WINAPI GetAncestor(HWND window, UINT flags) {
  Lock lock(Mutex());
  Desktop &d = D();
  const Window *w = PeekLocked(window);
  if (!w) return FailWith<HWND>(ERROR_INVALID_WINDOW_HANDLE, nullptr);
  switch (flags) {
    case GA_PARENT:
      return w->parent ? w->parent : d.desktopWindow;
    case GA_ROOT:
      return RootOf(*w);
    case GA_ROOTOWNER: {
      // Follows what GetParent reports: parents of child windows, owners of pop-ups.
      HWND result = window;
      for (const Window *cur = w; cur;) {
        HWND up = GetParentLocked(*cur);
        if (!up) break;
        result = up;
        cur = PeekLocked(up);
      }
      return result;
    }
    default:
      return FailWith<HWND>(ERROR_INVALID_PARAMETER, nullptr);
  }
}

HWND WINAPI GetParent(HWND window) {
  Lock lock(Mutex());
  const Window *w = PeekLocked(window);
  if (!w) return FailWith<HWND>(ERROR_INVALID_WINDOW_HANDLE, nullptr);
  return GetParentLocked(*w);
}

HWND WINAPI GetWindow(HWND window, UINT command) {
  Lock lock(Mutex());
  Desktop &d = D();
  const Window *w = PeekLocked(window);
  if (!w) return FailWith<HWND>(ERROR_INVALID_WINDOW_HANDLE, nullptr);
  if (command == GW_OWNER) return (w->style & WS_CHILD) ? nullptr : w->owner;
  if (command == GW_CHILD) return w->children.empty() ? nullptr : w->children.front();
  const std::vector<HWND> *siblings = &d.topLevel;
  if (w->parent) siblings = &FindLocked(w->parent)->children;
  auto it = std::find(siblings->begin(), siblings->end(), window);
  switch (command) {
    case GW_HWNDFIRST:
      return siblings->front();
    case GW_HWNDLAST:
      return siblings->back();
    case GW_HWNDNEXT:
      return (it == siblings->end() || it + 1 == siblings->end()) ? nullptr : *(it + 1);
    case GW_HWNDPREV:
      return (it == siblings->begin() || it == siblings->end()) ? nullptr : *(it - 1);
    case GW_ENABLEDPOPUP:
      return nullptr;
    default:
      return FailWith<HWND>(ERROR_INVALID_PARAMETER, nullptr);
  }
}

HWND WINAPI GetDesktopWindow(void) { return D().desktopWindow; }

HWND WINAPI GetDlgItem(HWND dialog, int id) {
  Lock lock(Mutex());
  auto w = FindLocked(dialog);
  if (!w) return FailWith<HWND>(ERROR_INVALID_WINDOW_HANDLE, nullptr);
  for (HWND child : w->children) {
    auto c = FindLocked(child);
    if (c && static_cast<int>(c->id) == id) return child;
  }
  return FailWith<HWND>(ERROR_INVALID_PARAMETER, nullptr);
}

int WINAPI GetDlgCtrlID(HWND window) {
  Lock lock(Mutex());
  auto w = FindLocked(window);
  if (!w) return FailWith<int>(ERROR_INVALID_WINDOW_HANDLE, 0);
  return (w->style & WS_CHILD) ? static_cast<int>(w->id) : 0;
}

BOOL WINAPI EnumWindows(WNDENUMPROC callback, LPARAM lParam) {
  std::vector<HWND> list;
  {
    Lock lock(Mutex());
    list = D().topLevel;
  }
  // The list is taken first; windows destroyed meanwhile are passed over.
  for (HWND h : list) {
    if (!IsWindow(h)) continue;
    if (!callback(h, lParam)) return FALSE;
  }
  return TRUE;
}

BOOL WINAPI EnumChildWindows(HWND parent, WNDENUMPROC callback, LPARAM lParam) {
  std::vector<HWND> list;
  {
    Lock lock(Mutex());
    auto w = FindLocked(parent);
    if (!w) return Fail(ERROR_INVALID_WINDOW_HANDLE);
    CollectChildren(*w, list);
  }
  for (HWND h : list) {
    if (!IsWindow(h)) continue;
    if (!callback(h, lParam)) return FALSE;
  }
  return TRUE;
}

int WINAPI GetWindowTextW(HWND window, LPWSTR buffer, int maxCount) {
  if (!buffer || maxCount <= 0) return 0;
  buffer[0] = L'\0';
  auto self = CurrentThread();
  {
    Lock lock(Mutex());
    const Window *w = PeekLocked(window);
    if (!w) return FailWith<int>(ERROR_INVALID_WINDOW_HANDLE, 0);
    // A window of this process is asked with WM_GETTEXT; another process's
    // text is read directly, so a hung application cannot block the caller.
    if (w->thread->process != self->process) {
      size_t n = std::min(w->text.size(), static_cast<size_t>(maxCount - 1));
      std::copy_n(w->text.data(), n, buffer);
      buffer[n] = L'\0';
      return static_cast<int>(n);
    }
  }
  return static_cast<int>(SendMessageW(window, WM_GETTEXT, maxCount, reinterpret_cast<LPARAM>(buffer)));
}

int WINAPI GetWindowTextLengthW(HWND window) {
  auto self = CurrentThread();
  std::shared_ptr<Window> w = Find(window);
  if (!w) return FailWith<int>(ERROR_INVALID_WINDOW_HANDLE, 0);
  if (w->thread->process == self->process) return static_cast<int>(SendMessageW(window, WM_GETTEXTLENGTH, 0, 0));
  Lock lock(Mutex());
  return static_cast<int>(w->text.size());
}

BOOL WINAPI SetWindowTextW(HWND window, LPCWSTR text) {
  if (!Find(window)) return Fail(ERROR_INVALID_WINDOW_HANDLE);
  return SendMessageW(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)) ? TRUE : FALSE;
}

int WINAPI GetClassNameW(HWND window, LPWSTR buffer, int maxCount) {
  Lock lock(Mutex());
  const Window *w = PeekLocked(window);
  if (!w) return FailWith<int>(ERROR_INVALID_WINDOW_HANDLE, 0);
  if (!buffer || maxCount <= 0) return FailWith<int>(ERROR_INSUFFICIENT_BUFFER, 0);
  size_t n = std::min(w->cls->name.size(), static_cast<size_t>(maxCount - 1));
  std::copy_n(w->cls->name.data(), n, buffer);
  buffer[n] = L'\0';
  return static_cast<int>(n);
}

LONG_PTR WINAPI GetWindowLongPtrW(HWND window, int index) {
  Lock lock(Mutex());
  auto w = FindLocked(window);
  if (!w) return FailWith<LONG_PTR>(ERROR_INVALID_WINDOW_HANDLE, 0);
  switch (index) {
    case GWL_STYLE:
      return static_cast<LONG>(w->style);
    case GWL_EXSTYLE:
      return static_cast<LONG>(w->exStyle);
    case GWLP_ID:
      return w->id;
    case GWLP_USERDATA:
      return w->userData;
    case GWLP_HINSTANCE:
      return reinterpret_cast<LONG_PTR>(w->instance);
    case GWLP_WNDPROC:
      return reinterpret_cast<LONG_PTR>(w->proc);
    case GWLP_HWNDPARENT:
      return reinterpret_cast<LONG_PTR>((w->style & WS_CHILD) ? w->parent : w->owner);
    case DWLP_MSGRESULT:
      if (w->dialog) return w->dialog->msgResult;
      [[fallthrough]];
    default:
      return FailWith<LONG_PTR>(ERROR_INVALID_INDEX, 0);
  }
}

LONG WINAPI GetWindowLongW(HWND window, int index) {
  // Pointer-sized values cannot be read through the 32-bit call.
  if (index == GWLP_WNDPROC || index == GWLP_HINSTANCE || index == GWLP_HWNDPARENT)
    return FailWith<LONG>(ERROR_INVALID_INDEX, 0);
  return static_cast<LONG>(GetWindowLongPtrW(window, index));
}

LONG_PTR WINAPI SetWindowLongPtrW(HWND window, int index, LONG_PTR newLong) {
  auto w = Find(window);
  if (!w) return FailWith<LONG_PTR>(ERROR_INVALID_WINDOW_HANDLE, 0);
  if (index == GWL_STYLE || index == GWL_EXSTYLE) {
    LONG_PTR old = 0;
    // Style changes are announced to the window on its own thread.
    RunOnThread(w->thread, [&] {
      STYLESTRUCT change{};
      {
        Lock lock(Mutex());
        change.styleOld = index == GWL_STYLE ? w->style : w->exStyle;
      }
      old = static_cast<LONG>(change.styleOld);
      change.styleNew = static_cast<DWORD>(newLong);
      SystemSend(window, WM_STYLECHANGING, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&change));
      {
        Lock lock(Mutex());
        if (index == GWL_STYLE) {
          // Visibility changes only through showing and hiding.
          w->style = (change.styleNew & ~WS_VISIBLE) | (w->style & WS_VISIBLE);
        } else {
          // Top-most placement changes only through SetWindowPos.
          w->exStyle = (change.styleNew & ~WS_EX_TOPMOST) | (w->exStyle & WS_EX_TOPMOST);
          if (!(w->exStyle & WS_EX_LAYERED)) {
            w->layeredSet = false;
            w->alpha = 255;
            w->layeredFlags = 0;
            w->colorKey = 0;
          }
        }
      }
      SystemSend(window, WM_STYLECHANGED, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&change));
    });
    return old;
  }
  Lock lock(Mutex());
  LONG_PTR old = 0;
  switch (index) {
    case GWLP_ID:
      old = w->id;
      w->id = newLong;
      return old;
    case GWLP_USERDATA:
      old = w->userData;
      w->userData = newLong;
      return old;
    case GWLP_WNDPROC:
      if (w->thread->process != CurrentThread()->process) return FailWith<LONG_PTR>(ERROR_ACCESS_DENIED, 0);
      old = reinterpret_cast<LONG_PTR>(w->proc);
      w->proc = reinterpret_cast<WNDPROC>(newLong);
      return old;
    case DWLP_MSGRESULT:
      if (w->dialog) {
        old = w->dialog->msgResult;
        w->dialog->msgResult = newLong;
        return old;
      }
      [[fallthrough]];
    default:
      return FailWith<LONG_PTR>(ERROR_INVALID_INDEX, 0);
  }
}

LONG WINAPI SetWindowLongW(HWND window, int index, LONG newLong) {
  if (index == GWLP_WNDPROC || index == GWLP_HINSTANCE || index == GWLP_HWNDPARENT)
    return FailWith<LONG>(ERROR_INVALID_INDEX, 0);
  return static_cast<LONG>(SetWindowLongPtrW(window, index, newLong));
}

DWORD WINAPI GetWindowThreadProcessId(HWND window, LPDWORD processId) {
  Lock lock(Mutex());
  auto w = FindLocked(window);
  if (!w) return FailWith<DWORD>(ERROR_INVALID_WINDOW_HANDLE, 0);
  if (processId) *processId = w->thread->process->id;
  return w->thread->id;
}

BOOL WINAPI SetLayeredWindowAttributes(HWND window, COLORREF key, BYTE alpha, DWORD flags) {
  Lock lock(Mutex());
  auto w = FindLocked(window);
  if (!w) return Fail(ERROR_INVALID_WINDOW_HANDLE);
  // Only a window with the layered extended style takes layered attributes.
  if (!(w->exStyle & WS_EX_LAYERED)) return Fail(ERROR_INVALID_PARAMETER);
  if (flags & ~(LWA_ALPHA | LWA_COLORKEY)) return Fail(ERROR_INVALID_PARAMETER);
  w->colorKey = key;
  w->alpha = (flags & LWA_ALPHA) ? alpha : 255;
  w->layeredFlags = flags;
  w->layeredSet = true;
  return TRUE;
}

BOOL WINAPI GetLayeredWindowAttributes(HWND window, COLORREF *key, BYTE *alpha, DWORD *flags) {
  Lock lock(Mutex());
  auto w = FindLocked(window);
  if (!w) return Fail(ERROR_INVALID_WINDOW_HANDLE);
  if (!(w->exStyle & WS_EX_LAYERED) || !w->layeredSet) return Fail(ERROR_INVALID_PARAMETER);
  if (key) *key = w->colorKey;
  if (alpha) *alpha = w->alpha;
  if (flags) *flags = w->layeredFlags;
  return TRUE;
}
