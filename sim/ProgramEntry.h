// The program's entry as quillmere-sim runs it, on the program's thread.
#ifndef QUILLMERE_SIM_PROGRAM_ENTRY_H
#define QUILLMERE_SIM_PROGRAM_ENTRY_H

namespace quillmere::sim {

// Runs WinMain and returns its exit code. When the program is killed, none
// of its own code runs any more. The interpreter, which a dead process
// would take with it, is ended so that the program can start again in this
// process: by the killed thread when it leaves WinMain by
// winsim::driver::ProcessKilled (the exception then goes on to the host),
// else, when the killed thread stopped inside the interpreter, by the next
// start before WinMain runs.
int RunProgram();

// Runs WinMain as a second copy of the program, started while the first
// runs (in a process of its own: ProgramHost::RunSecondCopy). Its own
// check ends it before it reaches the interpreter, which the two copies
// share here, so nothing of the first run's is ended.
int RunSecondCopy();

// The check for killed threads (ProgramHost's KilledThreadCheck): true when
// the calling thread's stack holds interpreter frames, so it must stop
// where it is. Such a thread first gives up the interpreter lock if it
// holds it, so that the next start can end the interpreter.
bool KilledThreadMustStop();

}  // namespace quillmere::sim

#endif
