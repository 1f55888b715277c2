// The default window procedure.
#include "desktop.h"

#include <algorithm>

using namespace winsim;

namespace {

void ApplyTrackingLimits(HWND window, WINDOWPOS &pos) {
  DWORD style;
  POINT minTrack;
  {
    Lock lock(Mutex());
    auto w = FindLocked(window);
    if (!w) return;
    style = w->style;
    minTrack = DefaultMinTrackSizeLocked(*w);
  }
  // Sizable windows and overlapped top-level windows keep to the minimum
  // and maximum tracking size; minimised ones are parked, not sized.
  if ((pos.flags & SWP_NOSIZE) || (style & WS_MINIMIZE)) return;
  if (!(style & WS_THICKFRAME) && (style & (WS_POPUP | WS_CHILD))) return;
  MINMAXINFO info{};
  info.ptMaxSize = {GetSystemMetrics(SM_CXMAXIMIZED), GetSystemMetrics(SM_CYMAXIMIZED)};
  info.ptMinTrackSize = minTrack;
  info.ptMaxTrackSize = {GetSystemMetrics(SM_CXMAXTRACK), GetSystemMetrics(SM_CYMAXTRACK)};
  SystemSend(window, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
  pos.cx = std::clamp<int>(pos.cx, info.ptMinTrackSize.x, std::max(info.ptMinTrackSize.x, info.ptMaxTrackSize.x));
  pos.cy = std::clamp<int>(pos.cy, info.ptMinTrackSize.y, std::max(info.ptMinTrackSize.y, info.ptMaxTrackSize.y));
}

void ReportPositionChange(HWND window, const WINDOWPOS &pos) {
  RECT rect{}, client{};
  DWORD style = 0;
  {
    Lock lock(Mutex());
    auto w = FindLocked(window);
    if (!w) return;
    rect = w->rect;
    client = ClientRectLocked(*w);
    style = w->style;
  }
  if (!(pos.flags & SWP_NOMOVE))
    SystemSend(window, WM_MOVE, 0, MAKELPARAM(rect.left + client.left, rect.top + client.top));
  if (!(pos.flags & SWP_NOSIZE) || (pos.flags & SWP_FRAMECHANGED)) {
    WPARAM type = (style & WS_MINIMIZE) ? SIZE_MINIMIZED : (style & WS_MAXIMIZE) ? SIZE_MAXIMIZED : SIZE_RESTORED;
    SystemSend(window, WM_SIZE, type, MAKELPARAM(client.right - client.left, client.bottom - client.top));
  }
}

}  // namespace

LRESULT WINAPI DefWindowProcW(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto w = Find(window);
  if (!w) return 0;
  switch (message) {
    case WM_NCCREATE: {
      auto *cs = reinterpret_cast<CREATESTRUCTW *>(lParam);
      if (cs && cs->lpszName && !IS_INTRESOURCE(cs->lpszName)) {
        Lock lock(Mutex());
        w->text = cs->lpszName;
      }
      return TRUE;
    }
    case WM_SETTEXT: {
      Lock lock(Mutex());
      auto *text = reinterpret_cast<LPCWSTR>(lParam);
      w->text = text ? text : L"";
      return TRUE;
    }
    case WM_GETTEXT: {
      auto *buffer = reinterpret_cast<LPWSTR>(lParam);
      if (!buffer || wParam == 0) return 0;
      Lock lock(Mutex());
      size_t n = std::min(w->text.size(), static_cast<size_t>(wParam - 1));
      std::copy_n(w->text.data(), n, buffer);
      buffer[n] = L'\0';
      return static_cast<LRESULT>(n);
    }
    case WM_GETTEXTLENGTH: {
      Lock lock(Mutex());
      return static_cast<LRESULT>(w->text.size());
    }
    case WM_CLOSE:
      DestroyWindow(window);
      return 0;
    case WM_SYSCOMMAND:
      switch (wParam & 0xFFF0) {
        case SC_CLOSE:
          SystemSend(window, WM_CLOSE, 0, 0);
          break;
        case SC_MINIMIZE:
          ShowWindow(window, SW_MINIMIZE);
          break;
        case SC_MAXIMIZE:
          ShowWindow(window, SW_SHOWMAXIMIZED);
          break;
        case SC_RESTORE:
          ShowWindow(window, SW_RESTORE);
          break;
        default:
          break;
      }
      return 0;
    case WM_WINDOWPOSCHANGING:
      ApplyTrackingLimits(window, *reinterpret_cast<WINDOWPOS *>(lParam));
      return 0;
    case WM_WINDOWPOSCHANGED:
      ReportPositionChange(window, *reinterpret_cast<const WINDOWPOS *>(lParam));
      return 0;
    case WM_ACTIVATE:
      // An activated window that is not minimised takes the keyboard focus.
      if (LOWORD(wParam) != WA_INACTIVE && !HIWORD(wParam)) SetFocus(window);
      return 0;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      BeginPaint(window, &ps);
      EndPaint(window, &ps);
      return 0;
    }
    case WM_ERASEBKGND:
    case WM_NCACTIVATE:
      return TRUE;
    case WM_MOUSEACTIVATE:
      return 1;  // MA_ACTIVATE
    default:
      return 0;
  }
}
