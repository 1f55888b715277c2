// The kinds of window messages the hook library forwards to the program:
// exactly the ones the program's event table (shade/WindowEvents.cpp) has a
// row for. The hook procedure picks them with IsForwardedEvent; the table
// drops any other kind with the same test and is checked against this list
// when it is compiled, so the two cannot drift apart.
#ifndef QUILLMERE_HOOK_FORWARDEDEVENTS_H
#define QUILLMERE_HOOK_FORWARDEDEVENTS_H

#include <windows.h>

// A window shown or hidden, destroyed, given or losing the keyboard focus.
constexpr UINT kForwardedEvents[] = {WM_SHOWWINDOW, WM_DESTROY, WM_SETFOCUS, WM_KILLFOCUS};

constexpr bool IsForwardedEvent(UINT message) {
  for (UINT kind : kForwardedEvents)
    if (kind == message) return true;
  return false;
}

#endif
