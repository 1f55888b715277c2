// The winsim driver: plays the user and the other applications of the
// simulated desktop. Tests, benchmarks and the desktop host use it; the
// program under test never does.
#ifndef WINSIM_DRIVER_H
#define WINSIM_DRIVER_H

#include <windows.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace winsim::driver {

// The machine a process or library is built for. winsim is 64-bit
// Windows: the program and every process are X64 unless made otherwise; an
// X86 process runs under WOW64 (IsWow64Process).
enum class Machine { X64, X86 };

// Starts an application: a simulated process whose one GUI thread runs a
// message loop. Returns the process id.
DWORD StartApp(const std::string &name, Machine machine = Machine::X64);

// An executable CreateProcessW can start: found by its file name, without
// regard to case. The entry runs on the new process's first thread with
// the full command line (as GetCommandLineW gives it there); its result is
// the process's exit code. Registering a name again replaces its entry.
void RegisterImage(const std::wstring &fileName, Machine machine,
                   std::function<int(const std::wstring &commandLine)> entry);
void UnregisterImage(const std::wstring &fileName);

// Kills a process as KillProgram kills the program (exit code 1): one
// started by CreateProcessW, StartApp or RunProcess; the program's id does
// what KillProgram does. An id of no running process is ignored.
void KillProcess(DWORD processId);

// A global hook met in a process of the other machine, whose library
// cannot be loaded there. Skip: it is passed over and the chain goes on
// (the default). InstallingThread: it runs on the thread that installed it,
// in the installer's process, as a message sent to that thread, while the
// message's own thread waits; it gets a copy of the record, which names
// the other process's window.
enum class ForeignHookCalls { Skip, InstallingThread };
void SetForeignHookCalls(ForeignHookCalls mode);

// Where window, hook, menu and other user handles continue: the next one
// has these low 32 bits, sign-extended as on 64-bit Windows (so from
// 0x7FFFFFFC on, handles with bit 31 set come out as 0xFFFFFFFF800000xx).
// A value given out before, on this desktop or an earlier one, is passed
// over, so handles still never repeat.
void SetNextHandleValue(uint32_t low32);

// Ends an application: its windows are destroyed on its thread, its loop
// ends and the thread is joined. Its process ends with exit code 0.
void StopApp(DWORD processId);

// The process that threads not started by the driver belong to: the program.
DWORD ProgramProcessId();

// Thrown out of the platform call a thread of a killed program waits in.
// Deliberately no std::exception, so that the program's own handlers do
// not take it for one of theirs.
struct ProcessKilled {};

// Kills the program's process, as the platform ends a process that is
// terminated: its windows vanish without a message to them, its hooks,
// window classes, tray icons and memory go. None of its code runs for it.
// Its threads leave the platform call they wait in (or their next one) by
// throwing ProcessKilled; whoever runs the program catches that on the
// program's thread. Its process ends with exit code 1: handles to it are
// signalled, and stay so. A later thread of the program starts a new run
// under the same id. The calling thread, which plays the user, is not
// killed.
void KillProgram();

// How a thread of a killed program leaves the platform call it waits in.
// Unwind: by throwing ProcessKilled (the default). Stop: it stays in that
// call for good, as the platform leaves a terminated thread: it holds
// nothing of the desktop, never returns to its caller, and none of the code
// on its stack runs again. Stop is for a thread whose stack cannot be
// unwound by an exception (frames of code that does not expect one).
enum class KilledThreadExit { Unwind, Stop };

// Sets who chooses the way out. The function runs on each killed thread as
// it leaves, without the desktop's lock, and may run after it was replaced;
// an empty one restores the default.
void SetKilledThreadExit(std::function<KilledThreadExit()> choose);

// Runs a program's entry in a process of its own beside the program: a
// copy of the program started while it runs, say. The entry runs on a new
// thread, the process's first, which takes messages if the entry does.
// Waits up to the patience for it to return; the process then ends as a
// process whose last thread returned: what its threads left (windows,
// hooks, window classes, tray icons, handles, memory) goes, and the
// libraries mapped for hooks see it end. Returns the entry's result, or
// nothing when it did not return in time; it is then left running.
std::optional<int> RunProcess(const std::string &name, const std::function<int()> &entry,
                              std::chrono::milliseconds patience);

// The GUI thread of an application.
DWORD AppThreadId(DWORD processId);

// Runs code on an application's GUI thread, as that application, and waits.
void RunInApp(DWORD processId, const std::function<void()> &code);

// A window an application is to create (CreateAppWindow): what it looks
// like and where it sits.
struct NewWindow {
  std::wstring title;
  std::wstring className = L"SimAppWindow";
  RECT rect{100, 100, 500, 400};
  HWND parent = nullptr;  // a child window inside this one
  HWND owner = nullptr;   // an owned pop-up with a caption
  bool visible = true;    // shown without being activated
  bool enabled = true;
  bool layered = false;
  DWORD style = 0;  // 0: the usual style for the kind of window
  DWORD exStyle = 0;
};

// The application creates a window (registering its class on first use;
// the class procedure is DefWindowProcW) and shows it without activating it.
HWND CreateAppWindow(DWORD processId, const NewWindow &window);

// The window's own application shows (any SW_ command), enables or
// disables, retitles or destroys it.
void ShowAppWindow(HWND window, int command);
void EnableAppWindow(HWND window, bool enable);
void SetAppWindowText(HWND window, const std::wstring &text);
void DestroyAppWindow(HWND window);

// The user clicks a window: its top-level window becomes the foreground
// window and the clicked window receives the keyboard focus. The messages
// go to each window on its own thread, as sent by the system.
void ClickFocus(HWND window);

// The user types a key combination into a window, such as "alt+?", "esc",
// "enter", "f5" or "a". Returns false for a combination it does not know.
bool TypeKeys(HWND window, const std::string &combination);

// The notification area.
struct TrayIcon {
  HWND window;
  UINT id;
  UINT flags;
  UINT callbackMessage;
  HICON icon;
  std::wstring tip;
};
std::vector<TrayIcon> TrayIcons();
enum class MouseButton { Left, Right, Middle };
// Clicks an icon of the notification area; false when there is none.
bool ClickTray(HWND window, UINT id, MouseButton button);
// The shell restarts: the new taskbar starts without icons and posts the
// registered message "TaskbarCreated" to every top-level window, so that
// programs add their icons again.
void RestartShell();

// Dialogs and message boxes on screen and not yet ended, oldest first.
struct DialogInfo {
  HWND window;
  HWND owner;
  std::wstring caption;
  std::wstring text;  // a message box's message; empty for a dialog
  bool messageBox;
};
std::vector<DialogInfo> OpenDialogs();
// Presses the dialog's button with this id (IDOK by default) and waits until
// the dialog's thread has handled it. Returns false when there is no such
// dialog or button.
bool PressDialogButton(HWND dialog, int id = IDOK);
// The user clicks the close box of a window (WM_SYSCOMMAND SC_CLOSE).
void ClickCloseBox(HWND window);
// The user chooses a command of the window's menu. Returns false when the
// window's menu has no such command.
bool ChooseMenuCommand(HWND window, UINT id);

// Settings of the simulated desktop.
void SetSystemMetric(int index, int value);
void SetScreenDpi(int dpi);
// The user's interface language (US English until set), which
// GetUserDefaultUILanguage reports. Menus, accelerator tables, dialogs and
// icons are loaded in it when the module has them in it, else in US
// English; a window's menu is loaded when the window is made, so set it
// before the program starts.
void SetUserInterfaceLanguage(LANGID language);

// The state of any window, read without sending it anything.
struct WindowState {
  bool exists = false;
  RECT rect{};
  RECT normalRect{};
  DWORD style = 0;
  DWORD exStyle = 0;
  BYTE alpha = 255;
  bool layeredAttributes = false;  // SetLayeredWindowAttributes has been applied
  bool topmost = false;
  bool visible = false;  // IsWindowVisible
  bool enabled = false;
  std::wstring text;
  std::wstring className;
  HWND parent = nullptr;
  HWND owner = nullptr;
  DWORD processId = 0;
  DWORD threadId = 0;
  HFONT font = nullptr;  // the font an EDIT control was given
};
WindowState ReadWindow(HWND window);

// Top-level windows in z-order, topmost first.
std::vector<HWND> TopLevelWindows();

// Waits until the thread has handled everything in its queues and waits
// for more.
void WaitIdle(DWORD threadId);
// Waits until every GUI thread of the desktop is idle at the same moment.
void WaitAllIdle();

// Allocations made with VirtualAllocEx that are still live in a process.
std::size_t LiveAllocations(DWORD processId);

// The process handles a process holds open now, and how many OpenProcess
// has given it since it started.
struct ProcessHandleCounts {
  std::size_t open = 0;
  std::size_t opened = 0;
};
ProcessHandleCounts ProcessHandles(DWORD processId);

// Makes the next call of a function fail as the platform's would. With a
// process id, only a call made from that process counts.
// SetWindowsHookEx fails with ERROR_ACCESS_DENIED, as when the desktop refuses the hook.
enum class Fault { OpenProcess, VirtualAllocEx, WriteProcessMemory, PostMessage, SetWindowsHookEx };
void FailNext(Fault fault, DWORD processId = 0);
void ClearFaults();
// How many armed faults no call has met yet.
std::size_t PendingFaults();

// What CreateFontW was given, for a font handle.
struct FontInfo {
  int height, width, escapement, orientation, weight;
  DWORD italic, underline, strikeOut, charSet, outPrecision, clipPrecision, quality, pitchAndFamily;
  std::wstring face;
};
bool ReadFont(HFONT font, FontInfo &info);

// Ends every application and every process started by CreateProcessW,
// then forgets the registered images and every window, class, hook, tray
// icon and allocation, so that the next test starts on an empty desktop.
// The system metrics, DPI, interface language and foreign hook calls
// return to their defaults. Handle values are never given out twice, so a
// handle of an earlier desktop never names a new window.
void ResetDesktop();

}  // namespace winsim::driver

#endif
