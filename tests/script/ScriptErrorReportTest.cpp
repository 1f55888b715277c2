// Reporting a script error: where the traceback goes, and that the error
// state is clean afterwards.
#include "script/ScriptErrorReport.h"

#include "script/ScriptTestSupport.h"

#include <gmock/gmock.h>

namespace {

using quillmere_test::ScriptTest;
using ::testing::HasSubstr;

class ScriptErrorReportTest : public ScriptTest {
 protected:
  // Raises inside a named function so the traceback has a frame to show.
  void RaiseInScript(const std::string &statement) {
    Exec("def failing():\n    " + statement + "\n");
    PyObject *function = PyObject_GetAttrString(PyImport_AddModule("__main__"), "failing");
    ASSERT_NE(function, nullptr);
    PyObject *result = PyObject_CallObject(function, nullptr);
    Py_DECREF(function);
    ASSERT_EQ(result, nullptr);
    ASSERT_TRUE(PyErr_Occurred());
  }
};

TEST_F(ScriptErrorReportTest, TracebackGoesToTheErrorStreamAndTheSinkAndTheErrorIsCleared) {
  std::wstring sunk;
  int sinkCalls = 0;
  SetScriptErrorSink([&](const std::wstring &text) {
    sunk = text;
    ++sinkCalls;
  });
  RaiseInScript("raise ValueError('caf\\u00e9 \\U0001F600')");

  ReportScriptError();

  EXPECT_FALSE(PyErr_Occurred());
  std::string written = ErrorOutput();
  EXPECT_THAT(written, HasSubstr("Traceback (most recent call last):"));
  EXPECT_THAT(written, HasSubstr("in failing"));
  EXPECT_THAT(written, HasSubstr("ValueError: caf\xc3\xa9 \xf0\x9f\x98\x80"));
  EXPECT_EQ(sinkCalls, 1);
  EXPECT_NE(sunk.find(L"ValueError: caf\u00e9 \U0001F600\n"), std::wstring::npos);
  EXPECT_EQ(sunk.rfind(L"Traceback (most recent call last):", 0), 0u);

  // Without a pending error nothing is reported.
  ReportScriptError();
  EXPECT_EQ(sinkCalls, 1);
  EXPECT_EQ(ErrorOutput(), written);

  // A removed sink is not called again.
  SetScriptErrorSink(ScriptErrorSink());
  RaiseInScript("raise KeyError('second')");
  ReportScriptError();
  EXPECT_EQ(sinkCalls, 1);
  EXPECT_THAT(ErrorOutput(), HasSubstr("KeyError: 'second'"));
}

TEST_F(ScriptErrorReportTest, SystemExitIsReportedWithoutEndingTheProgram) {
  RaiseInScript("raise SystemExit(3)");
  ReportScriptError();
  EXPECT_FALSE(PyErr_Occurred());
  EXPECT_THAT(ErrorOutput(), HasSubstr("SystemExit: 3"));
}

TEST_F(ScriptErrorReportTest, ASinkThatCallsTheInterpreterStartsWithACleanErrorState) {
  SetScriptErrorSink([&](const std::wstring &) { Exec("import sys\nsunk = len(sys.stderr.getvalue()) > 0"); });
  RaiseInScript("1 / 0");
  ReportScriptError();
  EXPECT_EQ(Eval("sunk"), "True");
}

// A replaced sys.stderr whose write replaces sys.stderr in turn leaves the
// stream with no other owner than the report, which still flushes it.
TEST_F(ScriptErrorReportTest, AStreamThatReplacesItselfWhileWrittenIsFlushedBeforeItGoes) {
  Exec(
      "import io, sys\n"
      "events = []\n"
      "class Replacing:\n"
      "    def write(self, text):\n"
      "        events.append('write')\n"
      "        sys.stderr = io.StringIO()\n"
      "    def flush(self):\n"
      "        events.append('flush')\n"
      "    def __del__(self):\n"
      "        events.append('gone')\n"
      "sys.stderr = Replacing()\n");
  RaiseInScript("raise KeyError('replaced')");
  ReportScriptError();
  EXPECT_FALSE(PyErr_Occurred());
  EXPECT_EQ(Eval("events"), "['write', 'flush', 'gone']");
}

}  // namespace
