// A test application for the end-to-end runs under Wine: one process with a
// sizable top-level window, and on request a window it owns. It moves the
// keyboard focus between its own windows as a user would, and reports what it
// sees of them from its own side.
//
//   testapp.exe NAME TITLE LEFT TOP RIGHT BOTTOM
//
// It reads commands, one a line, from the file NAME.cmd in its working
// directory (polling it), and appends one answer line per command to
// NAME.out, each starting with the command's line number:
//   focus main|dialog   SetForegroundWindow and SetFocus on that window
//   dialog              creates and shows a window owned by the main window
//   closedialog         destroys it
//   report main|dialog  "N rect L T R B style 0x.. exstyle 0x.. visible V hwnd H"
//   metrics             "N metrics CYCAPTION CYMINTRACK"
//   program             the rectangle of the main window of the program under test
//   moveprogram L T W H SetWindowPos on that window (another process's)
//   closeprogram        posts WM_CLOSE to it
//   quit                destroys its windows and ends with exit status 0
//   minimizeprogram     minimises the program's main window (ShowWindow from another process)
//   programstate        "N iconic I foreground F" of the program's main window
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>

#include "shell/MainWindowClass.h"

namespace {

const wchar_t kMainClass[] = L"QuillmereTestApp";
const wchar_t kDialogClass[] = L"QuillmereTestDialog";

HWND mainWindow = nullptr;
HWND dialogWindow = nullptr;
std::string commandFile;
std::string outputFile;
long commandOffset = 0;
int commandNumber = 0;

void Answer(const char *text) {
  FILE *out = std::fopen(outputFile.c_str(), "ab");
  if (!out) return;
  std::fprintf(out, "%d %s\n", commandNumber, text);
  std::fclose(out);
}

std::string Utf8(const std::wstring &text) {
  int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n), '\0');
  if (n > 0) WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], n, nullptr, nullptr);
  return out;
}

void ReportWindow(HWND window) {
  char line[256];
  RECT r;
  if (!window || !GetWindowRect(window, &r)) {
    Answer("none");
    return;
  }
  std::snprintf(line, sizeof line, "rect %ld %ld %ld %ld style 0x%08lx exstyle 0x%08lx visible %d hwnd %llu", r.left,
                r.top, r.right, r.bottom,
                static_cast<unsigned long>(static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE))),
                static_cast<unsigned long>(static_cast<DWORD>(GetWindowLongW(window, GWL_EXSTYLE))),
                IsWindowVisible(window) ? 1 : 0, static_cast<unsigned long long>(reinterpret_cast<ULONG_PTR>(window)));
  Answer(line);
}

HWND Named(const char *name) {
  if (std::strcmp(name, "main") == 0) return mainWindow;
  if (std::strcmp(name, "dialog") == 0) return dialogWindow;
  return nullptr;
}

void Execute(const std::string &command) {
  char verb[32] = "", arg[32] = "";
  int values[4] = {0, 0, 0, 0};
  std::sscanf(command.c_str(), "%31s %31s", verb, arg);
  std::string v(verb);
  if (v == "focus") {
    HWND w = Named(arg);
    if (!w) return Answer("error no such window");
    BOOL fg = SetForegroundWindow(w);
    HWND previous = SetFocus(w);
    char line[96];
    std::snprintf(line, sizeof line, "focused %d %d %d", fg ? 1 : 0, previous ? 1 : 0, GetFocus() == w ? 1 : 0);
    Answer(line);
  } else if (v == "dialog") {
    RECT r;
    GetWindowRect(mainWindow, &r);
    dialogWindow = CreateWindowExW(WS_EX_DLGMODALFRAME, kDialogClass, L"Owned dialog",
                                   WS_POPUP | WS_CAPTION | WS_SYSMENU, r.left + 40, r.top + 60, 240, 120, mainWindow,
                                   nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!dialogWindow) return Answer("error CreateWindowExW failed");
    ShowWindow(dialogWindow, SW_SHOW);
    SetFocus(dialogWindow);
    Answer(GetFocus() == dialogWindow ? "dialog focused" : "dialog unfocused");
  } else if (v == "closedialog") {
    if (dialogWindow) DestroyWindow(dialogWindow);
    dialogWindow = nullptr;
    Answer("closed");
  } else if (v == "report") {
    ReportWindow(Named(arg));
  } else if (v == "metrics") {
    char line[64];
    std::snprintf(line, sizeof line, "metrics %d %d", GetSystemMetrics(SM_CYCAPTION), GetSystemMetrics(SM_CYMINTRACK));
    Answer(line);
  } else if (v == "program") {
    ReportWindow(FindWindowW(kMainWindowClassName, nullptr));
  } else if (v == "moveprogram") {
    std::sscanf(command.c_str(), "%*s %d %d %d %d", &values[0], &values[1], &values[2], &values[3]);
    HWND p = FindWindowW(kMainWindowClassName, nullptr);
    Answer(p && SetWindowPos(p, nullptr, values[0], values[1], values[2], values[3], SWP_NOZORDER | SWP_NOACTIVATE)
               ? "moved"
               : "error no program window");
  } else if (v == "closeprogram") {
    HWND p = FindWindowW(kMainWindowClassName, nullptr);
    Answer(p && PostMessageW(p, WM_CLOSE, 0, 0) ? "posted" : "error no program window");
  } else if (v == "programlog") {
    // The text of the program's log view, as UTF-8 (a broken surrogate pair
    // would come out as U+FFFD).
    HWND p = FindWindowW(kMainWindowClassName, nullptr);
    HWND edit = p ? FindWindowExW(p, nullptr, L"EDIT", nullptr) : nullptr;
    if (!edit) return Answer("error no log view");
    std::wstring text(static_cast<std::size_t>(SendMessageW(edit, WM_GETTEXTLENGTH, 0, 0)) + 1, L'\0');
    text.resize(
        static_cast<std::size_t>(SendMessageW(edit, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]))));
    for (wchar_t &c : text)
      if (c == L'\r' || c == L'\n') c = L'|';
    Answer(("log " + Utf8(text)).c_str());
  } else if (v == "messagebox") {
    // A message box of the program (a dialog captioned "Quillmere"): its text.
    HWND box = FindWindowW(L"#32770", L"Quillmere");
    if (!box) return Answer("none");
    wchar_t text[1024] = L"";
    GetDlgItemTextW(box, 0xFFFF, text, 1024);
    std::wstring flat(text);
    for (wchar_t &c : flat)
      if (c == L'\r' || c == L'\n') c = L' ';
    Answer(("messagebox " + Utf8(flat)).c_str());
  } else if (v == "dismissbox") {
    HWND box = FindWindowW(L"#32770", L"Quillmere");
    Answer(box && PostMessageW(box, WM_COMMAND, IDOK, 0) ? "dismissed" : "none");
  } else if (v == "minimizeprogram") {
    HWND p = FindWindowW(kMainWindowClassName, nullptr);
    if (!p) return Answer("error no program window");
    ShowWindow(p, SW_MINIMIZE);
    Answer(IsIconic(p) ? "minimized" : "error not minimized");
  } else if (v == "programstate") {
    HWND p = FindWindowW(kMainWindowClassName, nullptr);
    if (!p) return Answer("error no program window");
    char line[64];
    std::snprintf(line, sizeof line, "iconic %d foreground %d", IsIconic(p) ? 1 : 0,
                  GetForegroundWindow() == p ? 1 : 0);
    Answer(line);
  } else if (v == "quit") {
    Answer("bye");
    if (dialogWindow) DestroyWindow(dialogWindow);
    DestroyWindow(mainWindow);
  } else {
    Answer("error unknown command");
  }
}

// Runs the complete lines added to the command file since the last poll.
void Poll() {
  FILE *in = std::fopen(commandFile.c_str(), "rb");
  if (!in) return;
  std::fseek(in, commandOffset, SEEK_SET);
  std::string line;
  int c;
  long consumed = commandOffset;
  while ((c = std::fgetc(in)) != EOF) {
    ++consumed;
    if (c == '\n') {
      commandOffset = consumed;
      ++commandNumber;
      Execute(line);
      line.clear();
      if (!mainWindow) break;
    } else if (c != '\r') {
      line += static_cast<char>(c);
    }
  }
  std::fclose(in);
}

LRESULT CALLBACK MainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_TIMER:
      Poll();
      return 0;
    case WM_DESTROY:
      mainWindow = nullptr;
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

LRESULT CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DESTROY && window == dialogWindow) dialogWindow = nullptr;
  return DefWindowProcW(window, message, wParam, lParam);
}

bool RegisterClasses(HINSTANCE instance) {
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = MainProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  wc.lpszClassName = kMainClass;
  if (!RegisterClassExW(&wc)) return false;
  wc.lpfnWndProc = DialogProc;
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kDialogClass;
  return RegisterClassExW(&wc) != 0;
}

std::string Narrow(const wchar_t *text) {
  std::string s;
  for (; *text; ++text) s += static_cast<char>(*text < 128 ? *text : '?');
  return s;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  int argc = 0;
  wchar_t **argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (!argv || argc != 7) return 2;
  std::string name = Narrow(argv[1]);
  commandFile = name + ".cmd";
  outputFile = name + ".out";
  int l = _wtoi(argv[3]), t = _wtoi(argv[4]), r = _wtoi(argv[5]), b = _wtoi(argv[6]);
  if (!RegisterClasses(instance)) return 3;
  mainWindow = CreateWindowExW(0, kMainClass, argv[2], WS_OVERLAPPEDWINDOW, l, t, r - l, b - t, nullptr, nullptr,
                               instance, nullptr);
  LocalFree(argv);
  if (!mainWindow) return 3;
  ShowWindow(mainWindow, SW_SHOWNORMAL);
  UpdateWindow(mainWindow);
  SetTimer(mainWindow, 1, 30, nullptr);
  commandNumber = 0;
  Answer("ready");
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return static_cast<int>(msg.wParam);
}
