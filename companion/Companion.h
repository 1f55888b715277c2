// The 32-bit companion of the 64-bit program (quillmere32.exe): it installs
// the 32-bit hook library, so that the windows of 32-bit applications reach
// the program too, and lives exactly as long as the program wants it. It
// has no window and says nothing; the program logs what becomes of it.
#ifndef QUILLMERE_COMPANION_COMPANION_H
#define QUILLMERE_COMPANION_COMPANION_H

#include <windows.h>

#include <string>

// Who started the companion, as its command line says.
struct CompanionArguments {
  DWORD programProcess = 0;
  HWND programWindow = nullptr;
};

// Reads "<program name> <process id> <window>" (the name as the system
// writes it, quoted or not; both numbers decimal and 32-bit, the window's
// widened as the system widens a handle). False for anything else.
bool ParseCompanionCommandLine(const std::wstring &commandLine, CompanionArguments &arguments);

// Whether a running Quillmere started the companion: the window exists, is
// a Quillmere main window and belongs to that process.
bool StartedByRunningProgram(const CompanionArguments &arguments);

// Runs the companion with its whole command line until the program ends
// or asks it to end; returns its exit code (shell/ExitCodes.h). Started
// with no arguments (by hand), it tells the user what it is in a message
// box and ends.
int RunCompanion(const std::wstring &commandLine);

#endif
