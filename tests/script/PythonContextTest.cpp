// The interpreter context: which module it gives, and that neither it nor
// its handles ever change a script object's reference count.
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

TEST_F(PythonContextTest, KeepingAndHandlesChangeNoReferenceCount) {
  PyObject *kept = PyList_New(0);
  PyObject *other = PyUnicode_FromString("kept twice");
  ASSERT_TRUE(kept && other);
  Py_ssize_t keptBefore = Py_REFCNT(kept), otherBefore = Py_REFCNT(other);
  Py_ssize_t mainBefore = Py_REFCNT(ImportedMain());
  {
    auto context = std::make_unique<PythonContext>();
    context->Keep(kept);
    context->Keep(other);
    context->Keep(other);  // duplicates are held as they come
    context->Keep(nullptr);
    EXPECT_EQ(Py_REFCNT(kept), keptBefore);
    EXPECT_EQ(Py_REFCNT(other), otherBefore);

    ScriptObjectHandle handle(kept, PythonContext::PyObjectDeleter());
    {
      ScriptObjectHandle copy = handle;
      EXPECT_EQ(copy.use_count(), 2);
      EXPECT_EQ(Py_REFCNT(kept), keptBefore);
    }
    handle.reset();
    EXPECT_EQ(Py_REFCNT(kept), keptBefore);
    context.reset();
  }
  EXPECT_EQ(Py_REFCNT(kept), keptBefore);
  EXPECT_EQ(Py_REFCNT(other), otherBefore);
  EXPECT_EQ(Py_REFCNT(ImportedMain()), mainBefore + 1);
  Py_DECREF(kept);
  Py_DECREF(other);
}

}  // namespace
