// The program's entry: locale, interpreter, main window, message loop, and
// the shut-down in the reverse order.
#include <windows.h>

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include "shell/MainWindow.h"
#include "shell/ProgramLocale.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previous*/, LPSTR /*commandLine*/, int /*showCommand*/) {
  SetProgramLocale();
  Py_Initialize();
  int exitCode = 1;
  {
    MainWindow mainWindow(instance);
    mainWindow.RegisterWindowClass();
    // Without its main window the program cannot run: it ends at once.
    if (mainWindow.Create(QuillmereTitle())) exitCode = mainWindow.MessageLoop();
    // The interpreter goes before the main window; every script object has
    // been released with the shade manager while the window was destroyed.
    Py_Finalize();
  }
  return exitCode;
}
