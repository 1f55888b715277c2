// Keyboard focus, activation and the foreground window. Each thread has
// its own active and focus window; the foreground thread's are the ones
// the user sees. Every message goes to its window on the window's own
// thread, sent by the system.
#include "desktop.h"

#include <algorithm>

using namespace winsim;

namespace {

std::vector<HWND> TopLevelOfThreadLocked(const Thread &t) {
  std::vector<HWND> result;
  for (HWND h : D().topLevel) {
    auto w = FindLocked(h);
    if (w && w->thread.get() == &t) result.push_back(h);
  }
  return result;
}

std::shared_ptr<Thread> ForegroundThreadLocked() {
  Desktop &d = D();
  auto it = d.threads.find(d.foregroundThread);
  if (it == d.threads.end() || !it->second->alive) return nullptr;
  return it->second;
}

// Moves the calling thread's focus; the window is one of the thread's own.
HWND SetFocusOnThread(HWND window) {
  auto self = CurrentThread();
  if (window) {
    HWND root = GetAncestor(window, GA_ROOT);
    bool active;
    {
      Lock lock(Mutex());
      active = self->active == root;
    }
    if (!active) ActivateOnOwnThread(root, WA_ACTIVE);
  }
  HWND old, from;
  {
    Lock lock(Mutex());
    old = self->focus;
    if (old == window) return old;
    // Coming from another thread's window, the focus names the window that
    // thread's focus left.
    from = old ? old : D().focusLostFrom;
    if (!old) D().focusLostFrom = nullptr;
    self->focus = window;
  }
  if (old) SystemSend(old, WM_KILLFOCUS, reinterpret_cast<WPARAM>(window), 0);
  bool stillFocused;
  {
    Lock lock(Mutex());
    stillFocused = window && self->focus == window && FindLocked(window);
  }
  if (stillFocused) SystemSend(window, WM_SETFOCUS, reinterpret_cast<WPARAM>(from), 0);
  return old;
}

// A disabled window that the user clicks passes the activation on to the
// enabled pop-up it owns, such as its modal dialog.
HWND ClickTargetLocked(HWND root) {
  auto w = FindLocked(root);
  if (!w || !(w->style & WS_DISABLED)) return root;
  for (HWND h : D().topLevel) {
    auto o = FindLocked(h);
    if (o && o->owner == root && (o->style & WS_VISIBLE) && !(o->style & WS_DISABLED)) return h;
  }
  return root;
}

}  // namespace

namespace winsim {

void ActivateOnOwnThread(HWND window, int how) {
  auto self = CurrentThread();
  HWND root, old;
  bool foreground, becameForeground = false;
  std::vector<HWND> appWindows;
  {
    Lock lock(Mutex());
    Desktop &d = D();
    auto w = FindLocked(window);
    if (!w || (w->style & WS_CHILD)) return;
    root = RootOf(*w);
    old = self->active;
    if (old == root) return;
    if (d.foregroundThread == 0 || !ForegroundThreadLocked()) {
      d.foregroundThread = self->id;
      becameForeground = true;
      appWindows = TopLevelOfThreadLocked(*self);
    }
    foreground = d.foregroundThread == self->id;
    if (!foreground) {
      // A thread in the background only records its active window; the
      // user sees the change when the thread comes to the foreground.
      self->active = root;
      return;
    }
  }
  if (old) {
    SystemSend(old, WM_NCACTIVATE, FALSE, 0);
    SystemSend(old, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, IsIconic(old) ? 1 : 0), reinterpret_cast<LPARAM>(root));
  }
  if (becameForeground)
    for (HWND h : appWindows) SystemSend(h, WM_ACTIVATEAPP, TRUE, 0);
  {
    Lock lock(Mutex());
    self->active = root;
  }
  SystemSend(root, WM_NCACTIVATE, TRUE, 0);
  SystemSend(root, WM_ACTIVATE, MAKEWPARAM(how, IsIconic(root) ? 1 : 0), reinterpret_cast<LPARAM>(old));
}

void OnWindowGoneOrHidden(HWND window, bool /*destroyed*/) {
  auto self = CurrentThread();
  HWND focus = nullptr, owner = nullptr;
  bool wasActive = false;
  {
    Lock lock(Mutex());
    if (self->focus && (self->focus == window || IsDescendantLocked(window, self->focus))) {
      focus = self->focus;
      self->focus = nullptr;
    }
    if (self->active == window) {
      wasActive = true;
      self->active = nullptr;
      if (auto w = FindLocked(window)) owner = w->owner;
    }
  }
  if (focus) SystemSend(focus, WM_KILLFOCUS, 0, 0);
  if (!wasActive) return;
  SystemSend(window, WM_NCACTIVATE, FALSE, 0);
  SystemSend(window, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 0), 0);
  // The owner takes the activation back, as when a dialog box closes.
  bool ownerTakes = false;
  {
    Lock lock(Mutex());
    auto o = owner ? FindLocked(owner) : nullptr;
    ownerTakes = o && o->thread == self && (o->style & WS_VISIBLE) && !(o->style & WS_DISABLED);
    if (!ownerTakes && D().foregroundThread == self->id) D().foregroundThread = 0;
  }
  if (ownerTakes) ActivateOnOwnThread(owner, WA_ACTIVE);
}

void SwitchForeground(HWND window, HWND focusWindow, int how) {
  std::shared_ptr<Thread> oldThread, newThread;
  HWND root;
  {
    Lock lock(Mutex());
    auto w = FindLocked(window);
    if (!w) return;
    root = ClickTargetLocked(RootOf(*w));
    if (root != RootOf(*w)) focusWindow = nullptr;
    newThread = FindLocked(root)->thread;
    oldThread = ForegroundThreadLocked();
    LinkZOrderLocked(*FindLocked(root), HWND_TOP);
  }
  auto finish = [&] {
    HWND focus = GetFocus();
    if (focusWindow && focus != focusWindow && IsWindow(focusWindow)) SetFocusOnThread(focusWindow);
  };
  if (oldThread == newThread) {
    RunOnThread(newThread, [&] {
      ActivateOnOwnThread(root, how);
      finish();
    });
    return;
  }
  HWND oldActive = nullptr;
  if (oldThread) {
    RunOnThread(oldThread, [&] {
      std::vector<HWND> appWindows;
      {
        Lock lock(Mutex());
        oldActive = oldThread->active;
        appWindows = TopLevelOfThreadLocked(*oldThread);
      }
      if (oldActive) {
        SystemSend(oldActive, WM_NCACTIVATE, FALSE, 0);
        SystemSend(oldActive, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, IsIconic(oldActive) ? 1 : 0),
                   reinterpret_cast<LPARAM>(root));
      }
      for (HWND h : appWindows) SystemSend(h, WM_ACTIVATEAPP, FALSE, newThread->id);
      HWND focus;
      {
        Lock lock(Mutex());
        focus = oldThread->focus;
        oldThread->focus = nullptr;
        oldThread->active = nullptr;
        D().focusLostFrom = focus;
      }
      if (focus) SystemSend(focus, WM_KILLFOCUS, reinterpret_cast<WPARAM>(focusWindow ? focusWindow : root), 0);
    });
  }
  RunOnThread(newThread, [&] {
    std::vector<HWND> appWindows;
    {
      Lock lock(Mutex());
      D().foregroundThread = newThread->id;
      newThread->active = root;
      newThread->focus = nullptr;
      appWindows = TopLevelOfThreadLocked(*newThread);
    }
    for (HWND h : appWindows) SystemSend(h, WM_ACTIVATEAPP, TRUE, oldThread ? oldThread->id : 0);
    SystemSend(root, WM_NCACTIVATE, TRUE, 0);
    SystemSend(root, WM_ACTIVATE, MAKEWPARAM(how, IsIconic(root) ? 1 : 0), reinterpret_cast<LPARAM>(oldActive));
    finish();
  });
}

}  // namespace winsim

HWND WINAPI SetFocus(HWND window) {
  auto self = CurrentThread();
  if (window) {
    auto w = Find(window);
    if (!w) return FailWith<HWND>(ERROR_INVALID_WINDOW_HANDLE, nullptr);
    if (w->thread != self) return FailWith<HWND>(ERROR_ACCESS_DENIED, nullptr);
  }
  return SetFocusOnThread(window);
}

HWND WINAPI GetFocus(void) {
  auto self = CurrentThread();
  Lock lock(Mutex());
  return self->focus;
}

HWND WINAPI GetActiveWindow(void) {
  auto self = CurrentThread();
  Lock lock(Mutex());
  return self->active;
}

HWND WINAPI SetActiveWindow(HWND window) {
  auto self = CurrentThread();
  auto w = Find(window);
  if (!w) return FailWith<HWND>(ERROR_INVALID_WINDOW_HANDLE, nullptr);
  if (w->thread != self) return FailWith<HWND>(ERROR_ACCESS_DENIED, nullptr);
  HWND old = GetActiveWindow();
  ActivateOnOwnThread(window, WA_ACTIVE);
  return old;
}

HWND WINAPI GetForegroundWindow(void) {
  Lock lock(Mutex());
  auto t = ForegroundThreadLocked();
  return t ? t->active : nullptr;
}

BOOL WINAPI SetForegroundWindow(HWND window) {
  if (!IsWindow(window)) return Fail(ERROR_INVALID_WINDOW_HANDLE);
  SwitchForeground(window, nullptr, WA_ACTIVE);
  return TRUE;
}

BOOL WINAPI AllowSetForegroundWindow(DWORD processId) {
  if (processId == ASFW_ANY) return TRUE;
  Lock lock(Mutex());
  return D().processes.count(processId) ? TRUE : Fail(ERROR_INVALID_PARAMETER);
}
