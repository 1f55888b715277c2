// The interpreter context: which module it gives, and that neither it nor
// its handles ever keep a script object alive or free it.
#include "script/PythonContext.h"

#include "script/ScriptTestSupport.h"

#include <memory>

namespace {

using quillmere_test::ScriptTest;

class PythonContextTest : public ScriptTest {};

PyObject *ImportedMain() { return PyImport_AddModule("__main__"); }  // borrowed

TEST_F(PythonContextTest, MainModuleIsTheMainScriptNamespaceHeldByOneReferenceForTheRun) {
  PyObject *main = ImportedMain();
  Py_ssize_t before = Py_REFCNT(main);
  {
    PythonContext context;
    ASSERT_EQ(context.MainModule(), main);
    EXPECT_EQ(Py_REFCNT(main), before + 1);

    // Code run in the module's namespace defines names of __main__.
    PyObject *globals = PyModule_GetDict(context.MainModule());
    PyObject *result = PyRun_String("answer = 42", Py_file_input, globals, globals);
    ASSERT_NE(result, nullptr);
    Py_DECREF(result);
    EXPECT_EQ(Eval("answer"), "42");
  }
  // The import's reference is never released.
  EXPECT_EQ(Py_REFCNT(main), before + 1);
  EXPECT_FALSE(PyErr_Occurred());
}

TEST_F(PythonContextTest, HandlesNeitherKeepAliveNorFreeAScriptObject) {
  // The test holds the only reference to a probe; a weak reference reports
  // when the probe is freed.
  Exec(
      "freed = []\n"
      "class Probe(object):\n"
      "    pass\n"
      "def gone(reference):\n"
      "    freed.append(True)\n");
  PyObject *globals = PyModule_GetDict(ImportedMain());
  PyObject *probe = PyObject_CallObject(PyDict_GetItemString(globals, "Probe"), nullptr);
  ASSERT_NE(probe, nullptr);
  PyObject *watch = PyWeakref_NewRef(probe, PyDict_GetItemString(globals, "gone"));
  ASSERT_NE(watch, nullptr);
  {
    auto context = std::make_unique<PythonContext>();
    ScriptObjectHandle handle(probe, PythonContext::PyObjectDeleter());
    ScriptObjectHandle copy = handle;
    copy.reset();
    handle.reset();
    context.reset();
    // A handle that released a reference would have freed it.
    EXPECT_EQ(Eval("len(freed)"), "0");
    EXPECT_EQ(Py_REFCNT(probe), 1);
  }
  // Nothing took a reference of its own either: the test's is the last.
  Py_DECREF(probe);
  EXPECT_EQ(Eval("len(freed)"), "1");
  Py_DECREF(watch);
}

}  // namespace
