// What each kind of forwarded window event does to the managed windows.
// The program's intake hands every event it receives here, once it has
// made sure the event came from a hook library.
#ifndef QUILLMERE_SHADE_WINDOWEVENTS_H
#define QUILLMERE_SHADE_WINDOWEVENTS_H

#include <windows.h>

class ShadeManager;

// When an event was queued, against the end of the program's start.
struct EventTime {
  DWORD queued;          // the forwarded message's time (GetMessageTime: GetTickCount when it was posted)
  ULONGLONG startEnded;  // GetTickCount64 once every window present at start had been offered to the script
};
// The start's end before it has come.
constexpr ULONGLONG kStartNotEnded = ~0ULL;

// Looks up the event's kind in the event table (WindowEvents.cpp) and acts
// on the manager. Events of the program's own window and of the windows it
// owns are dropped, and so is every kind the hook library does not
// forward; so are focus changes queued before the start ended (at or
// before its tick), which happened before the windows were offered to the
// script: the windows were offered as they were then. `kind`, `window` and
// `wParam` are the forwarded message's. Runs without the interpreter lock;
// the manager takes it for each script call.
void HandleWindowEvent(ShadeManager &manager, HWND programWindow, UINT kind, HWND window, WPARAM wParam,
                       const EventTime &time);

#endif
