// What undoing a window effect needs, kept on the changed window itself as
// window properties, so that it survives the program: the height before
// rolling up, whether the sizing frame was taken away, and whether the
// window was layered before it was made translucent.
#ifndef QUILLMERE_MODULE_EFFECTTAGS_H
#define QUILLMERE_MODULE_EFFECTTAGS_H

#include <windows.h>

struct ShadeTag {
  LONG height = 0;         // the window's height before it was rolled up
  bool hadFrame = false;   // it had WS_THICKFRAME, which rolling up took away
};

struct TranslucencyTag {
  bool wasLayered = false;  // it had WS_EX_LAYERED before it turned translucent
};

// Each writer returns false when the platform refused a property (a stale
// window); the readers return false for a window without the tag.
bool WriteShadeTag(HWND window, const ShadeTag &tag);
bool ReadShadeTag(HWND window, ShadeTag &tag);
void RemoveShadeTag(HWND window);

bool WriteTranslucencyTag(HWND window, const TranslucencyTag &tag);
bool ReadTranslucencyTag(HWND window, TranslucencyTag &tag);
void RemoveTranslucencyTag(HWND window);

#endif
