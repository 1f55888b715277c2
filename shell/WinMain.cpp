// The program's entry: the check for a running copy, locale, interpreter,
// main window, message loop, and the shut-down in the reverse order.
#include <windows.h>

#include "script/PythonApi.h"

#include <string>

#include "script/InterpreterLock.h"
#include "module/LogBuffer.h"
#include "script/InterpreterReturn.h"
#include "script/InterpreterShutdown.h"
#include "script/ScriptThreads.h"
#include "shell/ExitCodes.h"
#include "shell/MainWindow.h"
#include "shell/ProgramLocale.h"
#include "shell/RunningCopy.h"

#ifdef QUILLMERE_PYTHON_DELAYLOAD
#include "shell/PythonRuntime.h"
#endif

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previous*/, LPSTR /*commandLine*/, int /*showCommand*/) {
  // Before anything else: a copy started while another runs brings that
  // one forward and ends, having loaded no interpreter, read or written no
  // settings and made no window. The name is held until the very end.
  RunningCopy copy;
  if (!copy.Claim()) {
    CallRunningCopyForward();
    return 0;
  }
#ifdef QUILLMERE_PYTHON_DELAYLOAD
  // python3.dll is loaded only once an installed interpreter has been
  // found; without one the program ends here, having touched nothing.
  if (int status = PreparePythonRuntime()) return status;
#endif
  SetProgramLocale();
#ifdef QUILLMERE_PYTHON_DELAYLOAD
  if (!pythonapi::StartInterpreter()) return ReportIncompleteInterpreter();
#else
  pythonapi::StartInterpreter();
#endif
  OpenInterpreterReturn();
  // The program's thread holds the interpreter lock only while it runs
  // script code (each such place takes it), so that script threads run
  // while it waits for messages.
  PyThreadState *programThread = PyEval_SaveThread();
  int exitCode = 1;
  {
    MainWindow mainWindow(instance);
    mainWindow.RegisterWindowClass();
    // Without its main window the program cannot run: it ends at once; so
    // it does without its hook, having said why.
    if (mainWindow.Create(QuillmereTitle()))
      exitCode = mainWindow.MessageLoop();
    else if (mainWindow.HookRefused())
      exitCode = kExitHookNotInstalled;

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
    // Threads inside the module stay out of it from here on, and an atexit
    // callback that never returns cannot keep the process alive.
    FinaliseInterpreter(kFinalisationLimit, static_cast<UINT>(exitCode));
  }
  return exitCode;
}
