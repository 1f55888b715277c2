// The predefined EDIT control: its text, font and read-only state.
#include "desktop.h"

#include <algorithm>

using namespace winsim;

namespace winsim {

LRESULT CALLBACK EditWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto w = Find(window);
  if (!w) return 0;
  switch (message) {
    case WM_SETFONT: {
      Lock lock(Mutex());
      w->font = reinterpret_cast<HFONT>(wParam);
      if (LOWORD(lParam)) w->needsPaint = true;
      return 0;
    }
    case WM_GETFONT: {
      Lock lock(Mutex());
      return reinterpret_cast<LRESULT>(w->font);
    }
    case WM_CHAR: {
      Lock lock(Mutex());
      if (w->style & ES_READONLY) return 0;  // a read-only control takes no typing
      if (wParam == VK_BACK) {
        if (!w->text.empty()) w->text.pop_back();
      } else if (wParam == VK_RETURN) {
        if (w->style & ES_MULTILINE) w->text += L"\r\n";
      } else if (wParam >= 0x20) {
        w->text += static_cast<wchar_t>(wParam);
      }
      w->needsPaint = true;
      return 0;
    }
    case EM_SETREADONLY: {
      Lock lock(Mutex());
      if (wParam)
        w->style |= ES_READONLY;
      else
        w->style &= ~ES_READONLY;
      return TRUE;
    }
    case EM_GETLINECOUNT: {
      Lock lock(Mutex());
      if (!(w->style & ES_MULTILINE)) return 1;
      return 1 + std::count(w->text.begin(), w->text.end(), L'\n');
    }
    case WM_SETTEXT: {
      LRESULT result = DefWindowProcW(window, message, wParam, lParam);
      InvalidateRect(window, nullptr, TRUE);
      return result;
    }
    case WM_GETDLGCODE:
      return 0x0001 | 0x0002 | 0x0080;  // DLGC_WANTARROWS | DLGC_WANTTAB | DLGC_WANTCHARS
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

}  // namespace winsim
