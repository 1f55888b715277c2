#include "module/ScriptModule.h"

#include "script/PythonApi.h"

#include <windows.h>

#include <cstdint>
#include <mutex>
#include <string>

#include "module/EffectGate.h"
#include "module/LogBuffer.h"
#include "module/WindowEffects.h"
#include "script/InterpreterLock.h"
#include "script/WideText.h"
#include "script/WindowInfo.h"
#include "shade/ShadeManager.h"

namespace {

// Handles reach scripts as signed 32-bit integers; "i" refuses anything
// outside that range with OverflowError, as a 32-bit long would.
HWND HandleFromScript(int value) { return reinterpret_cast<HWND>(static_cast<intptr_t>(value)); }

long HandleToScript(HWND window) { return static_cast<std::int32_t>(reinterpret_cast<std::uintptr_t>(window)); }

// Runs a platform call without the interpreter lock: changing a window of
// another thread, or showing the log, waits for that thread, which may be
// waiting for the lock.
template <typename Call>
void WithoutLock(Call call) {
  InterpreterLock::Released released;
  call();
}

// The manager the module was registered with. Script threads look records
// up in it while the program's thread hands it over and takes it back, so
// every use holds the mutex; the lookup itself takes only the manager's
// own lock, never this one or the interpreter lock.
std::mutex g_managerMutex;
ShadeManager *g_manager = nullptr;

// The window's record; the pointer keeps the record alive after the
// manager has forgotten it.
WindowRecordPtr RecordOf(HWND window) {
  std::lock_guard<std::mutex> guard(g_managerMutex);
  return g_manager ? g_manager->FindRecord(window) : WindowRecordPtr();
}

PyObject *Log(PyObject *, PyObject *args) {
  PyObject *message = nullptr;
  // Only str: a bytes argument raises TypeError.
  if (!PyArg_ParseTuple(args, "U", &message)) return nullptr;
  std::wstring text;
  if (!WideFromStr(message, &text)) return nullptr;
  LogBuffer &log = LogBuffer::Instance();
  WithoutLock([&] { log.Append(text.data(), text.size()); });
  Py_RETURN_NONE;
}

// Adds one entry, dropping this function's references to key and value.
bool SetItem(PyObject *dict, const char *key, PyObject *value) {
  PyObject *name = PyUnicode_FromString(key);
  bool ok = name && value && PyDict_SetItem(dict, name, value) == 0;
  Py_XDECREF(name);
  Py_XDECREF(value);
  return ok;
}

PyObject *GetWindowProperty(PyObject *, PyObject *args) {
  int handle = 0;
  if (!PyArg_ParseTuple(args, "i", &handle)) return nullptr;
  // Reading the title of a window of another thread sends it a message and
  // waits for that thread, which may be waiting for the lock.
  WindowInfo info;
  WithoutLock([&] { info = DescribeWindow(HandleFromScript(handle)); });
  PyObject *dict = PyDict_New();
  if (!dict) return nullptr;
  bool ok = SetItem(dict, "parent", PyLong_FromLong(HandleToScript(info.parent))) &&
            SetItem(dict, "owner", PyLong_FromLong(HandleToScript(info.owner))) &&
            SetItem(dict, "is_visible", PyBool_FromLong(info.is_visible)) &&
            SetItem(dict, "is_enabled", PyBool_FromLong(info.is_enabled)) &&
            SetItem(dict, "title", StrFromWide(info.title)) && SetItem(dict, "classname", StrFromWide(info.classname));
  if (!ok) {
    // The interpreter's own error (memory) is pending.
    Py_DECREF(dict);
    return nullptr;
  }
  return dict;
}

// The (handle, flag) arguments of the effect functions; a flag is an
// unsigned byte, true when not zero.
bool ParseHandleAndFlag(PyObject *args, HWND &window, bool &flag) {
  int handle = 0;
  unsigned char byte = 0;
  if (!PyArg_ParseTuple(args, "ib", &handle, &byte)) return false;
  window = HandleFromScript(handle);
  flag = byte != 0;
  return true;
}

// The script's result of an effect call: None, or an exception for a
// window left unchanged. A refusal at exit is told once, in the log.
PyObject *EffectResult(EffectOutcome outcome, const char *function, HWND window) {
  if (outcome == EffectOutcome::Refused && FirstRefusal()) {
    const std::wstring line = L"The program is giving windows back at exit: window effects are refused from now on";
    LogBuffer &log = LogBuffer::Instance();
    WithoutLock([&] { log.Append(line.data(), line.size()); });
  }
  if (outcome != EffectOutcome::Untagged) Py_RETURN_NONE;
  const std::string message = std::string(function) + ": window " + std::to_string(HandleToScript(window)) +
                              " was left unchanged: the window properties that let the program give it back "
                              "could not be set (the global atom table may be full)";
  PyErr_SetString(PyExc_OSError, message.c_str());
  return nullptr;
}

// An effect that keeps its state in the window's record: the record is
// looked up with the lock held, the window changed without it.
PyObject *ApplyRecordEffect(PyObject *args, const char *function,
                            EffectOutcome (*effect)(const WindowRecordPtr &, HWND, bool)) {
  HWND window;
  bool flag;
  if (!ParseHandleAndFlag(args, window, flag)) return nullptr;
  WindowRecordPtr record = RecordOf(window);
  EffectOutcome outcome = EffectOutcome::Done;
  WithoutLock([&] { outcome = effect(record, window, flag); });
  return EffectResult(outcome, function, window);
}

PyObject *DoShadeWindow(PyObject *, PyObject *args) { return ApplyRecordEffect(args, "doShadeWindow", ApplyShade); }

PyObject *DoTransparentWindow(PyObject *, PyObject *args) {
  return ApplyRecordEffect(args, "doTransparentWindow", ApplyTransparency);
}

// Any window may be made top-most; a managed one keeps in its record
// whether the effects made it so.
PyObject *DoTopmostWindow(PyObject *, PyObject *args) {
  return ApplyRecordEffect(args, "doTopmostWindow", ApplyTopmost);
}

PyMethodDef g_methods[] = {
    {"log", Log, METH_VARARGS, "add log message"},
    {"getWindowProperty", GetWindowProperty, METH_VARARGS, "get window property"},
    {"doShadeWindow", DoShadeWindow, METH_VARARGS, "shade/unshade window"},
    {"doTransparentWindow", DoTransparentWindow, METH_VARARGS, "make/cancel transparent window"},
    {"doTopmostWindow", DoTopmostWindow, METH_VARARGS, "make/cancel window keep top most"},
    {nullptr, nullptr, 0, nullptr},
};

PyModuleDef g_module = {PyModuleDef_HEAD_INIT, "Quillmere", nullptr, -1, g_methods, nullptr, nullptr, nullptr, nullptr};

}  // namespace

bool RegisterScriptModule(ShadeManager &manager) {
  {
    std::lock_guard<std::mutex> guard(g_managerMutex);
    g_manager = &manager;
  }
  InterpreterLock lock;
  PyObject *module = PyModule_Create(&g_module);
  if (!module) {
    PyErr_Clear();
    return false;
  }
  // The table of imported modules holds the module from here on.
  bool ok = PyDict_SetItemString(PyImport_GetModuleDict(), "Quillmere", module) == 0;
  Py_DECREF(module);
  if (!ok) PyErr_Clear();
  return ok;
}

void DetachScriptModule(const ShadeManager &manager) {
  std::lock_guard<std::mutex> guard(g_managerMutex);
  if (g_manager == &manager) g_manager = nullptr;
}
