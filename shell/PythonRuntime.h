// Finding the installed interpreter that the Windows program runs on.
//
// The program links python3.dll, the interpreter's stable ABI, delay-loaded:
// nothing of it is loaded until the program has found an installation. The
// installations are those registered as the Python installers do it (PEP
// 514): Software\Python\PythonCore\<tag>\InstallPath under HKCU, then under
// HKLM, newest tag first. A 32-bit program sees the 32-bit view of HKLM by
// itself, and a python3.dll of the other bitness fails to load, so the
// first one that loads is of the program's own bitness.
#ifndef QUILLMERE_SHELL_PYTHONRUNTIME_H
#define QUILLMERE_SHELL_PYTHONRUNTIME_H

#include <windows.h>

#include <cstddef>
#include <string>
#include <vector>

#include "shell/ExitCodes.h"

// The oldest interpreter whose stable ABI has every function the program
// calls.
constexpr int kPythonMinimumMajor = 3;
constexpr int kPythonMinimumMinor = 10;

// The registry key, under HKCU and HKLM, that lists the installations.
extern const wchar_t kPythonCoreKey[];

struct PythonInstallation {
  std::wstring tag;          // the subkey's name, e.g. "3.12" or "3.11-32"
  std::wstring installPath;  // the default value of its InstallPath key
};

// The version a tag names: "3.12", "3.12-32", "3.13t" give (3, 12) and
// (3, 13); false when the tag does not start with "major.minor".
bool ParsePythonTag(const std::wstring &tag, int &major, int &minor);

// Whether the installation with tag a comes before the one with tag b:
// newer versions first; tags that name no version last, in name order.
bool PythonTagComesFirst(const std::wstring &a, const std::wstring &b);

// The installations of Python 3.10 or newer listed under root\key that
// have an InstallPath, newest first.
std::vector<PythonInstallation> ListPythonInstallations(HKEY root, const wchar_t *key);

// Those of HKCU, then those of HKLM.
std::vector<PythonInstallation> FindPythonInstallations(const wchar_t *key = kPythonCoreKey);

// Loads <installPath>\python3.dll of the first installation for which that
// succeeds; null when none does. *loaded names the installation used.
HMODULE LoadPythonLibrary(const std::vector<PythonInstallation> &installations, PythonInstallation *loaded);

// The names the library does not export, of those given.
std::vector<std::string> MissingPythonFunctions(HMODULE library, const char *const *names, std::size_t count);

// Finds and loads the interpreter, checks that it has every function the
// program imports and routes the delay-loaded calls to it. On failure it
// tells the user in a message box and returns the exit code the program
// must end with (kExitNoPython, kExitPythonLacksFunction); 0 on success.
int PreparePythonRuntime();

// Tells the user that the interpreter started without one of the built-in
// objects the program uses; returns kExitPythonLacksFunction.
int ReportIncompleteInterpreter();

#endif
