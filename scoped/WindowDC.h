// The device context of a window's client area, taken with GetDC and
// released when the object goes.
#ifndef QUILLMERE_SCOPED_WINDOWDC_H
#define QUILLMERE_SCOPED_WINDOWDC_H

#include <windows.h>

class WindowDC {
 public:
  explicit WindowDC(HWND window) : window(window), dc(GetDC(window)) {}
  ~WindowDC() {
    if (dc) ReleaseDC(window, dc);
  }

  WindowDC(const WindowDC &) = delete;
  WindowDC &operator=(const WindowDC &) = delete;

  HDC get() const { return dc; }

 private:
  HWND window;
  HDC dc;
};

#endif
