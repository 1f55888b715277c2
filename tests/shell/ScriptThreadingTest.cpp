// Scripts that use threads, call into the platform through ctypes, or run
// too long: the program keeps the interpreter lock straight, stays
// responsive, stops runaway calls and ends without waiting forever.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "ProgramFixture.h"
#include "module/LogBuffer.h"
#include "script/ScriptThreads.h"
#include "script/ScriptWatchdog.h"

using namespace winsim::driver;
using namespace std::chrono_literals;

namespace {

class ScriptThreading : public ProgramTest {
 protected:
  void SetUp() override {
    ProgramTest::SetUp();
    WriteSettings(10, 20, 400, 300, false, false);
    appA = StartApp("a");
    appB = StartApp("b");
  }
  void TearDown() override {
    ScriptWatchdog::SetCallLimitForTests(0ms);
    ProgramTest::TearDown();
  }
  bool LogHas(const std::wstring &text) { return Log().find(text) != std::wstring::npos; }
  // Waits for the condition; a program that never gets there is stuck
  // (deadlocked, or waiting forever at exit) and cannot be ended by the
  // test's tear-down, so the test process ends here.
  template <typename Condition>
  void AwaitOrAbort(Condition condition, const char *what) {
    auto deadline = std::chrono::steady_clock::now() + 60s;
    while (!condition()) {
      if (std::chrono::steady_clock::now() > deadline) {
        std::fprintf(stderr, "the program is stuck: %s never happened\n", what);
        std::abort();
      }
      std::this_thread::sleep_for(10ms);
    }
  }
  DWORD appA = 0, appB = 0;
};

TEST_F(ScriptThreading, AModalLoopInsideACtypesCallKeepsHandlingEventsWithTheLock) {
  // ctypes gives up the interpreter lock around the foreign call; the
  // message box dispatches further events, whose handlers run meanwhile.
  WriteScript(R"py(
import ctypes, Quillmere
box = ctypes.CDLL(None).MessageBoxW
box.argtypes = (ctypes.c_void_p, ctypes.c_wchar_p, ctypes.c_wchar_p, ctypes.c_uint)
box.restype = ctypes.c_int

def everything(h, title, classname):
    return True

def on_shade(h, title, classname):
    Quillmere.log(u"shade %s" % title)
    if title == u"A":
        box(None, u"Roll A up?", u"script", 0)
        Quillmere.log(u"box closed")

def configure():
    return ([everything], None, None, on_shade)
)py");
  HWND a = AppWindow(appA, L"A"), b = AppWindow(appB, L"B"), c = AppWindow(StartApp("c"), L"C");
  Start();
  Click(a);
  Click(b);  // A rolls up: its handler opens the box
  auto dialogs = OpenDialogs();
  ASSERT_EQ(dialogs.size(), 1u);
  EXPECT_EQ(dialogs[0].text, L"Roll A up?");
  Click(c);  // handled inside the box's loop
  Click(a);
  EXPECT_TRUE(LogHas(L"shade B\r\n"));
  EXPECT_TRUE(LogHas(L"shade C\r\n"));
  EXPECT_FALSE(LogHas(L"box closed"));
  PressDialogButton(dialogs[0].window, IDOK);
  WaitAllIdle();
  EXPECT_TRUE(LogHas(L"box closed\r\n"));
  EXPECT_TRUE(Running());
}

TEST_F(ScriptThreading, AScriptThreadRunsWhileTheScriptRunsAndWhileTheProgramWaits) {
  WriteScript(R"py(
import os, threading, time, Quillmere

def worker():
    Quillmere.log(u"from a thread")
    while not os.path.exists("go"):
        time.sleep(0.01)
    Quillmere.log(u"from a thread after the start")

threading.Thread(target=worker).start()
time.sleep(0.3)  # the thread logs meanwhile and waits for the log view
Quillmere.log(u"script ran")

def configure():
    return ([],)
)py");
  Launch();
  AwaitOrAbort([&] { return LogHas(L"from a thread\r\n") && LogHas(L"script ran\r\n"); }, "both log lines");
  WaitStarted();
  // The program waits for messages now; the thread needs the lock to go on.
  WriteFile("go", "");
  AwaitOrAbort([&] { return LogHas(L"from a thread after the start\r\n"); }, "the thread's last line");
  EXPECT_EQ(LogBuffer::Instance().Text(), Log());
}

TEST_F(ScriptThreading, ExitWaitsBrieflyForScriptThreadsAndLeavesOnesThatNeverEnd) {
  WriteScript(R"py(
import threading, time

def slow():
    time.sleep(0.3)
    with open("slow-thread-ended", "w") as f:
        f.write("yes")

threading.Thread(target=slow).start()
threading.Thread(target=threading.Event().wait, name="forever").start()

def configure():
    return ([],)
)py");
  Start();
  ChooseMenuCommand(main, 105);
  AwaitOrAbort([&] { return !Running(); }, "the program's exit");
  EXPECT_EQ(Join(), 0);
  EXPECT_EQ(ReadFile("slow-thread-ended"), "yes");  // waited for
  const std::wstring said = L"1 script thread still running at exit, not waited for after " +
                            std::to_wstring(kScriptThreadExitWait.count()) + L" ms: forever\r\n";
  const std::wstring log = LogBuffer::Instance().Text();
  EXPECT_NE(log.find(said), std::wstring::npos) << "log: " << std::string(log.begin(), log.end());
}

TEST_F(ScriptThreading, ThreadsInsideTheModuleAtExitStayOutOfTheEndingInterpreter) {
  // A daemon thread, and one the exit gives up on, keep logging: each call
  // gives the lock up and takes it back, also while the interpreter ends.
  // They pause between lines, so that their lines cannot push the exit's
  // own line out of the log (it keeps the last 32K characters) before the
  // test reads it.
  WriteScript(R"py(
import threading, time, Quillmere

def chatter():
    while True:
        Quillmere.log(u"chatter")
        time.sleep(0.005)

threading.Thread(target=chatter, daemon=True).start()
threading.Thread(target=chatter, name="given up").start()

def configure():
    return ([],)
)py");
  Start();
  AwaitOrAbort([&] { return LogHas(L"chatter\r\n"); }, "the threads' first lines");
  ChooseMenuCommand(main, 105);
  AwaitOrAbort([&] { return !Running(); }, "the program's exit");
  EXPECT_EQ(Join(), 0);
  EXPECT_NE(LogBuffer::Instance().Text().find(L"still running at exit, not waited for after"), std::wstring::npos);
  // The next run starts a fresh interpreter beside the threads kept out.
  ResetDesktop();
  RegisterCompanion();
  WriteScript("import Quillmere\nQuillmere.log(u'next run')\ndef configure():\n    return ([],)\n");
  Start();
  EXPECT_TRUE(LogHas(L"next run\r\n"));
}

TEST_F(ScriptThreading, ThreadsThatEndInTimeLeaveNothingToSay) {
  WriteScript(R"py(
import threading
threading.Thread(target=lambda: None).start()

def configure():
    return ([],)
)py");
  Start();
  ChooseMenuCommand(main, 105);
  EXPECT_EQ(Join(), 0);
  EXPECT_EQ(LogBuffer::Instance().Text().find(L"still running"), std::wstring::npos);
}

// A script thread reads windows of the program's own process while events
// arrive: asking such a window for its title waits for the window's thread,
// so neither side may hold the interpreter lock meanwhile.
TEST_F(ScriptThreading, AScriptThreadReadsTheMainWindowWhileEventsArrive) {
  WriteScript(R"py(
import threading, Quillmere

def reader(main):
    for i in range(300):
        title = Quillmere.getWindowProperty(main)["title"]
    Quillmere.log(u"read %s" % title)

def on_add(h, title, classname):
    if title.startswith(u"Quillmere v"):
        threading.Thread(target=reader, args=(h,), daemon=True).start()

def everything(h, title, classname):
    return True

def on_shade(h, title, classname):
    Quillmere.log(u"shade %s" % title)

def configure():
    return ([everything], on_add, None, on_shade)
)py");
  HWND a = AppWindow(appA, L"A"), b = AppWindow(appB, L"B");
  Start();
  for (int i = 0; i < 20; ++i) {
    Click(a);
    Click(b);
  }
  AwaitOrAbort([&] { return LogHas(L"read Quillmere v"); }, "the reading thread's end");
  EXPECT_TRUE(LogHas(L"shade A\r\n"));
  EXPECT_TRUE(Running());
}

TEST_F(ScriptThreading, TheIntakeReadsAWindowAScriptThreadMadeWhileThatThreadNeedsTheLock) {
  // The thread answers messages only between two steps of Python code: the
  // intake must ask its window for the title without the lock.
  WriteScript(R"py(
import ctypes, os, threading, time, Quillmere
user = ctypes.CDLL(None)
user.CreateWindowExW.restype = ctypes.c_void_p
user.CreateWindowExW.argtypes = (ctypes.c_uint, ctypes.c_wchar_p, ctypes.c_wchar_p, ctypes.c_uint,
                                 ctypes.c_int, ctypes.c_int, ctypes.c_int, ctypes.c_int,
                                 ctypes.c_void_p, ctypes.c_void_p, ctypes.c_void_p, ctypes.c_void_p)
user.PeekMessageW.argtypes = (ctypes.c_void_p, ctypes.c_void_p, ctypes.c_uint, ctypes.c_uint, ctypes.c_uint)

def own_window():
    while not os.path.exists("go"):
        time.sleep(0.01)
    user.CreateWindowExW(0, u"EDIT", u"Script window", 0x10CF0000, 10, 10, 200, 100, None, None, None, None)
    message = ctypes.create_string_buffer(64)
    while not os.path.exists("stop"):
        while user.PeekMessageW(message, None, 0, 0, 1):
            pass
        time.sleep(0.001)

def on_add(h, title, classname):
    Quillmere.log(u"add %s" % title)

def configure():
    threading.Thread(target=own_window, daemon=True).start()
    return ([], on_add)
)py");
  Start();
  WriteFile("go", "");  // the window comes after the start: its show event is forwarded
  AwaitOrAbort([&] { return LogHas(L"add Script window\r\n"); }, "the script window's onAdd");
  WriteFile("stop", "");
  EXPECT_TRUE(Running());
}

// A call that would run for 10 s; the lowered limit stops it long before.
const char kRunaway[] = R"py(
import time, Quillmere

def spin():
    end = time.monotonic() + 10
    while time.monotonic() < end:
        pass
    Quillmere.log(u"ran to its end")
)py";

const wchar_t kStopped[] = L"ScriptTimeout: the call ran longer than 0.3 seconds and was stopped\r\n";

TEST_F(ScriptThreading, ARunawayHandlerOrFilterIsStoppedAndReadAsAFailedCall) {
  ScriptWatchdog::SetCallLimitForTests(300ms);
  WriteScript(std::string(kRunaway) + R"py(
def spinning_filter(h, title, classname):
    if title == u"A":
        spin()

def everything(h, title, classname):
    return True

def on_shade(h, title, classname):
    Quillmere.log(u"shade %s" % title)
    if title == u"B":
        spin()

def on_unshade(h, title, classname):
    Quillmere.log(u"unshade %s" % title)

def configure():
    return ([spinning_filter, everything], None, None, on_shade, on_unshade)
)py");
  HWND a = AppWindow(appA, L"A"), b = AppWindow(appB, L"B");
  Start();
  // A: the first filter fails, the second lets the window roll up.
  Click(a);
  Click(b);
  EXPECT_TRUE(LogHas(kStopped));
  EXPECT_TRUE(LogHas(L"shade A\r\n"));
  // B: its onShade fails, which accepts: B counts as rolled up and rolls
  // down when it gets the focus back.
  Click(a);
  EXPECT_TRUE(LogHas(L"shade B\r\n"));
  Click(b);
  EXPECT_TRUE(LogHas(L"unshade B\r\n"));
  EXPECT_FALSE(LogHas(L"ran to its end"));
  EXPECT_TRUE(Running());
}

TEST_F(ScriptThreading, ARunawayConfigureLeavesTheProgramUnconfiguredAndRunning) {
  ScriptWatchdog::SetCallLimitForTests(300ms);
  WriteScript(std::string(kRunaway) + R"py(
def configure():
    spin()
    return ([lambda h, t, c: True],)
)py");
  HWND a = AppWindow(appA, L"A"), b = AppWindow(appB, L"B");
  Start();
  EXPECT_TRUE(LogHas(kStopped));
  EXPECT_TRUE(LogHas(L", in configure\r\n"));
  Click(a);
  Click(b);
  EXPECT_EQ(ReadWindow(a).rect.bottom - ReadWindow(a).rect.top, 300);
  EXPECT_FALSE(LogHas(L"ran to its end"));
  EXPECT_TRUE(Running());
}

TEST_F(ScriptThreading, ASecondStartInTheSameProcessHasTheModuleAndAFreshLog) {
  WriteScript("import Quillmere\nQuillmere.log(u'first run')\ndef configure():\n    return ([],)\n");
  Start();
  ASSERT_EQ(Log(), L"first run\r\n");
  ChooseMenuCommand(main, 105);
  EXPECT_EQ(Join(), 0);
  ResetDesktop();
  RegisterCompanion();
  WriteScript("import Quillmere\nQuillmere.log(u'second run')\ndef configure():\n    return ([],)\n");
  Start();
  EXPECT_EQ(Log(), L"second run\r\n");
}

}  // namespace
