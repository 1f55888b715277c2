// The window effects behind the script module: rolling a window up to its
// caption bar and down again, and translucency. Each keeps what it needs to
// undo itself in the window's record in the shade manager.
#ifndef QUILLMERE_SCRIPT_WINDOWEFFECTS_H
#define QUILLMERE_SCRIPT_WINDOWEFFECTS_H

#include <windows.h>

class ShadeManager;

// Shading saves the window's rectangle, sizes it to caption height at the
// same position and width, and takes its sizing frame away; unshading
// gives back the saved width and height at the current position and the
// whole saved style. A window without a record in the manager (a handle
// the script made up, a child window) is left alone: without a record
// there is nowhere to keep what unshading needs.
void ApplyShade(ShadeManager *manager, HWND window, bool shade);

// Makes the window translucent (alpha 128), adding the layered style if it
// lacks it, or opaque again (alpha 255), removing the layered style unless
// the window had it before. A window without a record is left alone.
void ApplyTransparency(ShadeManager *manager, HWND window, bool on);

// Places the window above all non-top-most windows, or takes that away.
// Needs no record and works on any window.
void ApplyTopmost(HWND window, bool topmost);

#endif
