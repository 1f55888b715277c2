#include "ShadeTestSupport.h"

#include "shade/WindowEvents.h"

#include <string>

namespace quillmere_test {

namespace {

ShadeManager *g_manager = nullptr;

HWND ToHandle(int value) { return reinterpret_cast<HWND>(static_cast<intptr_t>(value)); }

PyObject *RequestShade(PyObject *, PyObject *args) {
  int window = 0, shade = 0;
  if (!PyArg_ParseTuple(args, "ip", &window, &shade)) return nullptr;
  return PyBool_FromLong(g_manager->RequestShade(ToHandle(window), shade != 0));
}

PyObject *AddWindow(PyObject *, PyObject *args) {
  int window = 0;
  if (!PyArg_ParseTuple(args, "i", &window)) return nullptr;
  return PyBool_FromLong(g_manager->AddWindow(ToHandle(window)));
}

PyObject *RemoveWindow(PyObject *, PyObject *args) {
  int window = 0;
  if (!PyArg_ParseTuple(args, "i", &window)) return nullptr;
  return PyBool_FromLong(g_manager->RemoveWindow(ToHandle(window)));
}

PyObject *DestroyWindow(PyObject *, PyObject *args) {
  int window = 0;
  if (!PyArg_ParseTuple(args, "i", &window)) return nullptr;
  winsim::driver::DestroyAppWindow(ToHandle(window));
  Py_RETURN_NONE;
}

PyObject *SetTitle(PyObject *, PyObject *args) {
  int window = 0;
  const char *title = nullptr;
  if (!PyArg_ParseTuple(args, "is", &window, &title)) return nullptr;
  std::wstring text;
  for (const char *c = title; *c; ++c) text += static_cast<wchar_t>(static_cast<unsigned char>(*c));
  winsim::driver::SetAppWindowText(ToHandle(window), text);
  Py_RETURN_NONE;
}

PyMethodDef g_methods[] = {
    {"request_shade", RequestShade, METH_VARARGS, nullptr}, {"add_window", AddWindow, METH_VARARGS, nullptr},
    {"remove_window", RemoveWindow, METH_VARARGS, nullptr}, {"destroy_window", DestroyWindow, METH_VARARGS, nullptr},
    {"set_title", SetTitle, METH_VARARGS, nullptr},         {nullptr, nullptr, 0, nullptr}};

PyModuleDef g_module = {PyModuleDef_HEAD_INIT, "shadetest", nullptr, -1, g_methods, nullptr, nullptr, nullptr, nullptr};

void InstallTestModule() {
  PyObject *modules = PyImport_GetModuleDict();
  if (PyDict_GetItemString(modules, "shadetest")) return;
  PyObject *module = PyModule_Create(&g_module);
  ASSERT_NE(module, nullptr);
  PyDict_SetItemString(modules, "shadetest", module);
  Py_DECREF(module);
}

const char kPrelude[] =
    "import shadetest\n"
    "calls = []\n"
    "def recorder(name, result=None, then=None):\n"
    "    def handler(h, title, classname):\n"
    "        calls.append('%s:%d' % (name, h))\n"
    "        if then is not None:\n"
    "            then(h)\n"
    "        return result\n"
    "    return handler\n";

}  // namespace

void ShadeTest::SetUp() {
  ScriptTest::SetUp();
  InstallTestModule();
  manager = std::make_unique<ShadeManager>();
  g_manager = manager.get();
  app = winsim::driver::StartApp("managed");
}

void ShadeTest::TearDown() {
  g_manager = nullptr;
  manager.reset();
  script.reset();
  ScriptTest::TearDown();
}

void ShadeTest::Load(const std::string &body) {
  LoadWithErrors(body);
  EXPECT_EQ(ErrorOutput(), "") << "the script did not load cleanly";
}

void ShadeTest::LoadWithErrors(const std::string &body) {
  script = std::make_unique<TempScript>(kPrelude + body);
  manager->LoadScript(script->path().c_str());
}

HWND ShadeTest::Top(const std::wstring &title, bool enabled, bool visible) {
  winsim::driver::NewWindow newWindow;
  newWindow.title = title;
  newWindow.enabled = enabled;
  newWindow.visible = visible;
  return winsim::driver::CreateAppWindow(app, newWindow);
}

HWND ShadeTest::Child(HWND parent, const std::wstring &title) {
  winsim::driver::NewWindow newWindow;
  newWindow.title = title;
  newWindow.parent = parent;
  return winsim::driver::CreateAppWindow(app, newWindow);
}

HWND ShadeTest::Owned(HWND owner, const std::wstring &title) {
  winsim::driver::NewWindow newWindow;
  newWindow.title = title;
  newWindow.owner = owner;
  return winsim::driver::CreateAppWindow(app, newWindow);
}

void ShadeTest::Event(UINT kind, HWND window, HWND other) {
  // The program's window is none of the test's; the event was queued now,
  // long after the start ended.
  HandleWindowEvent(*manager, nullptr, kind, window, reinterpret_cast<WPARAM>(other), EventTime{GetTickCount(), 0});
}

std::string ShadeTest::Calls() {
  // A script that failed to compile never defined the list.
  std::string result = Eval("' '.join(globals().get('calls', []))");
  Exec("globals().get('calls', []).clear()");
  return result;
}

std::string ShadeTest::Call(const std::string &name, HWND window) { return name + ":" + HandleText(window); }

std::string Seq(std::initializer_list<std::string> pieces) {
  std::string result;
  for (const std::string &piece : pieces) {
    if (!result.empty()) result += ' ';
    result += piece;
  }
  return result;
}

}  // namespace quillmere_test
