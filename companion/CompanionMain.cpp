// The companion's process entry on Windows.
#include <windows.h>

#include "companion/Companion.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) { return RunCompanion(GetCommandLineW()); }
