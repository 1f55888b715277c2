// The contract with the user's script: running its file, taking the
// filters and handlers from `configure`, and calling them.
#include "shade/ShadeManager.h"

#include "shade/WindowArguments.h"

#include "script/InterpreterLock.h"
#include "script/ScriptErrorReport.h"
#include "script/ScriptFile.h"

#include <string>

namespace {

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

// "a value of type list": what an object is, for a message. The name is
// read through the descriptor of `type` itself, as
// type.__dict__['__name__'].__get__(cls): asking the class for its
// `__name__` would run the code of a metaclass that defines one.
std::wstring TypeText(PyObject *object) {
  std::wstring text = L"a value of type ";
  PyObject *typeType = reinterpret_cast<PyObject *>(Py_TYPE(PyExc_BaseException));
  PyObject *members = PyObject_GetAttrString(typeType, "__dict__");
  PyObject *descriptor = members ? PyObject_CallMethod(members, "get", "s", "__name__") : nullptr;
  PyObject *name = descriptor
                       ? PyObject_CallMethod(descriptor, "__get__", "O", reinterpret_cast<PyObject *>(Py_TYPE(object)))
                       : nullptr;
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

bool ShadeManager::LoadScript(const char *path) {
  // Reports of a script that cannot run write to the interpreter's error
  // stream too, so the lock is held from the start.
  InterpreterLock lock;
  ClearConfiguration();
  ScriptWatchdog &watchdog = context.Watchdog();
  std::string text;
  if (!path || !*path) {
    ReportProblemWatched(watchdog, L"No script file is named (FilterPath is empty): no script runs");
    return false;
  }
  const ScriptFileRead read = ReadScriptFile(path, text);
  if (read != ScriptFileRead::Read) {
    ReportProblemWatched(
        watchdog, L"Script file \"" + ScriptPathText(path) + L"\" " + ScriptFileProblem(read) + L": no script runs");
    return false;
  }

  PyObject *main = context.MainModule();
  if (!main) return false;
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
    return false;
  }
  PyObject *result = nullptr;
  {
    ScriptWatchdog::Watch watch(watchdog);
    if (configure) result = PyObject_CallObject(configure, nullptr);
    Py_XDECREF(configure);
  }
  if (!result) {
    ReportWatched(watchdog);
    return false;
  }

  // The result is kept until ReleaseScript, or for the rest of the run: it
  // keeps the handlers (and the filter list) alive. Reading it runs no script code:
  // its type and that of position 0 are tested by their flags, and their
  // items are read from their storage.
  configuration = result;
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
    }
  } else {
    ReportProblemWatched(watchdog,
                         L"configure returned " + TypeText(result) + L", not a tuple: no filters or handlers are used");
    return false;
  }
  return true;
}

void ShadeManager::ReleaseScript() {
  InterpreterLock lock;
  ScriptWatchdog::Watch watch(context.Watchdog());
  std::vector<PyObject *> held;
  held.swap(filters);
  PyObject *result = configuration;
  configuration = nullptr;
  ClearConfiguration();
  for (PyObject *filter : held) Py_DECREF(filter);
  Py_XDECREF(result);
  context.ReleaseMainModule();
  // A finaliser that raised or ran too long leaves its error here.
  if (PyErr_Occurred()) PyErr_Clear();
}

ShadeManager::ScriptAnswer ShadeManager::CallScript(PyObject *callable, WindowArguments &arguments) {
  ScriptWatchdog &watchdog = context.Watchdog();
  InterpreterLock lock;
  ScriptAnswer answer = ScriptAnswer::Failed;
  {
    // One watch covers making the arguments (making objects can run the
    // finalisers of script garbage, through the collector), the call, and
    // releasing its result (its __del__ and that of what it kept alive).
    ScriptWatchdog::Watch watch(watchdog);
    PyObject *tuple = arguments.Tuple();
    PyObject *result = tuple ? PyObject_CallObject(callable, tuple) : nullptr;
    if (result) {
      // Read by identity: comparing would run the result's own code.
      answer = result == Py_True ? ScriptAnswer::True : result == Py_False ? ScriptAnswer::False : ScriptAnswer::Other;
      Py_DECREF(result);
    }
  }
  // A failed call, one stopped for running too long included, is reported
  // and its error cleared, so that it cannot disturb the next call.
  if (answer == ScriptAnswer::Failed) ReportWatched(watchdog);
  return answer;
}

ShadeManager::ScriptAnswer ShadeManager::CallHandler(PyObject *handler, WindowArguments &arguments) {
  // The title is read for every call: an earlier call may have changed it.
  arguments.Read();
  return CallScript(handler, arguments);
}

bool ShadeManager::CheckFilters(WindowArguments &arguments) {
  if (!IsEligible(arguments.Root())) return false;
  if (filters.empty()) return false;
  // Every filter of one request is given the same window texts, read once.
  arguments.Read();
  bool passes = false;
  // The vector does not change after configuration, so it can be walked
  // by index even when a filter re-enters the manager.
  for (std::size_t i = 0; i < filters.size() && !passes; ++i)
    passes = CallScript(filters[i], arguments) == ScriptAnswer::True;
  return passes;
}
