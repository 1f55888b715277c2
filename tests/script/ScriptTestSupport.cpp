#include "script/ScriptTestSupport.h"

#include <winsim/driver.h>

#include "script/ScriptErrorReport.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>

namespace quillmere_test {

namespace {

std::string UniquePath(const char *stem) {
  // Test processes run in parallel: a random tag keeps their files apart.
  static const unsigned tag = std::random_device()();
  static std::atomic<int> counter{0};
  std::filesystem::path dir = std::filesystem::temp_directory_path();
  std::string name = std::string("quillmere_") + stem + "_" + std::to_string(tag) + "_" + std::to_string(counter++) +
                     ".py";
  return (dir / name).string();
}

// Fails the test with the pending script error and clears it.
void FailOnScriptError(const std::string &what) {
  PyObject *type, *value, *traceback;
  PyErr_Fetch(&type, &value, &traceback);
  PyObject *text = value ? PyObject_Str(value) : nullptr;
  const char *message = text ? PyUnicode_AsUTF8(text) : nullptr;
  ADD_FAILURE() << what << ": " << (message ? message : "(unprintable error)");
  Py_XDECREF(text);
  Py_XDECREF(type);
  Py_XDECREF(value);
  Py_XDECREF(traceback);
  PyErr_Clear();
}

PyObject *MainDict() { return PyModule_GetDict(PyImport_AddModule("__main__")); }

// Initialises the interpreter for the test process and finalises it at the
// end, so that each test process checks a whole interpreter lifetime.
class PythonEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { Py_InitializeEx(0); }
  void TearDown() override { Py_FinalizeEx(); }
};

const bool registered = (::testing::AddGlobalTestEnvironment(new PythonEnvironment), true);

}  // namespace

TempScript::TempScript(const std::string &source) : path_(UniquePath("script")) {
  std::ofstream out(path_, std::ios::binary);
  out << source;
}

TempScript::~TempScript() {
  std::error_code ignored;
  std::filesystem::remove(path_, ignored);
}

std::string MissingPath() { return UniquePath("missing"); }

HangGuard::HangGuard(std::string what, std::chrono::milliseconds patience)
    : thread_([this, what, patience] {
        std::unique_lock<std::mutex> lock(mutex_);
        if (!done_.wait_for(lock, patience, [this] { return ended_; })) {
          std::fprintf(stderr, "hung: %s did not end within %lld ms\n", what.c_str(),
                       static_cast<long long>(patience.count()));
          std::fflush(stderr);
          std::abort();
        }
      }) {}

HangGuard::~HangGuard() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    ended_ = true;
  }
  done_.notify_all();
  thread_.join();
}

void ScriptTest::SetUp() {
  (void)registered;
  Exec(
      "[globals().pop(n) for n in [n for n in globals() if not n.startswith('__')]]\n"
      "__import__('sys').stderr = __import__('io').StringIO()\n");
}

void ScriptTest::TearDown() {
  EXPECT_FALSE(PyErr_Occurred()) << "an operation left a script error pending";
  PyErr_Clear();
  SetScriptErrorSink(ScriptErrorSink());
  PySys_SetObject("stderr", PySys_GetObject("__stderr__"));
  winsim::driver::ResetDesktop();
}

void ScriptTest::Exec(const std::string &code) {
  PyObject *result = PyRun_String(code.c_str(), Py_file_input, MainDict(), MainDict());
  if (!result) FailOnScriptError("script statements failed");
  Py_XDECREF(result);
}

std::string ScriptTest::Eval(const std::string &expression) {
  PyObject *value = PyRun_String(expression.c_str(), Py_eval_input, MainDict(), MainDict());
  PyObject *text = value ? PyObject_Str(value) : nullptr;
  const char *utf8 = text ? PyUnicode_AsUTF8(text) : nullptr;
  std::string result = utf8 ? utf8 : "<error>";
  if (!utf8) FailOnScriptError("evaluating " + expression);
  Py_XDECREF(text);
  Py_XDECREF(value);
  return result;
}

std::string ScriptTest::ErrorOutput() {
  PyObject *stream = PySys_GetObject("stderr");
  PyObject *value = stream ? PyObject_CallMethod(stream, "getvalue", nullptr) : nullptr;
  const char *utf8 = value ? PyUnicode_AsUTF8(value) : nullptr;
  std::string result = utf8 ? utf8 : "";
  if (!utf8) PyErr_Clear();
  Py_XDECREF(value);
  return result;
}

}  // namespace quillmere_test
