#include "script/PythonContext.h"

#include "script/InterpreterLock.h"

namespace {

// A new, empty "__main__" module with the builtins, entered in the table of
// imported modules in place of the one there. New reference; null when it
// could not be made.
PyObject *NewMainModule() {
  PyObject *module = PyModule_New("__main__");
  PyObject *builtins = module ? PyImport_ImportModule("builtins") : nullptr;
  PyObject *globals = module ? PyModule_GetDict(module) : nullptr;  // borrowed
  bool ok = builtins && globals && PyDict_SetItemString(globals, "__builtins__", builtins) == 0 &&
            PyDict_SetItemString(PyImport_GetModuleDict(), "__main__", module) == 0;
  Py_XDECREF(builtins);
  if (!ok) Py_CLEAR(module);
  return module;
}

}  // namespace

PythonContext::PythonContext(Namespace space) {
  InterpreterLock lock;
  PyObject *module = nullptr;
  if (space == Namespace::Fresh) {
    module = NewMainModule();
  } else {
    PyObject *name = PyUnicode_FromString("__main__");
    module = name ? PyImport_Import(name) : nullptr;
    Py_XDECREF(name);
  }
  // The new reference stands behind mainModule until ReleaseMainModule, or
  // for the rest of the run. A failure leaves a null handle.
  if (!module) PyErr_Clear();
  mainModule = ScriptObjectHandle(module, PyObjectDeleter());
}

void PythonContext::ReleaseMainModule() {
  PyObject *module = mainModule.get();
  mainModule.reset();
  Py_XDECREF(module);
}

PythonContext::~PythonContext() {
  // The deleter releases nothing, so no step enters the interpreter.
  mainModule.reset();
}

PyObject *PythonContext::MainModule() const { return mainModule.get(); }
