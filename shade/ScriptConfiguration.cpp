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

// Calls the script object with the arguments (null arguments: no call),
// watched by the watchdog; a failed call, one stopped for running too long
// included, is reported and its error cleared, so that it cannot disturb
// the next call. The caller holds the interpreter lock.
PyObject *CallWithArguments(ScriptWatchdog &watchdog, PyObject *callable, PyObject *arguments) {
  PyObject *result = nullptr;
  if (arguments) {
    ScriptWatchdog::Watch watch(watchdog);
    result = PyObject_CallObject(callable, arguments);
  }
  if (!result) ReportScriptError();
  return result;
}

// "a value of type list": what an object is, for a message. The type's
// name is read as its `__name__`, the one way the stable ABI offers.
std::wstring TypeText(PyObject *object) {
  std::wstring text = L"a value of type ";
  PyObject *name = PyObject_GetAttrString(reinterpret_cast<PyObject *>(Py_TYPE(object)), "__name__");
  const char *utf8 = name && PyUnicode_Check(name) ? PyUnicode_AsUTF8AndSize(name, nullptr) : nullptr;
  if (utf8) {
    for (; *utf8; ++utf8) text += static_cast<wchar_t>(static_cast<unsigned char>(*utf8));
  } else {
    PyErr_Clear();
    text += L"unknown";
  }
  Py_XDECREF(name);
  return text;
}

PyObject *CallScript(ScriptWatchdog &watchdog, PyObject *callable, const WindowInfo &info, HWND window) {
  PyObject *arguments = MakeArguments(window, info);
  PyObject *result = CallWithArguments(watchdog, callable, arguments);
  Py_XDECREF(arguments);
  return result;
}

}  // namespace

void ShadeManager::LoadScript(const char *path) {
  // Reports of a script that cannot run write to the interpreter's error
  // stream too, so the lock is held from the start.
  InterpreterLock lock;
  ClearConfiguration();
  std::string text;
  if (!path || !*path) {
    ReportScriptProblem(L"No script file is named (FilterPath is empty): no script runs");
    return;
  }
  const ScriptFileRead read = ReadScriptFile(path, text);
  if (read != ScriptFileRead::Read) {
    ReportScriptProblem(L"Script file \"" + ScriptPathText(path) + L"\" " + ScriptFileProblem(read) +
                        L": no script runs");
    return;
  }

  PyObject *main = context.MainModule();
  if (!main) return;
  // A script that fails part-way keeps what it defined before the error,
  // so `configure` is looked for whatever the run gave.
  RunScriptText(main, text, path);

  if (!PyObject_HasAttrString(main, "configure")) {
    ReportScriptProblem(L"The script defines no configure function: no filters or handlers are used");
    return;
  }
  PyObject *configure = PyObject_GetAttrString(main, "configure");
  PyObject *result = nullptr;
  if (configure) {
    ScriptWatchdog::Watch watch(context.Watchdog());
    result = PyObject_CallObject(configure, nullptr);
  }
  Py_XDECREF(configure);
  if (!result) {
    ReportScriptError();
    return;
  }

  // The result is never released: it keeps the handlers (and the filter
  // list) alive for the rest of the run.
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
          ReportScriptProblem(L"Position 0 of what configure returned is " + TypeText(item) +
                              L", not a list: no filters are used");
        }
      } else {
        *slots[position - 1] = item;
      }
      context.Keep(item);
    }
  } else {
    ReportScriptProblem(L"configure returned " + TypeText(result) +
                        L", not a tuple: no filters or handlers are used");
  }
  context.Keep(result);
}

PyObject *ShadeManager::CallHandler(HWND window, PyObject *handler) {
  WindowInfo info = DescribeWindow(window);
  InterpreterLock lock;
  return CallScript(context.Watchdog(), handler, info, window);
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
    if (!arguments) arguments = MakeArguments(window, info);
    PyObject *result = CallWithArguments(context.Watchdog(), filters[i], arguments);
    passes = result == Py_True;
    Py_XDECREF(result);
  }
  Py_XDECREF(arguments);
  return passes;
}
