// The hook library. It keeps no state but the four shared variables; the
// hook procedure runs in every GUI process, on any thread, many at once,
// and reads them without locks (each is one naturally aligned word).
#include "hook/QuillmereHook.h"

#include "hook/SharedSection.h"

HOOK_SHARED_SECTION_BEGIN
HOOK_SHARED HMODULE hookModule = nullptr;
HOOK_SHARED HHOOK hookHandle = nullptr;
HOOK_SHARED HWND targetWindow = nullptr;
HOOK_SHARED UINT eventMessage = 0;
HOOK_SHARED_SECTION_END

namespace {

bool IsForwardedMessage(UINT message) {
  switch (message) {
    case WM_CREATE:
    case WM_DESTROY:
    case WM_ACTIVATE:
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_SHOWWINDOW:
    case WM_ACTIVATEAPP:
      return true;
    default:
      return false;
  }
}

// Copies the record into a new page in the target's process and posts the
// page's address. From the post on the page is the receiver's; a page whose
// post failed is released here, since nobody else would.
void Forward(const CWPRETSTRUCT &record) {
  DWORD processId = 0;
  GetWindowThreadProcessId(targetWindow, &processId);
  // Only the rights the forwarding needs, and a page that cannot execute.
  HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, processId);
  if (!process) return;
  void *page = VirtualAllocEx(process, nullptr, kHookEventPageSize, MEM_COMMIT, PAGE_READWRITE);
  if (page) {
    // A failed write leaves the page zero-filled; the receiver ignores a
    // record of message 0 and releases its page all the same.
    WriteProcessMemory(process, page, &record, sizeof record, nullptr);
    if (!PostMessageW(targetWindow, eventMessage, 0, reinterpret_cast<LPARAM>(page)))
      VirtualFreeEx(process, page, 0, MEM_RELEASE);
  }
  CloseHandle(process);
}

LRESULT CALLBACK HookProc(int nCode, WPARAM wParam, LPARAM lParam) {
  const CWPRETSTRUCT *c = reinterpret_cast<const CWPRETSTRUCT *>(lParam);
  // Forwarded whoever sent it: the hook's wParam says only whether the
  // handling thread sent the message itself, and an application's focus
  // changes, activation, showing and creation are sent by its own thread.
  // Nothing about the target window or the windows it owns is forwarded.
  // The cheap tests come first; the ancestry query is made only for the
  // seven kinds.
  if (nCode == HC_ACTION && c->message != eventMessage && c->hwnd != targetWindow &&
      IsForwardedMessage(c->message) && GetAncestor(c->hwnd, GA_ROOTOWNER) != targetWindow)
    Forward(*c);
  return CallNextHookEx(hookHandle, nCode, wParam, lParam);
}

}  // namespace

extern "C" QUILLMEREHOOK_API bool QUILLMEREHOOK_CALL RegisterHook(HWND target, UINT message) {
  // One program at a time. A program that was killed or crashed left its
  // hook handle here (the system removed the hook itself when its thread
  // ended); once its main window is gone, a new program may take over.
  if (hookHandle && IsWindow(targetWindow)) return false;
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

BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID /*reserved*/) {
  if (reason == DLL_PROCESS_ATTACH) hookModule = module;
  return TRUE;
}
