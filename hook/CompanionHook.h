// The 32-bit hook library of the 64-bit program's companion: one global
// WH_CALLWNDPROC hook, installed by the companion, whose procedure runs in
// every 32-bit GUI process and posts each forwarded window event to the
// program's main window as plain 32-bit values (hook/CompanionEvents.h).
//
// Its type differs from the program's own WH_CALLWNDPROCRET hook on
// purpose: some systems stop walking a hook chain at a hook whose library
// is of the other bitness, so two hooks of one type and different bitness
// could hide each other. Hooks of different types are separate chains.
#ifndef QUILLMERE_HOOK_COMPANIONHOOK_H
#define QUILLMERE_HOOK_COMPANIONHOOK_H

#include <windows.h>

#include "hook/CompanionEvents.h"

#ifdef QUILLMEREHOOK32_BUILDING
#define QUILLMEREHOOK32_API __declspec(dllexport)
#else
#define QUILLMEREHOOK32_API __declspec(dllimport)
#endif

extern "C" {

// Installs the hook, forwarding to the program's window. False, and
// nothing changes, when a running process holds the hook already
// (GetLastError gives ERROR_ALREADY_EXISTS) or when the installation fails
// (GetLastError gives the platform's reason).
QUILLMEREHOOK32_API bool RegisterCompanionHook(HWND programWindow);

// Removes the hook this process installed; false when it holds none.
QUILLMEREHOOK32_API bool UnregisterCompanionHook();
}

#endif
