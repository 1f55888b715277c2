#include "ProgramEntry.h"

#include <windows.h>
#include <winsim/driver.h>

#include "ProgramHost.h"
#include "script/PythonApi.h"

#include "script/InterpreterShutdown.h"
#include "script/ScriptThreads.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showCommand);

namespace quillmere::sim {

int RunProgram() {
  try {
    return WinMain(GetModuleHandleW(nullptr), nullptr, const_cast<LPSTR>(""), SW_SHOWDEFAULT);
  } catch (const winsim::driver::ProcessKilled &) {
    // The thread may have been waiting with the interpreter lock released.
    if (Py_IsInitialized()) {
      PyGILState_Ensure();
      // Threads the script left running would hold finalisation forever.
      EndScriptThreads(kScriptThreadExitWait);
      FinaliseInterpreter(kFinalisationLimit, kKilledExitCode);
    }
    throw;
  }
}

}  // namespace quillmere::sim
