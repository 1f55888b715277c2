#include "ProgramEntry.h"

#include <windows.h>
#include <winsim/driver.h>

#include "InterpreterFrames.h"
#include "ProgramHost.h"
#include "companion/Companion.h"
#include "script/PythonApi.h"
#include "shell/CompanionProtocol.h"

#include "script/InterpreterShutdown.h"
#include "script/ScriptThreads.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showCommand);

namespace quillmere::sim {

namespace {

// Ends the interpreter of a killed run, with the interpreter lock not held
// by the calling thread before.
void EndKilledRunsInterpreter(std::chrono::milliseconds scriptThreadWait) {
  PyGILState_Ensure();
  // Threads the script left running would hold finalisation forever.
  EndScriptThreads(scriptThreadWait);
  FinaliseInterpreter(kFinalisationLimit, kKilledExitCode);
}

}  // namespace

int RunProgram() {
  // A killed run whose thread stopped inside the interpreter left it
  // running. Its threads are dead: none is waited for.
  if (Py_IsInitialized()) EndKilledRunsInterpreter(std::chrono::milliseconds(0));
  // The 64-bit program starts its 32-bit companion from its own folder.
  winsim::driver::RegisterImage(kCompanionFileName, winsim::driver::Machine::X86,
                                [](const std::wstring &line) { return RunCompanion(line); });
  try {
    return WinMain(GetModuleHandleW(nullptr), nullptr, const_cast<LPSTR>(""), SW_SHOWDEFAULT);
  } catch (const winsim::driver::ProcessKilled &) {
    // The thread may have been waiting with the interpreter lock released.
    if (Py_IsInitialized()) EndKilledRunsInterpreter(kScriptThreadExitWait);
    throw;
  }
}

int RunSecondCopy() { return WinMain(GetModuleHandleW(nullptr), nullptr, const_cast<LPSTR>(""), SW_SHOWDEFAULT); }

bool KilledThreadMustStop() {
  if (!StackHoldsInterpreterFrames()) return false;
  // Without a current thread state the lock is free for the next start.
  if (Py_IsInitialized() && PyGILState_Check()) PyEval_SaveThread();
  return true;
}

}  // namespace quillmere::sim
