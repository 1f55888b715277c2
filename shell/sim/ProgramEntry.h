// The program's entry as quillmere-sim runs it, on the program's thread.
#ifndef QUILLMERE_SIM_PROGRAM_ENTRY_H
#define QUILLMERE_SIM_PROGRAM_ENTRY_H

namespace quillmere::sim {

// Runs WinMain and returns its exit code. When the program is killed
// (winsim::driver::ProcessKilled leaves WinMain), none of its own code runs
// any more; the interpreter, which a dead process would take with it, is
// ended here so that the program can start again in this process, and the
// exception goes on to the host.
int RunProgram();

}  // namespace quillmere::sim

#endif
