// The interpreter lock. The program's thread holds it only while it runs
// script code or touches script objects, so that script threads run while
// the program waits for messages; module functions give it up while a
// platform call may wait for another thread.
#ifndef QUILLMERE_SCRIPT_INTERPRETERLOCK_H
#define QUILLMERE_SCRIPT_INTERPRETERLOCK_H

#include "script/PythonApi.h"

#include "script/InterpreterReturn.h"

// Holds the lock for its scope, whether or not the thread held it already
// (taking it again nests). The interpreter must be running.
class InterpreterLock {
 public:
  InterpreterLock() : state_(PyGILState_Ensure()) {}
  ~InterpreterLock() { PyGILState_Release(state_); }
  InterpreterLock(const InterpreterLock &) = delete;
  InterpreterLock &operator=(const InterpreterLock &) = delete;

  // Gives the lock up for its scope and takes it back at the end; the
  // thread must hold it. Nothing in the scope may touch a script object.
  // Once the interpreter is being finalised, the end of the scope is never
  // reached (see InterpreterReturn.h).
  class Released {
   public:
    Released() : thread_(PyEval_SaveThread()) {}
    ~Released() {
      BeginReturnToInterpreter();
      PyEval_RestoreThread(thread_);
      EndReturnToInterpreter();
    }
    Released(const Released &) = delete;
    Released &operator=(const Released &) = delete;

   private:
    PyThreadState *thread_;
  };

 private:
  PyGILState_STATE state_;
};

#endif
