// The program's exit codes besides 0 (a normal end, and a copy started
// while another runs) and 1 (no main window could be made).
#ifndef QUILLMERE_SHELL_EXITCODES_H
#define QUILLMERE_SHELL_EXITCODES_H

// A start that found no usable interpreter.
constexpr int kExitNoPython = 2;
constexpr int kExitPythonLacksFunction = 3;
// The window hook could not be installed (for a reason other than another
// copy of the program running): the program ended without changing anything.
constexpr int kExitHookNotInstalled = 4;

// The 32-bit companion's exit codes besides 0 (the program ended, or asked
// it to end). Refused: it was not started by a running Quillmere with its
// process id and main window.
constexpr int kExitCompanionRefused = 5;
// Its hook could not be installed.
constexpr int kExitCompanionHookNotInstalled = 6;

#endif
