#include "shade/WindowArguments.h"

#include "script/InterpreterLock.h"
#include "script/WideText.h"
#include "script/WindowInfo.h"

#include <cstdint>

WindowArguments::~WindowArguments() {
  if (!tuple_) return;
  // A tuple of an int and two strings: releasing it runs no script code.
  InterpreterLock lock;
  Py_DECREF(tuple_);
}

void WindowArguments::Read() {
  int copied = 0;
  bool changed = ReadWindowTitle(root_, title_, &copied);
  if (!classRead_ || copied <= 0) {
    changed = ReadWindowClassName(root_, classname_) || changed;
    classRead_ = true;
  }
  if (changed) current_ = false;
}

PyObject *WindowArguments::Tuple() {
  if (current_) return tuple_;
  Py_CLEAR(tuple_);
  PyObject *handle = PyLong_FromLong(static_cast<std::int32_t>(reinterpret_cast<std::intptr_t>(root_)));
  PyObject *title = StrFromWide(title_);
  PyObject *classname = StrFromWide(classname_);
  if (handle && title && classname) tuple_ = PyTuple_Pack(3, handle, title, classname);
  // Made for these texts: a failure is tried again by the next call.
  current_ = tuple_ != nullptr;
  Py_XDECREF(handle);
  Py_XDECREF(classname);
  Py_XDECREF(title);
  return tuple_;
}
