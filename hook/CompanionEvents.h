// How the 32-bit hook library hands a window event to the 64-bit program:
// as a posted message whose number names the kind and whose two parameters
// are plain 32-bit values, the low halves of the event's wParam and of the
// window's handle. Nothing crosses between the two bitnesses but these
// values: no pointer, and no memory written into the other process.
//
// Window handles are 32-bit significant on 64-bit Windows: a 64-bit handle
// is the sign extension of its 32-bit value. The program widens both values
// that way, so a handle with bit 31 set comes back as the handle the
// 64-bit side knows, and a focus event's wParam (the other window's handle)
// with it; a WM_SHOWWINDOW flag (0 or 1) and WM_DESTROY's 0 are unchanged.
#ifndef QUILLMERE_HOOK_COMPANIONEVENTS_H
#define QUILLMERE_HOOK_COMPANIONEVENTS_H

#include <windows.h>

#include <cstddef>

#include "hook/ForwardedEvents.h"

// The first of the messages, one per forwarded kind in kForwardedEvents'
// order; the program's other own messages lie below it.
constexpr UINT kCompanionEventFirst = WM_USER + 16;
constexpr UINT kCompanionEventCount = static_cast<UINT>(sizeof kForwardedEvents / sizeof kForwardedEvents[0]);

constexpr bool IsCompanionEvent(UINT message) {
  return message >= kCompanionEventFirst && message < kCompanionEventFirst + kCompanionEventCount;
}

// The message for a forwarded kind, or 0 for any other kind.
constexpr UINT CompanionEventMessage(UINT kind) {
  for (UINT i = 0; i < kCompanionEventCount; ++i)
    if (kForwardedEvents[i] == kind) return kCompanionEventFirst + i;
  return 0;
}

// The low 32 bits of a handle or parameter, as the 32-bit side holds it.
inline DWORD Narrow(UINT_PTR value) { return static_cast<DWORD>(value); }

// A 32-bit value as the 64-bit side holds it: sign-extended. Only the low
// 32 bits of what arrives count, whatever the system did with the rest.
constexpr UINT_PTR Widen(UINT_PTR value) {
  return static_cast<UINT_PTR>(static_cast<INT_PTR>(static_cast<LONG>(static_cast<DWORD>(value))));
}

// A received companion message, widened into the event it carries.
struct CompanionEvent {
  UINT kind;
  HWND window;
  WPARAM wParam;
};

// The event of a message for which IsCompanionEvent holds.
inline CompanionEvent ReadCompanionEvent(UINT message, WPARAM wParam, LPARAM lParam) {
  return CompanionEvent{kForwardedEvents[message - kCompanionEventFirst], reinterpret_cast<HWND>(Widen(lParam)),
                        static_cast<WPARAM>(Widen(wParam))};
}

#endif
