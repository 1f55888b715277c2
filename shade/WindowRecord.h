// What the program keeps for one managed window. The manager's operations
// own `shaded` and `busy`; the window effects the script calls own
// `effects`, and nothing else writes it.
#ifndef QUILLMERE_SHADE_WINDOWRECORD_H
#define QUILLMERE_SHADE_WINDOWRECORD_H

#include <windows.h>

#include <boost/shared_ptr.hpp>

// What the window effects hold changed on a window, and what undoing each
// needs.
struct HeldEffects {
  RECT savedRect{0, 0, 0, 0};  // rectangle before rolling up (screen)
  DWORD savedStyle = 0;        // style word before rolling up; its sizing frame comes back
  bool wasLayered = false;     // had WS_EX_LAYERED before turning translucent
  // The layered attributes its application had set (wasLayered, and
  // GetLayeredWindowAttributes could read them): they come back when it
  // turns opaque again.
  bool savedAttributes = false;
  COLORREF savedKey = 0;
  BYTE savedAlpha = 255;
  DWORD savedLayeredFlags = 0;
  // The effects hold the window rolled up / translucent / top-most:
  // savedRect and savedStyle, or the layered fields, hold what undoing
  // needs. Top-most is held only when the effects made it so.
  bool shadeHeld = false;
  bool translucencyHeld = false;
  bool topmostHeld = false;
};

struct WindowRecord {
  bool shaded = false;  // the window counts as rolled up
  bool busy = false;    // its shade or unshade handlers are running
  HeldEffects effects;
};

typedef boost::shared_ptr<WindowRecord> WindowRecordPtr;

#endif
