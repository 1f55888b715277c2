// A window made and served by an object: the class registers one window
// procedure, StaticWindowProc, which finds the object for a window handle
// in WindowRegistry and hands the message to its WindowProc. The object is
// bound when the window receives WM_NCCREATE, so it sees every message
// from there on (WM_CREATE included), and unbound after WM_NCDESTROY.
#ifndef QUILLMERE_SHELL_BASEWINDOW_H
#define QUILLMERE_SHELL_BASEWINDOW_H

#include <windows.h>

#include <string>

class BaseWindow {
 public:
  explicit BaseWindow(HINSTANCE instance);
  // The window is not destroyed here; one still there is unbound, so that
  // its later messages get the default handling.
  virtual ~BaseWindow();

  BaseWindow(const BaseWindow &) = delete;
  BaseWindow &operator=(const BaseWindow &) = delete;

  // Each derived class registers its own window class.
  virtual void RegisterWindowClass() = 0;
  // Creates the top-level window, bound to this object.
  virtual bool Create(const std::wstring &title);
  // WM_DESTROY posts the quit message; everything else goes to DefWindowProcW.
  virtual LRESULT WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  // Runs the thread's message loop until the quit message; returns its code.
  virtual int MessageLoop();

  HWND GetWindow() const { return window; }

 protected:
  friend LRESULT CALLBACK StaticWindowProc(HWND, UINT, WPARAM, LPARAM);

  HINSTANCE instance;
  HWND window;
  std::wstring className;
};

// The window procedure of every BaseWindow class.
LRESULT CALLBACK StaticWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

#endif
