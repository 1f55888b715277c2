// The baseline of the latency measurement under Wine: an application that
// rolls its own window up to caption height when the window loses the
// keyboard focus, and down again when it gets it back, the way Quillmere's
// window effect does it (rectangle kept, WS_THICKFRAME taken away and given
// back), but at once in its own window procedure, with no hook, no other
// process and no script.
//
//   selfshade.exe TITLE LEFT TOP RIGHT BOTTOM [passive]
//
// "passive" leaves the window alone, as an application for Quillmere to
// roll up.
#include <windows.h>

#include <cwchar>

namespace {

bool rollItself = true;
bool rolledUp = false;
RECT savedRect;
LONG savedStyle = 0;

void Roll(HWND window, bool up) {
  if (up == rolledUp) return;
  rolledUp = up;
  if (up) {
    GetWindowRect(window, &savedRect);
    SetWindowPos(window, nullptr, 0, 0, savedRect.right - savedRect.left, GetSystemMetrics(SM_CYCAPTION),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    savedStyle = GetWindowLongW(window, GWL_STYLE);
    SetWindowLongW(window, GWL_STYLE, savedStyle & ~WS_THICKFRAME);
  } else {
    SetWindowPos(window, nullptr, 0, 0, savedRect.right - savedRect.left, savedRect.bottom - savedRect.top,
                 SWP_NOMOVE | SWP_NOZORDER);
    SetWindowLongW(window, GWL_STYLE, savedStyle);
  }
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_KILLFOCUS:
      // Only when the focus leaves for another application.
      if (rollItself && (!wParam || GetAncestor(reinterpret_cast<HWND>(wParam), GA_ROOTOWNER) != window))
        Roll(window, true);
      break;
    case WM_SETFOCUS:
      if (rollItself) Roll(window, false);
      break;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  int argc = 0;
  wchar_t **argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (!argv || (argc != 6 && argc != 7)) return 2;
  rollItself = argc == 6 || std::wcscmp(argv[6], L"passive") != 0;
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  wc.lpszClassName = L"QuillmereSelfShade";
  if (!RegisterClassExW(&wc)) return 3;
  int l = _wtoi(argv[2]), t = _wtoi(argv[3]), r = _wtoi(argv[4]), b = _wtoi(argv[5]);
  HWND window = CreateWindowExW(0, wc.lpszClassName, argv[1], WS_OVERLAPPEDWINDOW, l, t, r - l, b - t, nullptr, nullptr,
                                instance, nullptr);
  LocalFree(argv);
  if (!window) return 3;
  ShowWindow(window, SW_SHOWNORMAL);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return static_cast<int>(msg.wParam);
}
