#include "script/PythonContext.h"

#include "script/InterpreterLock.h"

PythonContext::PythonContext() {
  InterpreterLock lock;
  PyObject *name = PyUnicode_FromString("__main__");
  // The import's new reference stands behind mainModule for the rest of the
  // run; it is never released. A failed import leaves a null handle.
  PyObject *module = name ? PyImport_Import(name) : nullptr;
  if (!module) PyErr_Clear();
  mainModule = ScriptObjectHandle(module, PyObjectDeleter());
  Py_XDECREF(name);
}

PythonContext::~PythonContext() {
  // The deleter releases nothing, so no step enters the interpreter.
  mainModule.reset();
}

PyObject *PythonContext::MainModule() const { return mainModule.get(); }
