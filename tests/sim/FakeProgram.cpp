#include "FakeProgram.h"

#include <windows.h>
#include <winsim/resources.h>

#include <string>

namespace sim_test {

namespace {

const char kResources[] = R"(
109 MENU
BEGIN
    POPUP "File"
    BEGIN
        MENUITEM "Exit", 105
    END
    POPUP "Help"
    BEGIN
        MENUITEM "About", 104
    END
END
)";

int g_exitCode = 0;

LRESULT CALLBACK FakeMainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      if (LOWORD(wParam) == 105) {
        DestroyWindow(window);
      } else if (LOWORD(wParam) == 104) {
        HWND log = GetDlgItem(window, 5);
        wchar_t text[256] = L"";
        GetWindowTextW(log, text, 256);
        SetWindowTextW(log, (std::wstring(text) + L"about\r\n").c_str());
      }
      return 0;
    case WM_DESTROY:
      PostQuitMessage(g_exitCode);
      return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

int RunFakeProgram(int exitCode) {
  g_exitCode = exitCode;
  HINSTANCE instance = GetModuleHandleW(nullptr);
  winsim::RegisterResourceScript(instance, kResources, {});
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = FakeMainProc;
  wc.hInstance = instance;
  wc.lpszMenuName = MAKEINTRESOURCEW(109);
  wc.lpszClassName = L"QuillmereMainWindow";
  RegisterClassExW(&wc);
  HWND main = CreateWindowExW(0, L"QuillmereMainWindow", L"Fake", WS_OVERLAPPEDWINDOW, 10, 10, 300, 200, nullptr,
                              nullptr, instance, nullptr);
  if (!main) return 99;
  CreateWindowExW(0, L"EDIT", L"started\r\n", WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_READONLY, 0, 0, 300, 200,
                  main, reinterpret_cast<HMENU>(5), instance, nullptr);
  ShowWindow(main, SW_SHOWNORMAL);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  UnregisterClassW(L"QuillmereMainWindow", instance);
  return static_cast<int>(msg.wParam);
}

}  // namespace sim_test
