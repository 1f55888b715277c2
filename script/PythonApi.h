// The interpreter's C API as the program uses it: every file that calls the
// interpreter includes this header instead of <Python.h>.
//
// The Windows program links python3.dll, the interpreter's stable ABI, and
// loads it only on first use (delay-loaded), after it has found an
// installed interpreter. A delay-loaded library cannot provide data: the
// address of an imported variable would be the address of a loader stub.
// So in that build (QUILLMERE_PYTHON_NO_DATA) the interpreter's singletons
// (None, True, False, NotImplemented, Ellipsis) and its exception types are
// not taken from the library's exports: StartInterpreter fetches them once
// from the `builtins` module, and the names Py_None, Py_True, Py_False,
// PyExc_TypeError and so on refer to those fetched objects. Code written
// against <Python.h> compiles unchanged.
#ifndef QUILLMERE_SCRIPT_PYTHONAPI_H
#define QUILLMERE_SCRIPT_PYTHONAPI_H

#ifndef PY_SSIZE_T_CLEAN
#define PY_SSIZE_T_CLEAN
#endif
#include <Python.h>

// The exception types of `builtins` that code may raise or test for by name.
// A list of names, packed.
// clang-format off
#define QUILLMERE_PYTHON_EXCEPTIONS(X)                                                                           \
  X(BaseException) X(Exception) X(StopIteration) X(ArithmeticError) X(LookupError) X(AssertionError)          \
  X(AttributeError) X(BufferError) X(EOFError) X(OSError) X(ImportError) X(ModuleNotFoundError) X(IndexError) \
  X(KeyError) X(KeyboardInterrupt) X(MemoryError) X(NameError) X(OverflowError) X(RuntimeError)              \
  X(RecursionError) X(NotImplementedError) X(SyntaxError) X(IndentationError) X(ReferenceError)              \
  X(SystemError) X(SystemExit) X(TypeError) X(UnicodeError) X(UnicodeEncodeError) X(UnicodeDecodeError)      \
  X(ValueError) X(ZeroDivisionError) X(TimeoutError) X(FileNotFoundError) X(PermissionError) X(Warning)      \
  X(RuntimeWarning) X(UserWarning) X(DeprecationWarning)
// clang-format on

#ifdef QUILLMERE_PYTHON_NO_DATA

namespace pythonapi {

// The interpreter's objects that python3.dll exports as data, fetched from
// `builtins` after the interpreter has started. Each holds a reference for
// the rest of the process: they are immortal in the interpreter anyway.
struct InterpreterObjects {
  PyObject *none = nullptr;
  PyObject *trueObject = nullptr;
  PyObject *falseObject = nullptr;
  PyObject *notImplemented = nullptr;
  PyObject *ellipsis = nullptr;
#define QUILLMERE_PYTHON_EXCEPTION_MEMBER(name) PyObject *name = nullptr;
  QUILLMERE_PYTHON_EXCEPTIONS(QUILLMERE_PYTHON_EXCEPTION_MEMBER)
#undef QUILLMERE_PYTHON_EXCEPTION_MEMBER
};

inline InterpreterObjects interpreterObjects;

// Fills interpreterObjects; true when every object was found.
inline bool FetchInterpreterObjects() {
  PyObject *builtins = PyImport_ImportModule("builtins");
  if (!builtins) {
    PyErr_Clear();
    return false;
  }
  bool complete = true;
  auto fetch = [&](PyObject *&slot, const char *name) {
    slot = PyObject_GetAttrString(builtins, name);
    if (!slot) {
      PyErr_Clear();
      complete = false;
    }
  };
  InterpreterObjects &objects = interpreterObjects;
  fetch(objects.none, "None");
  fetch(objects.trueObject, "True");
  fetch(objects.falseObject, "False");
  fetch(objects.notImplemented, "NotImplemented");
  fetch(objects.ellipsis, "Ellipsis");
#define QUILLMERE_PYTHON_FETCH_EXCEPTION(name) fetch(objects.name, #name);
  QUILLMERE_PYTHON_EXCEPTIONS(QUILLMERE_PYTHON_FETCH_EXCEPTION)
#undef QUILLMERE_PYTHON_FETCH_EXCEPTION
  Py_DECREF(builtins);
  return complete;
}

}  // namespace pythonapi

#undef Py_None
#undef Py_True
#undef Py_False
#undef Py_NotImplemented
#undef Py_Ellipsis
#define Py_None (pythonapi::interpreterObjects.none)
#define Py_True (pythonapi::interpreterObjects.trueObject)
#define Py_False (pythonapi::interpreterObjects.falseObject)
#define Py_NotImplemented (pythonapi::interpreterObjects.notImplemented)
#define Py_Ellipsis (pythonapi::interpreterObjects.ellipsis)
#define PyExc_BaseException (pythonapi::interpreterObjects.BaseException)
#define PyExc_Exception (pythonapi::interpreterObjects.Exception)
#define PyExc_StopIteration (pythonapi::interpreterObjects.StopIteration)
#define PyExc_ArithmeticError (pythonapi::interpreterObjects.ArithmeticError)
#define PyExc_LookupError (pythonapi::interpreterObjects.LookupError)
#define PyExc_AssertionError (pythonapi::interpreterObjects.AssertionError)
#define PyExc_AttributeError (pythonapi::interpreterObjects.AttributeError)
#define PyExc_BufferError (pythonapi::interpreterObjects.BufferError)
#define PyExc_EOFError (pythonapi::interpreterObjects.EOFError)
#define PyExc_OSError (pythonapi::interpreterObjects.OSError)
#define PyExc_ImportError (pythonapi::interpreterObjects.ImportError)
#define PyExc_ModuleNotFoundError (pythonapi::interpreterObjects.ModuleNotFoundError)
#define PyExc_IndexError (pythonapi::interpreterObjects.IndexError)
#define PyExc_KeyError (pythonapi::interpreterObjects.KeyError)
#define PyExc_KeyboardInterrupt (pythonapi::interpreterObjects.KeyboardInterrupt)
#define PyExc_MemoryError (pythonapi::interpreterObjects.MemoryError)
#define PyExc_NameError (pythonapi::interpreterObjects.NameError)
#define PyExc_OverflowError (pythonapi::interpreterObjects.OverflowError)
#define PyExc_RuntimeError (pythonapi::interpreterObjects.RuntimeError)
#define PyExc_RecursionError (pythonapi::interpreterObjects.RecursionError)
#define PyExc_NotImplementedError (pythonapi::interpreterObjects.NotImplementedError)
#define PyExc_SyntaxError (pythonapi::interpreterObjects.SyntaxError)
#define PyExc_IndentationError (pythonapi::interpreterObjects.IndentationError)
#define PyExc_ReferenceError (pythonapi::interpreterObjects.ReferenceError)
#define PyExc_SystemError (pythonapi::interpreterObjects.SystemError)
#define PyExc_SystemExit (pythonapi::interpreterObjects.SystemExit)
#define PyExc_TypeError (pythonapi::interpreterObjects.TypeError)
#define PyExc_UnicodeError (pythonapi::interpreterObjects.UnicodeError)
#define PyExc_UnicodeEncodeError (pythonapi::interpreterObjects.UnicodeEncodeError)
#define PyExc_UnicodeDecodeError (pythonapi::interpreterObjects.UnicodeDecodeError)
#define PyExc_ValueError (pythonapi::interpreterObjects.ValueError)
#define PyExc_ZeroDivisionError (pythonapi::interpreterObjects.ZeroDivisionError)
#define PyExc_TimeoutError (pythonapi::interpreterObjects.TimeoutError)
#define PyExc_FileNotFoundError (pythonapi::interpreterObjects.FileNotFoundError)
#define PyExc_PermissionError (pythonapi::interpreterObjects.PermissionError)
#define PyExc_Warning (pythonapi::interpreterObjects.Warning)
#define PyExc_RuntimeWarning (pythonapi::interpreterObjects.RuntimeWarning)
#define PyExc_UserWarning (pythonapi::interpreterObjects.UserWarning)
#define PyExc_DeprecationWarning (pythonapi::interpreterObjects.DeprecationWarning)

#endif  // QUILLMERE_PYTHON_NO_DATA

namespace pythonapi {

// Starts the interpreter. A GUI program has no console to interrupt it,
// so where python3.dll is delay-loaded the interpreter installs no signal
// handlers (which also leaves a host's own handlers in place), and the
// objects above are fetched. False when the interpreter lacks one of them.
inline bool StartInterpreter() {
#ifdef QUILLMERE_PYTHON_NO_DATA
  Py_InitializeEx(0);
  return FetchInterpreterObjects();
#else
  Py_Initialize();
  return true;
#endif
}

}  // namespace pythonapi

#endif
