// The desktop's top-level windows, as EnumWindows lists them.
#ifndef QUILLMERE_SCRIPT_TOPLEVELWINDOWS_H
#define QUILLMERE_SCRIPT_TOPLEVELWINDOWS_H

#include <windows.h>

#include <vector>

// Every top-level window, invisible ones included, in the platform's order;
// collected first, so that the caller may change windows while it walks
// the list. Out of memory, the list ends with what was collected.
std::vector<HWND> ListTopLevelWindows();

#endif
