// The program's hold on the embedded interpreter for one run of the user's
// script: the "__main__" module the script runs in, and the watchdog of
// the script calls made for that run.
#ifndef QUILLMERE_SCRIPT_PYTHONCONTEXT_H
#define QUILLMERE_SCRIPT_PYTHONCONTEXT_H

#include "script/PythonApi.h"

#include <boost/shared_ptr.hpp>

#include "script/ScriptWatchdog.h"

class PythonContext {
 public:
  // Releases nothing: a handle never owns an interpreter reference. The
  // objects behind handles are kept alive by references the program holds
  // for the whole run, so dropping a handle must not touch the count, and
  // it must be safe after the interpreter has been finalised.
  struct PyObjectDeleter {
    void operator()(PyObject *) const {}
  };

  // A shared, non-owning handle to a script object.
  typedef boost::shared_ptr<PyObject> ScriptObjectHandle;

  // Where the script runs: the interpreter's "__main__" module as it is
  // (Existing), or a new, empty "__main__" that takes its place in the
  // table of imported modules (Fresh), for a script run again without
  // what its earlier run defined.
  enum class Namespace { Existing, Fresh };

  // Requires an initialised interpreter; imports "__main__", or makes a
  // fresh one, taking the interpreter lock for it.
  explicit PythonContext(Namespace space = Namespace::Existing);
  // Releases no script object; safe after the interpreter has been
  // finalised.
  virtual ~PythonContext();

  PythonContext(const PythonContext &) = delete;
  PythonContext &operator=(const PythonContext &) = delete;

  // The "__main__" module (borrowed, valid for the context's life); null
  // only when its import failed.
  PyObject *MainModule() const;

  // Releases the context's reference to its "__main__" module, which may
  // free the module and run script code (finalisers); MainModule() is null
  // from then on. The caller holds the interpreter lock.
  void ReleaseMainModule();

  // Watches the script calls made for this run of the script.
  ScriptWatchdog &Watchdog() { return watchdog; }

 private:
  ScriptObjectHandle mainModule;
  ScriptWatchdog watchdog;
};

typedef PythonContext::ScriptObjectHandle ScriptObjectHandle;

#endif
