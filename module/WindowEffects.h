// The window effects behind the script module: rolling a window up to its
// caption bar and down again, translucency, and top-most. Each keeps what
// it needs to undo itself in the effects' part of the window's record, and
// whether it holds the window changed; the same is tagged on the window
// itself (see EffectTags.h), so that a later run can undo what a killed
// one left. A window that cannot be tagged is not changed. Each call on a
// window is one step (WindowStep): what undoing needs is read, tagged and
// the window changed before another thread's call on that window begins.
#ifndef QUILLMERE_MODULE_WINDOWEFFECTS_H
#define QUILLMERE_MODULE_WINDOWEFFECTS_H

#include <windows.h>

#include "module/EffectTags.h"
#include "shade/WindowRecord.h"

class ShadeManager;

// What became of an effect call.
enum class EffectOutcome {
  Done,      // the window is as asked, or there was nothing to do
  Refused,   // the program is giving the windows back (see EffectGate.h)
  Untagged,  // the window could not carry what undoing needs: left unchanged
};

// Shading saves the window's rectangle and style, sizes it to caption
// height at the same position and width, and takes its sizing frame away;
// a window already held rolled up is left as it is. Unshading a window held
// rolled up gives back the saved width and height at the current position
// and puts the sizing frame back if it had one; every other style bit stays
// as the window's application has set it meanwhile. Unshading a window not
// held does nothing. A window without a record (an empty pointer: a handle
// the script made up, a child window) is left alone: without a record
// there is nowhere to keep what unshading needs.
EffectOutcome ApplyShade(const WindowRecordPtr &record, HWND window, bool shade);

// Makes the window translucent (alpha 128), adding the layered style if it
// lacks it, or opaque again: without the layered style if making it
// translucent added it, else with the layered attributes its application
// had set (a colour key stays on while it is translucent), or at alpha 255
// when they could not be read. A window already held translucent saves
// nothing again; cancelling for a window not held does nothing. A window
// without a record is left alone.
EffectOutcome ApplyTransparency(const WindowRecordPtr &record, HWND window, bool on);

// Places the window above all non-top-most windows, or takes that away.
// Works on any window; the effects hold it top-most (in its record when it
// has one, and by its tag) only when they made it so, so that a window
// that was top-most already stays top-most when the program gives back.
EffectOutcome ApplyTopmost(const WindowRecordPtr &record, HWND window, bool topmost);

// Gives back size, frame, layering and top-most placement to every window
// of the manager that the effects still hold changed, without activating
// it.
void GiveBackHeldWindows(ShadeManager &manager);

// Undo steps shared with the recovery of tagged windows: back to the
// height (keeping position and width), and the sizing frame if it had one;
// opaque again, as the window was layered before; not top-most.
void RollDown(HWND window, LONG width, LONG height, bool restoreFrame, bool activate);
void MakeOpaque(HWND window, const TranslucencyTag &before);
void DropTopmost(HWND window);

#endif
