// The contract with the user's script: running its file, taking the
// filters and handlers from `configure`, and calling them.
#include "shade/ShadeManager.h"

#include "script/InterpreterLock.h"
#include "script/ScriptErrorReport.h"
#include "script/ScriptFile.h"
#include "script/WideText.h"
#include "script/WindowInfo.h"

#include <cstdint>
#include <string>

namespace {

PyObject *WideText(const std::wstring &text) {
  // Decodes UTF-16 surrogate pairs where wchar_t is 16 bits wide.
  return StrFromWide(text);
}

// The arguments of every filter and handler call: (handle, title, class
// name), the handle as its signed 32-bit value. Null with an error pending
// when an object cannot be made.
PyObject *MakeArguments(HWND window, const WindowInfo &info) {
  PyObject *handle = PyLong_FromLong(static_cast<std::int32_t>(reinterpret_cast<std::intptr_t>(window)));
  PyObject *title = WideText(info.title);
  PyObject *classname = WideText(info.classname);
  PyObject *arguments = nullptr;
  if (handle && title && classname) arguments = PyTuple_Pack(3, handle, title, classname);
  Py_XDECREF(handle);
  Py_XDECREF(title);
  Py_XDECREF(classname);
  return arguments;
}

// Reports the pending script error, or a problem with the script, under a
// watch of its own: reporting runs script code (the exception's text, its
// traceback, a replaced sys.stderr).
void ReportWatched(ScriptWatchdog &watchdog) {
  ScriptWatchdog::Watch watch(watchdog);
  ReportScriptError();
}

void ReportProblemWatched(ScriptWatchdog &watchdog, const std::wstring &line) {
  ScriptWatchdog::Watch watch(watchdog);
  ReportScriptProblem(line);
}

// Calls the script object with the window's arguments, watched by the
// watchdog. The arguments are made in the same watch when *arguments is
// still null, and left there for further calls: making objects can run
// the finalisers of script garbage, through the collector. A failed call,
// one stopped for running too long included, is reported and its error
// cleared, so that it cannot disturb the next call. The caller holds the
// interpreter lock.
PyObject *CallWatched(ScriptWatchdog &watchdog, PyObject *callable, PyObject **arguments, HWND window,
                      const WindowInfo &info) {
  PyObject *result = nullptr;
  {
    ScriptWatchdog::Watch watch(watchdog);
    if (!*arguments) *arguments = MakeArguments(window, info);
    if (*arguments) result = PyObject_CallObject(callable, *arguments);
  }
  if (!result) ReportWatched(watchdog);
  return result;
}

// "a value of type list": what an object is, for a message. The name is
// read through the descriptor of `type` itself, as
// type.__dict__['__name__'].__get__(cls): asking the class for its
// `__name__` would run the code of a metaclass that defines one.
std::wstring TypeText(PyObject *object) {
  std::wstring text = L"a value of type ";
  PyObject *typeType = reinterpret_cast<PyObject *>(Py_TYPE(PyExc_BaseException));
  PyObject *members = PyObject_GetAttrString(typeType, "__dict__");
  PyObject *descriptor = members ? PyObject_CallMethod(members, "get", "s", "__name__") : nullptr;
  PyObject *name = descriptor ? PyObject_CallMethod(descriptor, "__get__", "O", reinterpret_cast<PyObject *>(Py_TYPE(object))) : nullptr;
  const char *utf8 = name && PyUnicode_Check(name) ? PyUnicode_AsUTF8AndSize(name, nullptr) : nullptr;
  if (utf8) {
    for (; *utf8; ++utf8) text += static_cast<wchar_t>(static_cast<unsigned char>(*utf8));
  } else {
    PyErr_Clear();
    text += L"unknown";
  }
  Py_XDECREF(name);
  Py_XDECREF(descriptor);
  Py_XDECREF(members);
  return text;
}

}  // namespace

void ShadeManager::LoadScript(const char *path) {
  // Reports of a script that cannot run write to the interpreter's error
  // stream too, so the lock is held from the start.
  InterpreterLock lock;
  ClearConfiguration();
  ScriptWatchdog &watchdog = context.Watchdog();
  std::string text;
  if (!path || !*path) {
    ReportProblemWatched(watchdog, L"No script file is named (FilterPath is empty): no script runs");
    return;
  }
  const ScriptFileRead read = ReadScriptFile(path, text);
  if (read != ScriptFileRead::Read) {
    ReportProblemWatched(watchdog, L"Script file \"" + ScriptPathText(path) + L"\" " + ScriptFileProblem(read) +
                                       L": no script runs");
    return;
  }

  PyObject *main = context.MainModule();
  if (!main) return;
  // A script that fails part-way keeps what it defined before the error,
  // so `configure` is looked for whatever the run gave.
  RunScriptText(main, text, path);

  // Looking `configure` up can run script code too: the module's
  // __getattr__, or the methods of a module class the script set.
  PyObject *configure = nullptr;
  bool defined = false;
  {
    ScriptWatchdog::Watch watch(watchdog);
    defined = PyObject_HasAttrString(main, "configure");
    if (defined) configure = PyObject_GetAttrString(main, "configure");
  }
  if (!defined) {
    ReportProblemWatched(watchdog, L"The script defines no configure function: no filters or handlers are used");
    return;
  }
  PyObject *result = nullptr;
  {
    ScriptWatchdog::Watch watch(watchdog);
    if (configure) result = PyObject_CallObject(configure, nullptr);
    Py_XDECREF(configure);
  }
  if (!result) {
    ReportWatched(watchdog);
    return;
  }

  // The result is never released: it keeps the handlers (and the filter
  // list) alive for the rest of the run. Reading it runs no script code:
  // its type and that of position 0 are tested by their flags, and their
  // items are read from their storage.
  if (PyTuple_Check(result)) {
    Py_ssize_t count = PyTuple_Size(result);
    PyObject **slots[] = {&onAdd, &onDestroy, &onShade, &onUnshade, &afterUnshade, &afterShade};
    for (Py_ssize_t position = 0; position < count && position < 7; ++position) {
      PyObject *item = PyTuple_GetItem(result, position);
      if (position == 0) {
        if (PyList_Check(item)) {
          Py_ssize_t size = PyList_Size(item);
          for (Py_ssize_t i = 0; i < size; ++i) {
            PyObject *element = PyList_GetItem(item, i);
            if (PyCallable_Check(element)) {
              Py_INCREF(element);  // never released; see the member's note
              filters.push_back(element);
            }
          }
        } else {
          ReportProblemWatched(watchdog, L"Position 0 of what configure returned is " + TypeText(item) +
                                             L", not a list: no filters are used");
        }
      } else {
        *slots[position - 1] = item;
      }
      context.Keep(item);
    }
  } else {
    ReportProblemWatched(watchdog, L"configure returned " + TypeText(result) +
                                       L", not a tuple: no filters or handlers are used");
  }
  context.Keep(result);
}

PyObject *ShadeManager::CallHandler(HWND window, PyObject *handler) {
  WindowInfo info = DescribeWindow(window);
  InterpreterLock lock;
  PyObject *arguments = nullptr;
  PyObject *result = CallWatched(context.Watchdog(), handler, &arguments, window, info);
  // A tuple of an int and two strings: releasing it runs no script code.
  Py_XDECREF(arguments);
  return result;
}

void ShadeManager::ReleaseResult(PyObject *result) {
  if (!result) return;
  InterpreterLock lock;
  ScriptWatchdog::Watch watch(context.Watchdog());
  Py_DECREF(result);
}

bool ShadeManager::CheckFilters(HWND window) {
  if (!IsEligible(window)) return false;
  if (filters.empty()) return false;
  WindowInfo info = DescribeWindow(window);
  InterpreterLock lock;
  // Every filter is given the same (immutable) argument tuple, made once.
  // Should making it fail, each call tries again, and reports its failure.
  PyObject *arguments = nullptr;
  bool passes = false;
  // The vector does not change after configuration, so it can be walked
  // by index even when a filter re-enters the manager.
  for (std::size_t i = 0; i < filters.size() && !passes; ++i) {
    PyObject *result = CallWatched(context.Watchdog(), filters[i], &arguments, window, info);
    // Read by identity: comparing would run the result's own code.
    passes = result == Py_True;
    ReleaseResult(result);
  }
  Py_XDECREF(arguments);
  return passes;
}
