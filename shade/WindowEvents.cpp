// The event table: one row per kind of window message the hook library
// forwards (hook/ForwardedEvents.h), read top to bottom. The first row
// whose kind matches and whose action takes the event ends it; a kind that
// no row names does nothing.
//
// A window's root owner (GA_ROOTOWNER) is found once per event: it tells
// the program's own windows, and a focus change between two windows of the
// same root owner (a dialog and its owner) from one to another program's
// window. Shown and destroyed windows are managed by their root window
// (GA_ROOT): an owned window is its own root and is never managed.
#include "shade/WindowEvents.h"

#include <cstddef>

#include "hook/ForwardedEvents.h"
#include "shade/ShadeManager.h"

namespace {

// One event as the rows see it.
struct WindowEvent {
  UINT kind;
  HWND window;
  WPARAM wParam;
  HWND rootOwner;      // of window; null when it is gone
  HWND programWindow;  // the program's main window
  EventTime time;
};

// Returns true when the event ends at this row.
typedef bool (*EventAction)(ShadeManager &manager, const WindowEvent &event);

// Matches a row for every kind.
constexpr UINT kEveryKind = 0;

struct EventRow {
  UINT kind;
  EventAction action;
};

// The program's own window and the windows it owns: any process can post
// an event that names them, and the program manages none of them.
bool DropProgramWindow(ShadeManager &, const WindowEvent &event) {
  return event.programWindow && (event.window == event.programWindow || event.rootOwner == event.programWindow);
}

// A focus change queued before the start ended happened before the script
// had been offered the windows, which it took as they were then: acting on
// it now would roll a window up or down for no present reason. The queue
// time is a 32-bit tick count, which wraps every 49.7 days; it is placed on
// the 64-bit count by its distance from now. A change queued in the very
// tick the start ended counts as queued before: it may have been.
bool DropFocusQueuedDuringStart(ShadeManager &, const WindowEvent &event) {
  if (event.kind != WM_SETFOCUS && event.kind != WM_KILLFOCUS) return false;
  if (event.time.startEnded == kStartNotEnded) return true;
  const ULONGLONG now = GetTickCount64();
  const ULONGLONG queued = now - static_cast<DWORD>(static_cast<DWORD>(now) - event.time.queued);
  return queued <= event.time.startEnded;
}

// Offered to the script's onAdd, unless managed already.
bool Shown(ShadeManager &manager, const WindowEvent &event) {
  manager.AddWindow(GetAncestor(event.window, GA_ROOT));
  return true;
}

// Destroy events are handled after the fact, when the window is usually
// gone and its root no longer resolves. A top-level window is its own
// root, so the event's own handle then finds its record; a destroyed child
// window's handle finds none.
bool Destroyed(ShadeManager &manager, const WindowEvent &event) {
  HWND root = GetAncestor(event.window, GA_ROOT);
  manager.RemoveWindow(root ? root : event.window);
  return true;
}

// The focus moved between the window and another (wParam) of another root
// owner: the window's root owner comes back (gained) or rolls up (lost).
// A paused manager acts on no focus change: the event ends here.
bool FocusMoved(ShadeManager &manager, const WindowEvent &event, bool lost) {
  if (manager.Paused()) return true;
  HWND other = reinterpret_cast<HWND>(event.wParam);
  if (GetAncestor(other, GA_ROOTOWNER) != event.rootOwner) manager.RequestShade(event.rootOwner, lost);
  return true;
}

// wParam: the window that lost the focus.
bool FocusGained(ShadeManager &manager, const WindowEvent &event) { return FocusMoved(manager, event, false); }
// wParam: the window that receives the focus.
bool FocusLost(ShadeManager &manager, const WindowEvent &event) { return FocusMoved(manager, event, true); }

constexpr EventRow kEventTable[] = {
    {kEveryKind, DropProgramWindow}, {kEveryKind, DropFocusQueuedDuringStart},
    {WM_SHOWWINDOW, Shown},          {WM_DESTROY, Destroyed},
    {WM_SETFOCUS, FocusGained},      {WM_KILLFOCUS, FocusLost},
};

// Every forwarded kind has exactly one row of its own, and no row names a
// kind the hook library does not forward.
constexpr bool TableMatchesForwardedKinds() {
  std::size_t kindRows = 0;
  for (const EventRow &row : kEventTable) {
    if (row.kind == kEveryKind) continue;
    if (!IsForwardedEvent(row.kind)) return false;
    ++kindRows;
  }
  for (UINT kind : kForwardedEvents) {
    std::size_t rows = 0;
    for (const EventRow &row : kEventTable) rows += row.kind == kind;
    if (rows != 1) return false;
  }
  return kindRows == sizeof kForwardedEvents / sizeof kForwardedEvents[0];
}
static_assert(TableMatchesForwardedKinds(), "the event table and the hook's forwarded kinds disagree");

}  // namespace

void HandleWindowEvent(ShadeManager &manager, HWND programWindow, UINT kind, HWND window, WPARAM wParam,
                       const EventTime &time) {
  if (!IsForwardedEvent(kind)) return;
  const WindowEvent event{kind, window, wParam, GetAncestor(window, GA_ROOTOWNER), programWindow, time};
  for (const EventRow &row : kEventTable)
    if ((row.kind == kEveryKind || row.kind == event.kind) && row.action(manager, event)) return;
}
