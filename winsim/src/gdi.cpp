// Graphics: device contexts, device capabilities and fonts. Nothing is
// drawn; what callers create is recorded so that it can be read back.
#include "desktop.h"

#include <algorithm>
#include <cstring>

using namespace winsim;

HDC WINAPI GetDC(HWND window) {
  Lock lock(Mutex());
  Desktop &d = D();
  if (window && !FindLocked(window)) return FailWith<HDC>(ERROR_INVALID_WINDOW_HANDLE, nullptr);
  HDC dc = reinterpret_cast<HDC>(NewHandleValue(d));
  d.deviceContexts[dc] = window;
  return dc;
}

int WINAPI ReleaseDC(HWND /*window*/, HDC dc) {
  Lock lock(Mutex());
  return D().deviceContexts.erase(dc) ? 1 : 0;
}

int WINAPI GetDeviceCaps(HDC dc, int index) {
  Lock lock(Mutex());
  Desktop &d = D();
  if (!d.deviceContexts.count(dc)) return 0;
  switch (index) {
    case LOGPIXELSX:
    case LOGPIXELSY:
      return d.dpi;
    case HORZRES:
      return d.metrics[SM_CXSCREEN];
    case VERTRES:
      return d.metrics[SM_CYSCREEN];
    case BITSPIXEL:
      return 32;
    default:
      return 0;
  }
}

HFONT WINAPI CreateFontIndirectW(const LOGFONTW *font) {
  if (!font) return FailWith<HFONT>(ERROR_INVALID_PARAMETER, nullptr);
  Lock lock(Mutex());
  Desktop &d = D();
  HFONT h = reinterpret_cast<HFONT>(NewHandleValue(d));
  d.fonts[h].logFont = *font;
  return h;
}

HFONT WINAPI CreateFontW(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                         DWORD underline, DWORD strikeOut, DWORD charSet, DWORD outPrecision, DWORD clipPrecision,
                         DWORD quality, DWORD pitchAndFamily, LPCWSTR faceName) {
  LOGFONTW f{};
  f.lfHeight = height;
  f.lfWidth = width;
  f.lfEscapement = escapement;
  f.lfOrientation = orientation;
  f.lfWeight = weight;
  f.lfItalic = static_cast<BYTE>(italic);
  f.lfUnderline = static_cast<BYTE>(underline);
  f.lfStrikeOut = static_cast<BYTE>(strikeOut);
  f.lfCharSet = static_cast<BYTE>(charSet);
  f.lfOutPrecision = static_cast<BYTE>(outPrecision);
  f.lfClipPrecision = static_cast<BYTE>(clipPrecision);
  f.lfQuality = static_cast<BYTE>(quality);
  f.lfPitchAndFamily = static_cast<BYTE>(pitchAndFamily);
  if (faceName) {
    size_t n = std::min(wcslen(faceName), static_cast<size_t>(LF_FACESIZE - 1));
    std::copy_n(faceName, n, f.lfFaceName);
  }
  return CreateFontIndirectW(&f);
}

int WINAPI GetObjectW(HGDIOBJ object, int size, LPVOID buffer) {
  Lock lock(Mutex());
  auto it = D().fonts.find(static_cast<HFONT>(object));
  if (it == D().fonts.end()) return 0;
  if (!buffer) return sizeof(LOGFONTW);
  int n = std::min<int>(size, sizeof(LOGFONTW));
  std::memcpy(buffer, &it->second.logFont, static_cast<size_t>(n));
  return n;
}

BOOL WINAPI DeleteObject(HGDIOBJ object) {
  Lock lock(Mutex());
  return D().fonts.erase(static_cast<HFONT>(object)) ? TRUE : FALSE;
}

HDC WINAPI BeginPaint(HWND window, LPPAINTSTRUCT paint) {
  if (!paint) return nullptr;
  RECT client;
  {
    Lock lock(Mutex());
    auto w = FindLocked(window);
    if (!w) return FailWith<HDC>(ERROR_INVALID_WINDOW_HANDLE, nullptr);
    w->needsPaint = false;  // the update region is validated
    RECT c = ClientRectLocked(*w);
    client = RECT{0, 0, c.right - c.left, c.bottom - c.top};
  }
  *paint = PAINTSTRUCT{};
  paint->hdc = GetDC(window);
  paint->rcPaint = client;
  return paint->hdc;
}

BOOL WINAPI EndPaint(HWND window, const PAINTSTRUCT *paint) {
  if (!paint) return FALSE;
  ReleaseDC(window, paint->hdc);
  return TRUE;
}
