// The program's entry: locale, interpreter, main window, message loop, and
// the shut-down in the reverse order.
#include <windows.h>

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <string>

#include "script/InterpreterLock.h"
#include "script/LogBuffer.h"
#include "script/ScriptThreads.h"
#include "shell/MainWindow.h"
#include "shell/ProgramLocale.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previous*/, LPSTR /*commandLine*/, int /*showCommand*/) {
  SetProgramLocale();
  Py_Initialize();
  // The program's thread holds the interpreter lock only while it runs
  // script code (each such place takes it), so that script threads run
  // while it waits for messages.
  PyThreadState *programThread = PyEval_SaveThread();
  int exitCode = 1;
  {
    MainWindow mainWindow(instance);
    mainWindow.RegisterWindowClass();
    // Without its main window the program cannot run: it ends at once.
    if (mainWindow.Create(QuillmereTitle())) exitCode = mainWindow.MessageLoop();

    PyEval_RestoreThread(programThread);
    // Threads the script left running get a short while to end; the
    // interpreter would otherwise wait for them forever.
    std::wstring threadsLeft = EndScriptThreads(kScriptThreadExitWait);
    if (!threadsLeft.empty()) {
      InterpreterLock::Released released;
      LogBuffer::Instance().Append(threadsLeft.data(), threadsLeft.size());
    }
    // The interpreter goes before the main window; every script object has
    // been released with the shade manager while the window was destroyed.
    Py_Finalize();
  }
  return exitCode;
}
