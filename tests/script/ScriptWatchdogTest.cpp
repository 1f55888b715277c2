// The watchdog: a watched call that runs too long fails with a timeout
// naming the limit, a quick one is left alone, and an interruption never
// lands in another call than the one that ran out of time.
#include "script/ScriptWatchdog.h"

#include "script/InterpreterLock.h"
#include "script/ScriptTestSupport.h"

#include <thread>

namespace {

using namespace std::chrono_literals;
using quillmere_test::HangGuard;
using quillmere_test::ScriptTest;

const std::chrono::milliseconds kLimit = 200ms;
const std::string kStoppedAgain =
    "ScriptTimeoutFinal: the call went on after it was stopped and was stopped again, 0.2 seconds later";

class ScriptWatchdogTest : public ScriptTest {
 protected:
  void SetUp() override {
    ScriptTest::SetUp();
    ScriptWatchdog::SetCallLimitForTests(kLimit);
  }
  void TearDown() override {
    ScriptWatchdog::SetCallLimitForTests(0ms);
    ScriptTest::TearDown();
  }

  // Runs the statements in "__main__"; "" when they ran to their end, else
  // the exception's type name and message.
  static std::string Run(const std::string &code) {
    PyObject *globals = PyModule_GetDict(PyImport_AddModule("__main__"));
    PyObject *result = PyRun_String(code.c_str(), Py_file_input, globals, globals);
    if (result) {
      Py_DECREF(result);
      return "";
    }
    PyObject *type, *value, *traceback;
    PyErr_Fetch(&type, &value, &traceback);
    PyErr_NormalizeException(&type, &value, &traceback);
    PyObject *name = PyObject_GetAttrString(type, "__name__");
    PyObject *text = value ? PyObject_Str(value) : nullptr;
    std::string what = std::string(name ? PyUnicode_AsUTF8(name) : "?") + ": " + (text ? PyUnicode_AsUTF8(text) : "");
    Py_XDECREF(text);
    Py_XDECREF(name);
    Py_XDECREF(type);
    Py_XDECREF(value);
    Py_XDECREF(traceback);
    PyErr_Clear();
    return what;
  }

  // Runs the statements as one watched call, which must end, stopped or
  // not, within a generous number of limits.
  static std::string RunWatched(const std::string &code) {
    HangGuard guard("a watched call", kLimit * 50);
    ScriptWatchdog watchdog;
    ScriptWatchdog::Watch watch(watchdog);
    return Run(code);
  }

  // Waits, without the interpreter lock, past the limit: a call that does
  // this has run out of time.
  static void OutlastTheLimit() {
    InterpreterLock::Released released;
    std::this_thread::sleep_for(kLimit * 3);
  }
};

TEST_F(ScriptWatchdogTest, TheLimitIsFiveSecondsUnlessATestLowersIt) {
  EXPECT_EQ(ScriptWatchdog::kCallLimit, 5000ms);
  EXPECT_EQ(ScriptWatchdog().CallLimit(), kLimit);
  ScriptWatchdog::SetCallLimitForTests(0ms);
  EXPECT_EQ(ScriptWatchdog().CallLimit(), 5000ms);
}

TEST_F(ScriptWatchdogTest, AnEndlessLoopFailsWithATimeoutErrorSayingItRanTooLong) {
  ScriptWatchdog watchdog;
  std::string error;
  {
    ScriptWatchdog::Watch watch(watchdog);
    error = Run("while True:\n    pass\n");
  }
  EXPECT_EQ(error, "ScriptTimeout: the call ran longer than 0.2 seconds and was stopped");
  // It is a TimeoutError, so scripts can catch it as one.
  {
    ScriptWatchdog::Watch watch(watchdog);
    error = Run("try:\n    while True:\n        pass\nexcept TimeoutError:\n    caught = True\n");
  }
  EXPECT_EQ(error, "");
  EXPECT_EQ(Eval("caught"), "True");
}

TEST_F(ScriptWatchdogTest, ACallThatEndsInTimeIsLeftAlone) {
  ScriptWatchdog watchdog;
  for (int i = 0; i < 3; ++i) {
    ScriptWatchdog::Watch watch(watchdog);
    EXPECT_EQ(Run("import time\nend = time.monotonic() + 0.1\nwhile time.monotonic() < end:\n    pass\n"), "");
  }
}

// A call that handles its stop and goes on is stopped again one limit
// later, by an exception that neither `except TimeoutError` nor
// `except Exception` catches: a retry loop cannot keep it running.
TEST_F(ScriptWatchdogTest, ACallThatCatchesTheTimeoutAndGoesOnIsStoppedForGoodAfterAnotherLimit) {
  EXPECT_EQ(RunWatched("caught = 0\n"
                       "while caught < 2:\n"
                       "    try:\n"
                       "        while True:\n"
                       "            pass\n"
                       "    except TimeoutError:\n"
                       "        caught += 1\n"),
            kStoppedAgain);
  EXPECT_EQ(Eval("caught"), "1");
}

TEST_F(ScriptWatchdogTest, AnExceptExceptionRetryLoopEndsAtItsSecondStop) {
  EXPECT_EQ(RunWatched("tries = 0\n"
                       "while True:\n"
                       "    try:\n"
                       "        tries += 1\n"
                       "        while True:\n"
                       "            pass\n"
                       "    except Exception:\n"
                       "        pass\n"),
            kStoppedAgain);
  EXPECT_EQ(Eval("tries"), "2");
}

TEST_F(ScriptWatchdogTest, ACallThatCatchesEvenTheFinalStopIsStoppedAgainAfterEveryLimit) {
  EXPECT_EQ(RunWatched("kinds = []\n"
                       "while len(kinds) < 3:\n"
                       "    try:\n"
                       "        while True:\n"
                       "            pass\n"
                       "    except BaseException as stop:\n"
                       "        kinds.append(type(stop).__name__)\n"
                       "        last = type(stop)\n"),
            "");
  EXPECT_EQ(Eval("kinds"), "['ScriptTimeout', 'ScriptTimeoutFinal', 'ScriptTimeoutFinal']");
  EXPECT_EQ(Eval("issubclass(last, Exception)"), "False");
}

// Only a stop that reached a handler counts: a call blocked in C code while
// several limits pass first meets the stop it can catch.
TEST_F(ScriptWatchdogTest, ACallBlockedPastSeveralLimitsMeetsTheCatchableStopFirst) {
  EXPECT_EQ(RunWatched("import time\n"
                       "try:\n"
                       "    time.sleep(" +
                       std::to_string(kLimit.count() * 4 / 1000.0) +
                       ")\n"
                       "    while True:\n"
                       "        pass\n"
                       "except TimeoutError:\n"
                       "    first = 'caught'\n"),
            "");
  EXPECT_EQ(Eval("first"), "caught");
}

TEST_F(ScriptWatchdogTest, ATimeoutRaisedAfterTheCallEndedReachesNothingElse) {
  ScriptWatchdog watchdog;
  {
    ScriptWatchdog::Watch watch(watchdog);
    // Out of time while outside script code: the exception waits for the
    // next bytecode of this thread, which comes only after the watch.
    OutlastTheLimit();
  }
  EXPECT_EQ(Run("x = sum(range(1000))\nfor i in range(10000):\n    pass\n"), "");
}

TEST_F(ScriptWatchdogTest, ANestedCallIsNotBlamedForTheCallAroundIt) {
  ScriptWatchdog watchdog;
  ScriptWatchdog::Watch outer(watchdog);
  // The outer call runs out of time while it waits (as in a message box),
  // and a nested call begins: it gets its own full limit.
  OutlastTheLimit();
  {
    ScriptWatchdog::Watch inner(watchdog);
    EXPECT_EQ(Run("import time\nend = time.monotonic() + 0.1\nwhile time.monotonic() < end:\n    pass\n"), "");
  }
  // Back in the outer call, which is still out of time.
  EXPECT_EQ(Run("while True:\n    pass\n"), "ScriptTimeout: the call ran longer than 0.2 seconds and was stopped");
}

// Arming a call is a store the sleeping watchdog reads when it wakes on
// its own schedule: many short calls do not wake it.
TEST_F(ScriptWatchdogTest, WatchingCallsWakesNoThread) {
  ScriptWatchdog::SetCallLimitForTests(60s);
  ScriptWatchdog watchdog;
  const std::uint64_t before = watchdog.WakeUpsForTests();
  // In rounds, with pauses that give a woken thread the time to run.
  for (int round = 0; round < 50; ++round) {
    for (int i = 0; i < 100; ++i) {
      ScriptWatchdog::Watch outer(watchdog);
      ScriptWatchdog::Watch inner(watchdog);
    }
    std::this_thread::sleep_for(2ms);
  }
  EXPECT_LE(watchdog.WakeUpsForTests() - before, 1u);
}

// The watchdog's own thread makes no script object when it stops a call:
// an allocation there could run the finalisers of script garbage on a
// thread nobody watches.
TEST_F(ScriptWatchdogTest, StoppingACallRunsNoScriptFinaliserOnTheWatchdogsThread) {
  ScriptWatchdog watchdog;
  {
    ScriptWatchdog::Watch watch(watchdog);
    Run("import gc, threading, time\n"
        "finalised_on = []\n"
        "class Cycle:\n"
        "    def __del__(self):\n"
        "        finalised_on.append(threading.get_ident())\n"
        "garbage = Cycle()\n"
        "garbage.itself = garbage\n"
        "del garbage\n"
        "gc.set_threshold(1)\n"
        "time.sleep(" +
        std::to_string(kLimit.count() * 3 / 1000.0) + ")\n");
  }
  Exec("gc.set_threshold(700, 10, 10)\ngc.collect()\n");
  EXPECT_EQ(Eval("finalised_on == [threading.get_ident()]"), "True") << Eval("finalised_on");
}

}  // namespace
