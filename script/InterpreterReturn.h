// The way back into the interpreter for a thread that gave up its lock
// (a module function waiting for another thread). Once the program begins
// to finalise the interpreter, a thread that takes the lock back is ended
// by the interpreter from inside the program's own code, which cannot be
// unwound (the process aborts). So the program closes the way back before
// finalising: a thread that comes back afterwards stays where it is, without
// the lock, until the process ends, as the interpreter leaves a daemon
// thread that is blocked in the platform.
#ifndef QUILLMERE_SCRIPT_INTERPRETERRETURN_H
#define QUILLMERE_SCRIPT_INTERPRETERRETURN_H

// Each thread brackets the taking back of the lock with these two. The
// first never returns once the way back is closed (for every thread but
// the one that closed it).
void BeginReturnToInterpreter();
void EndReturnToInterpreter();

// Opens the way back for a newly started interpreter. Threads kept out of
// an earlier one stay kept out.
void OpenInterpreterReturn();

// With the interpreter lock held, right before finalisation: closes the
// way back, and lets every thread already on it take the lock and go on
// (giving the lock up meanwhile) before it returns.
void CloseInterpreterReturn();

#endif
