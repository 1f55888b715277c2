// A short tour of the simulated desktop: two applications, a global
// WH_CALLWNDPROCRET hook installed by this program, and a user who clicks
// from one application to the other. Each focus change the hook sees in
// another process travels back here in a page of this process's memory,
// as a hook library forwards events to its program.
#include <windows.h>
#include <winsim/driver.h>

#include <cstdio>
#include <string>

using namespace winsim::driver;

namespace {

constexpr UINT kEventMessage = WM_USER + 1;
HWND g_target = nullptr;

LRESULT CALLBACK ForwardFocusChanges(int code, WPARAM wParam, LPARAM lParam) {
  auto *c = reinterpret_cast<CWPRETSTRUCT *>(lParam);
  if (code == HC_ACTION && wParam == 0 && (c->message == WM_SETFOCUS || c->message == WM_KILLFOCUS) &&
      GetAncestor(c->hwnd, GA_ROOTOWNER) != g_target) {
    DWORD pid = 0;
    GetWindowThreadProcessId(g_target, &pid);
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, pid);
    if (void *page = VirtualAllocEx(process, nullptr, 4096, MEM_COMMIT, PAGE_READWRITE)) {
      WriteProcessMemory(process, page, c, sizeof *c, nullptr);
      if (!PostMessageW(g_target, kEventMessage, 0, reinterpret_cast<LPARAM>(page)))
        VirtualFreeEx(process, page, 0, MEM_RELEASE);
    }
    CloseHandle(process);
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

std::string Title(HWND h) {
  wchar_t text[64] = L"";
  GetWindowTextW(h, text, 64);
  std::string narrow;
  for (const wchar_t *p = text; *p; ++p) narrow += static_cast<char>(*p < 128 ? *p : '?');
  return narrow.empty() ? "(none)" : narrow;
}

void Drain() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, kEventMessage, kEventMessage, PM_REMOVE)) {
    auto *record = reinterpret_cast<const CWPRETSTRUCT *>(msg.lParam);
    DWORD pid = 0;
    GetWindowThreadProcessId(record->hwnd, &pid);
    std::printf("  event from process %lu: %s %-9s (other window: %s)\n", static_cast<unsigned long>(pid),
                record->message == WM_SETFOCUS ? "WM_SETFOCUS " : "WM_KILLFOCUS", Title(record->hwnd).c_str(),
                Title(reinterpret_cast<HWND>(record->wParam)).c_str());
    VirtualFreeEx(GetCurrentProcess(), reinterpret_cast<void *>(msg.lParam), 0, MEM_RELEASE);
  }
}

}  // namespace

int main() {
  g_target = CreateWindowExW(0, L"STATIC", L"demo", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  HHOOK hook = SetWindowsHookExW(WH_CALLWNDPROCRET, ForwardFocusChanges, GetModuleHandleW(nullptr), 0);
  DWORD editor = StartApp("editor"), browser = StartApp("browser");
  NewWindow window;
  window.title = L"Editor";
  HWND e = CreateAppWindow(editor, window);
  window.title = L"Browser";
  window.rect = RECT{300, 200, 900, 700};
  HWND b = CreateAppWindow(browser, window);
  std::printf("Two applications are running: Editor (process %lu) and Browser (process %lu).\n",
              static_cast<unsigned long>(editor), static_cast<unsigned long>(browser));
  for (HWND target : {e, b, e}) {
    std::printf("The user clicks %s.\n", Title(target).c_str());
    ClickFocus(target);
    Drain();
  }
  UnhookWindowsHookEx(hook);
  StopApp(editor);
  StopApp(browser);
  std::printf("Pages still allocated in this process: %zu\n", LiveAllocations(ProgramProcessId()));
  return 0;
}
