#include "script/ScriptThreads.h"

#include "script/PythonApi.h"

#include <vector>

#include "script/WideText.h"

namespace {

typedef std::chrono::steady_clock Clock;

// Stands in for threading._shutdown, which finalisation calls to join every
// thread that is not a daemon; finalisation ignores the result.
PyObject *LeaveThreads(PyObject *, PyObject *) { return PyLong_FromLong(0); }

PyMethodDef g_leaveThreads = {"_shutdown", LeaveThreads, METH_NOARGS, "leaves the script's remaining threads running"};

bool IsTrueAttribute(PyObject *object, const char *name) {
  PyObject *value = PyObject_GetAttrString(object, name);
  int truth = value ? PyObject_IsTrue(value) : -1;
  Py_XDECREF(value);
  if (truth < 0) PyErr_Clear();
  return truth > 0;
}

bool IsAlive(PyObject *thread) {
  PyObject *alive = PyObject_CallMethod(thread, "is_alive", nullptr);
  int truth = alive ? PyObject_IsTrue(alive) : -1;
  Py_XDECREF(alive);
  if (truth < 0) PyErr_Clear();
  return truth > 0;
}

// The threads of the threading module that finalisation would join: every
// one but the calling thread and the daemons. New references.
std::vector<PyObject *> JoinableThreads(PyObject *threading) {
  std::vector<PyObject *> threads;
  PyObject *current = PyObject_CallMethod(threading, "current_thread", nullptr);
  PyObject *all = PyObject_CallMethod(threading, "enumerate", nullptr);
  PyObject *sequence = all ? PySequence_Fast(all, "threads") : nullptr;
  Py_ssize_t count = sequence ? PySequence_Size(sequence) : 0;
  for (Py_ssize_t i = 0; i < count; ++i) {
    PyObject *thread = PySequence_GetItem(sequence, i);
    if (thread && thread != current && !IsTrueAttribute(thread, "daemon"))
      threads.push_back(thread);
    else
      Py_XDECREF(thread);
  }
  Py_XDECREF(sequence);
  Py_XDECREF(all);
  Py_XDECREF(current);
  PyErr_Clear();
  return threads;
}

// Waits up to `limit` in all for the script's threads that finalisation
// would join; a list of the names of those still running (new reference,
// empty when none is), or null when threading was never imported.
PyObject *JoinScriptThreads(std::chrono::milliseconds limit) {
  // A script that never imported threading started no threads that
  // finalisation would wait for.
  PyObject *threading = PyDict_GetItemString(PyImport_GetModuleDict(), "threading");  // borrowed
  if (!threading) return nullptr;
  Py_INCREF(threading);

  std::vector<PyObject *> threads = JoinableThreads(threading);
  const Clock::time_point deadline = Clock::now() + limit;
  PyObject *names = PyList_New(0);
  for (PyObject *thread : threads) {
    double seconds = std::chrono::duration<double>(deadline - Clock::now()).count();
    PyObject *joined = PyObject_CallMethod(thread, "join", "d", seconds > 0 ? seconds : 0.0);
    Py_XDECREF(joined);
    PyErr_Clear();
    if (IsAlive(thread)) {
      PyObject *name = PyObject_GetAttrString(thread, "name");
      if (!name || !names || PyList_Append(names, name) != 0) PyErr_Clear();
      Py_XDECREF(name);
    }
  }
  for (PyObject *thread : threads) Py_DECREF(thread);
  Py_DECREF(threading);
  PyErr_Clear();
  return names;
}

// "N script thread(s) <what> after L ms: a, b", or empty when the list is.
std::wstring ThreadsLeftLine(PyObject *names, const char *what, std::chrono::milliseconds limit) {
  std::wstring line;
  Py_ssize_t left = names ? PyList_Size(names) : 0;
  if (left <= 0) return line;
  PyObject *separator = PyUnicode_FromString(", ");
  PyObject *joined = separator ? PyUnicode_Join(separator, names) : nullptr;
  PyObject *text = joined ? PyUnicode_FromFormat("%zd script thread%s %s after %lld ms: %U", left, left == 1 ? "" : "s",
                                                 what, static_cast<long long>(limit.count()), joined)
                          : nullptr;
  if (!text || !WideFromStr(text, &line)) line.clear();
  PyErr_Clear();
  Py_XDECREF(text);
  Py_XDECREF(joined);
  Py_XDECREF(separator);
  return line;
}

}  // namespace

std::wstring EndScriptThreads(std::chrono::milliseconds limit) {
  PyObject *names = JoinScriptThreads(limit);
  const std::wstring line = ThreadsLeftLine(names, "still running at exit, not waited for", limit);
  if (!line.empty()) {
    // Finalisation leaves the rest running instead of joining them.
    PyObject *threading = PyDict_GetItemString(PyImport_GetModuleDict(), "threading");  // borrowed
    PyObject *leave = PyCFunction_NewEx(&g_leaveThreads, nullptr, nullptr);
    if (!threading || !leave || PyObject_SetAttrString(threading, "_shutdown", leave) != 0) PyErr_Clear();
    Py_XDECREF(leave);
    PyObject *text = PyUnicode_FromWideChar(line.c_str(), static_cast<Py_ssize_t>(line.size()));
    if (text) PySys_FormatStderr("%U\n", text);
    Py_XDECREF(text);
    PyErr_Clear();
  }
  Py_XDECREF(names);
  return line;
}

std::wstring AwaitScriptThreadsAtReload(std::chrono::milliseconds limit) {
  PyObject *names = JoinScriptThreads(limit);
  const std::wstring line = ThreadsLeftLine(names, "of the old script still running at reload, left running", limit);
  Py_XDECREF(names);
  return line;
}
