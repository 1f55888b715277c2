// What the 64-bit program and its 32-bit companion agree on: the
// companion's file name, its command line and the message that ends it.
//
// The program starts "<its own folder>\quillmere32.exe <process id>
// <window>", both decimal: its own process id and its main window's handle
// (the handle's 32-bit value, which the companion widens as the system
// does). The companion installs the 32-bit hook and ends when the
// program's process ends or when the program posts it kCompanionStop.
#ifndef QUILLMERE_SHELL_COMPANIONPROTOCOL_H
#define QUILLMERE_SHELL_COMPANIONPROTOCOL_H

#include <windows.h>

inline constexpr wchar_t kCompanionFileName[] = L"quillmere32.exe";

// A thread message (no window) to the companion's thread: remove the hook
// and end.
constexpr UINT kCompanionStop = WM_APP + 1;

// How long the program waits for the companion to end after asking it,
// before it ends it itself.
constexpr DWORD kCompanionStopWaitMs = 2000;

// How many times the program starts the companion again after it ended
// without being asked to.
constexpr int kCompanionRestarts = 3;

#endif
