#include "shell/BaseWindow.h"

#include "shell/WindowRegistry.h"

BaseWindow::BaseWindow(HINSTANCE instance) : instance(instance), window(nullptr) {}

BaseWindow::~BaseWindow() {
  if (window) WindowRegistry::Remove(window);
}

bool BaseWindow::Create(const std::wstring &title) {
  // The window procedure binds the window to this object at WM_NCCREATE.
  return CreateWindowExW(0, className.c_str(), title.c_str(), WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, 0, CW_USEDEFAULT, 0,
                         nullptr, nullptr, instance, this) != nullptr;
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
  if (message == WM_NCCREATE) {
    // The object came with CreateWindowExW's last argument.
    auto *object = static_cast<BaseWindow *>(reinterpret_cast<CREATESTRUCTW *>(lParam)->lpCreateParams);
    if (object) {
      object->window = h;
      WindowRegistry::Add(h, object);
    }
  }
  // Messages before WM_NCCREATE (WM_GETMINMAXINFO, for one) and after
  // WM_NCDESTROY find no object and get the default handling.
  BaseWindow *object = WindowRegistry::Find(h);
  if (!object) return DefWindowProcW(h, message, wParam, lParam);
  LRESULT result = object->WindowProc(h, message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    WindowRegistry::Remove(h);
    object->window = nullptr;
  }
  return result;
}
