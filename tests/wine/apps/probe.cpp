// Reads other programs' windows from outside, for the runs under Wine with
// applications nobody here wrote. A console program: one command a line on
// standard input, one answer line on standard output for each.
//
//   rect TITLE             "rect L T R B style 0x........ hwnd H" of the top-level
//                          window with that title (GetWindowRect and
//                          GetWindowLongW(GWL_STYLE)), or "none"
//   logtext TITLE          the text of the first EDIT child of that window,
//                          lines joined with " | ", or "none"
//   move L T R B TITLE     places it there (SetWindowPos, no activation):
//                          "moved" or "none"
//   close TITLE            posts WM_CLOSE to it: "posted" or "none"
//   metrics                "metrics CYCAPTION CYMINTRACK"
//   now                    "now T": the performance counter in microseconds
//   waitheight H MS TITLE  polls the window's height about every millisecond
//                          until it is H, at most MS milliseconds:
//                          "height H at T" (T as for now) or "timeout H"
//   bits TITLE             "bits 32" or "bits 64": the bitness of the process
//                          that owns that window (IsWow64Process), or "none"
//   processes NAME         "processes N PID..." of the running processes whose
//                          executable file is NAME (case ignored)
//   waitgone MS NAME       polls about every millisecond until no process of
//                          that name runs, at most MS milliseconds:
//                          "gone at T" (T as for now) or "running N"
//   dismiss TITLE          the message box with that caption: "dismissed TEXT"
//                          (its text, lines joined with " | ") once IDOK is
//                          posted to it, or "none"
//   quit                   ends
//
// Wine's performance counter is the host's CLOCK_MONOTONIC_RAW, so "now"
// and "at" can be set against times taken outside Wine.
#include <windows.h>
#include <tlhelp32.h>

#include <cstdio>
#include <cstring>
#include <cwctype>
#include <string>
#include <vector>

namespace {

std::wstring Wide(const std::string &text) {
  if (text.empty()) return std::wstring();
  int n = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring result(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &result[0], n);
  return result;
}

std::string Narrow(const std::wstring &text) {
  if (text.empty()) return std::string();
  int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string result(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &result[0], n, nullptr, nullptr);
  return result;
}

long long Microseconds() {
  static LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return static_cast<long long>(now.QuadPart / frequency.QuadPart * 1000000 +
                                now.QuadPart % frequency.QuadPart * 1000000 / frequency.QuadPart);
}

// Text on one answer line: lines joined with " | ".
std::string OneLine(const std::wstring &text) {
  std::string line;
  for (char c : Narrow(text)) {
    if (c == '\r') continue;
    line += c == '\n' ? std::string(" | ") : std::string(1, c);
  }
  return line;
}

HWND FindByTitle(const std::string &title) { return FindWindowW(nullptr, Wide(title).c_str()); }

void Rect(const std::string &title) {
  HWND window = FindByTitle(title);
  RECT r;
  if (!window || !GetWindowRect(window, &r)) {
    std::printf("none\n");
    return;
  }
  std::printf("rect %ld %ld %ld %ld style 0x%08lx hwnd %llu\n", r.left, r.top, r.right, r.bottom,
              static_cast<unsigned long>(static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE))),
              static_cast<unsigned long long>(reinterpret_cast<ULONG_PTR>(window)));
}

void LogText(const std::string &title) {
  HWND window = FindByTitle(title);
  HWND edit = window ? FindWindowExW(window, nullptr, L"EDIT", nullptr) : nullptr;
  if (!edit) {
    std::printf("none\n");
    return;
  }
  // WM_GETTEXT is carried across processes; GetWindowTextW would not ask.
  LRESULT length = SendMessageW(edit, WM_GETTEXTLENGTH, 0, 0);
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  length = SendMessageW(edit, WM_GETTEXT, static_cast<WPARAM>(text.size()), reinterpret_cast<LPARAM>(&text[0]));
  text.resize(static_cast<size_t>(length));
  std::printf("%s\n", OneLine(text).c_str());
}

// The process of that window: 32 when it runs under WOW64 (a 32-bit
// process on 64-bit Windows), 64 otherwise; 0 when it cannot be asked.
int Bits(HWND window) {
  DWORD id = 0;
  if (!GetWindowThreadProcessId(window, &id)) return 0;
  HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id);
  if (!process) return 0;
  BOOL wow64 = FALSE;
  BOOL asked = IsWow64Process(process, &wow64);
  CloseHandle(process);
  if (!asked) return 0;
  return wow64 ? 32 : sizeof(void *) == 8 ? 64 : 32;
}

bool SameName(const wchar_t *a, const std::wstring &b) {
  std::size_t i = 0;
  for (; a[i] && i < b.size(); ++i)
    if (std::towlower(a[i]) != std::towlower(b[i])) return false;
  return !a[i] && i == b.size();
}

// The ids of the running processes whose executable file is that name.
std::vector<DWORD> Processes(const std::wstring &name) {
  std::vector<DWORD> ids;
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return ids;
  PROCESSENTRY32W entry;
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry))
    if (SameName(entry.szExeFile, name)) ids.push_back(entry.th32ProcessID);
  CloseHandle(snapshot);
  return ids;
}

void ReportProcesses(const std::string &name) {
  std::vector<DWORD> ids = Processes(Wide(name));
  std::printf("processes %u", static_cast<unsigned>(ids.size()));
  for (DWORD id : ids) std::printf(" %lu", static_cast<unsigned long>(id));
  std::printf("\n");
}

void WaitGone(long milliseconds, const std::string &name) {
  std::wstring wide = Wide(name);
  long long end = Microseconds() + milliseconds * 1000LL;
  for (;;) {
    long long now = Microseconds();
    std::size_t running = Processes(wide).size();
    if (running == 0) {
      std::printf("gone at %lld\n", now);
      return;
    }
    if (now > end) {
      std::printf("running %u\n", static_cast<unsigned>(running));
      return;
    }
    Sleep(1);
  }
}

// The message box text's control id (the system's message box dialogs).
constexpr int kMessageBoxText = 0xFFFF;

void Dismiss(const std::string &title) {
  HWND box = FindWindowW(L"#32770", Wide(title).c_str());
  if (!box) {
    std::printf("none\n");
    return;
  }
  wchar_t text[1024] = L"";
  GetDlgItemTextW(box, kMessageBoxText, text, 1024);
  std::printf("%s\n", PostMessageW(box, WM_COMMAND, IDOK, 0) ? ("dismissed " + OneLine(text)).c_str() : "none");
}

void WaitHeight(long height, long milliseconds, const std::string &title) {
  HWND window = FindByTitle(title);
  long long end = Microseconds() + milliseconds * 1000LL;
  RECT r;
  while (window && GetWindowRect(window, &r)) {
    long long now = Microseconds();
    if (r.bottom - r.top == height) {
      std::printf("height %ld at %lld\n", height, now);
      return;
    }
    if (now > end) break;
    Sleep(1);
  }
  std::printf("timeout %ld\n", window && GetWindowRect(window, &r) ? r.bottom - r.top : -1L);
}

}  // namespace

int main() {
  char buffer[1024];
  while (std::fgets(buffer, sizeof buffer, stdin)) {
    std::string line(buffer);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    std::string verb = line.substr(0, line.find(' '));
    std::string rest = line.size() > verb.size() ? line.substr(verb.size() + 1) : std::string();
    if (verb == "rect") {
      Rect(rest);
    } else if (verb == "logtext") {
      LogText(rest);
    } else if (verb == "move") {
      long l = 0, t = 0, r = 0, b = 0;
      int consumed = 0;
      HWND window = nullptr;
      if (std::sscanf(rest.c_str(), "%ld %ld %ld %ld %n", &l, &t, &r, &b, &consumed) >= 4)
        window = FindByTitle(rest.substr(static_cast<size_t>(consumed)));
      std::printf("%s\n", window && SetWindowPos(window, nullptr, l, t, r - l, b - t, SWP_NOZORDER | SWP_NOACTIVATE)
                              ? "moved"
                              : "none");
    } else if (verb == "close") {
      HWND window = FindByTitle(rest);
      std::printf("%s\n", window && PostMessageW(window, WM_CLOSE, 0, 0) ? "posted" : "none");
    } else if (verb == "metrics") {
      std::printf("metrics %d %d\n", GetSystemMetrics(SM_CYCAPTION), GetSystemMetrics(SM_CYMINTRACK));
    } else if (verb == "now") {
      std::printf("now %lld\n", Microseconds());
    } else if (verb == "waitheight") {
      long height = 0, milliseconds = 0;
      int consumed = 0;
      if (std::sscanf(rest.c_str(), "%ld %ld %n", &height, &milliseconds, &consumed) >= 2)
        WaitHeight(height, milliseconds, rest.substr(static_cast<size_t>(consumed)));
      else
        std::printf("error waitheight H MS TITLE\n");
    } else if (verb == "bits") {
      HWND window = FindByTitle(rest);
      int bits = window ? Bits(window) : 0;
      if (bits)
        std::printf("bits %d\n", bits);
      else
        std::printf("none\n");
    } else if (verb == "processes") {
      ReportProcesses(rest);
    } else if (verb == "waitgone") {
      long milliseconds = 0;
      int consumed = 0;
      if (std::sscanf(rest.c_str(), "%ld %n", &milliseconds, &consumed) >= 1 &&
          static_cast<std::size_t>(consumed) < rest.size())
        WaitGone(milliseconds, rest.substr(static_cast<size_t>(consumed)));
      else
        std::printf("error waitgone MS NAME\n");
    } else if (verb == "dismiss") {
      Dismiss(rest);
    } else if (verb == "quit") {
      break;
    } else {
      std::printf("error unknown command\n");
    }
    std::fflush(stdout);
  }
  return 0;
}
