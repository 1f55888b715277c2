// Running the script file: read by the program, run in "__main__" as a
// main script is run.
#include "script/ScriptFile.h"

#include "script/ScriptTestSupport.h"

#include <gmock/gmock.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <future>

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
  ASSERT_EQ(ReadScriptFile(script.path().c_str(), text), ScriptFileRead::Read);
  EXPECT_EQ(text, source);
  EXPECT_EQ(ReadScriptFile(MissingPath().c_str(), text), ScriptFileRead::Missing);
  EXPECT_EQ(ReadScriptFile("", text), ScriptFileRead::Missing);
}

// Only regular files are opened: a FIFO would block the opening until a
// writer comes, and a device such as /dev/zero never ends.
TEST_F(ScriptFileTest, OnlyRegularFilesOfAtMostTheLimitAreRead) {
  const std::string directory = MissingPath();
  ASSERT_EQ(mkdir(directory.c_str(), 0700), 0);
  const std::string fifo = directory + "/fifo.py";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const std::string link = directory + "/link.py";
  TempScript target("x = 1\n");
  ASSERT_EQ(symlink(target.path().c_str(), link.c_str()), 0);

  std::string text;
  EXPECT_EQ(ReadScriptFile(directory.c_str(), text), ScriptFileRead::Directory);
  // Should the reader open the FIFO after all, a writer releases it.
  std::future<ScriptFileRead> pending = std::async(std::launch::async, [&fifo] {
    std::string fifoText;
    return ReadScriptFile(fifo.c_str(), fifoText);
  });
  if (pending.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
    ADD_FAILURE() << "reading the FIFO waited for a writer";
    close(open(fifo.c_str(), O_WRONLY));
  }
  EXPECT_EQ(pending.get(), ScriptFileRead::Pipe);
  EXPECT_EQ(ReadScriptFile("/dev/zero", text), ScriptFileRead::Device);
  EXPECT_EQ(ReadScriptFile(link.c_str(), text), ScriptFileRead::Read);
  EXPECT_EQ(text, "x = 1\n");

  TempScript atLimit(std::string(kMaxScriptFileBytes, '#'));
  EXPECT_EQ(ReadScriptFile(atLimit.path().c_str(), text), ScriptFileRead::Read);
  EXPECT_EQ(text.size(), kMaxScriptFileBytes);
  TempScript beyond(std::string(kMaxScriptFileBytes + 1, '#'));
  EXPECT_EQ(ReadScriptFile(beyond.path().c_str(), text), ScriptFileRead::TooLarge);

  EXPECT_EQ(ScriptFileProblem(ScriptFileRead::TooLarge), L"is larger than 1 MiB");
  EXPECT_EQ(ScriptFileProblem(ScriptFileRead::Pipe), L"is a FIFO, not a regular file");
  EXPECT_EQ(ScriptFileProblem(ScriptFileRead::Read), L"");

  unlink(link.c_str());
  unlink(fifo.c_str());
  rmdir(directory.c_str());
}

TEST_F(ScriptFileTest, RunsInMainWithItsPathAsFileName) {
  TempScript script(
      "\xef\xbb\xbf"  // byte order mark
      "seen_file = __file__\r\n"
      "greeting = 'gr\xc3\xbc\xc3\x9f'\r\n"
      "def configure():\r\n"
      "    return ()\r\n");
  std::string text;
  ASSERT_EQ(ReadScriptFile(script.path().c_str(), text), ScriptFileRead::Read);

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
  ASSERT_EQ(ReadScriptFile(script.path().c_str(), text), ScriptFileRead::Read);

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
  ASSERT_EQ(ReadScriptFile(broken.path().c_str(), text), ScriptFileRead::Read);
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
