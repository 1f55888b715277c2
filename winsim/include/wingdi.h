/* Graphics services (gdi32) of winsim: device contexts, device capabilities
 * and fonts, kept as records so that callers and tests can read them back. */
#ifndef WINSIM_WINGDI_H
#define WINSIM_WINGDI_H

#include <windef.h>

#define WINGDIAPI WINSIM_EXTERN_C __attribute__((visibility("default")))

#define LOGPIXELSX 88
#define LOGPIXELSY 90
#define HORZRES 8
#define VERTRES 10
#define BITSPIXEL 12

#define FW_DONTCARE 0
#define FW_NORMAL 400
#define FW_BOLD 700

#define ANSI_CHARSET 0
#define DEFAULT_CHARSET 1
#define SHIFTJIS_CHARSET 128
#define OUT_DEFAULT_PRECIS 0
#define CLIP_DEFAULT_PRECIS 0
#define DEFAULT_QUALITY 0
#define DEFAULT_PITCH 0
#define FF_DONTCARE 0

#define LF_FACESIZE 32

typedef struct tagLOGFONTW {
  LONG lfHeight;
  LONG lfWidth;
  LONG lfEscapement;
  LONG lfOrientation;
  LONG lfWeight;
  BYTE lfItalic;
  BYTE lfUnderline;
  BYTE lfStrikeOut;
  BYTE lfCharSet;
  BYTE lfOutPrecision;
  BYTE lfClipPrecision;
  BYTE lfQuality;
  BYTE lfPitchAndFamily;
  WCHAR lfFaceName[LF_FACESIZE];
} LOGFONTW, *PLOGFONTW, *LPLOGFONTW;

WINGDIAPI int WINAPI GetDeviceCaps(HDC dc, int index);
WINGDIAPI HFONT WINAPI CreateFontW(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                                   DWORD underline, DWORD strikeOut, DWORD charSet, DWORD outPrecision,
                                   DWORD clipPrecision, DWORD quality, DWORD pitchAndFamily, LPCWSTR faceName);
WINGDIAPI HFONT WINAPI CreateFontIndirectW(const LOGFONTW *font);
WINGDIAPI int WINAPI GetObjectW(HGDIOBJ object, int size, LPVOID buffer);
WINGDIAPI BOOL WINAPI DeleteObject(HGDIOBJ object);

#endif
