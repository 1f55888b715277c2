// The simulated desktop: processes, threads with their message queues,
// windows, classes and the other objects behind the platform's handles.
// Everything here is guarded by one mutex; no window procedure, dialog
// procedure or hook procedure is ever called while it is held, so they may
// call back into the platform from any thread.
#ifndef WINSIM_DESKTOP_H
#define WINSIM_DESKTOP_H

#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <limits>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include <winsim/driver.h>
#include <winsim/loader.h>

#include "rc_script.h"

namespace winsim {

using Lock = std::unique_lock<std::mutex>;

struct Thread;
struct Window;

// A region made by VirtualAllocEx in a process.
struct Allocation {
  void *base = nullptr;
  SIZE_T size = 0;
  DWORD protect = 0;
  DWORD state = MEM_COMMIT;
};

// A library mapped into a process for a global hook it holds.
struct MappedModule {
  HMODULE module = nullptr;
  DllEntry entry = nullptr;
};

using LibraryData = std::unique_ptr<void, void (*)(void *)>;

// One run of a process, which its handles refer to: a handle stays with
// the run it was opened on, even when the id later names another run (the
// program's id outlives a kill).
struct ProcessLife {
  bool ended = false;
  DWORD exitCode = STILL_ACTIVE;
  driver::Machine machine = driver::Machine::X64;
};

struct Process {
  DWORD id = 0;
  std::string name;
  std::shared_ptr<ProcessLife> life = std::make_shared<ProcessLife>();
  std::wstring commandLine;    // GetCommandLineW; empty for the program, which reads its own
  std::wstring imagePath;      // GetModuleFileNameW(nullptr); empty for the program's real executable
  HINSTANCE module = nullptr;  // the handle of the process's executable image
  std::map<uintptr_t, Allocation> allocations;
  std::vector<MappedModule> mappedModules;          // never the program's: it loaded its libraries itself
  std::map<const void *, LibraryData> libraryData;  // ProcessData
  std::size_t processHandlesOpened = 0;             // OpenProcess successes, for the driver
};

// An open handle to a process, as OpenProcess gives it. It is valid only in
// the process that opened it.
struct ProcessHandle {
  DWORD processId = 0;
  DWORD access = 0;
  DWORD owner = 0;
  std::shared_ptr<ProcessLife> life;
};

// A thread handle CreateProcessW gives, valid in the process that made it.
struct ThreadHandle {
  DWORD threadId = 0;
  DWORD owner = 0;
};

// An open handle to a named mutex, valid in the process that opened it.
struct NamedMutexHandle {
  std::wstring name;
  DWORD owner = 0;
};

// A message sent to a window of another thread, or a piece of work that
// must run on that thread (the platform's internal messages).
struct SentMessage {
  HWND hwnd = nullptr;
  UINT message = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
  std::function<void()> task;  // set for work, empty for a message
  LRESULT result = 0;
  bool done = false;
  std::shared_ptr<Thread> sender;
};

struct HookEntry {
  HHOOK handle = nullptr;
  int type = 0;
  HOOKPROC proc = nullptr;
  HINSTANCE module = nullptr;
  DllEntry entry = nullptr;  // the module's DllMain, when it is a library winsim loaded
  DWORD threadId = 0;        // 0: every thread of the desktop
  DWORD ownerProcess = 0;
  driver::Machine machine = driver::Machine::X64;  // its module's, or the installer's for an executable
  std::weak_ptr<Thread> installer;                 // runs it for processes of the other machine, when asked
  bool removed = false;
};

// The hooks being called on a thread: CallNextHookEx walks on from here.
struct HookFrame {
  std::vector<std::shared_ptr<HookEntry>> chain;
  size_t index = 0;
};

struct Thread {
  DWORD id = 0;
  std::shared_ptr<Process> process;
  std::deque<MSG> posted;
  std::deque<std::shared_ptr<SentMessage>> incoming;
  std::condition_variable wake;
  bool quitPosted = false;
  int quitCode = 0;
  bool pumping = false;   // has taken messages from its queue at least once
  bool hasQueue = false;  // has called a function of the window manager, which gives it a message queue
  // Posts counted as they arrive, and the count when the thread last
  // looked at its queue: MsgWaitForMultipleObjects wakes only for news.
  unsigned long long postsArrived = 0;
  unsigned long long postsSeen = 0;
  std::atomic<int> objectWaits{0};  // in a wait for kernel objects: woken when one changes
  bool waiting = false;             // blocked for lack of anything to do
  bool alive = true;
  bool app = false;     // a GUI thread started by the driver
  bool killed = false;  // its process was killed: it leaves at its next wait
  int inSend = 0;       // handling a message sent from another thread
  HWND focus = nullptr;
  HWND active = nullptr;
  // A deque: a hook call waiting for another thread handles what is sent
  // to it meanwhile, whose hooks push frames while the waiting call still
  // holds a reference to its own.
  std::deque<HookFrame> hookFrames;
  LONG messageTime = 0;  // GetMessageTime: when the last message taken was queued
  // Window timers (timer.cpp), by window and id.
  struct Timer {
    UINT elapse = 0;
    std::chrono::steady_clock::time_point due;
  };
  std::map<std::pair<HWND, UINT_PTR>, Timer> timers;
};

struct WindowClass {
  std::wstring name;
  ATOM atom = 0;
  UINT style = 0;
  WNDPROC proc = nullptr;
  HINSTANCE instance = nullptr;
  HICON icon = nullptr;
  HICON iconSmall = nullptr;
  HCURSOR cursor = nullptr;
  HBRUSH background = nullptr;
  int menuId = 0;          // a menu resource by number
  std::wstring menuName;   // or by name
  DWORD ownerProcess = 0;  // 0 for the system's classes
};

// State of a dialog box or message box window.
struct DialogState {
  DLGPROC proc = nullptr;
  INT_PTR result = 0;
  bool ended = false;
  bool messageBox = false;
  LONG_PTR msgResult = 0;
  int defaultId = IDOK;
};

// A window property's data, and whether the property holds a reference to
// its name's atom (it was set under a string).
struct WindowProperty {
  HANDLE data = nullptr;
  bool holdsAtom = false;
};

struct Window {
  HWND handle = nullptr;
  std::shared_ptr<WindowClass> cls;
  std::shared_ptr<Thread> thread;
  HWND parent = nullptr;  // null for a top-level window
  HWND owner = nullptr;
  std::vector<HWND> children;  // z-order, topmost first
  DWORD style = 0;
  DWORD exStyle = 0;
  RECT rect{};        // relative to the parent's client area; screen for top-level windows
  RECT normalRect{};  // the restored rectangle while minimised or maximised
  std::wstring text;
  WNDPROC proc = nullptr;
  HINSTANCE instance = nullptr;
  LONG_PTR userData = 0;
  LONG_PTR id = 0;  // control id of a child window
  HMENU menu = nullptr;
  BYTE alpha = 255;
  COLORREF colorKey = 0;
  DWORD layeredFlags = 0;
  bool layeredSet = false;
  bool needsPaint = false;
  bool destroying = false;
  HFONT font = nullptr;
  HICON icon = nullptr;  // a static control's icon
  std::unique_ptr<DialogState> dialog;
  std::map<ATOM, WindowProperty> properties;  // SetPropW, by the name's atom
};

// A loaded menu: items with their sub-menus.
struct Menu {
  struct Item {
    std::wstring text;
    UINT id = 0;
    UINT flags = 0;
    HMENU submenu = nullptr;
  };
  std::vector<Item> items;
};

struct FontRecord {
  LOGFONTW logFont{};
};

struct TrayEntry {
  HWND window = nullptr;
  UINT id = 0;
  UINT flags = 0;
  UINT callbackMessage = 0;
  HICON icon = nullptr;
  std::wstring tip;
};

// A failure the driver asked for: the next call of the function, from the
// process named or from any when none is, fails.
struct PendingFault {
  driver::Fault fault;
  DWORD processId = 0;
};

// Everything the desktop holds. ResetDesktop replaces all of it with a
// fresh state, keeping only what outlives a desktop (see there).
struct DesktopState {
  std::unordered_map<HWND, std::shared_ptr<Window>> windows;
  std::vector<HWND> topLevel;  // z-order, topmost first
  HWND desktopWindow = nullptr;

  std::map<DWORD, std::shared_ptr<Process>> processes;
  std::map<DWORD, std::shared_ptr<Thread>> threads;
  DWORD programProcess = 0;
  std::map<HANDLE, ProcessHandle> processHandles;
  std::map<HANDLE, ThreadHandle> threadHandles;
  // Named mutexes: the open handles of each, and which name a handle opens.
  std::map<std::wstring, std::size_t> namedMutexes;
  std::map<HANDLE, NamedMutexHandle> mutexHandles;

  std::vector<std::shared_ptr<WindowClass>> classes;
  std::vector<std::shared_ptr<HookEntry>> hooks;  // newest first

  std::map<HMODULE, rc::Script> resources;
  std::map<std::pair<HMODULE, int>, HICON> icons;
  std::map<HACCEL, std::vector<ACCEL>> accelerators;
  std::map<HMENU, Menu> menus;
  std::map<HFONT, FontRecord> fonts;
  std::map<HDC, HWND> deviceContexts;
  std::vector<TrayEntry> tray;
  // RegisterWindowMessageW: upper-cased name -> message number.
  std::map<std::wstring, UINT> registeredMessages;

  int metrics[SM_CMETRICS] = {};
  int dpi = 96;
  // The user's interface language (GetUserDefaultUILanguage), by which
  // the resource loader chooses among a resource's languages.
  LANGID uiLanguage = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);

  DWORD foregroundThread = 0;
  HWND focusLostFrom = nullptr;  // the focus window of the thread that last lost the foreground

  std::vector<PendingFault> faults;  // in the order asked for

  int defaultPositions = 0;  // overlapped windows placed at CW_USEDEFAULT so far

  driver::ForeignHookCalls foreignHookCalls = driver::ForeignHookCalls::Skip;

  uint32_t nextHandle = 0x10010;  // the low 32 bits of the next handle; see NewHandleValue
  DWORD nextProcessId = 0x3e8;
  DWORD nextThreadId = 0x400;
  uintptr_t nextKernelHandle = 0x100;
  unsigned generation = 1;
};

struct Desktop : DesktopState {
  std::mutex mutex;
  std::condition_variable idleChanged;
  // Chooses how a killed thread leaves (driver::SetKilledThreadExit); kept
  // across desktops, as it belongs to whoever runs the program.
  std::function<driver::KilledThreadExit()> killedThreadExit;
  // The low 32 bits of every handle given out, on this desktop and the
  // ones before: a handle is never given out twice.
  std::unordered_set<uint32_t> handlesGiven;
};

Desktop &D();
std::mutex &Mutex();

void ResetMetrics(DesktopState &d);

// True, and the fault used up, when the driver asked for this call to fail.
bool TakeFaultLocked(driver::Fault fault, const Thread &caller);

// A fresh handle value as 64-bit Windows makes them: even, 32 bits
// significant and sign-extended, never given out twice.
uintptr_t NewHandleValue(Desktop &d);
// A new kernel object handle (process, thread, event...), valid in the
// process that gets it.
HANDLE NewKernelHandleLocked(Desktop &d);

// The calling thread's record; a thread the driver did not make belongs to
// the program's process. Must be called without the lock held.
std::shared_ptr<Thread> CurrentThread();
// Binds the calling thread to a record made by the driver.
void BindCurrentThread(const std::shared_ptr<Thread> &thread);
std::shared_ptr<Thread> NewThreadLocked(Desktop &d, const std::shared_ptr<Process> &process);
std::shared_ptr<Process> NewProcessLocked(Desktop &d, const std::string &name);

// The pseudo handle of the calling process, as on the platform.
inline HANDLE const kCurrentProcessHandle = reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-1));

BOOL Fail(DWORD error);
template <typename T>
T FailWith(DWORD error, T value) {
  SetLastError(error);
  return value;
}

// Window lookup under the lock; null for a stale handle.
std::shared_ptr<Window> FindLocked(HWND window);
std::shared_ptr<Window> Find(HWND window);
// The same lookup without taking a reference, for queries that only read
// the window while they hold the lock: the pointer is valid until the lock
// is given up.
Window *PeekLocked(HWND window);

// Runs work on the thread that owns a window, as the platform runs its
// internal operations there; waits for it, handling messages sent to the
// caller meanwhile. Returns false when that thread is gone.
bool RunOnThread(const std::shared_ptr<Thread> &thread, const std::function<void()> &work);

// Sends a message, as SendMessageW and the system's own operations do: on
// the window's own thread, at once when that is the calling thread, else
// handed to it while the caller waits. Returns 0 for a stale handle.
LRESULT SystemSend(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Calls the WH_CALLWNDPROC hooks, the window procedure and then the
// WH_CALLWNDPROCRET hooks on the current thread. sentByThisThread: the
// current thread sent the message itself (the hooks' wParam); a message
// handed over from another thread is not.
LRESULT CallWindowAndHooks(HWND window, UINT message, WPARAM wParam, LPARAM lParam, bool sentByThisThread);

// Ends the calling thread's stay in the platform when its process has been
// killed (driver::KillProgram): throws driver::ProcessKilled, or stops the
// thread there for good, without the lock, as driver::SetKilledThreadExit
// chose.
void LeaveIfKilledLocked(Lock &lock, const Thread &self);

// Handles every message sent to the current thread; called with the lock
// held, releases it while each one runs.
void HandleIncomingLocked(Lock &lock, Thread &self);
// Waits on the thread's wake-up until ready() holds, handling sent messages.
void WaitLocked(Lock &lock, Thread &self, const std::function<bool()> &ready);

// The class a name or atom refers to for a process (class.cpp).
std::shared_ptr<WindowClass> FindClassLocked(LPCWSTR name, DWORD processId);

// A coordinate plus an extent or offset; a sum beyond LONG's range stays
// at its end instead of overflowing.
inline LONG SaturatedAdd(LONG a, LONG b) {
  const long long sum = static_cast<long long>(a) + b;
  return static_cast<LONG>(
      std::clamp<long long>(sum, std::numeric_limits<LONG>::min(), std::numeric_limits<LONG>::max()));
}

// Helpers shared between the parts of the window manager.
HWND RootOf(const Window &w);  // lock held
bool IsVisibleLocked(const Window &w);
bool IsDescendantLocked(HWND ancestor, HWND window);
RECT ScreenRectLocked(const Window &w);
RECT ClientRectLocked(const Window &w);  // in window coordinates: the client area inside the frame
// The default minimum tracking size: SM_CXMINTRACK/SM_CYMINTRACK for a
// window with a caption, else its frame on both sides (no client area).
POINT DefaultMinTrackSizeLocked(const Window &w);
void NotifyIdleLocked();

// Focus and activation (focus.cpp), each run on the thread of the window.
void ActivateOnOwnThread(HWND window, int how);
void OnWindowGoneOrHidden(HWND window, bool destroyed);
// Moves the foreground to the window's top-level window and the keyboard
// focus to focusWindow, as a user's click does.
void SwitchForeground(HWND window, HWND focusWindow, int how);

// Sizing and showing (winpos.cpp).
BOOL SetWindowPosOnThread(HWND window, HWND insertAfter, int x, int y, int cx, int cy, UINT flags);
// Places a window in its siblings' z-order; owned windows stay above their
// owner (a window just created owns none, which saves looking).
void LinkZOrderLocked(Window &w, HWND insertAfter, bool hasOwnedWindows = true);

// Global atoms (atom.cpp), lock held: a string or MAKEINTATOM name's atom
// (0 with the error set when there is none), adding a reference to a string
// atom, and dropping one (false for an atom that does not exist).
ATOM FindAtomLocked(LPCWSTR name);
ATOM AddAtomLocked(LPCWSTR name);
bool ReleaseAtomLocked(ATOM atom);
// Drops a window's properties and their atom references (prop.cpp).
void ReleasePropertiesLocked(Window &w);

// Resources (resource.cpp).
HMENU LoadMenuFromScript(HINSTANCE instance, int id, const std::wstring &name);
const rc::Dialog *FindDialogTemplateLocked(HINSTANCE instance, LPCWSTR name);

// Control classes (controls.cpp, edit.cpp) and dialogs (dialog.cpp).
void RegisterSystemClassesLocked(Desktop &d);
LRESULT CALLBACK EditWindowProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK StaticWindowProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK ButtonWindowProc(HWND, UINT, WPARAM, LPARAM);

// Hooks (hook.cpp): calls the chain of hooks of one type for the current
// thread, with wParam nonzero when the thread sent the message itself, and
// a copy of the record (a hook may change what it is given).
void RunCallWndProcHooks(const CWPSTRUCT &record, bool sentByThisThread);
void RunCallWndProcRetHooks(const CWPRETSTRUCT &record, bool sentByThisThread);
// After hooks were removed: every process that has a module mapped for a
// hook, and no hook left of that module, unloads it on its GUI thread when
// that thread next takes messages.
void ScheduleUnusedModuleUnloadsLocked(Desktop &d);
// The process is ending: the libraries mapped for hooks are detached on the
// calling thread (one of its own), reserved nonzero. Without the lock held.
void DetachMappedModulesAtExit(Process &p);

// The DllMain of a library registered with one, and the machine it was
// built for (for a module not registered, an executable's, the one given)
// (process.cpp).
DllEntry ModuleEntry(HMODULE module);
driver::Machine ModuleMachine(HMODULE module, driver::Machine unregistered);

// Ending processes (process_end.cpp). A process ends once: its run is
// marked ended with the code, waiters on it wake, its other threads (all
// but spare) leave at their next wait by throwing ProcessKilled, and what
// it held goes. The program's record stays for its next thread, with a
// fresh run; any other process leaves the desktop.
void EndProcessLocked(Desktop &d, const std::shared_ptr<Process> &process, DWORD exitCode, const Thread *spare);
// The exit code of a process the driver kills.
constexpr DWORD kKilledExitCode = 1;
// Runs a simulated process's entry on its first thread (the calling one,
// bound to it) with the process's command line; when it returns, the
// libraries mapped for hooks see the end and the process ends with its
// result. A kill or ExitProcess throws it out: it has ended already.
void RunAsProcess(const std::shared_ptr<Thread> &thread,
                  const std::function<int(const std::wstring &commandLine)> &entry);
// What an ended process leaves goes: hooks, handles, window classes, the
// tray icons of windows that are gone, memory.
void ReleaseProcessLocked(Desktop &d, DWORD process);
// Wakes every thread that waits for kernel objects, to look at them again.
void WakeObjectWaitersLocked(Desktop &d);
void WakeObjectWaiters();
// The host's executable path and command line (host.cpp).
std::wstring HostExecutablePath();
std::wstring HostCommandLine();
// Processes started by CreateProcessW (image.cpp): the driver's reset ends
// them all and forgets the registered images.
void EndStartedProcessesAndForgetImages();
// Resolves a process handle of the caller (or the pseudo handle) that
// grants one of the access rights; null with the error set otherwise.
std::shared_ptr<ProcessLife> ProcessLifeOfHandleLocked(Desktop &d, HANDLE handle, const Thread &caller, DWORD access,
                                                       DWORD *processId = nullptr);
// Closes every process handle a process holds (it ends).
void CloseProcessHandlesLocked(Desktop &d, DWORD owner);
// Named mutexes (mutex.cpp): closes the caller's handle (false when it
// holds no such mutex handle), and every one a process holds (it ends).
bool CloseMutexHandleLocked(Desktop &d, HANDLE handle, DWORD caller);
void CloseMutexHandlesLocked(Desktop &d, DWORD owner);
// The tick count now (tick.cpp), as GetTickCount gives it.
DWORD TickCountNow();

// Forgets all objects of a dead thread without sending anything.
void DropThreadWindowsLocked(Desktop &d, Thread &t);
// Marks a thread ended: what was sent to it fails, its windows go, and it
// leaves the desktop.
void RetireThreadLocked(Thread &t);

// Whether the thread's queue holds input of the kinds in the QS_ mask;
// onlyNew: only posts that came since the thread last looked at its
// queue count (message.cpp).
bool QueueHasInputLocked(Thread &self, DWORD wakeMask, bool onlyNew);

// Makes up a WM_TIMER for the first due timer of the thread that passes
// the filter; with remove, its next message is due one interval from now
// (timer.cpp).
bool TakeTimerLocked(Thread &self, MSG *msg, HWND filter, UINT min, UINT max, bool remove);
// Waits on the thread's wake-up, or until its next timer is due.
void WaitForWakeOrTimerLocked(Lock &lock, Thread &self);

// A menu's item by command (searched depth first through its sub-menus)
// or by position; null when there is none (menu_check.cpp).
Menu::Item *FindMenuItemLocked(HMENU menu, UINT item, UINT flags);

// Closes an event or change notification of the process (waitable.cpp);
// false when the handle is none of them.
bool CloseWaitable(HANDLE handle, DWORD process);

}  // namespace winsim

#endif
