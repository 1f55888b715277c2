// The hook library. The program and every hooked process share its four
// variables; the hook procedure runs in every GUI process, on any thread,
// many at once, and reads them without locks (each is one naturally aligned
// word). Each hooked process keeps one thing of its own: the handle of the
// program's process, opened at its first forwarded event.
#include "hook/QuillmereHook.h"

#include "hook/ProcessLocal.h"
#include "hook/SharedSection.h"
#include "hook/TargetProcess.h"

HOOK_SHARED_SECTION_BEGIN
HOOK_SHARED HMODULE hookModule = nullptr;
HOOK_SHARED HHOOK hookHandle = nullptr;
HOOK_SHARED HWND targetWindow = nullptr;
HOOK_SHARED UINT eventMessage = 0;
HOOK_SHARED_SECTION_END

namespace {

// Not in the shared section: a process handle means something only in the
// process that opened it.
ProcessLocal<TargetProcess> targetProcess;

// Copies the record into a new page in the target's process and posts the
// page's address. From the post on the page is the receiver's; a page whose
// post failed is released here, since nobody else would.
void Forward(const CWPRETSTRUCT &record) {
  const HWND target = targetWindow;
  DWORD processId = 0;
  if (!GetWindowThreadProcessId(target, &processId)) return;  // the program is gone
  TargetProcess &processes = targetProcess.Get();
  // Only the rights the forwarding needs, and a page that cannot execute.
  TargetProcess::Use process = processes.Acquire(target, processId);
  if (!process) return;
  void *page = VirtualAllocEx(process.handle(), nullptr, kHookEventPageSize, MEM_COMMIT, PAGE_READWRITE);
  if (!page) {
    // The process may have ended with the handle still open; the next
    // event opens it afresh rather than failing on this handle for ever.
    processes.Discard(process);
    return;
  }
  // A failed write leaves the page zero-filled; the receiver ignores a
  // record of message 0 and releases its page all the same.
  WriteProcessMemory(process.handle(), page, &record, sizeof record, nullptr);
  if (!PostMessageW(target, eventMessage, 0, reinterpret_cast<LPARAM>(page)))
    VirtualFreeEx(process.handle(), page, 0, MEM_RELEASE);
}

LRESULT CALLBACK HookProc(int nCode, WPARAM wParam, LPARAM lParam) {
  const CWPRETSTRUCT *c = reinterpret_cast<const CWPRETSTRUCT *>(lParam);
  // Forwarded whoever sent it: the hook's wParam says only whether the
  // handling thread sent the message itself, and an application's focus
  // changes, activation, showing and creation are sent by its own thread.
  // Nothing about the target window or the windows it owns is forwarded.
  // The cheap tests come first; the ancestry query is made only for the
  // forwarded kinds.
  // A call the system makes on the program's own thread on behalf of a
  // process of the other bitness (whose window's thread is not this one)
  // is not forwarded: that process's events reach the program through the
  // companion's hook.
  if (nCode == HC_ACTION && IsForwardedEvent(c->message) && c->message != eventMessage && c->hwnd != targetWindow &&
      GetAncestor(c->hwnd, GA_ROOTOWNER) != targetWindow &&
      GetWindowThreadProcessId(c->hwnd, nullptr) == GetCurrentThreadId())
    Forward(*c);
  return CallNextHookEx(hookHandle, nCode, wParam, lParam);
}

}  // namespace

extern "C" QUILLMEREHOOK_API bool QUILLMEREHOOK_CALL RegisterHook(HWND target, UINT message) {
  // One program at a time. A program that was killed or crashed left its
  // hook handle here (the system removed the hook itself when its thread
  // ended); once its main window is gone, a new program may take over.
  if (hookHandle && IsWindow(targetWindow)) {
    SetLastError(ERROR_ALREADY_EXISTS);
    return false;
  }
  // The target is in place before the hook can run anywhere.
  targetWindow = target;
  eventMessage = message;
  hookHandle = SetWindowsHookExW(WH_CALLWNDPROCRET, HookProc, hookModule, 0);
  return hookHandle != nullptr;
}

extern "C" QUILLMEREHOOK_API bool QUILLMEREHOOK_CALL UnregisterHook() {
  if (!hookHandle) return false;
  UnhookWindowsHookEx(hookHandle);
  hookHandle = nullptr;
  return true;
}

BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID reserved) {
  if (reason == DLL_PROCESS_ATTACH) hookModule = module;
  // Unloaded from a process that goes on (the hook was removed, or the
  // target's program ended): its handle of the program's process is closed
  // here. A process that is ending (reserved set) closes all its handles
  // itself, and nothing should be called into then.
  if (reason == DLL_PROCESS_DETACH && !reserved) targetProcess.Get().Close();
  return TRUE;
}
