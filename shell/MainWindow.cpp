#include "shell/MainWindow.h"

#include <boost/format.hpp>

#include <algorithm>
#include <cstddef>
#include <cwchar>
#include <string>

#include "hook/CompanionEvents.h"
#include "module/EffectGate.h"
#include "module/LogBuffer.h"
#include "module/ScriptModule.h"
#include "module/WindowEffects.h"
#include "module/WindowRecovery.h"
#include "scoped/WindowDC.h"
#include "script/ScriptErrorReport.h"
#include "shade/ShadeManager.h"
#include "shade/WindowEvents.h"
#include "shell/ExitCodes.h"
#include "shell/MainWindowClass.h"
#include "shell/RunningCopy.h"
#include "shell/ScriptFolderWatch.h"
#include "shell/resource.h"
#include "shell/version.h"

namespace {

// The record's size up to and including the identifying GUID: 952 bytes on
// the 32-bit platform.
const DWORD kTrayRecordSize = static_cast<DWORD>(offsetof(NOTIFYICONDATAW, hBalloonIcon));

// Adds a line of the program's own, in ASCII, to the log.
void LogLine(const std::string &text) {
  const std::wstring wide(text.begin(), text.end());
  LogBuffer::Instance().Append(wide.data(), wide.size());
}

}  // namespace

// The version (its text, with two decimals) in a pattern of ASCII text,
// formatted narrow and widened.
static std::wstring VersionText(const char *pattern) {
  const std::string text = boost::str(boost::format(pattern) % QUILLMERE_VERSION_TEXT);
  return std::wstring(text.begin(), text.end());
}

std::wstring QuillmereTitle() { return VersionText("Quillmere v%s"); }

MainWindow::MainWindow(HINSTANCE instance)
    : BaseWindow(instance),
      accelerators(nullptr),
      logView(nullptr),
      tray(),
      taskbarCreated(0),
      hookInstalled(false),
      hookRefused(false),
      hookError(0),
      comeForward(0),
      startEnded(kStartNotEnded) {}

MainWindow::~MainWindow() {
  // The script module must not reach a shade manager that is gone.
  if (shadeManager) DetachScriptModule(*shadeManager);
}

void MainWindow::RegisterWindowClass() {
  className = kMainWindowClassName;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.style = CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = StaticWindowProc;
  wc.hInstance = instance;
  wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_QUILLMERE));
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
  wc.lpszMenuName = MAKEINTRESOURCEW(IDC_QUILLMERE);
  wc.lpszClassName = className.c_str();
  wc.hIconSm = LoadIconW(instance, MAKEINTRESOURCEW(IDI_SMALL));
  RegisterClassExW(&wc);
}

bool MainWindow::Create(const std::wstring &title) {
  profile.Load();
  shadeManager.reset(new ShadeManager);
  taskbarCreated = RegisterWindowMessageW(L"TaskbarCreated");
  comeForward = ComeForwardMessage();
  if (!BaseWindow::Create(title)) return false;
  created = true;

  // The first WM_SHOWWINDOW installs the hook; events queue from here on.
  ShowWindow(window, SW_SHOWNORMAL);
  UpdateWindow(window);
  if (profile.ShowTrayIcon) AddTrayIcon();
  accelerators = LoadAcceleratorsW(instance, MAKEINTRESOURCEW(IDC_QUILLMERE));

  logView = CreateWindowExW(
      0, L"EDIT", L"", WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_READONLY, 0,
      0, 100, 100, window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_LOGVIEW)), instance, nullptr);
  {
    WindowDC dc(window);
    logFont.reset(CreateFontW(-MulDiv(9, GetDeviceCaps(dc.get(), LOGPIXELSY), 72), 0, 0, 0, 0, FALSE, FALSE, FALSE,
                              SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                              DEFAULT_PITCH | FF_DONTCARE, L"MS P Gothic"));
  }
  // The font outlives the log view: it is deleted with this object, after
  // the window and its children are gone.
  SendMessageW(logView, WM_SETFONT, reinterpret_cast<WPARAM>(logFont.get()), FALSE);

  // A run's log begins empty in the log view. The script module and the
  // report of script errors are in place before the script runs.
  LogBuffer::Instance().ShowIn(logView);
  // Without the hook the program would run deaf: it says so and ends
  // before the script runs or any window is touched, and leaves the
  // settings file as it is.
  if (!hookInstalled) {
    ReportHookRefused();
    hookRefused = true;
    DestroyWindow(window);
    return false;
  }
  // 32-bit applications are covered by the companion from here on; without
  // it the log says so and 64-bit applications are covered all the same.
  if (kProgramHasCompanion) {
    const std::string failed = companion.Start(window);
    if (!failed.empty()) LogLine(failed);
  }
  RegisterScriptModule(*shadeManager);
  SetScriptErrorSink(LogScriptError);
  // The settings were read before the log existed: what was wrong with
  // them is told now, before anything the script writes.
  const std::string settingsReport = profile.LoadReport();
  if (!settingsReport.empty()) LogLine(settingsReport);

  SetWindowPos(window, nullptr, profile.Left, profile.Top, profile.Width, profile.Height, SWP_NOZORDER);
  if (profile.StartMinimize) ShowWindow(window, SW_SHOWMINIMIZED);

  // Windows that an earlier run left rolled up, translucent or top-most
  // (it was killed or crashed) get their state back before the script
  // runs; the effects are open to this run's script.
  OpenEffects();
  for (const RecoveredWindow &recovered : RecoverTaggedWindows()) {
    const std::wstring line = RecoveryLogLine(recovered);
    LogBuffer::Instance().Append(line.c_str(), line.size());
  }

  StartScript();
  // Every window has been offered to the script. A focus change queued in
  // this very tick may have come before that, so the start lasts until the
  // tick count moves on (a tick is 1 to 16 ms): focus changes queued up to
  // this tick are not acted on, and every one queued after it is.
  startEnded = GetTickCount64();
  while (GetTickCount64() == startEnded) Sleep(1);
  return true;
}

LRESULT MainWindow::WindowProc(HWND h, UINT message, WPARAM wParam, LPARAM lParam) {
  // A new taskbar (the shell restarted) knows none of the old icons.
  if (taskbarCreated && message == taskbarCreated && profile.ShowTrayIcon) AddTrayIcon();
  if (comeForward && message == comeForward) ComeForward();
  if (IsCompanionEvent(message)) {
    HandleCompanionEvent(message, wParam, lParam, static_cast<DWORD>(GetMessageTime()));
    return 0;
  }
  switch (message) {
    case WM_DESTROY:
      // A window whose creation failed was never shown: it has no position
      // to save and nothing to give back.
      if (!created) break;
      // A run without the hook ran no script and changed nothing: the
      // settings file stays as it is, and so do windows that another copy
      // of the program has changed, and that copy's hook.
      if (!hookInstalled) {
        if (tray.cbSize) Shell_NotifyIconW(NIM_DELETE, &tray);
        break;
      }
      StopScript();
      SaveWindowPosition();
      // The script's handlers roll windows down first; whatever they left
      // changed (a refusal, an error, a handler still running) the program
      // gives back itself, and so every window still tagged whose record
      // went while it was changed. Script threads change nothing from the
      // moment the giving back starts.
      if (shadeManager) shadeManager->RestoreAll();
      CloseEffects();
      if (shadeManager) {
        GiveBackHeldWindows(*shadeManager);
        DetachScriptModule(*shadeManager);
      }
      RecoverTaggedWindows();
      shadeManager.reset();
      if (tray.cbSize) Shell_NotifyIconW(NIM_DELETE, &tray);
      companion.Stop();
      UnregisterHook();
      break;  // the quit message is posted below
    case WM_SIZE:
      if (logView) {
        RECT client;
        GetClientRect(h, &client);
        MoveWindow(logView, client.left, client.top, client.right - client.left, client.bottom - client.top, FALSE);
      }
      break;
    case WM_PAINT: {
      PAINTSTRUCT paint;
      BeginPaint(h, &paint);
      EndPaint(h, &paint);
      break;
    }
    case WM_SHOWWINDOW:
      // The first showing installs the hook. The library refuses it while
      // another program's hook is in place; GetLastError then tells why.
      if (!hookInstalled) {
        hookInstalled = RegisterHook(h, WM_HOOKEVENT);
        hookError = hookInstalled ? 0 : GetLastError();
      }
      break;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDM_ABOUT:
          DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_ABOUTBOX), h, AboutDialogProc, 0);
          break;
        case IDM_EXIT:
          DestroyWindow(h);
          break;
        case IDM_RELOAD:
          RequestReload();
          break;
        case IDM_PAUSE:
          SetPaused(!paused);
          break;
        default:
          return DefWindowProcW(h, message, wParam, lParam);
      }
      break;
    case WM_HOOKEVENT:
      HandleHookEvent(lParam, static_cast<DWORD>(GetMessageTime()));
      break;
    case WM_SCRIPTFOLDERCHANGED:
      ScriptFolderChanged();
      break;
    case WM_TIMER:
      if (wParam == kScriptSaveTimer) ScriptSaveTimerFired();
      break;
    case WM_TRAYNOTIFY:
      if (wParam == ID_TRAYICON) {
        if (lParam == WM_LBUTTONDOWN) {
          ShowWindow(h, SW_RESTORE);
          SetForegroundWindow(h);
        } else if (lParam == WM_RBUTTONDOWN) {
          ShowVersionBox();
        }
      }
      break;
    default:
      break;
  }
  return BaseWindow::WindowProc(h, message, wParam, lParam);
}

int MainWindow::MessageLoop() {
  // Waits for messages and, while the companion runs, for its end too.
  for (;;) {
    HANDLE handle = companion.Handle();
    const DWORD count = handle ? 1 : 0;
    const DWORD woken = MsgWaitForMultipleObjectsEx(count, &handle, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    if (count && woken == WAIT_OBJECT_0) {
      CompanionEnded();
      continue;
    }
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) return static_cast<int>(msg.wParam);
      // An accelerator's command goes to the window the keystroke was for.
      if (!TranslateAcceleratorW(msg.hwnd, accelerators, &msg)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
      }
    }
  }
}

void MainWindow::CompanionEnded() { LogLine(companion.Ended()); }

void MainWindow::SaveWindowPosition() {
  // A minimised or maximised window first returns to its normal rectangle.
  ShowWindow(window, SW_RESTORE);
  RECT r;
  if (GetWindowRect(window, &r)) {
    profile.Left = r.left;
    profile.Top = r.top;
    profile.Width = r.right - r.left;
    profile.Height = r.bottom - r.top;
  }
  if (!profile.Save()) LogLine(profile.SaveReport());
}

void MainWindow::AddTrayIcon() {
  tray = NOTIFYICONDATAW{};
  tray.cbSize = kTrayRecordSize;
  tray.hWnd = window;
  tray.uID = ID_TRAYICON;
  tray.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  tray.uCallbackMessage = WM_TRAYNOTIFY;
  tray.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_SMALL));
  const std::wstring tip = TrayTip();
  const std::size_t capacity = sizeof tray.szTip / sizeof tray.szTip[0];
  std::size_t n = std::min(tip.size(), capacity - 1);
  std::copy_n(tip.c_str(), n, tray.szTip);
  tray.szTip[n] = L'\0';
  tray.uTimeout = 0;
  Shell_NotifyIconW(NIM_ADD, &tray);
}

void MainWindow::ShowVersionBox() {
  std::wstring text = VersionText("Quillmere %s") + L"\nThe Quillmere developers - https://quillmere.example.org/";
  MessageBoxW(window, text.c_str(), QuillmereTitle().c_str(), MB_ICONINFORMATION);
}

void MainWindow::ReportHookRefused() {
  const std::string why = hookError == ERROR_ALREADY_EXISTS
                              ? std::string("another program holds it")
                              : boost::str(boost::format("the system refused it, error %u") % hookError);
  const std::string text = boost::str(boost::format("The window hook could not be installed (%s): Quillmere ends "
                                                    "without changing anything (exit code %d).") %
                                      why % kExitHookNotInstalled);
  LogLine(text);
  const std::wstring wide(text.begin(), text.end());
  MessageBoxW(window, wide.c_str(), QuillmereTitle().c_str(), MB_ICONERROR | MB_OK);
}

void MainWindow::ComeForward() {
  if (IsIconic(window)) ShowWindow(window, SW_RESTORE);
  SetForegroundWindow(window);
}

void MainWindow::HandleHookEvent(LPARAM address, DWORD queued) {
  if (!address) return;
  // Any process may post this message with any number. Only the base of a
  // committed private one-page region of this process is read and freed.
  void *page = reinterpret_cast<void *>(address);
  MEMORY_BASIC_INFORMATION info;
  if (VirtualQuery(page, &info, sizeof info) != sizeof info || info.AllocationBase != page ||
      info.BaseAddress != page || info.State != MEM_COMMIT || info.Type != MEM_PRIVATE ||
      info.RegionSize != kHookEventPageSize)
    return;
  // The record is copied out and its page released before the event is
  // handled: a handler that pumps messages may handle further events.
  const HookEventRecord record = *static_cast<const HookEventRecord *>(page);
  VirtualFreeEx(GetCurrentProcess(), page, 0, MEM_RELEASE);
  DeliverEvent(record.message, record.hwnd, record.wParam, queued);
}

void MainWindow::HandleCompanionEvent(UINT message, WPARAM wParam, LPARAM lParam, DWORD queued) {
  // Any process may post these numbers; they count only while the
  // companion runs, and carry values, never an address.
  if (!companion.Running()) return;
  const CompanionEvent event = ReadCompanionEvent(message, wParam, lParam);
  DeliverEvent(event.kind, event.window, event.wParam, queued);
}

void MainWindow::DeliverEvent(UINT kind, HWND eventWindow, WPARAM wParam, DWORD queued) {
  // Held for the whole event: a handler that pumps messages may meet the
  // main window's destruction, which drops the window's own reference.
  // The event is handled without the interpreter lock: asking a window for
  // its title may wait for a script thread's window. The shade manager
  // takes the lock for each script call and guards its record map with a
  // lock of its own.
  // A reload asked for meanwhile waits until the event has ended.
  if (boost::shared_ptr<ShadeManager> manager = shadeManager) {
    ++scriptWork;
    HandleWindowEvent(*manager, window, kind, eventWindow, wParam, EventTime{queued, startEnded});
    --scriptWork;
  }
  RunPendingReload();
}

INT_PTR CALLBACK MainWindow::AboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
        EndDialog(dialog, LOWORD(wParam));
        return TRUE;
      }
      return FALSE;
    default:
      return FALSE;
  }
}
