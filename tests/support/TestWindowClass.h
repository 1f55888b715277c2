// A window class of this module for a test's own windows: only a name and a
// window procedure. Registering a name twice fails quietly, so tests may
// call this in every set-up.
#ifndef QUILLMERE_TESTS_SUPPORT_TESTWINDOWCLASS_H
#define QUILLMERE_TESTS_SUPPORT_TESTWINDOWCLASS_H

#include <windows.h>

// Registers the class and returns its name, for CreateWindowExW.
inline const wchar_t *RegisterTestClass(const wchar_t *name, WNDPROC proc) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = proc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = name;
  RegisterClassExW(&wc);
  return name;
}

#endif
