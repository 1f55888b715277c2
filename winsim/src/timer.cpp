// Window timers: SetTimer and KillTimer, and the WM_TIMER messages a
// thread's queue makes up for them. As on the platform, WM_TIMER is the
// message of lowest priority: it is taken only when no posted message and
// no WM_PAINT is waiting. A timer that is due once more before its message
// was taken still gives one message; the next one is due one interval
// after a message was taken.
#include "desktop.h"

using namespace winsim;

UINT_PTR WINAPI SetTimer(HWND window, UINT_PTR id, UINT elapse, TIMERPROC proc) {
  // Timers of no window (given a new id) and timer procedures are not simulated.
  if (!window || proc) return FailWith<UINT_PTR>(ERROR_NOT_SUPPORTED, 0);
  auto self = CurrentThread();
  Lock lock(Mutex());
  auto w = FindLocked(window);
  if (!w) return FailWith<UINT_PTR>(ERROR_INVALID_WINDOW_HANDLE, 0);
  // The window must belong to the calling thread.
  if (w->thread != self) return FailWith<UINT_PTR>(ERROR_ACCESS_DENIED, 0);
  elapse = std::max<UINT>(elapse, USER_TIMER_MINIMUM);
  // Setting a timer again replaces it: its interval starts anew.
  self->timers[{window, id}] = Thread::Timer{elapse,
                                             std::chrono::steady_clock::now() + std::chrono::milliseconds(elapse)};
  self->wake.notify_all();
  return id ? id : 1;
}

BOOL WINAPI KillTimer(HWND window, UINT_PTR id) {
  auto self = CurrentThread();
  Lock lock(Mutex());
  return self->timers.erase({window, id}) ? TRUE : FALSE;
}

namespace winsim {

bool TakeTimerLocked(Thread &self, MSG *msg, HWND filter, UINT min, UINT max, bool remove) {
  if (!((min == 0 && max == 0) || (WM_TIMER >= min && WM_TIMER <= max))) return false;
  const auto now = std::chrono::steady_clock::now();
  for (auto it = self.timers.begin(); it != self.timers.end();) {
    // A destroyed window's timers go with it.
    if (!PeekLocked(it->first.first)) {
      it = self.timers.erase(it);
      continue;
    }
    if (it->second.due <= now && (!filter || filter == it->first.first)) {
      *msg = MSG{it->first.first, WM_TIMER, it->first.second, 0, 0, {0, 0}};
      if (remove) it->second.due = now + std::chrono::milliseconds(it->second.elapse);
      return true;
    }
    ++it;
  }
  return false;
}

void WaitForWakeOrTimerLocked(Lock &lock, Thread &self) {
  if (self.timers.empty()) {
    self.wake.wait(lock);
    return;
  }
  auto due = self.timers.begin()->second.due;
  for (auto &[key, timer] : self.timers) due = std::min(due, timer.due);
  self.wake.wait_until(lock, due);
}

}  // namespace winsim
