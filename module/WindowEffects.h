// The window effects behind the script module: rolling a window up to its
// caption bar and down again, and translucency. Each keeps what it needs to
// undo itself in the window's record in the shade manager, and whether it
// holds the window changed; the same is tagged on the window itself (see
// EffectTags.h), so that a later run can undo what a killed one left.
#ifndef QUILLMERE_MODULE_WINDOWEFFECTS_H
#define QUILLMERE_MODULE_WINDOWEFFECTS_H

#include <windows.h>

#include "shade/ShadeManager.h"

// Shading saves the window's rectangle and style, sizes it to caption
// height at the same position and width, and takes its sizing frame away;
// a window already held rolled up is left as it is. Unshading a window held
// rolled up gives back the saved width and height at the current position
// and puts the sizing frame back if it had one; every other style bit stays
// as the window's application has set it meanwhile. Unshading a window not
// held does nothing. A window without a record (an empty pointer: a handle
// the script made up, a child window) is left alone: without a record
// there is nowhere to keep what unshading needs.
void ApplyShade(const ShadeManager::ShadeStructPtr &record, HWND window, bool shade);

// Makes the window translucent (alpha 128), adding the layered style if it
// lacks it, or opaque again (alpha 255), removing the layered style only if
// making it translucent added it. A window already held translucent saves
// nothing again; cancelling for a window not held does nothing. A window
// without a record is left alone.
void ApplyTransparency(const ShadeManager::ShadeStructPtr &record, HWND window, bool on);

// Gives back size, frame and opacity to every window of the manager that
// the effects still hold rolled up or translucent, without activating it.
void GiveBackHeldWindows(ShadeManager &manager);

// Undo steps shared with the recovery of tagged windows: back to the
// height (keeping position and width), and the sizing frame if it had one;
// opaque again, without the layered style if the effect added it.
void RollDown(HWND window, LONG width, LONG height, bool restoreFrame, bool activate);
void MakeOpaque(HWND window, bool removeLayered);

// Places the window above all non-top-most windows, or takes that away.
// Needs no record and works on any window.
void ApplyTopmost(HWND window, bool topmost);

#endif
