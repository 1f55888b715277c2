#include "companion/Companion.h"

#include <cwctype>

#include "hook/CompanionHook.h"
#include "scoped/UniqueHandle.h"
#include "shell/CompanionProtocol.h"
#include "shell/ExitCodes.h"
#include "shell/MainWindowClass.h"

namespace {

// Skips the program's name, quoted or not, as the system's own parsing of
// a command line's first token does.
std::size_t SkipProgramName(const std::wstring &line) {
  std::size_t i = 0;
  if (i < line.size() && line[i] == L'"') {
    const std::size_t close = line.find(L'"', 1);
    return close == std::wstring::npos ? line.size() : close + 1;
  }
  while (i < line.size() && line[i] != L' ' && line[i] != L'\t') ++i;
  return i;
}

void SkipBlanks(const std::wstring &line, std::size_t &i) {
  while (i < line.size() && (line[i] == L' ' || line[i] == L'\t')) ++i;
}

// A decimal number of at most 32 bits, followed by a blank or the end.
bool ReadNumber(const std::wstring &line, std::size_t &i, DWORD &value) {
  unsigned long long n = 0;
  const std::size_t start = i;
  while (i < line.size() && line[i] >= L'0' && line[i] <= L'9') {
    n = n * 10 + static_cast<unsigned>(line[i] - L'0');
    if (n > 0xFFFFFFFFull) return false;
    ++i;
  }
  if (i == start || (i < line.size() && line[i] != L' ' && line[i] != L'\t')) return false;
  value = static_cast<DWORD>(n);
  return true;
}

// The hook, removed when the companion ends by any way out.
class InstalledHook {
 public:
  explicit InstalledHook(HWND programWindow) : installed_(RegisterCompanionHook(programWindow)) {}
  ~InstalledHook() {
    if (installed_) UnregisterCompanionHook();
  }
  InstalledHook(const InstalledHook &) = delete;
  InstalledHook &operator=(const InstalledHook &) = delete;
  explicit operator bool() const { return installed_; }

 private:
  bool installed_;
};

// Takes the messages queued for the thread; false once the program asked
// the companion to end (or someone posted the thread WM_QUIT).
bool PumpMessages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT || (msg.message == kCompanionStop && !msg.hwnd)) return false;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return true;
}

}  // namespace

bool ParseCompanionCommandLine(const std::wstring &commandLine, CompanionArguments &arguments) {
  std::size_t i = SkipProgramName(commandLine);
  DWORD process = 0, window = 0;
  SkipBlanks(commandLine, i);
  if (!ReadNumber(commandLine, i, process)) return false;
  SkipBlanks(commandLine, i);
  if (!ReadNumber(commandLine, i, window)) return false;
  SkipBlanks(commandLine, i);
  if (i != commandLine.size() || process == 0 || window == 0) return false;
  arguments.programProcess = process;
  arguments.programWindow = reinterpret_cast<HWND>(Widen(window));
  return true;
}

bool StartedByRunningProgram(const CompanionArguments &arguments) {
  if (!IsWindow(arguments.programWindow)) return false;
  DWORD owner = 0;
  if (!GetWindowThreadProcessId(arguments.programWindow, &owner) || owner != arguments.programProcess) return false;
  wchar_t className[64];
  const int length = GetClassNameW(arguments.programWindow, className, 64);
  return length > 0 && std::wstring(className, static_cast<std::size_t>(length)) == kMainWindowClassName;
}

int RunCompanion(const std::wstring &commandLine) {
  std::size_t rest = SkipProgramName(commandLine);
  SkipBlanks(commandLine, rest);
  if (rest == commandLine.size()) {
    MessageBoxW(nullptr,
                L"quillmere32.exe is the 32-bit helper of Quillmere's 64-bit program, which starts and ends it "
                L"itself so that 32-bit applications are covered too. It does not run on its own: start "
                L"quillmere.exe instead.",
                L"Quillmere", MB_ICONINFORMATION | MB_OK);
    return kExitCompanionRefused;
  }
  CompanionArguments arguments;
  if (!ParseCompanionCommandLine(commandLine, arguments) || !StartedByRunningProgram(arguments))
    return kExitCompanionRefused;
  // The companion ends with the program, also when the program is killed.
  UniqueHandle program(OpenProcess(SYNCHRONIZE, FALSE, arguments.programProcess));
  if (!program) return kExitCompanionRefused;
  // The thread's queue exists before the hook does, so that the program's
  // request to end can always be posted once the hook is in place.
  MSG msg;
  PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);
  InstalledHook hook(arguments.programWindow);
  if (!hook) return kExitCompanionHookNotInstalled;
  // Messages are taken all the time: the system may run the hook on this
  // thread for another process and waits for it meanwhile.
  for (;;) {
    HANDLE handle = program.get();
    const DWORD woken = MsgWaitForMultipleObjectsEx(1, &handle, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    if (woken != WAIT_OBJECT_0 + 1 || !PumpMessages()) break;
  }
  return 0;
}
