// Telling whether the calling thread is inside the interpreter, which
// decides how a killed thread of the program ends.
#include "InterpreterFrames.h"

#include <gtest/gtest.h>

#include <thread>

#include "script/PythonApi.h"

namespace {

using quillmere::sim::StackHoldsInterpreterFrames;

PyObject *Probe(PyObject *, PyObject *) { return PyBool_FromLong(StackHoldsInterpreterFrames()); }

PyMethodDef g_probe = {"probe", Probe, METH_NOARGS, "whether the caller's stack holds interpreter frames"};

TEST(InterpreterFramesTest, OnlyNativeCodeCalledByTheInterpreterIsInsideIt) {
  EXPECT_FALSE(StackHoldsInterpreterFrames());
  Py_InitializeEx(0);
  // A running interpreter alone puts no frames on the program's stack.
  EXPECT_FALSE(StackHoldsInterpreterFrames());
  PyObject *probe = PyCFunction_New(&g_probe, nullptr);
  PyObject *globals = PyDict_New();
  ASSERT_TRUE(probe && globals);
  PyDict_SetItemString(globals, "probe", probe);
  PyDict_SetItemString(globals, "__builtins__", PyEval_GetBuiltins());
  // Called directly, and from script code.
  PyObject *direct = PyObject_CallNoArgs(probe);
  PyObject *fromScript = PyRun_String("(lambda: probe())()", Py_eval_input, globals, globals);
  EXPECT_EQ(direct, Py_True);
  EXPECT_EQ(fromScript, Py_True);
  Py_XDECREF(direct);
  Py_XDECREF(fromScript);
  // Back outside, and on a thread of the program's own that never ran
  // script code.
  EXPECT_FALSE(StackHoldsInterpreterFrames());
  bool other = true;
  Py_BEGIN_ALLOW_THREADS std::thread([&other] { other = StackHoldsInterpreterFrames(); }).join();
  Py_END_ALLOW_THREADS EXPECT_FALSE(other);
  Py_DECREF(globals);
  Py_DECREF(probe);
  Py_FinalizeEx();
}

}  // namespace
