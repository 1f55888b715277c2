// The driver: applications, the user's input, and inspection of the
// simulated desktop for tests and the desktop host.
#include <winsim/driver.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <future>

#include "desktop.h"

namespace winsim::driver {

namespace {

struct App {
  std::shared_ptr<Process> process;
  std::shared_ptr<Thread> thread;
  std::thread os;
};

std::mutex g_appsMutex;
// Never destroyed: applications still running when the process exits end with it.
std::map<DWORD, std::unique_ptr<App>> &g_apps = *new std::map<DWORD, std::unique_ptr<App>>;

void AppMain(std::shared_ptr<Thread> thread, std::promise<void> *ready) {
  BindCurrentThread(thread);
  MSG msg;
  PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);  // the thread now takes messages
  ready->set_value();
  try {
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    // Closing down: the application's windows go with it.
    for (;;) {
      HWND left = nullptr;
      {
        Lock lock(Mutex());
        for (HWND h : D().topLevel)
          if (auto w = FindLocked(h); w && w->thread == thread) left = h;
      }
      if (!left) break;
      DestroyWindow(left);
    }
  } catch (const ProcessKilled &) {
    return;  // killed: nothing of it runs any more
  }
  // The process ends: the libraries mapped for hooks see it.
  DetachMappedModulesAtExit(*thread->process);
  Lock lock(Mutex());
  RetireThreadLocked(*thread);
}

App *FindApp(DWORD processId) {
  std::lock_guard<std::mutex> guard(g_appsMutex);
  auto it = g_apps.find(processId);
  return it == g_apps.end() ? nullptr : it->second.get();
}

std::shared_ptr<Thread> ThreadOf(HWND window) {
  auto w = Find(window);
  return w ? w->thread : nullptr;
}

void OnOwnThread(HWND window, const std::function<void()> &code) {
  if (auto t = ThreadOf(window)) RunOnThread(t, code);
}

bool ThreadIdleLocked(const Thread &t) { return !t.alive || (t.waiting && t.incoming.empty() && t.posted.empty()); }

}  // namespace

DWORD StartApp(const std::string &name, Machine machine) {
  auto app = std::make_unique<App>();
  {
    Lock lock(Mutex());
    app->process = NewProcessLocked(D(), name);
    app->process->life->machine = machine;
    app->thread = NewThreadLocked(D(), app->process);
    app->thread->app = true;
  }
  std::promise<void> ready;
  app->os = std::thread(AppMain, app->thread, &ready);
  ready.get_future().wait();
  DWORD pid = app->process->id;
  std::lock_guard<std::mutex> guard(g_appsMutex);
  g_apps[pid] = std::move(app);
  return pid;
}

void StopApp(DWORD processId) {
  std::unique_ptr<App> app;
  {
    std::lock_guard<std::mutex> guard(g_appsMutex);
    auto it = g_apps.find(processId);
    if (it == g_apps.end()) return;
    app = std::move(it->second);
    g_apps.erase(it);
  }
  PostThreadMessageW(app->thread->id, WM_QUIT, 0, 0);
  app->os.join();
  Lock lock(Mutex());
  EndProcessLocked(D(), app->process, 0, nullptr);
}

DWORD ProgramProcessId() { return D().programProcess; }

void KillProgram() {
  // The caller plays the user and the other applications; its own thread
  // counts as the program's only because the driver did not make it.
  auto caller = CurrentThread();
  Lock lock(Mutex());
  Desktop &d = D();
  EndProcessLocked(d, d.processes.at(d.programProcess), kKilledExitCode, caller.get());
}

void KillProcess(DWORD processId) {
  if (processId == ProgramProcessId()) {
    KillProgram();
    return;
  }
  Lock lock(Mutex());
  Desktop &d = D();
  auto it = d.processes.find(processId);
  if (it != d.processes.end()) EndProcessLocked(d, it->second, kKilledExitCode, nullptr);
}

std::optional<int> RunProcess(const std::string &name, const std::function<int()> &entry,
                              std::chrono::milliseconds patience) {
  std::shared_ptr<Thread> thread;
  {
    Lock lock(Mutex());
    thread = NewThreadLocked(D(), NewProcessLocked(D(), name));
  }
  auto result = std::make_shared<std::promise<int>>();
  std::future<int> done = result->get_future();
  std::thread os([entry, thread, result] {
    BindCurrentThread(thread);
    RunAsProcess(thread, [&entry](const std::wstring &) { return entry(); });
    Lock lock(Mutex());
    result->set_value(static_cast<int>(thread->process->life->exitCode));
  });
  if (done.wait_for(patience) != std::future_status::ready) {
    os.detach();
    return std::nullopt;
  }
  os.join();
  return done.get();
}

void SetKilledThreadExit(std::function<KilledThreadExit()> choose) {
  Lock lock(Mutex());
  D().killedThreadExit = std::move(choose);
}

void SetForeignHookCalls(ForeignHookCalls mode) {
  Lock lock(Mutex());
  D().foreignHookCalls = mode;
}

void SetNextHandleValue(uint32_t low32) {
  Lock lock(Mutex());
  D().nextHandle = low32;
}

DWORD AppThreadId(DWORD processId) {
  App *app = FindApp(processId);
  return app ? app->thread->id : 0;
}

void RunInApp(DWORD processId, const std::function<void()> &code) {
  if (App *app = FindApp(processId)) RunOnThread(app->thread, code);
}

HWND CreateAppWindow(DWORD processId, const NewWindow &window) {
  HWND result = nullptr;
  RunInApp(processId, [&] {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = instance;
    wc.lpszClassName = window.className.c_str();
    RegisterClassExW(&wc);  // fails harmlessly once the class exists
    DWORD style = window.style;
    if (!style) {
      if (window.parent)
        style = WS_CHILD | WS_BORDER;
      else if (window.owner)
        style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
      else
        style = WS_OVERLAPPEDWINDOW;
    }
    if (!window.enabled) style |= WS_DISABLED;
    DWORD exStyle = window.exStyle | (window.layered ? WS_EX_LAYERED : 0);
    const RECT &r = window.rect;
    HWND parentOrOwner = window.parent ? window.parent : window.owner;
    result = CreateWindowExW(exStyle, window.className.c_str(), window.title.c_str(), style, r.left, r.top,
                             r.right - r.left, r.bottom - r.top, parentOrOwner, nullptr, instance, nullptr);
    if (result && window.visible) ShowWindow(result, (style & WS_CHILD) ? SW_SHOW : SW_SHOWNOACTIVATE);
  });
  return result;
}

void ShowAppWindow(HWND window, int command) {
  OnOwnThread(window, [&] { ShowWindow(window, command); });
}
void EnableAppWindow(HWND window, bool enable) {
  OnOwnThread(window, [&] { EnableWindow(window, enable); });
}
void SetAppWindowText(HWND window, const std::wstring &text) {
  OnOwnThread(window, [&] { SetWindowTextW(window, text.c_str()); });
}
void DestroyAppWindow(HWND window) {
  OnOwnThread(window, [&] { DestroyWindow(window); });
}

void ClickFocus(HWND window) {
  if (IsWindow(window)) SwitchForeground(window, window, WA_CLICKACTIVE);
}

// The virtual key of "f1" to "f12"; 0 for anything else.
static WPARAM FunctionKey(const std::string &name) {
  for (int n = 1; n <= 12; ++n)
    if (name == "f" + std::to_string(n)) return VK_F1 + static_cast<WPARAM>(n - 1);
  return 0;
}

bool TypeKeys(HWND window, const std::string &combination) {
  std::string c = combination;
  std::transform(c.begin(), c.end(), c.begin(), [](unsigned char ch) { return std::tolower(ch); });
  constexpr LPARAM kAlt = 0x20000001;  // repeat count 1, Alt held
  constexpr LPARAM kUp = static_cast<LPARAM>(0xC0000001u);
  if (c.size() == 5 && c.compare(0, 4, "alt+") == 0) {
    WPARAM ch = static_cast<unsigned char>(combination[4]);
    PostMessageW(window, WM_SYSKEYDOWN, VK_MENU, kAlt);
    PostMessageW(window, WM_SYSCHAR, ch, kAlt);
    PostMessageW(window, WM_KEYUP, VK_MENU, kUp);
    return true;
  }
  WPARAM key = 0;
  if (c == "esc" || c == "escape")
    key = VK_ESCAPE;
  else if (c == "enter" || c == "return")
    key = VK_RETURN;
  else if (c == "tab")
    key = VK_TAB;
  else if (c == "space")
    key = VK_SPACE;
  else if (FunctionKey(c))
    key = FunctionKey(c);
  else if (c.size() == 1 && std::isalnum(static_cast<unsigned char>(c[0])))
    key = static_cast<WPARAM>(std::toupper(static_cast<unsigned char>(c[0])));
  else if (c.size() == 1) {
    PostMessageW(window, WM_CHAR, static_cast<unsigned char>(combination[0]), 1);
    return true;
  }
  if (!key) return false;
  PostMessageW(window, WM_KEYDOWN, key, 1);
  PostMessageW(window, WM_KEYUP, key, kUp);
  return true;
}

std::vector<TrayIcon> TrayIcons() {
  Lock lock(Mutex());
  std::vector<TrayIcon> result;
  for (auto &e : D().tray) result.push_back(TrayIcon{e.window, e.id, e.flags, e.callbackMessage, e.icon, e.tip});
  return result;
}

bool ClickTray(HWND window, UINT id, MouseButton button) {
  UINT message = 0;
  {
    Lock lock(Mutex());
    auto &tray = D().tray;
    auto it = std::find_if(tray.begin(), tray.end(), [&](auto &e) { return e.window == window && e.id == id; });
    if (it == tray.end() || !(it->flags & NIF_MESSAGE)) return false;
    message = it->callbackMessage;
  }
  UINT down = button == MouseButton::Left ? WM_LBUTTONDOWN : button == MouseButton::Right ? WM_RBUTTONDOWN : 0x0207;
  PostMessageW(window, message, id, down);
  PostMessageW(window, message, id, down + 1);  // the button's release
  return true;
}

std::vector<DialogInfo> OpenDialogs() {
  Lock lock(Mutex());
  std::vector<DialogInfo> result;
  std::vector<std::shared_ptr<Window>> dialogs;
  for (auto &[h, w] : D().windows)
    if (w->dialog && !w->dialog->ended && IsVisibleLocked(*w)) dialogs.push_back(w);  // on screen, ready for the user
  std::sort(dialogs.begin(), dialogs.end(), [](auto &a, auto &b) { return a->handle < b->handle; });
  for (auto &w : dialogs) {
    DialogInfo info{w->handle, w->owner, w->text, L"", w->dialog->messageBox};
    for (HWND child : w->children)
      if (auto c = FindLocked(child); c && c->id == 0xFFFF) info.text = c->text;
    result.push_back(info);
  }
  return result;
}

bool PressDialogButton(HWND dialog, int id) {
  auto t = ThreadOf(dialog);
  if (!t) return false;
  HWND button = nullptr;
  {
    Lock lock(Mutex());
    auto w = FindLocked(dialog);
    if (!w->dialog) return false;
    for (HWND child : w->children)
      if (auto c = FindLocked(child); c && static_cast<int>(c->id) == id) button = child;
  }
  if (!button) return false;
  RunOnThread(t, [&] { SendMessageW(button, BM_CLICK, 0, 0); });
  // Done when the dialog's thread has nothing left to handle, or when the
  // dialog has gone and its thread has left the modal loop.
  Lock lock(Mutex());
  D().idleChanged.wait(lock, [&] { return ThreadIdleLocked(*t) || !FindLocked(dialog); });
  return true;
}

void ClickCloseBox(HWND window) { PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0); }

bool ChooseMenuCommand(HWND window, UINT id) {
  HMENU menu = GetMenu(window);
  if (!menu || GetMenuStringW(menu, id, nullptr, 0, MF_BYCOMMAND) == 0) return false;
  return PostMessageW(window, WM_COMMAND, MAKEWPARAM(id, 0), 0) != FALSE;
}

void SetSystemMetric(int index, int value) {
  if (index < 0 || index >= SM_CMETRICS) return;
  Lock lock(Mutex());
  D().metrics[index] = value;
}

void SetScreenDpi(int dpi) {
  Lock lock(Mutex());
  D().dpi = dpi;
}

WindowState ReadWindow(HWND window) {
  WindowState s;
  Lock lock(Mutex());
  auto w = FindLocked(window);
  if (!w) return s;
  s.exists = true;
  s.rect = ScreenRectLocked(*w);
  s.normalRect = w->normalRect;
  s.style = w->style;
  s.exStyle = w->exStyle;
  s.alpha = w->alpha;
  s.layeredAttributes = w->layeredSet;
  s.topmost = (w->exStyle & WS_EX_TOPMOST) != 0;
  s.visible = IsVisibleLocked(*w);
  s.enabled = !(w->style & WS_DISABLED);
  s.text = w->text;
  s.className = w->cls->name;
  s.parent = w->parent;
  s.owner = w->owner;
  s.processId = w->thread->process->id;
  s.threadId = w->thread->id;
  s.font = w->font;
  return s;
}

std::vector<HWND> TopLevelWindows() {
  Lock lock(Mutex());
  return D().topLevel;
}

void WaitIdle(DWORD threadId) {
  Lock lock(Mutex());
  D().idleChanged.wait(lock, [&] {
    auto it = D().threads.find(threadId);
    return it == D().threads.end() || ThreadIdleLocked(*it->second);
  });
}

void WaitAllIdle() {
  auto self = CurrentThread();
  Lock lock(Mutex());
  for (;;) {
    // Messages sent to the waiting thread itself are handled meanwhile.
    HandleIncomingLocked(lock, *self);
    bool idle = true;
    for (auto &[id, t] : D().threads)
      if (t != self && t->pumping && !ThreadIdleLocked(*t)) idle = false;
    if (idle) return;
    D().idleChanged.wait_for(lock, std::chrono::milliseconds(20));
  }
}

std::size_t LiveAllocations(DWORD processId) {
  Lock lock(Mutex());
  auto it = D().processes.find(processId);
  return it == D().processes.end() ? 0 : it->second->allocations.size();
}

void FailNext(Fault fault, DWORD processId) {
  Lock lock(Mutex());
  D().faults.push_back(PendingFault{fault, processId});
}

void ClearFaults() {
  Lock lock(Mutex());
  D().faults.clear();
}

std::size_t PendingFaults() {
  Lock lock(Mutex());
  return D().faults.size();
}

bool ReadFont(HFONT font, FontInfo &info) {
  Lock lock(Mutex());
  auto it = D().fonts.find(font);
  if (it == D().fonts.end()) return false;
  const LOGFONTW &f = it->second.logFont;
  info = FontInfo{f.lfHeight,        f.lfWidth,     f.lfEscapement,     f.lfOrientation, f.lfWeight,
                  f.lfItalic,        f.lfUnderline, f.lfStrikeOut,      f.lfCharSet,     f.lfOutPrecision,
                  f.lfClipPrecision, f.lfQuality,   f.lfPitchAndFamily, f.lfFaceName};
  return true;
}

ProcessHandleCounts ProcessHandles(DWORD processId) {
  Lock lock(Mutex());
  Desktop &d = D();
  ProcessHandleCounts counts;
  for (auto &[h, handle] : d.processHandles)
    if (handle.owner == processId) ++counts.open;
  if (auto it = d.processes.find(processId); it != d.processes.end()) counts.opened = it->second->processHandlesOpened;
  return counts;
}

void ResetDesktop() {
  std::vector<DWORD> apps;
  {
    std::lock_guard<std::mutex> guard(g_appsMutex);
    for (auto &[pid, app] : g_apps) apps.push_back(pid);
  }
  for (DWORD pid : apps) StopApp(pid);
  EndStartedProcessesAndForgetImages();
  Lock lock(Mutex());
  Desktop &d = D();
  // Properties hold references on the global atoms, which outlive desktops.
  for (auto &[h, w] : d.windows) ReleasePropertiesLocked(*w);
  for (auto &[pid, p] : d.processes) {
    for (auto &[base, a] : p->allocations) std::free(a.base);
    p->allocations.clear();
  }
  for (auto &[id, t] : d.threads) t->alive = false;

  // What outlives a desktop: the desktop window, the program's process
  // with the resources of its modules, the system's window classes, and
  // the counters, so that no handle or id of an earlier desktop names
  // anything on the new one.
  DesktopState fresh;
  fresh.desktopWindow = d.desktopWindow;
  fresh.programProcess = d.programProcess;
  fresh.processes[d.programProcess] = d.processes.at(d.programProcess);
  for (auto &c : d.classes)
    if (c->ownerProcess == 0) fresh.classes.push_back(c);
  fresh.resources = std::move(d.resources);
  fresh.nextHandle = d.nextHandle;
  fresh.nextProcessId = d.nextProcessId;
  fresh.nextThreadId = d.nextThreadId;
  fresh.nextKernelHandle = d.nextKernelHandle;
  fresh.generation = d.generation + 1;  // every thread gets a fresh record at its next call
  ResetMetrics(fresh);
  static_cast<DesktopState &>(d) = std::move(fresh);
}

}  // namespace winsim::driver

namespace winsim {

bool TakeFaultLocked(driver::Fault fault, const Thread &caller) {
  auto &faults = D().faults;
  auto it = std::find_if(faults.begin(), faults.end(), [&](const PendingFault &f) {
    return f.fault == fault && (f.processId == 0 || f.processId == caller.process->id);
  });
  if (it == faults.end()) return false;
  faults.erase(it);
  return true;
}

}  // namespace winsim
