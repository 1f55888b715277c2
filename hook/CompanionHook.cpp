// The companion's hook library. Every 32-bit process that loads it shares
// its four variables; the hook procedure reads them without locks (each is
// one naturally aligned word).
#include "hook/CompanionHook.h"

#include "hook/SharedSection.h"

HOOK_SHARED_SECTION_BEGIN
HOOK_SHARED HMODULE companionModule = nullptr;
HOOK_SHARED HHOOK companionHook = nullptr;
HOOK_SHARED HWND programWindow = nullptr;
// The process that installed the hook.
HOOK_SHARED DWORD hookOwner = 0;
HOOK_SHARED_SECTION_END

namespace {

// Set on a thread while the rest of the chain runs after our procedure
// handled a forwarded kind. A hook whose installer was killed may stay in
// the chain on some systems; its procedure is this one, and it must not
// forward the same message a second time.
thread_local bool inChain = false;

bool OwnerRunning(DWORD owner) {
  if (owner == GetCurrentProcessId()) return true;
  HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, owner);
  if (!process) return false;
  const bool running = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
  CloseHandle(process);
  return running;
}

LRESULT CALLBACK HookProc(int nCode, WPARAM wParam, LPARAM lParam) {
  const CWPSTRUCT *c = reinterpret_cast<const CWPSTRUCT *>(lParam);
  if (nCode != HC_ACTION || !IsForwardedEvent(c->message) || inChain)
    return CallNextHookEx(companionHook, nCode, wParam, lParam);
  // Only a message handled on its window's own thread is that process's
  // event. A call made on the installer's thread on behalf of a process of
  // the other bitness names a window the program's own hook reports.
  if (GetWindowThreadProcessId(c->hwnd, nullptr) == GetCurrentThreadId())
    PostMessageW(programWindow, CompanionEventMessage(c->message), Narrow(c->wParam),
                 static_cast<LPARAM>(Narrow(reinterpret_cast<UINT_PTR>(c->hwnd))));
  inChain = true;
  const LRESULT result = CallNextHookEx(companionHook, nCode, wParam, lParam);
  inChain = false;
  return result;
}

}  // namespace

extern "C" QUILLMEREHOOK32_API bool RegisterCompanionHook(HWND target) {
  // One companion at a time. One that was killed left its handle here; the
  // system removes its hook with it, and a new one may take over.
  if (companionHook && OwnerRunning(hookOwner)) {
    SetLastError(ERROR_ALREADY_EXISTS);
    return false;
  }
  // The target is in place before the hook can run anywhere.
  programWindow = target;
  hookOwner = GetCurrentProcessId();
  companionHook = SetWindowsHookExW(WH_CALLWNDPROC, HookProc, companionModule, 0);
  return companionHook != nullptr;
}

extern "C" QUILLMEREHOOK32_API bool UnregisterCompanionHook() {
  if (!companionHook || hookOwner != GetCurrentProcessId()) return false;
  UnhookWindowsHookEx(companionHook);
  companionHook = nullptr;
  return true;
}

BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) companionModule = module;
  return TRUE;
}
