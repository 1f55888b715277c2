// Running the script file: read by the program, run in "__main__" as a
// main script is run.
#include "script/ScriptFile.h"

#include "script/ScriptTestSupport.h"

#include <gmock/gmock.h>

namespace {

using quillmere_test::MissingPath;
using quillmere_test::ScriptTest;
using quillmere_test::TempScript;
using ::testing::HasSubstr;

class ScriptFileTest : public ScriptTest {
 protected:
  PyObject *Main() { return PyImport_AddModule("__main__"); }
};

TEST_F(ScriptFileTest, ReadsTheWholeFileAsBytes) {
  std::string source = "# \xc3\xa9\r\nx = 1\r\n";
  source += std::string(200000, '#');  // longer than one read
  TempScript script(source);
  std::string text;
  ASSERT_TRUE(ReadScriptFile(script.path().c_str(), text));
  EXPECT_EQ(text, source);
  EXPECT_FALSE(ReadScriptFile(MissingPath().c_str(), text));
}

TEST_F(ScriptFileTest, RunsInMainWithItsPathAsFileName) {
  TempScript script(
      "\xef\xbb\xbf"  // byte order mark
      "seen_file = __file__\r\n"
      "greeting = 'gr\xc3\xbc\xc3\x9f'\r\n"
      "def configure():\r\n"
      "    return ()\r\n");
  std::string text;
  ASSERT_TRUE(ReadScriptFile(script.path().c_str(), text));

  EXPECT_TRUE(RunScriptText(Main(), text, script.path().c_str()));

  EXPECT_EQ(Eval("seen_file"), script.path());
  EXPECT_EQ(Eval("greeting"), "gr\xc3\xbc\xc3\x9f");
  EXPECT_EQ(Eval("callable(configure)"), "True");
  // __file__ belongs to the run only.
  EXPECT_EQ(Eval("'__file__' in globals()"), "False");
  EXPECT_EQ(ErrorOutput(), "");
}

TEST_F(ScriptFileTest, AnErrorPartWayKeepsEarlierDefinitionsAndTheTracebackNamesThePath) {
  TempScript script(
      "def configure():\n"
      "    return 'configured'\n"
      "before = 1\n"
      "raise RuntimeError('script stops here')\n"
      "after = 2\n");
  std::string text;
  ASSERT_TRUE(ReadScriptFile(script.path().c_str(), text));

  EXPECT_FALSE(RunScriptText(Main(), text, script.path().c_str()));

  EXPECT_FALSE(PyErr_Occurred());
  EXPECT_EQ(Eval("configure()"), "configured");
  EXPECT_EQ(Eval("before"), "1");
  EXPECT_EQ(Eval("'after' in globals()"), "False");
  std::string errors = ErrorOutput();
  EXPECT_THAT(errors, HasSubstr("File \"" + script.path() + "\", line 4"));
  EXPECT_THAT(errors, HasSubstr("RuntimeError: script stops here"));
}

TEST_F(ScriptFileTest, SyntaxErrorsAndNullBytesRunNothingAndAreReported) {
  TempScript broken("ran = True\ndef configure(:\n");
  std::string text;
  ASSERT_TRUE(ReadScriptFile(broken.path().c_str(), text));
  EXPECT_FALSE(RunScriptText(Main(), text, broken.path().c_str()));
  EXPECT_EQ(Eval("'ran' in globals()"), "False");
  EXPECT_THAT(ErrorOutput(), HasSubstr("SyntaxError"));
  EXPECT_THAT(ErrorOutput(), HasSubstr(broken.path()));

  // The text would otherwise be cut at the null byte and run in part.
  EXPECT_FALSE(RunScriptText(Main(), std::string("ran = True\n\0oops\n", 17), broken.path().c_str()));
  EXPECT_EQ(Eval("'ran' in globals()"), "False");
  EXPECT_THAT(ErrorOutput(), HasSubstr("null bytes"));
  EXPECT_FALSE(PyErr_Occurred());
}

}  // namespace
