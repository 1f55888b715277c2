// Message queues: posting, sending between threads, and taking messages.
#include "desktop.h"

#include <cwctype>

using namespace winsim;

namespace {

constexpr size_t kPostedLimit = 10000;  // the platform's default queue quota

bool Matches(const MSG &m, HWND filter, UINT min, UINT max) {
  if (filter && m.hwnd != filter && !IsDescendantLocked(filter, m.hwnd)) return false;
  if (min == 0 && max == 0) return true;
  return m.message >= min && m.message <= max;
}

// A window of the thread that waits to be painted, for a WM_PAINT made up
// when the queue has nothing else.
HWND PaintCandidateLocked(const Thread &self, HWND filter) {
  for (auto &[handle, w] : D().windows) {
    if (w->thread.get() == &self && w->needsPaint && IsVisibleLocked(*w) && (!filter || filter == handle))
      return handle;
  }
  return nullptr;
}

// Takes the next message for the thread. Returns false when there is none
// and the caller should wait (or give up, for PeekMessage).
bool TakeLocked(Lock &lock, Thread &self, MSG *msg, HWND filter, UINT min, UINT max, bool remove) {
  HandleIncomingLocked(lock, self);
  for (auto it = self.posted.begin(); it != self.posted.end(); ++it) {
    if (!Matches(*it, filter, min, max)) continue;
    *msg = *it;
    if (remove) {
      self.posted.erase(it);
      self.messageTime = static_cast<LONG>(msg->time);
    }
    return true;
  }
  if (self.quitPosted && ((min == 0 && max == 0) || (WM_QUIT >= min && WM_QUIT <= max))) {
    *msg = MSG{nullptr, WM_QUIT, static_cast<WPARAM>(self.quitCode), 0, TickCountNow(), {0, 0}};
    if (remove) self.quitPosted = false;
    return true;
  }
  if ((min == 0 && max == 0) || (WM_PAINT >= min && WM_PAINT <= max)) {
    if (HWND h = PaintCandidateLocked(self, filter)) {
      *msg = MSG{h, WM_PAINT, 0, 0, TickCountNow(), {0, 0}};
      return true;
    }
  }
  return TakeTimerLocked(self, msg, filter, min, max, remove);
}

// The thread has looked at its queue: what is there is no longer news.
void LookedAtQueueLocked(Thread &self) {
  self.hasQueue = self.pumping = true;
  self.postsSeen = self.postsArrived;
}

BOOL PostTo(const std::shared_ptr<Thread> &target, const MSG &msg) {
  if (!target->alive) return Fail(ERROR_INVALID_THREAD_ID);
  if (target->posted.size() >= kPostedLimit) return Fail(ERROR_NOT_ENOUGH_QUOTA);
  // A posted message carries the time it was queued at.
  target->posted.push_back(msg);
  target->posted.back().time = TickCountNow();
  ++target->postsArrived;
  target->wake.notify_all();
  return TRUE;
}

}  // namespace

BOOL WINAPI GetMessageW(LPMSG msg, HWND window, UINT filterMin, UINT filterMax) {
  auto self = CurrentThread();
  Lock lock(Mutex());
  if (window && !FindLocked(window)) return FailWith<BOOL>(ERROR_INVALID_WINDOW_HANDLE, -1);
  LookedAtQueueLocked(*self);
  for (;;) {
    LeaveIfKilledLocked(lock, *self);
    if (TakeLocked(lock, *self, msg, window, filterMin, filterMax, true)) return msg->message != WM_QUIT;
    self->waiting = true;
    NotifyIdleLocked();
    WaitForWakeOrTimerLocked(lock, *self);
    self->waiting = false;
  }
}

BOOL WINAPI PeekMessageW(LPMSG msg, HWND window, UINT filterMin, UINT filterMax, UINT removeMsg) {
  auto self = CurrentThread();
  Lock lock(Mutex());
  LookedAtQueueLocked(*self);
  return TakeLocked(lock, *self, msg, window, filterMin, filterMax, (removeMsg & PM_REMOVE) != 0);
}

BOOL WINAPI WaitMessage(void) {
  auto self = CurrentThread();
  Lock lock(Mutex());
  MSG probe;
  LookedAtQueueLocked(*self);
  while (LeaveIfKilledLocked(lock, *self), !TakeLocked(lock, *self, &probe, nullptr, 0, 0, false)) {
    self->waiting = true;
    NotifyIdleLocked();
    WaitForWakeOrTimerLocked(lock, *self);
    self->waiting = false;
  }
  return TRUE;
}

BOOL WINAPI TranslateMessage(const MSG *msg) {
  if (!msg) return FALSE;
  if (msg->message != WM_KEYDOWN && msg->message != WM_SYSKEYDOWN) return FALSE;
  // Letters, digits and the space bar make characters; the driver posts
  // the character messages of other keys itself.
  WPARAM key = msg->wParam;
  bool printable = (key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z') || key == VK_SPACE || key == VK_RETURN ||
                   key == VK_ESCAPE || key == VK_BACK || key == VK_TAB;
  if (!printable) return TRUE;
  WPARAM ch = (key >= 'A' && key <= 'Z') ? key - 'A' + 'a' : key;
  PostMessageW(msg->hwnd, msg->message == WM_KEYDOWN ? WM_CHAR : WM_SYSCHAR, ch, msg->lParam);
  return TRUE;
}

LRESULT WINAPI DispatchMessageW(const MSG *msg) {
  if (!msg || !msg->hwnd) return 0;
  WNDPROC proc = nullptr;
  {
    auto self = CurrentThread();
    Lock lock(Mutex());
    auto w = FindLocked(msg->hwnd);
    if (!w) return FailWith<LRESULT>(ERROR_INVALID_WINDOW_HANDLE, 0);
    if (w->thread != self) return FailWith<LRESULT>(ERROR_WINDOW_OF_OTHER_THREAD, 0);
    proc = w->proc;
  }
  return proc ? proc(msg->hwnd, msg->message, msg->wParam, msg->lParam) : 0;
}

LRESULT WINAPI CallWindowProcW(WNDPROC proc, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return proc ? proc(window, message, wParam, lParam) : 0;
}

void WINAPI PostQuitMessage(int exitCode) {
  auto self = CurrentThread();
  Lock lock(Mutex());
  self->quitPosted = true;
  self->quitCode = exitCode;
  ++self->postsArrived;
  self->wake.notify_all();
}

BOOL WINAPI PostMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto self = CurrentThread();
  Lock lock(Mutex());
  if (TakeFaultLocked(driver::Fault::PostMessage, *self)) return Fail(ERROR_NOT_ENOUGH_QUOTA);
  if (!window) return PostTo(self, MSG{nullptr, message, wParam, lParam, 0, {0, 0}});
  auto w = FindLocked(window);
  if (!w) return Fail(ERROR_INVALID_WINDOW_HANDLE);
  return PostTo(w->thread, MSG{window, message, wParam, lParam, 0, {0, 0}});
}

BOOL WINAPI PostThreadMessageW(DWORD threadId, UINT message, WPARAM wParam, LPARAM lParam) {
  Lock lock(Mutex());
  auto it = D().threads.find(threadId);
  // A thread that has never called the window manager has no queue yet.
  if (it == D().threads.end() || !it->second->hasQueue) return Fail(ERROR_INVALID_THREAD_ID);
  return PostTo(it->second, MSG{nullptr, message, wParam, lParam, 0, {0, 0}});
}

namespace winsim {

bool QueueHasInputLocked(Thread &self, DWORD wakeMask, bool onlyNew) {
  if (wakeMask & (QS_POSTMESSAGE | QS_ALLPOSTMESSAGE | QS_INPUT | QS_HOTKEY)) {
    if (onlyNew ? self.postsArrived != self.postsSeen : !self.posted.empty() || self.quitPosted) return true;
  }
  MSG probe;
  if ((wakeMask & QS_PAINT) && PaintCandidateLocked(self, nullptr)) return true;
  return (wakeMask & QS_TIMER) && TakeTimerLocked(self, &probe, nullptr, 0, 0, false);
}

}  // namespace winsim

LRESULT WINAPI SendMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return SystemSend(window, message, wParam, lParam);
}

BOOL WINAPI InSendMessage(void) { return CurrentThread()->inSend > 0; }

UINT WINAPI RegisterWindowMessageW(LPCWSTR name) {
  if (!name || !*name) return FailWith<UINT>(ERROR_INVALID_PARAMETER, 0);
  // Names compare without regard to case, as the platform's atoms do.
  std::wstring key(name);
  for (wchar_t &c : key) c = static_cast<wchar_t>(std::towupper(c));
  Lock lock(Mutex());
  auto &registered = D().registeredMessages;
  auto it = registered.find(key);
  if (it != registered.end()) return it->second;
  const UINT first = 0xC000, last = 0xFFFF;
  if (registered.size() > last - first) return FailWith<UINT>(ERROR_NOT_ENOUGH_MEMORY, 0);
  const UINT message = first + static_cast<UINT>(registered.size());
  registered.emplace(key, message);
  return message;
}

LONG WINAPI GetMessageTime(void) {
  auto self = CurrentThread();
  Lock lock(Mutex());
  return self->messageTime;
}
