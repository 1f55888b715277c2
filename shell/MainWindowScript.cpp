// The main window's hold on the user's script: running it at start,
// reloading it (the Reload script command, or a save of the file noticed
// by the watch of its folder), and pausing.
//
// A reload makes a fresh shade manager rather than emptying the old one:
// the old manager gives its windows back exactly as at exit, and the new
// one starts exactly as at start, with an empty record map, its own script
// context and watchdog. A reload never runs while an event or another
// reload is in progress (a handler that dispatches messages may meet the
// command or the timer): it is put off until the outermost has ended, so
// that no manager is torn down under a running handler.
#include "shell/MainWindow.h"

#include <string>

#include "module/EffectGate.h"
#include "module/LogBuffer.h"
#include "module/ScriptModule.h"
#include "module/WindowEffects.h"
#include "module/WindowRecovery.h"
#include "script/InterpreterLock.h"
#include "script/ScriptFile.h"
#include "script/ScriptThreads.h"
#include "shade/ShadeManager.h"
#include "shell/ScriptFolderWatch.h"
#include "shell/resource.h"

namespace {

void LogWide(const std::wstring &line) { LogBuffer::Instance().Append(line.data(), line.size()); }

void LogNarrow(const std::string &line) { LogWide(std::wstring(line.begin(), line.end())); }

}  // namespace

void MainWindow::StartScript() {
  const char *path = profile.FilterPath.c_str();
  ++scriptWork;
  saveSettle.Loaded(ReadScriptFileStamp(path));
  shadeManager->LoadScript(path);
  shadeManager->AddExistingWindows();
  --scriptWork;
  if (destroyed) return;
  // Without a named file there is nothing to watch.
  if (!profile.FilterPath.empty()) {
    folderWatch.reset(new ScriptFolderWatch(profile.FilterPath, window, WM_SCRIPTFOLDERCHANGED));
    if (!folderWatch->Watching()) LogNarrow(folderWatch->Problem());
  }
  RunPendingReload();
}

void MainWindow::StopScript() {
  folderWatch.reset();
  KillTimer(window, kScriptSaveTimer);
  reloadPending = false;
}

void MainWindow::RequestReload() {
  reloadPending = true;
  RunPendingReload();
}

void MainWindow::RunPendingReload() {
  while (reloadPending && scriptWork == 0 && !destroyed) {
    reloadPending = false;
    ReloadScript();
  }
}

void MainWindow::ReloadScript() {
  ++scriptWork;
  const char *path = profile.FilterPath.c_str();
  boost::shared_ptr<ShadeManager> old = shadeManager;
  // 1. The old script's handlers roll every window down. The old manager
  //    acts on no focus change from here on, so that an event a handler
  //    meets does not roll a window up again.
  if (old) {
    old->SetPaused(true);
    old->RestoreAll();
  }
  if (destroyed) {  // a handler met the window's destruction, which gave everything back
    --scriptWork;
    return;
  }
  // 2. Whatever is still held is given back, as at exit: the effects are
  //    closed to the old script's threads first.
  CloseEffects();
  if (old) {
    GiveBackHeldWindows(*old);
    DetachScriptModule(*old);
  }
  RecoverTaggedWindows();
  // 3. The old configuration goes, and with it the records of the old run.
  //    Its threads get a short while to end; those that go on find no
  //    record and change no window until the new script runs.
  shadeManager.reset();
  if (old) old->ReleaseScript();
  old.reset();
  std::wstring threadsLeft;
  {
    InterpreterLock lock;
    threadsLeft = AwaitScriptThreadsAtReload(kScriptThreadReloadWait);
  }
  if (!threadsLeft.empty()) LogWide(threadsLeft);
  // 4. The file runs in a fresh "__main__", as at start.
  OpenEffects();
  boost::shared_ptr<ShadeManager> fresh(new ShadeManager(PythonContext::Namespace::Fresh));
  fresh->SetPaused(paused);
  shadeManager = fresh;
  RegisterScriptModule(*fresh);
  saveSettle.Loaded(ReadScriptFileStamp(path));
  const bool configured = fresh->LoadScript(path);
  if (!destroyed) fresh->AddExistingWindows();
  --scriptWork;
  if (destroyed) return;
  // 5. One line tells of it.
  std::wstring file;
  {
    InterpreterLock lock;  // the name is decoded as the interpreter decodes file names
    file = L"\"" + ScriptPathText(path) + L"\"";
  }
  LogWide(configured
              ? L"Script reloaded from " + file
              : L"Script reloaded from " + file + L" without a configuration (see above); the next save tries again");
}

void MainWindow::SetPaused(bool pause) {
  paused = pause;
  if (shadeManager) {
    // Focus changes are left alone before the windows go down, so that an
    // event a handler meets does not roll one up again.
    shadeManager->SetPaused(pause);
    if (pause) {
      boost::shared_ptr<ShadeManager> manager = shadeManager;
      ++scriptWork;
      manager->RestoreAll();
      --scriptWork;
    }
  }
  if (destroyed) return;
  const std::wstring title = pause ? QuillmereTitle() + L" (paused)" : QuillmereTitle();
  SetWindowTextW(window, title.c_str());
  CheckMenuItem(GetMenu(window), IDM_PAUSE, MF_BYCOMMAND | (pause ? MF_CHECKED : MF_UNCHECKED));
  if (tray.cbSize) {
    const std::wstring tip = TrayTip();
    const std::size_t capacity = sizeof tray.szTip / sizeof tray.szTip[0];
    const std::size_t n = tip.size() < capacity - 1 ? tip.size() : capacity - 1;
    tip.copy(tray.szTip, n);
    tray.szTip[n] = L'\0';
    tray.uFlags = NIF_TIP;
    Shell_NotifyIconW(NIM_MODIFY, &tray);
  }
  LogNarrow(pause ? "Paused: every window is rolled down and focus changes are not acted on"
                  : "Resumed: focus changes are acted on again");
  RunPendingReload();
}

std::wstring MainWindow::TrayTip() const { return paused ? L"Quillmere (paused)" : L"Quillmere"; }

void MainWindow::ScriptFolderChanged() {
  if (folderWatch) folderWatch->Acknowledge();
  saveSettle.Changed(ReadScriptFileStamp(profile.FilterPath.c_str()));
  // Every change starts the interval anew.
  SetTimer(window, kScriptSaveTimer, kScriptSaveSettleMilliseconds, nullptr);
}

void MainWindow::ScriptSaveTimerFired() {
  switch (saveSettle.Settled(ReadScriptFileStamp(profile.FilterPath.c_str()))) {
    case ScriptSaveSettle::Step::Wait:
      return;  // the timer fires again after another interval
    case ScriptSaveSettle::Step::Reload:
      KillTimer(window, kScriptSaveTimer);
      RequestReload();
      return;
    case ScriptSaveSettle::Step::Idle:
      KillTimer(window, kScriptSaveTimer);
      return;
  }
}
