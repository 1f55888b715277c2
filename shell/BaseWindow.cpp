#include "shell/BaseWindow.h"

#include "shell/WindowRegistry.h"

BaseWindow::BaseWindow(HINSTANCE instance) : instance(instance), window(nullptr) {}

BaseWindow::~BaseWindow() {}

bool BaseWindow::Create(const std::wstring &title) {
  window = CreateWindowExW(0, className.c_str(), title.c_str(), WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, 0,
                           CW_USEDEFAULT, 0, nullptr, nullptr, instance, nullptr);
  if (!window) return false;
  WindowRegistry::Add(window, this);
  return true;
}

LRESULT BaseWindow::WindowProc(HWND h, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcW(h, message, wParam, lParam);
}

int BaseWindow::MessageLoop() {
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return static_cast<int>(msg.wParam);
}

LRESULT CALLBACK StaticWindowProc(HWND h, UINT message, WPARAM wParam, LPARAM lParam) {
  // Messages sent while CreateWindowExW still runs find no entry yet and
  // get the default handling.
  BaseWindow *object = WindowRegistry::Find(h);
  if (!object) return DefWindowProcW(h, message, wParam, lParam);
  return object->WindowProc(h, message, wParam, lParam);
}
