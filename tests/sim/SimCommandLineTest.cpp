// quillmere-sim as a user runs it: the real program, scenario files, exit
// statuses and what the output says.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <string>

namespace {

using ::testing::HasSubstr;

struct SimRun {
  int status = -1;
  std::string output;
};

// `runner` goes before the executable (such as a time limit).
SimRun RunSim(const std::string &arguments, const std::string &runner = "") {
  SimRun run;
  std::string command = runner + std::string(QUILLMERE_SIM_EXECUTABLE) + " " + arguments + " 2>&1";
  FILE *pipe = popen(command.c_str(), "r");
  if (!pipe) return run;
  char buffer[4096];
  std::size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) run.output.append(buffer, n);
  int raw = pclose(pipe);
  run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return run;
}

std::string WriteScenario(const std::string &name, const std::string &text) {
  std::string path = ::testing::TempDir() + name;
  std::ofstream(path) << text;
  return path;
}

// Two applications' windows; the program starts and the user leaves Work
// for Other, so Work may roll up.
const std::string kStartAndLeaveWork = R"(app a
app b
window w a "Work"
window v b "Other"
start
focus w
focus v
)";

TEST(SimCommandLineTest, AnUnreadableScenarioExitsWithTwoNamingTheLine) {
  std::string path = WriteScenario("sim_bad.scenario", "app a\n\nwindow w b \"W\"\n");
  SimRun run = RunSim(path);
  EXPECT_EQ(run.status, 2);
  EXPECT_THAT(run.output, HasSubstr(path + ":3: no application named \"b\""));
  EXPECT_EQ(RunSim(::testing::TempDir() + "no_such.scenario").status, 2);
  EXPECT_EQ(RunSim("--bogus").status, 2);
}

TEST(SimCommandLineTest, TheDemonstrationRollsWindowsUpAndDown) {
  SimRun run = RunSim("");
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_THAT(run.output, HasSubstr("resized 500x400 -> 500x27, lost its sizing frame"));
  EXPECT_THAT(run.output, HasSubstr("became opaque again"));
  EXPECT_THAT(run.output, HasSubstr("The program exited with code 0."));
  EXPECT_THAT(run.output, HasSubstr("FilterPath=quillmere_script.py"));
}

TEST(SimCommandLineTest, AFailedExpectationAgainstTheProgramExitsWithOne) {
  std::string path = WriteScenario("sim_fails.scenario", kStartAndLeaveWork + R"(expect w height=400   # rolled up
expect-log "rolled up: Work"
)");
  SimRun run = RunSim(path);
  EXPECT_EQ(run.status, 1) << run.output;
  EXPECT_THAT(run.output, HasSubstr("expected: height=400\n      found:    height=27\n"));
  EXPECT_THAT(run.output, HasSubstr("expect-log \"rolled up: Work\"   ok"));
}

TEST(SimCommandLineTest, TheProgramWorksInTheGivenDirectoryAndSavesItsSettingsThere) {
  std::string dir = ::testing::TempDir() + "sim_dir_test";
  std::string mkdir = "mkdir -p " + dir;
  ASSERT_EQ(std::system(mkdir.c_str()), 0);
  std::ofstream(dir + "/quillmere.ini") << "[Window]\nLeft=7\nTop=9\nWidth=300\nHeight=200\nShowTrayIcon=false\n";
  std::string path = WriteScenario("sim_dir.scenario",
                                   "start\nexpect quillmere left=7 top=9 width=300\nclose\n"
                                   "expect-exit 0\ntray left\n");
  SimRun run = RunSim("--dir " + dir + " " + path);
  EXPECT_EQ(run.status, 1) << run.output;  // no tray icon to click after the program has gone
  EXPECT_THAT(run.output, HasSubstr("expect quillmere left=7 top=9 width=300   ok"));
  EXPECT_THAT(run.output, HasSubstr("expect-exit 0   ok"));
  std::ifstream ini(dir + "/quillmere.ini");
  std::string text((std::istreambuf_iterator<char>(ini)), std::istreambuf_iterator<char>());
  EXPECT_THAT(text, HasSubstr("Left=7"));
  EXPECT_THAT(text, HasSubstr("Width=300"));
}

TEST(SimCommandLineTest, ASecondStartAfterTheProgramExitedWorksLikeTheFirst) {
  std::string path = WriteScenario("sim_restart.scenario", R"(app a
window w a "Work"
start
expect-log "managing: Work"
menu exit
expect-exit 0
start
window v a "Later"
expect-log "managing: Later"
close
expect-exit 0
)");
  SimRun run = RunSim(path);
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_THAT(run.output, ::testing::Not(HasSubstr("Traceback")));
  // Each start reports the new run's log, though its line repeats the last run's.
  const std::string started =
      "start\n      quillmere  appeared: \"Quillmere v1.02\" (100,100) 640x480 "
      "[QuillmereMainWindow] visible, sizing frame\n      log        managing: Work\n";
  std::size_t first = run.output.find(started);
  ASSERT_NE(first, std::string::npos) << run.output;
  EXPECT_NE(run.output.find(started, first + 1), std::string::npos) << run.output;
}

TEST(SimCommandLineTest, AnAtexitCallbackThatNeverReturnsDoesNotKeepTheProcess) {
  std::string dir = ::testing::TempDir() + "sim_atexit_test";
  ASSERT_EQ(std::system(("mkdir -p " + dir).c_str()), 0);
  std::ofstream(dir + "/quillmere.ini") << "[Path]\nFilterPath=blocking.py\n";
  std::ofstream(dir + "/blocking.py") << "import atexit, threading\n"
                                         "atexit.register(threading.Event().wait)\n"
                                         "def configure():\n    return ([],)\n";
  std::string path = WriteScenario("sim_atexit.scenario", "start\nclose\nexpect-exit 0\n");
  // A process that stays in the interpreter's shutdown is ended by the test.
  SimRun run = RunSim("--dir " + dir + " " + path, "timeout -s KILL 60 ");
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_THAT(run.output, HasSubstr("did not finish within 5000 ms"));
  std::ifstream ini(dir + "/quillmere.ini");
  std::string text((std::istreambuf_iterator<char>(ini)), std::istreambuf_iterator<char>());
  EXPECT_THAT(text, HasSubstr("Width="));  // the settings were written before
}

TEST(SimCommandLineTest, AKillWhileAHandlerShowsACtypesMessageBoxEndsOnlyTheProgram) {
  // The handler waits in the box, inside the interpreter: with the lock
  // given up (CDLL), and with it held (PyDLL). The next start ends the
  // killed run's interpreter and the program runs afresh.
  for (const std::string library : {"CDLL", "PyDLL"}) {
    SCOPED_TRACE(library);
    std::string dir = ::testing::TempDir() + "sim_kill_box_" + library;
    ASSERT_EQ(std::system(("mkdir -p " + dir).c_str()), 0);
    std::ofstream(dir + "/quillmere.ini") << "[Path]\nFilterPath=asking.py\n";
    std::ofstream(dir + "/asking.py") << "import ctypes, Quillmere\n"
                                         "box = ctypes."
                                      << library
                                      << "(None).MessageBoxW\n"
                                         "box.argtypes = (ctypes.c_void_p, ctypes.c_wchar_p, ctypes.c_wchar_p,"
                                         " ctypes.c_uint)\n"
                                         "Quillmere.log(u'script ran')\n"
                                         "def roll(h, title, classname):\n    return True\n"
                                         "def on_shade(h, title, classname):\n"
                                         "    Quillmere.log(u'asking about %s' % title)\n"
                                         "    box(None, u'Roll it up?', u'script', 0)\n"
                                         "def configure():\n    return ([roll], roll, roll, on_shade)\n";
    std::string path = WriteScenario("sim_kill_box.scenario", kStartAndLeaveWork + R"(expect-log "asking about Work"
kill
expect quillmere exists=no
expect w height=300
expect-exit 1
start
expect quillmere exists=yes
expect-log "script ran"
focus w
focus v
expect-log "asking about Work"
kill
expect-exit 1
start
close
expect-exit 0
)");
    SimRun run = RunSim("--dir " + dir + " " + path, "timeout -s KILL 60 ");
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_THAT(run.output, ::testing::Not(HasSubstr("Fatal Python error")));
    EXPECT_THAT(run.output, HasSubstr("Every expectation held."));
  }
}

}  // namespace
