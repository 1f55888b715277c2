// The program's one window: a read-only log filling its client area, a menu
// with the exit and about commands, an optional tray icon and a version box.
// Its first showing installs the hook, forwarded events arrive at its window
// procedure, and its destruction saves the settings, puts every managed
// window back and removes the hook.
#ifndef QUILLMERE_SHELL_MAINWINDOW_H
#define QUILLMERE_SHELL_MAINWINDOW_H

#include <windows.h>
#include <shellapi.h>

#include <boost/shared_ptr.hpp>

#include <memory>

#include "config/QuillmereProfile.h"
#include "hook/QuillmereHook.h"
#include "shell/BaseWindow.h"
#include "shell/CompanionProcess.h"
#include "shell/ScriptSaveSettle.h"
#include "scoped/GdiObject.h"

class ShadeManager;
class ScriptFolderWatch;

// Forwarded window event; lParam is the address of a page with the record.
const UINT WM_HOOKEVENT = WM_USER + 1;
// Notification-area icon callback; wParam is the icon id, lParam the mouse message.
const UINT WM_TRAYNOTIFY = WM_USER + 2;
// Something changed in the script's folder (ScriptFolderWatch).
const UINT WM_SCRIPTFOLDERCHANGED = WM_USER + 3;
// The timer that waits for the script file to hold still after a change.
const UINT_PTR kScriptSaveTimer = 1;

// "Quillmere v" and the version, such as "Quillmere v1.02": the main
// window's title and the version box's caption.
std::wstring QuillmereTitle();

class MainWindow : public BaseWindow {
 public:
  explicit MainWindow(HINSTANCE instance);
  ~MainWindow() override;

  void RegisterWindowClass() override;
  bool Create(const std::wstring &title) override;
  LRESULT WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  int MessageLoop() override;
  // Restores the window to its normal state, stores its rectangle in the
  // settings and writes the settings file.
  virtual void SaveWindowPosition();

  // Reads and releases the page of a WM_HOOKEVENT and hands its event to
  // the event table, with the time it was queued at (GetMessageTime); a
  // page that is not one a hook library posts is neither read nor released.
  void HandleHookEvent(LPARAM address, DWORD queued);
  // Hands an event the 32-bit companion's hook posted (hook/CompanionEvents.h),
  // widened, to the event table, while the companion runs.
  void HandleCompanionEvent(UINT message, WPARAM wParam, LPARAM lParam, DWORD queued);

  // Create failed because the hook library refused the hook: the program
  // said so and ends with kExitHookNotInstalled.
  bool HookRefused() const { return hookRefused; }

  static INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

  // The shade manager; empty before Create and after the window's destruction.
  const boost::shared_ptr<ShadeManager> &GetShadeManager() const { return shadeManager; }
  const QuillmereProfile &GetProfile() const { return profile; }
  HWND GetLogView() const { return logView; }
  bool Paused() const { return paused; }

 private:
  // Adds the tray icon, at start and again whenever the taskbar is made anew.
  void AddTrayIcon();
  void ShowVersionBox();
  // Tells the user, in the log and in a message box, that the hook could
  // not be installed and why, and that the program ends.
  void ReportHookRefused();
  // Restores the window if minimised and brings it to the foreground, when
  // a second copy asks for it.
  void ComeForward();
  // "Quillmere", or "Quillmere (paused)".
  std::wstring TrayTip() const;
  // Hands one forwarded event to the event table, and runs a reload asked
  // for meanwhile.
  void DeliverEvent(UINT kind, HWND eventWindow, WPARAM wParam, DWORD queued);
  // The companion's process ended: the log says so, and it is started again
  // while restarts are left.
  void CompanionEnded();

  // --- The script: reload, pause and the watch of its folder
  // (MainWindowScript.cpp) ---

  // Runs the script at start and begins watching its folder.
  void StartScript();
  // The Reload script command or a save of the script: reloads now, or
  // once the event or reload in progress has ended.
  void RequestReload();
  // Reloads while one was asked for and none is in progress.
  void RunPendingReload();
  // The old script's windows go back and the script runs anew in a fresh
  // namespace with a fresh shade manager.
  void ReloadScript();
  // Pauses (every window rolled down, focus changes not acted on) or
  // resumes; the title, the tray tip and the menu's check mark follow.
  void SetPaused(bool pause);
  void ScriptFolderChanged();
  void ScriptSaveTimerFired();
  // Stops watching and forgets any reload asked for (the window goes).
  void StopScript();

  HACCEL accelerators;
  HWND logView;
  GdiObject<HFONT> logFont;
  NOTIFYICONDATAW tray;
  // "TaskbarCreated": the shell broadcasts it when it has (re)made the taskbar.
  UINT taskbarCreated;
  // CreateWindowExW returned the window; until then a WM_DESTROY (creation
  // failing after WM_NCCREATE) runs none of the exit steps.
  bool created = false;
  boost::shared_ptr<ShadeManager> shadeManager;
  QuillmereProfile profile;
  // This run installed the hook (and so removes it at its end).
  bool hookInstalled;
  bool hookRefused;
  DWORD hookError;  // GetLastError after the library refused the hook
  // The 64-bit program's 32-bit companion, which covers 32-bit applications.
  CompanionProcess companion;
  // The registered message by which a second copy asks this one forward.
  UINT comeForward;
  // GetTickCount64 once every window present at start had been offered to
  // the script; focus events queued before then are not acted on.
  ULONGLONG startEnded;

  std::unique_ptr<ScriptFolderWatch> folderWatch;
  ScriptSaveSettle saveSettle;
  bool paused = false;
  // Events, the start and reloads in progress: a reload asked for meanwhile
  // waits until the outermost has ended.
  int scriptWork = 0;
  bool reloadPending = false;
  bool destroyed = false;
};

#endif
