// The predefined STATIC and BUTTON controls, as far as dialog boxes and
// message boxes use them.
#include "desktop.h"

using namespace winsim;

namespace winsim {

LRESULT CALLBACK StaticWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto w = Find(window);
  if (!w) return 0;
  switch (message) {
    case WM_NCCREATE: {
      auto *cs = reinterpret_cast<CREATESTRUCTW *>(lParam);
      if ((cs->style & 0x1F) == SS_ICON) {
        // An icon control's text names the icon resource.
        HICON icon = cs->lpszName ? LoadIconW(cs->hInstance, cs->lpszName) : nullptr;
        Lock lock(Mutex());
        w->icon = icon;
        return TRUE;
      }
      return DefWindowProcW(window, message, wParam, lParam);
    }
    case STM_SETICON: {
      Lock lock(Mutex());
      HICON old = w->icon;
      w->icon = reinterpret_cast<HICON>(wParam);
      return reinterpret_cast<LRESULT>(old);
    }
    case STM_GETICON: {
      Lock lock(Mutex());
      return reinterpret_cast<LRESULT>(w->icon);
    }
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

LRESULT CALLBACK ButtonWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case BM_CLICK: {
      // A click notifies the parent, which a dialog box turns into its command.
      HWND parent = GetParent(window);
      if (parent)
        SendMessageW(parent, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(window), BN_CLICKED),
                     reinterpret_cast<LPARAM>(window));
      return 0;
    }
    case WM_GETDLGCODE: {
      LONG style = GetWindowLongW(window, GWL_STYLE);
      return 0x2000 | ((style & 0xF) == BS_DEFPUSHBUTTON ? 0x0010 : 0x0020);
    }
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

}  // namespace winsim
