// The hook library: installs one global WH_CALLWNDPROCRET hook and forwards
// four kinds of window messages (hook/ForwardedEvents.h) of every GUI
// process to a target window.
// Each forwarded event is a copy of the platform's CWPRETSTRUCT in a fresh
// page of memory inside the target window's process, whose address is the
// lParam of the posted message; the receiver releases the page.
#ifndef QUILLMERE_HOOK_QUILLMEREHOOK_H
#define QUILLMERE_HOOK_QUILLMEREHOOK_H

#include <windows.h>

#include "hook/ForwardedEvents.h"

// The exported functions use the platform's C calling convention.
#define QUILLMEREHOOK_CALL

#ifdef QUILLMEREHOOK_BUILDING
#define QUILLMEREHOOK_API __declspec(dllexport)
#else
#define QUILLMEREHOOK_API __declspec(dllimport)
#endif

// The record at the start of each page: lResult, lParam, wParam, message,
// hwnd (20 bytes in a 32-bit process).
typedef CWPRETSTRUCT HookEventRecord;

// The size of each page that carries a record.
const SIZE_T kHookEventPageSize = 4096;

extern "C" {

// Installs the hook, forwarding to target with the given message number.
// False, and nothing changes, when a hook is installed already (by this
// process or any other; GetLastError gives ERROR_ALREADY_EXISTS) or when
// the installation fails (GetLastError gives the platform's reason).
QUILLMEREHOOK_API bool QUILLMEREHOOK_CALL RegisterHook(HWND target, UINT message);

// Removes the hook; false when none is installed. The target and message
// stay as they were.
QUILLMEREHOOK_API bool QUILLMEREHOOK_CALL UnregisterHook();
}

#endif
