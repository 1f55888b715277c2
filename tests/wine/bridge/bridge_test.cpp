// The test bridge python3.dll as the Windows program sees it: a PE program
// built like quillmere.exe (stable ABI, no data imports) calls it under
// Wine, 64-bit or 32-bit as the build. What the bridge converts must come
// out as a real python3.dll gives it: 32-bit long, UTF-16 text with
// surrogates, variadic formats (arguments wider than a stack slot among
// them), and calls back into the program's functions.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "script/PythonApi.h"

namespace {

// A new reference to eval(expression) in a fresh namespace (called from C,
// eval has no frame to take one from).
PyObject *Eval(const char *expression) {
  PyObject *builtins = PyImport_ImportModule("builtins");
  PyObject *eval = builtins ? PyObject_GetAttrString(builtins, "eval") : nullptr;
  PyObject *globals = PyDict_New();
  PyObject *result = eval && globals ? PyObject_CallFunction(eval, "sOO", expression, globals, globals) : nullptr;
  Py_XDECREF(globals);
  Py_XDECREF(eval);
  Py_XDECREF(builtins);
  return result;
}

// repr() of an object as UTF-8, and the pending error cleared.
std::string Repr(PyObject *object) {
  PyObject *builtins = PyImport_ImportModule("builtins");
  PyObject *repr = builtins ? PyObject_GetAttrString(builtins, "ascii") : nullptr;
  PyObject *text = repr ? PyObject_CallFunction(repr, "(O)", object) : nullptr;
  std::string result = text ? PyUnicode_AsUTF8AndSize(text, nullptr) : "<error>";
  Py_XDECREF(text);
  Py_XDECREF(repr);
  Py_XDECREF(builtins);
  return result;
}

// The name of the pending exception's type and its message; clears it.
std::string TakeError() {
  PyObject *type = nullptr, *value = nullptr, *traceback = nullptr;
  PyErr_Fetch(&type, &value, &traceback);
  if (!type) return "no error";
  PyErr_NormalizeException(&type, &value, &traceback);
  PyObject *name = PyObject_GetAttrString(type, "__name__");
  std::string result = std::string(name ? PyUnicode_AsUTF8AndSize(name, nullptr) : "?") + ": " + Repr(value);
  Py_XDECREF(name);
  Py_XDECREF(type);
  Py_XDECREF(value);
  Py_XDECREF(traceback);
  PyErr_Clear();
  return result;
}

bool HasError(const std::string &error, const char *type, const char *part) {
  return error.rfind(type, 0) == 0 && error.find(part) != std::string::npos;
}

class BridgeTest : public ::testing::Test {
 protected:
  void TearDown() override { EXPECT_FALSE(PyErr_Occurred()) << TakeError(); }
};

}  // namespace

TEST_F(BridgeTest, LongIsThirtyTwoBitsBothWays) {
  PyObject *negative = PyLong_FromLong(-2147483647L - 1);
  EXPECT_EQ("-2147483648", Repr(negative));
  Py_DECREF(negative);
  PyObject *args = Eval("(-1, 2147483647, 4294967295)");
  ASSERT_NE(nullptr, args) << TakeError();
  long a = 0, b = 0;
  unsigned long c = 0;
  ASSERT_TRUE(PyArg_ParseTuple(args, "llk", &a, &b, &c)) << TakeError();
  EXPECT_EQ(-1L, a);
  EXPECT_EQ(2147483647L, b);
  EXPECT_EQ(4294967295UL, c);
  Py_DECREF(args);

  // The neighbours of a 32-bit long stay untouched, and a value beyond it
  // overflows as a Windows long does.
  struct {
    long before = 7, value = 0, after = 9;
  } slots;
  args = Eval("(2147483648,)");
  EXPECT_FALSE(PyArg_ParseTuple(args, "l", &slots.value));
  EXPECT_TRUE(HasError(TakeError(), "OverflowError", "C long"));
  Py_DECREF(args);
  args = Eval("(-5,)");
  ASSERT_TRUE(PyArg_ParseTuple(args, "l", &slots.value));
  EXPECT_EQ(7, slots.before);
  EXPECT_EQ(-5, slots.value);
  EXPECT_EQ(9, slots.after);
  Py_DECREF(args);

  PyObject *yes = PyBool_FromLong(2);
  EXPECT_EQ(Py_True, yes);
  Py_DECREF(yes);
}

TEST_F(BridgeTest, WideTextIsUtf16WithSurrogatesKept) {
  const wchar_t text[] = L"a\U0001F600b";  // four UTF-16 units
  ASSERT_EQ(4u, sizeof text / sizeof text[0] - 1);
  PyObject *str = PyUnicode_FromWideChar(text, -1);
  EXPECT_EQ("'a\\U0001f600b'", Repr(str));
  Py_ssize_t length = 0;
  wchar_t *back = PyUnicode_AsWideCharString(str, &length);
  ASSERT_NE(nullptr, back);
  EXPECT_EQ(4, length);
  EXPECT_EQ(std::wstring(text), std::wstring(back));
  PyMem_Free(back);
  Py_DECREF(str);

  // A lone surrogate passes through unchanged.
  const wchar_t lone[] = {L'x', 0xD800, 0};
  str = PyUnicode_FromWideChar(lone, 2);
  EXPECT_EQ("'x\\ud800'", Repr(str));
  back = PyUnicode_AsWideCharString(str, &length);
  ASSERT_NE(nullptr, back);
  EXPECT_EQ(2, length);
  EXPECT_EQ(0xD800, back[1]);
  EXPECT_EQ(0, back[2]);
  PyMem_Free(back);
  Py_DECREF(str);

  // An embedded NUL is kept with a size, refused without one.
  const wchar_t withNul[] = {L'a', 0, L'b'};
  str = PyUnicode_FromWideChar(withNul, 3);
  back = PyUnicode_AsWideCharString(str, &length);
  ASSERT_NE(nullptr, back);
  EXPECT_EQ(3, length);
  PyMem_Free(back);
  EXPECT_EQ(nullptr, PyUnicode_AsWideCharString(str, nullptr));
  EXPECT_TRUE(HasError(TakeError(), "ValueError", "embedded null"));
  Py_DECREF(str);
}

TEST_F(BridgeTest, VariadicFormatsBuildAndParseTheProgramsValues) {
  PyObject *builtins = PyImport_ImportModule("builtins");
  PyObject *tuple = PyObject_GetAttrString(builtins, "tuple");
  // A format that makes one tuple gives the arguments: tuple gets one.
  const wchar_t smile[] = L"\U0001F600";
  PyObject *result = PyObject_CallFunction(tuple, "(((ilkLnd)(s#u)z))", -3, -4L, 4000000000UL, -5000000000LL,
                                           static_cast<Py_ssize_t>(-6), 0.5, "xyz", static_cast<Py_ssize_t>(2), smile,
                                           static_cast<const char *>(nullptr));
  ASSERT_NE(nullptr, result) << TakeError();
  EXPECT_EQ("((-3, -4, 4000000000, -5000000000, -6, 0.5), ('xy', '\\U0001f600'), None)", Repr(result)) << TakeError();
  Py_XDECREF(result);

  PyObject *text = PyUnicode_FromString("a,b");
  PyObject *parts = PyObject_CallMethod(text, "split", "s", ",");
  EXPECT_EQ("['a', 'b']", Repr(parts));
  Py_XDECREF(parts);
  PyObject *upper = PyObject_CallMethod(text, "upper", nullptr);
  EXPECT_EQ("'A,B'", Repr(upper));
  Py_XDECREF(upper);

  PyObject *packed = PyTuple_Pack(3, text, Py_None, tuple);
  EXPECT_EQ(3, PyTuple_Size(packed));
  EXPECT_EQ(Py_None, PyTuple_GetItem(packed, 1));
  Py_DECREF(packed);

  PyObject *args = Eval("(7, 255, 'u', (1, 2))");
  int i = 0, x = 0, y = 0;
  unsigned char b = 0;
  PyObject *u = nullptr;
  ASSERT_TRUE(PyArg_ParseTuple(args, "ibU(ii)", &i, &b, &u, &x, &y)) << TakeError();
  EXPECT_EQ(7, i);
  EXPECT_EQ(255, b);
  EXPECT_EQ("'u'", Repr(u));
  EXPECT_EQ(2, y);
  Py_DECREF(args);
  args = Eval("(1, 256)");
  EXPECT_FALSE(PyArg_ParseTuple(args, "ib", &i, &b));
  EXPECT_TRUE(HasError(TakeError(), "OverflowError", "unsigned byte"));
  Py_DECREF(args);
  args = Eval("(b'bytes',)");
  EXPECT_FALSE(PyArg_ParseTuple(args, "U", &u));
  EXPECT_TRUE(HasError(TakeError(), "TypeError", "str"));
  Py_DECREF(args);

  // What the bridge cannot pass on is refused by name.
  args = Eval("(1,)");
  EXPECT_FALSE(PyArg_ParseTuple(args, "w*", &u));
  EXPECT_TRUE(HasError(TakeError(), "SystemError", "_PyArg_ParseTuple_SizeT"));
  Py_DECREF(args);
  EXPECT_EQ(nullptr, PyObject_CallFunction(tuple, "(e)", 1));
  EXPECT_TRUE(HasError(TakeError(), "SystemError", "_PyObject_CallFunction_SizeT"));

  Py_DECREF(text);
  Py_DECREF(tuple);
  Py_DECREF(builtins);
}

namespace {

PyObject *Twice(PyObject *self, PyObject *args) {
  int value = 0;
  if (!PyArg_ParseTuple(args, "i", &value)) return nullptr;
  // self is the module, as for any module function.
  PyObject *name = PyObject_GetAttrString(self, "__name__");
  PyObject *doubled = PyLong_FromLong(2 * value);
  PyObject *result = name && doubled ? PyTuple_Pack(2, doubled, name) : nullptr;
  Py_XDECREF(doubled);
  Py_XDECREF(name);
  return result;
}

PyObject *Fail(PyObject *, PyObject *) {
  PyErr_SetString(PyExc_RuntimeError, "from the program");
  return nullptr;
}

PyMethodDef g_methods[] = {
    {"twice", Twice, METH_VARARGS, "doubles"}, {"fail", Fail, METH_VARARGS, nullptr}, {nullptr, nullptr, 0, nullptr}};
PyModuleDef g_module = {PyModuleDef_HEAD_INIT, "bridged", nullptr, -1, g_methods, nullptr, nullptr, nullptr, nullptr};

PyObject *Keywords(PyObject *, PyObject *, PyObject *) { Py_RETURN_NONE; }
PyMethodDef g_keywordMethods[] = {{"kw", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(Keywords)),
                                   METH_VARARGS | METH_KEYWORDS, nullptr},
                                  {nullptr, nullptr, 0, nullptr}};
PyModuleDef g_keywordModule = {
    PyModuleDef_HEAD_INIT, "kw", nullptr, -1, g_keywordMethods, nullptr, nullptr, nullptr, nullptr};

int g_pendingRuns = 0;
int Pending(void *argument) {
  g_pendingRuns += *static_cast<int *>(argument);
  return 0;
}

}  // namespace

TEST_F(BridgeTest, ModuleMethodsAndPendingCallsCallBackIntoTheProgram) {
  PyObject *module = PyModule_Create(&g_module);
  ASSERT_NE(nullptr, module) << TakeError();
  PyObject *twice = PyObject_GetAttrString(module, "twice");
  PyObject *result = PyObject_CallFunction(twice, "i", 21);
  ASSERT_NE(nullptr, result) << TakeError();
  EXPECT_EQ("(42, 'bridged')", Repr(result)) << TakeError();
  Py_XDECREF(result);
  PyObject *doc = PyObject_GetAttrString(twice, "__doc__");
  EXPECT_EQ("'doubles'", Repr(doc));
  Py_XDECREF(doc);
  EXPECT_EQ(nullptr, PyObject_CallFunction(twice, "s", "x"));
  EXPECT_TRUE(HasError(TakeError(), "TypeError", "int"));
  PyObject *fail = PyObject_GetAttrString(module, "fail");
  EXPECT_EQ(nullptr, PyObject_CallObject(fail, nullptr));
  EXPECT_TRUE(HasError(TakeError(), "RuntimeError", "from the program"));
  Py_XDECREF(fail);
  Py_XDECREF(twice);
  Py_DECREF(module);

  EXPECT_EQ(nullptr, PyModule_Create(&g_keywordModule));
  EXPECT_TRUE(HasError(TakeError(), "SystemError", "PyModule_Create2"));

  static int step = 5;
  ASSERT_EQ(0, Py_AddPendingCall(Pending, &step));
  PyObject *sum = Eval("sum(i for i in range(100000))");
  Py_XDECREF(sum);
  EXPECT_EQ(5, g_pendingRuns);
}

TEST_F(BridgeTest, TextFormatsReadTheProgramsWidths) {
  PyObject *names = PyUnicode_FromString("a, b");
  PyObject *text = PyUnicode_FromFormat("%zd thread%s after %lld ms: %U; %ld %lu %d %u %x %c %R 100%%",
                                        static_cast<Py_ssize_t>(2), "s", 5000LL, names, -1L, 4294967295UL, -7,
                                        3000000000U, 255U, 0x20AC, names);
  ASSERT_NE(nullptr, text) << TakeError();
  EXPECT_EQ("\"2 threads after 5000 ms: a, b; -1 4294967295 -7 3000000000 ff \\u20ac 'a, b' 100%\"", Repr(text));
  Py_DECREF(text);
  EXPECT_EQ(nullptr, PyUnicode_FromFormat("%5d", 1));
  EXPECT_TRUE(HasError(TakeError(), "SystemError", "PyUnicode_FromFormat"));

  // The error stream gets the text; an error pending before stays pending.
  PyObject *io = PyImport_ImportModule("io");
  PyObject *sys = PyImport_ImportModule("sys");
  PyObject *saved = sys ? PyObject_GetAttrString(sys, "stderr") : nullptr;
  PyObject *capture = io ? PyObject_CallMethod(io, "StringIO", nullptr) : nullptr;
  ASSERT_NE(nullptr, capture) << TakeError();
  ASSERT_EQ(0, PyObject_SetAttrString(sys, "stderr", capture));
  PyErr_SetString(PyExc_KeyError, "pending");
  PySys_FormatStderr("%U and %zd\n", names, static_cast<Py_ssize_t>(-3));
  EXPECT_TRUE(HasError(TakeError(), "KeyError", "pending"));
  PySys_FormatStderr("%5d\n", 1);
  EXPECT_FALSE(PyErr_Occurred());
  PyObject_SetAttrString(sys, "stderr", saved);
  PyObject *written = PyObject_CallMethod(capture, "getvalue", nullptr);
  EXPECT_EQ("'a, b and -3\\n'", Repr(written));
  Py_XDECREF(written);
  Py_DECREF(capture);
  Py_XDECREF(saved);
  Py_XDECREF(sys);
  Py_XDECREF(io);
  Py_DECREF(names);
}

namespace {

PyObject *Constant(PyObject *self, PyObject *) { return PyLong_FromLong(self ? 1 : 7); }
PyObject *Echo(PyObject *self, PyObject *argument) { return PyTuple_Pack(2, self, argument); }
PyMethodDef g_constant = {"constant", Constant, METH_NOARGS, nullptr};
PyMethodDef g_echo = {"echo", Echo, METH_O, nullptr};

std::string g_exitOrder;
void FirstAtExit() { g_exitOrder += "first;"; }
void SecondAtExit() { g_exitOrder += "second;"; }

}  // namespace

TEST_F(BridgeTest, FunctionsOfTheProgramAreCalledBack) {
  PyObject *constant = PyCFunction_NewEx(&g_constant, nullptr, nullptr);
  ASSERT_NE(nullptr, constant) << TakeError();
  PyObject *seven = PyObject_CallObject(constant, nullptr);
  EXPECT_EQ("7", Repr(seven));
  Py_XDECREF(seven);
  EXPECT_EQ(nullptr, PyObject_CallFunction(constant, "i", 1));
  EXPECT_TRUE(HasError(TakeError(), "TypeError", "no arguments"));
  Py_DECREF(constant);

  PyObject *self = PyUnicode_FromString("self");
  PyObject *echo = PyCFunction_NewEx(&g_echo, self, nullptr);
  ASSERT_NE(nullptr, echo) << TakeError();
  PyObject *pair = PyObject_CallFunction(echo, "i", 3);
  EXPECT_EQ("('self', 3)", Repr(pair)) << TakeError();
  Py_XDECREF(pair);
  Py_DECREF(echo);
  Py_DECREF(self);

  // Run at finalisation, last registered first (checked in main).
  EXPECT_EQ(0, Py_AtExit(FirstAtExit));
  EXPECT_EQ(0, Py_AtExit(SecondAtExit));
  EXPECT_EQ("", g_exitOrder);
}

TEST_F(BridgeTest, CompiledCodeRunsWithTheBuiltins) {
  EXPECT_EQ(1, Py_IsInitialized());
  PyObject *code = Py_CompileString("items = list(range(4))\nfound = hasattr(items, 'append')\n", "<test>",
                                    Py_file_input);
  ASSERT_NE(nullptr, code) << TakeError();
  PyObject *globals = PyDict_New();
  ASSERT_EQ(0, PyDict_SetItemString(globals, "__builtins__", PyEval_GetBuiltins()));
  PyObject *result = PyEval_EvalCode(code, globals, globals);
  ASSERT_NE(nullptr, result) << TakeError();
  Py_DECREF(result);
  PyObject *items = PyDict_GetItemString(globals, "items");
  EXPECT_EQ(1, PyObject_IsTrue(PyDict_GetItemString(globals, "found")));
  EXPECT_EQ(1, PyObject_HasAttrString(items, "append"));
  PyObject *fast = PySequence_Fast(items, "not a sequence");
  ASSERT_EQ(4, PySequence_Size(fast));
  PyObject *last = PySequence_GetItem(fast, 3);
  EXPECT_EQ("3", Repr(last));
  Py_XDECREF(last);
  PyObject *list = PyList_New(0);
  EXPECT_EQ(0, PyList_Append(list, fast));
  EXPECT_EQ("[[0, 1, 2, 3]]", Repr(list));
  Py_DECREF(list);
  Py_DECREF(fast);
  EXPECT_EQ(nullptr, Py_CompileString("def (", "<test>", Py_file_input));
  EXPECT_TRUE(HasError(TakeError(), "SyntaxError", ""));
  Py_DECREF(globals);
  Py_DECREF(code);
}

TEST_F(BridgeTest, ThreadIdentitiesFindTheirThreadAgain) {
  unsigned long self = PyThread_get_thread_ident();
  EXPECT_EQ(0, PyThreadState_SetAsyncExc(self ^ 0x5A5A5A5AUL, PyExc_ValueError));
  ASSERT_EQ(1, PyThreadState_SetAsyncExc(self, PyExc_KeyError));
  EXPECT_EQ(nullptr, Eval("sum(i for i in range(100000))"));
  EXPECT_TRUE(HasError(TakeError(), "KeyError", ""));

  PyThreadState *state = PyEval_SaveThread();
  PyGILState_STATE gil = PyGILState_Ensure();
  PyObject *two = Eval("1 + 1");
  EXPECT_EQ("2", Repr(two));
  Py_XDECREF(two);
  PyGILState_Release(gil);
  PyEval_RestoreThread(state);
}

namespace {

// A function of the program that needs Windows to know its calling thread:
// the last error lives in the thread's environment block.
DWORD g_scriptThread = 0;
PyObject *OnScriptThread(PyObject *, PyObject *) {
  SetLastError(1234);
  if (GetLastError() == 1234) g_scriptThread = GetCurrentThreadId();
  Py_RETURN_NONE;
}
PyMethodDef g_onScriptThread = {"on_script_thread", OnScriptThread, METH_NOARGS, nullptr};

}  // namespace

TEST_F(BridgeTest, ThreadsTheScriptStartsAreWindowsThreads) {
  PyObject *target = PyCFunction_NewEx(&g_onScriptThread, nullptr, nullptr);
  PyObject *threading = PyImport_ImportModule("threading");
  PyObject *threadType = threading ? PyObject_GetAttrString(threading, "Thread") : nullptr;
  PyObject *thread = threadType && target ? PyObject_CallFunction(threadType, "(OO)", Py_None, target) : nullptr;
  ASSERT_NE(nullptr, thread) << TakeError();
  for (const char *step : {"start", "join"}) {
    PyObject *method = PyObject_GetAttrString(thread, step);
    PyObject *result = method ? PyObject_CallObject(method, nullptr) : nullptr;
    EXPECT_EQ("None", Repr(result)) << step << ": " << TakeError();
    Py_XDECREF(result);
    Py_XDECREF(method);
  }
  EXPECT_NE(0u, g_scriptThread);
  EXPECT_NE(GetCurrentThreadId(), g_scriptThread);
  // threading knows the thread by the identity the thread itself reads.
  PyObject *ident = PyObject_GetAttrString(thread, "ident");
  PyObject *native = PyObject_GetAttrString(thread, "native_id");
  EXPECT_NE("None", Repr(ident));
  EXPECT_NE("None", Repr(native));
  Py_XDECREF(native);
  Py_XDECREF(ident);
  Py_DECREF(thread);
  Py_XDECREF(threadType);
  Py_XDECREF(threading);
  Py_XDECREF(target);
}

int main(int argc, char **argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (!pythonapi::StartInterpreter()) {
    std::fprintf(stderr, "the interpreter's built-in objects are missing\n");
    return 1;
  }
  int status = RUN_ALL_TESTS();
  Py_Finalize();
  if (status == 0 && g_exitOrder != "second;first;") {
    std::fprintf(stderr, "functions registered with Py_AtExit ran as \"%s\"\n", g_exitOrder.c_str());
    return 1;
  }
  return status;
}
