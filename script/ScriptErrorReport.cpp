#include "script/PythonApi.h"

#include "script/ScriptErrorReport.h"
#include "script/WideText.h"

#include <cstdio>
#include <utility>

namespace {

ScriptErrorSink &Sink() {
  static ScriptErrorSink sink;
  return sink;
}

// The exception formatted by the traceback module, as one string object
// (new reference), or null with no error pending.
PyObject *FormatException(PyObject *type, PyObject *value, PyObject *traceback) {
  PyObject *result = nullptr;
  PyObject *module = PyImport_ImportModule("traceback");
  PyObject *lines = module ? PyObject_CallMethod(module, "format_exception", "OOO", type, value ? value : Py_None,
                                                 traceback ? traceback : Py_None)
                           : nullptr;
  if (lines) {
    PyObject *empty = PyUnicode_FromString("");
    if (empty) result = PyUnicode_Join(empty, lines);
    Py_XDECREF(empty);
  }
  Py_XDECREF(lines);
  Py_XDECREF(module);
  if (!result) PyErr_Clear();
  return result;
}

// Writes the text to sys.stderr and flushes it; without a usable
// sys.stderr, to the C runtime's error stream. The stream is held while it
// is used: a replaced write may replace sys.stderr in turn, which would
// free the stream it is called on.
void WriteToErrorStream(PyObject *text) {
  PyObject *stream = PySys_GetObject("stderr");  // borrowed
  if (stream && stream != Py_None) {
    Py_INCREF(stream);
    const bool written = PyFile_WriteObject(text, stream, Py_PRINT_RAW) == 0;
    if (written) {
      PyObject *flushed = PyObject_CallMethod(stream, "flush", nullptr);
      Py_XDECREF(flushed);
    }
    Py_DECREF(stream);
    PyErr_Clear();
    if (written) return;
  }
  PyErr_Clear();
  const char *bytes = PyUnicode_AsUTF8AndSize(text, nullptr);
  if (bytes) {
    std::fputs(bytes, stderr);
    std::fflush(stderr);
  }
  PyErr_Clear();
}

}  // namespace

void ReportScriptError() {
  if (!PyErr_Occurred()) return;
  PyObject *type = nullptr, *value = nullptr, *traceback = nullptr;
  PyErr_Fetch(&type, &value, &traceback);
  PyErr_NormalizeException(&type, &value, &traceback);
  if (value && traceback) PyException_SetTraceback(value, traceback);

  PyObject *text = FormatException(type, value, traceback);
  if (text) {
    WriteToErrorStream(text);
    ScriptErrorSink &sink = Sink();
    if (sink) {
      std::wstring copy;
      if (WideFromStr(text, &copy)) {
        // The sink may itself call into the interpreter; it gets a clean
        // error state.
        ScriptErrorSink current = sink;
        current(copy);
      }
      PyErr_Clear();
    }
    Py_DECREF(text);
  } else {
    // The traceback module is unusable; let the interpreter print what it can.
    PyErr_Display(type, value, traceback);
  }
  Py_XDECREF(type);
  Py_XDECREF(value);
  Py_XDECREF(traceback);
  PyErr_Clear();
}

void ReportScriptProblem(const std::wstring &line) {
  const std::wstring text = line + L"\n";
  PyObject *str = StrFromWide(text);
  if (str) {
    WriteToErrorStream(str);
    Py_DECREF(str);
  }
  PyErr_Clear();
  // A copy: the sink may set another sink.
  ScriptErrorSink sink = Sink();
  if (sink) sink(text);
  PyErr_Clear();
}

ScriptErrorSink SetScriptErrorSink(ScriptErrorSink sink) {
  ScriptErrorSink previous = std::move(Sink());
  Sink() = std::move(sink);
  return previous;
}
