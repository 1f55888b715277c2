// What undoing a window effect needs, kept on the changed window itself as
// window properties, so that it survives the program: the height before
// rolling up, whether the sizing frame was taken away, whether the window
// was layered before it was made translucent and with which attributes,
// and whether the effects made it top-most.
#ifndef QUILLMERE_MODULE_EFFECTTAGS_H
#define QUILLMERE_MODULE_EFFECTTAGS_H

#include <windows.h>

struct ShadeTag {
  LONG height = 0;        // the window's height before it was rolled up
  bool hadFrame = false;  // it had WS_THICKFRAME, which rolling up took away
};

struct TranslucencyTag {
  bool wasLayered = false;  // it had WS_EX_LAYERED before it turned translucent
  // Its own layered attributes, when it was layered and they could be read.
  bool hasAttributes = false;
  COLORREF key = 0;
  BYTE alpha = 255;
  DWORD flags = 0;  // LWA_ALPHA and LWA_COLORKEY only
};

// Each writer writes all of its properties or none: when the platform
// refuses one (a stale window, or a full global atom table, which names
// the properties) it removes what it wrote and returns false. The readers
// return false for a window without the tag.
bool WriteShadeTag(HWND window, const ShadeTag &tag);
bool ReadShadeTag(HWND window, ShadeTag &tag);
void RemoveShadeTag(HWND window);

bool WriteTranslucencyTag(HWND window, const TranslucencyTag &tag);
bool ReadTranslucencyTag(HWND window, TranslucencyTag &tag);
void RemoveTranslucencyTag(HWND window);

bool WriteTopmostTag(HWND window);
bool ReadTopmostTag(HWND window);
void RemoveTopmostTag(HWND window);

#endif
