// The desktop's state, the threads that call in, and the machinery that
// carries sent messages and work between threads.
#include "desktop.h"

#include <winsim/driver.h>

#include <algorithm>

namespace winsim {

namespace {

// The calling OS thread's record, valid for one desktop generation.
struct ThreadBinding {
  std::shared_ptr<Thread> thread;
  unsigned generation = 0;
  ~ThreadBinding() {
    if (!thread) return;
    Lock lock(Mutex());
    if (generation == D().generation) RetireThreadLocked(*thread);
    thread->alive = false;
  }
};
thread_local ThreadBinding t_binding;

Desktop *MakeDesktop() {
  // Never destroyed: threads may still call in while the process exits.
  auto *d = new Desktop;
  ResetMetrics(*d);
  d->desktopWindow = reinterpret_cast<HWND>(NewHandleValue(*d));
  auto program = NewProcessLocked(*d, "program");
  d->programProcess = program->id;
  RegisterSystemClassesLocked(*d);
  return d;
}

}  // namespace

Desktop &D() {
  static Desktop *desktop = MakeDesktop();
  return *desktop;
}

std::mutex &Mutex() { return D().mutex; }

void ResetMetrics(DesktopState &d) {
  std::fill(std::begin(d.metrics), std::end(d.metrics), 0);
  int *m = d.metrics;
  m[SM_CXSCREEN] = 1024;
  m[SM_CYSCREEN] = 768;
  m[SM_CXVSCROLL] = 16;
  m[SM_CYHSCROLL] = 16;
  m[SM_CYCAPTION] = 19;
  m[SM_CXBORDER] = 1;
  m[SM_CYBORDER] = 1;
  m[SM_CXDLGFRAME] = 3;
  m[SM_CYDLGFRAME] = 3;
  m[SM_CXICON] = 32;
  m[SM_CYICON] = 32;
  m[SM_CXCURSOR] = 32;
  m[SM_CYCURSOR] = 32;
  m[SM_CYMENU] = 19;
  m[SM_CXFULLSCREEN] = 1024;
  m[SM_CYFULLSCREEN] = 768 - 19;
  m[SM_CXMIN] = 112;
  m[SM_CYMIN] = 27;
  m[SM_CXSIZE] = 18;
  m[SM_CYSIZE] = 18;
  m[SM_CXFRAME] = 4;
  m[SM_CYFRAME] = 4;
  m[SM_CXMINTRACK] = 112;
  m[SM_CYMINTRACK] = 27;
  m[SM_CXSMICON] = 16;
  m[SM_CYSMICON] = 16;
  m[SM_CYSMCAPTION] = 15;
  m[SM_CXMINIMIZED] = 160;
  m[SM_CYMINIMIZED] = 24;
  m[SM_CXMAXTRACK] = 1024 + 12;
  m[SM_CYMAXTRACK] = 768 + 12;
  m[SM_CXMAXIMIZED] = 1024 + 8;
  m[SM_CYMAXIMIZED] = 768 + 8;
  d.dpi = 96;
}

uintptr_t NewHandleValue(Desktop &d) {
  // Passes over 0 and whatever was given out before (the counter may have
  // been moved back by the driver, or have wrapped).
  uint32_t low = d.nextHandle;
  while (low == 0 || !d.handlesGiven.insert(low).second) low += 2;
  d.nextHandle = low + 2;
  return static_cast<uintptr_t>(static_cast<intptr_t>(static_cast<int32_t>(low)));
}

HANDLE NewKernelHandleLocked(Desktop &d) {
  HANDLE h = reinterpret_cast<HANDLE>(d.nextKernelHandle);
  d.nextKernelHandle += 4;
  return h;
}

std::shared_ptr<Process> NewProcessLocked(Desktop &d, const std::string &name) {
  auto p = std::make_shared<Process>();
  p->id = d.nextProcessId;
  d.nextProcessId += 4;
  p->name = name;
  p->module = reinterpret_cast<HINSTANCE>(static_cast<uintptr_t>(0x400000));
  d.processes[p->id] = p;
  return p;
}

std::shared_ptr<Thread> NewThreadLocked(Desktop &d, const std::shared_ptr<Process> &process) {
  auto t = std::make_shared<Thread>();
  t->id = d.nextThreadId;
  d.nextThreadId += 4;
  t->process = process;
  d.threads[t->id] = t;
  return t;
}

std::shared_ptr<Thread> CurrentThread() {
  Desktop &d = D();
  if (t_binding.thread && t_binding.generation == d.generation) return t_binding.thread;
  Lock lock(d.mutex);
  t_binding.thread = NewThreadLocked(d, d.processes.at(d.programProcess));
  t_binding.generation = d.generation;
  return t_binding.thread;
}

void BindCurrentThread(const std::shared_ptr<Thread> &thread) {
  t_binding.thread = thread;
  t_binding.generation = D().generation;
}

BOOL Fail(DWORD error) {
  SetLastError(error);
  return FALSE;
}

std::shared_ptr<Window> FindLocked(HWND window) {
  Desktop &d = D();
  auto it = d.windows.find(window);
  return it == d.windows.end() ? nullptr : it->second;
}

Window *PeekLocked(HWND window) {
  Desktop &d = D();
  auto it = d.windows.find(window);
  return it == d.windows.end() ? nullptr : it->second.get();
}

std::shared_ptr<Window> Find(HWND window) {
  Lock lock(Mutex());
  return FindLocked(window);
}

void NotifyIdleLocked() { D().idleChanged.notify_all(); }

void RetireThreadLocked(Thread &t) {
  Desktop &d = D();
  t.alive = false;
  // Whoever waits for a message sent here stops waiting: it gets 0.
  for (auto &sent : t.incoming) {
    sent->done = true;
    if (sent->sender) sent->sender->wake.notify_all();
  }
  t.incoming.clear();
  DropThreadWindowsLocked(d, t);
  d.threads.erase(t.id);
  NotifyIdleLocked();
}

void HandleIncomingLocked(Lock &lock, Thread &self) {
  while (!self.incoming.empty()) {
    auto sent = self.incoming.front();
    self.incoming.pop_front();
    lock.unlock();
    LRESULT result = 0;
    if (sent->task) {
      sent->task();
    } else {
      ++self.inSend;
      result = CallWindowAndHooks(sent->hwnd, sent->message, sent->wParam, sent->lParam, false);
      --self.inSend;
    }
    lock.lock();
    sent->result = result;
    sent->done = true;
    if (sent->sender) sent->sender->wake.notify_all();
  }
}

void LeaveIfKilledLocked(Lock &lock, const Thread &self) {
  if (!self.killed) return;
  // Only the program's threads may have frames that cannot be unwound; the
  // simulated processes' threads are winsim's own and catch the throw.
  auto choose = self.process->id == D().programProcess ? D().killedThreadExit : nullptr;
  lock.unlock();
  if (!choose || choose() == driver::KilledThreadExit::Unwind) throw driver::ProcessKilled();
  // A terminated thread never runs again; this one waits on nothing that
  // will ever come.
  std::mutex never;
  std::condition_variable nothing;
  std::unique_lock<std::mutex> parked(never);
  for (;;) nothing.wait(parked);
}

void WaitLocked(Lock &lock, Thread &self, const std::function<bool()> &ready) {
  for (;;) {
    LeaveIfKilledLocked(lock, self);
    HandleIncomingLocked(lock, self);
    if (ready()) return;
    self.wake.wait(lock);
  }
}

// Hands a message or work to another thread and waits for it to be done.
static LRESULT Deliver(const std::shared_ptr<Thread> &target, std::shared_ptr<SentMessage> sent) {
  auto self = CurrentThread();
  Lock lock(Mutex());
  if (!target->alive) return 0;
  sent->sender = self;
  target->incoming.push_back(sent);
  target->wake.notify_all();
  WaitLocked(lock, *self, [&] { return sent->done || !target->alive; });
  return sent->result;
}

bool RunOnThread(const std::shared_ptr<Thread> &thread, const std::function<void()> &work) {
  if (thread == CurrentThread()) {
    work();
    return true;
  }
  auto sent = std::make_shared<SentMessage>();
  sent->task = work;
  Deliver(thread, sent);
  return sent->done;
}

LRESULT SystemSend(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  std::shared_ptr<Thread> target;
  auto self = CurrentThread();
  {
    Lock lock(Mutex());
    auto w = FindLocked(window);
    if (!w) return FailWith<LRESULT>(ERROR_INVALID_WINDOW_HANDLE, 0);
    target = w->thread;
  }
  if (target == self) return CallWindowAndHooks(window, message, wParam, lParam, true);
  auto sent = std::make_shared<SentMessage>();
  sent->hwnd = window;
  sent->message = message;
  sent->wParam = wParam;
  sent->lParam = lParam;
  return Deliver(target, sent);
}

LRESULT CallWindowAndHooks(HWND window, UINT message, WPARAM wParam, LPARAM lParam, bool sentByThisThread) {
  WNDPROC proc = nullptr;
  {
    Lock lock(Mutex());
    auto w = FindLocked(window);
    if (!w) return 0;
    proc = w->proc;
  }
  RunCallWndProcHooks(CWPSTRUCT{lParam, wParam, message, window}, sentByThisThread);
  LRESULT result = proc ? proc(window, message, wParam, lParam) : 0;
  RunCallWndProcRetHooks(CWPRETSTRUCT{result, lParam, wParam, message, window}, sentByThisThread);
  return result;
}

HWND RootOf(const Window &w) {
  const Window *cur = &w;
  while (cur->parent) {
    auto it = D().windows.find(cur->parent);
    if (it == D().windows.end()) break;
    cur = it->second.get();
  }
  return cur->handle;
}

bool IsVisibleLocked(const Window &w) {
  const Window *cur = &w;
  for (;;) {
    if (!(cur->style & WS_VISIBLE)) return false;
    if (!cur->parent) return true;
    auto it = D().windows.find(cur->parent);
    if (it == D().windows.end()) return false;
    cur = it->second.get();
  }
}

RECT ScreenRectLocked(const Window &w) {
  RECT r = w.rect;
  if (w.parent) {
    auto it = D().windows.find(w.parent);
    if (it != D().windows.end()) {
      RECT parentScreen = ScreenRectLocked(*it->second);
      RECT client = ClientRectLocked(*it->second);
      const LONG dx = SaturatedAdd(parentScreen.left, client.left), dy = SaturatedAdd(parentScreen.top, client.top);
      r = RECT{SaturatedAdd(r.left, dx), SaturatedAdd(r.top, dy), SaturatedAdd(r.right, dx),
               SaturatedAdd(r.bottom, dy)};
    }
  }
  return r;
}

RECT ClientRectLocked(const Window &w) {
  const int *m = D().metrics;
  LONG width = w.rect.right - w.rect.left, height = w.rect.bottom - w.rect.top;
  RECT c{0, 0, width, height};
  if (w.style & WS_MINIMIZE) return RECT{0, 0, 0, 0};
  int fx = 0, fy = 0;
  bool dlgFrame = (w.exStyle & WS_EX_DLGMODALFRAME) || ((w.style & WS_DLGFRAME) && !(w.style & WS_THICKFRAME));
  if (w.style & WS_THICKFRAME) {
    fx = m[SM_CXFRAME];
    fy = m[SM_CYFRAME];
  } else if (dlgFrame) {
    fx = m[SM_CXDLGFRAME];
    fy = m[SM_CYDLGFRAME];
  } else if (w.style & WS_BORDER) {
    fx = m[SM_CXBORDER];
    fy = m[SM_CYBORDER];
  }
  c.left += fx;
  c.right -= fx;
  c.top += fy;
  c.bottom -= fy;
  if ((w.style & WS_CAPTION) == WS_CAPTION) c.top += m[SM_CYCAPTION];
  if (!(w.style & WS_CHILD) && w.menu) c.top += m[SM_CYMENU];
  if (w.exStyle & WS_EX_CLIENTEDGE) {
    c.left += 2;
    c.top += 2;
    c.right -= 2;
    c.bottom -= 2;
  }
  if (c.right < c.left) c.right = c.left;
  if (c.bottom < c.top) c.bottom = c.top;
  return c;
}

POINT DefaultMinTrackSizeLocked(const Window &w) {
  const int *m = D().metrics;
  if ((w.style & WS_CAPTION) == WS_CAPTION) return POINT{m[SM_CXMINTRACK], m[SM_CYMINTRACK]};
  RECT c = ClientRectLocked(w);
  return POINT{2 * c.left, 2 * c.top};
}

}  // namespace winsim
