#include "FakeProgram.h"

#include <windows.h>
#include <winsim/resources.h>

#include <string>

#include "shell/MainWindowClass.h"
#include "shell/resource.h"

namespace sim_test {

namespace {

// The program's menu, with the program's ids, in English and in Japanese.
std::string FakeResources() {
  auto menu = [](const std::string &file, const std::string &exit, const std::string &help, const std::string &about) {
    return std::to_string(IDC_QUILLMERE) + " MENU\nBEGIN\n    POPUP \"" + file + "\"\n    BEGIN\n        MENUITEM \"" +
           exit + "\", " + std::to_string(IDM_EXIT) + "\n        MENUITEM SEPARATOR\n    END\n    POPUP \"" + help +
           "\"\n    BEGIN\n        MENUITEM \"" + about + "\\tF1\", " + std::to_string(IDM_ABOUT) + "\n    END\nEND\n";
  };
  return "#pragma code_page(65001)\n" + menu("File", "Exit", "Help", "About") +
         "LANGUAGE LANG_JAPANESE, SUBLANG_DEFAULT\n" + menu("ファイル", "終了", "ヘルプ", "情報");
}

int g_exitCode = 0;

LRESULT CALLBACK FakeMainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      if (LOWORD(wParam) == IDM_EXIT) {
        DestroyWindow(window);
      } else if (LOWORD(wParam) == IDM_ABOUT) {
        HWND log = GetDlgItem(window, IDC_LOGVIEW);
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
  winsim::RegisterResourceScript(instance, FakeResources(), {});
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = FakeMainProc;
  wc.hInstance = instance;
  wc.lpszMenuName = MAKEINTRESOURCEW(IDC_QUILLMERE);
  wc.lpszClassName = kMainWindowClassName;
  RegisterClassExW(&wc);
  HWND main = CreateWindowExW(0, kMainWindowClassName, L"Fake", WS_OVERLAPPEDWINDOW, 10, 10, 300, 200, nullptr, nullptr,
                              instance, nullptr);
  if (!main) return 99;
  CreateWindowExW(0, L"EDIT", L"started\r\n", WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_READONLY, 0, 0, 300, 200, main,
                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_LOGVIEW)), instance, nullptr);
  ShowWindow(main, SW_SHOWNORMAL);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  UnregisterClassW(kMainWindowClassName, instance);
  return static_cast<int>(msg.wParam);
}

}  // namespace sim_test
