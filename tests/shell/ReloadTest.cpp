// Reloading the script (the command and a save of the file) and pausing,
// with the whole program on the simulated desktop.
#include <chrono>
#include <fstream>
#include <string>
#include <thread>

#include "ProgramFixture.h"
#include "shell/MainWindow.h"
#include "shell/ScriptSaveSettle.h"
#include "shell/resource.h"
#include "shell/version.h"

using namespace winsim::driver;
using namespace std::chrono_literals;

namespace {

std::string Narrow(const std::wstring &text) { return std::string(text.begin(), text.end()); }

// A script whose every line names its version, so that the log tells which
// script's handler ran.
std::string VersionedScript(const std::string &version, const std::string &extra = "") {
  return R"py(
import Quillmere
marker_)py" +
         version +
         R"py( = 1
stale = [name for name in globals() if name.startswith("marker_") and name != "marker_)py" +
         version + R"py("]
if stale:
    Quillmere.log(u"stale " + ",".join(stale))

def on_add(h, title, classname):
    Quillmere.log(u")py" +
         version + R"py( add %s" % title)

def on_destroy(h, title, classname):
    Quillmere.log(u")py" +
         version + R"py( destroy %s" % title)

def everything(h, title, classname):
    return True

def on_shade(h, title, classname):
    Quillmere.log(u")py" +
         version + R"py( shade %s" % title)
    Quillmere.doShadeWindow(h, 1)

def on_unshade(h, title, classname):
    Quillmere.log(u")py" +
         version + R"py( unshade %s" % title)
    Quillmere.doShadeWindow(h, 0)

def configure():
    return ([everything], on_add, on_destroy, on_shade, on_unshade)
)py" + extra;
}

const wchar_t kReloaded[] = L"Script reloaded from \"script.py\"";

class Reload : public ProgramTest {
 protected:
  void SetUp() override {
    ProgramTest::SetUp();
    WriteSettings(10, 20, 400, 300, true, false);
    WriteScript(VersionedScript("v1"));
    appA = StartApp("a");
    appB = StartApp("b");
  }
  void TearDown() override {
    WriteFile("stop", "");
    ProgramTest::TearDown();
  }
  bool Rolled(HWND h) {
    RECT r = ReadWindow(h).rect;
    return r.bottom - r.top == 27;
  }
  // Where a line is in the log, or npos.
  std::size_t Where(const std::wstring &line) { return Log().find(line + L"\r\n"); }
  bool Has(const std::wstring &line) { return Where(line) != std::wstring::npos; }
  std::size_t Count(const std::wstring &text) {
    std::wstring log = Log();
    std::size_t n = 0;
    for (std::size_t at = log.find(text); at != std::wstring::npos; at = log.find(text, at + 1)) ++n;
    return n;
  }
  void Command(UINT id) {
    PostMessageW(main, WM_COMMAND, MAKEWPARAM(id, 0), 0);
    WaitAllIdle();
  }
  // Waits for what the program does on its own (a save noticed after the
  // settle interval); fails the test after 20 s.
  bool Await(const std::function<bool()> &done) {
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (!done()) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      std::this_thread::sleep_for(20ms);
    }
    WaitAllIdle();
    return true;
  }
  // Starts the program with Alpha's window A and Bravo's window B on the desktop.
  void StartWithTwoWindows() {
    a = AppWindow(appA, L"A");
    b = AppWindow(appB, L"B");
    Start();
  }
  std::wstring Title() { return ReadWindow(main).text; }
  std::wstring Tip() {
    for (const TrayIcon &icon : TrayIcons())
      if (icon.window == main) return icon.tip;
    return L"(no icon)";
  }
  DWORD appA = 0, appB = 0;
  HWND a = nullptr, b = nullptr;
};

TEST_F(Reload, AReloadRollsWindowsDownThroughTheOldScriptAndRunsTheNewOneInAFreshNamespace) {
  StartWithTwoWindows();
  Click(a);
  Click(b);
  ASSERT_TRUE(Rolled(a));

  WriteScript(VersionedScript("v2"));
  Command(IDM_RELOAD);
  EXPECT_FALSE(Rolled(a));
  // In order: the old handler rolls A down, the new script is offered
  // every window (its records are new), then the one line.
  const std::size_t unshade = Where(L"v1 unshade A"), add = Where(L"v2 add A"), reloaded = Where(kReloaded);
  ASSERT_NE(unshade, std::wstring::npos);
  ASSERT_NE(add, std::wstring::npos);
  ASSERT_NE(reloaded, std::wstring::npos);
  EXPECT_LT(unshade, add);
  EXPECT_LT(add, reloaded);
  EXPECT_TRUE(Has(L"v2 add B"));
  EXPECT_EQ(Count(L"stale"), 0u) << "the new script saw the old one's globals";
  EXPECT_EQ(Count(kReloaded), 1u);

  // The new script's handlers act from now on.
  Click(a);
  EXPECT_TRUE(Rolled(b));
  EXPECT_TRUE(Has(L"v2 shade B"));
  EXPECT_EQ(Count(L"v1 shade"), 1u);
}

TEST_F(Reload, AReloadAskedForInsideAHandlerWaitsUntilTheEventHasEnded) {
  // The handler asks for a reload and dispatches messages: the command
  // reaches the main window while the handler still runs.
  WriteScript(VersionedScript("v1", R"py(
import ctypes
user = ctypes.CDLL(None)
user.PostMessageW.argtypes = (ctypes.c_void_p, ctypes.c_uint, ctypes.c_size_t, ctypes.c_ssize_t)
user.PeekMessageW.argtypes = (ctypes.c_void_p, ctypes.c_void_p, ctypes.c_uint, ctypes.c_uint, ctypes.c_uint)
user.DispatchMessageW.argtypes = (ctypes.c_void_p,)

def asking_shade(h, title, classname):
    main = int(open("main").read())
    user.PostMessageW(main, 0x0111, 110, 0)
    message = ctypes.create_string_buffer(64)
    while user.PeekMessageW(message, None, 0, 0, 1):
        user.DispatchMessageW(message)
    Quillmere.log(u"v1 handler ends %s" % title)
    return on_shade(h, title, classname)

def configure():
    return ([everything], on_add, on_destroy, asking_shade, on_unshade)
)py"));
  StartWithTwoWindows();
  WriteFile("main", std::to_string(reinterpret_cast<std::uintptr_t>(main)));
  WriteScript(VersionedScript("v2"));
  Click(a);
  Click(b);
  ASSERT_TRUE(Has(L"v1 handler ends A")) << Narrow(Log());
  ASSERT_TRUE(Has(kReloaded));
  EXPECT_LT(Where(L"v1 handler ends A"), Where(kReloaded));
  // The handler finished its roll-up; the reload then rolled A down again
  // through the old script and the new one took over.
  EXPECT_LT(Where(L"v1 shade A"), Where(L"v1 unshade A"));
  EXPECT_LT(Where(L"v1 unshade A"), Where(L"v2 add A"));
  EXPECT_FALSE(Rolled(a));
  EXPECT_TRUE(Running());
}

TEST_F(Reload, AFailingReloadLeavesNoConfigurationAndTheNextSaveTriesAgain) {
  StartWithTwoWindows();
  WriteScript("def configure():\n    raise ValueError('broken on purpose')\n");
  Command(IDM_RELOAD);
  EXPECT_TRUE(Has(L"ValueError: broken on purpose"));
  EXPECT_TRUE(Has(std::wstring(kReloaded) + L" without a configuration (see above); the next save tries again"));
  Click(a);
  Click(b);
  EXPECT_FALSE(Rolled(a)) << "an unconfigured program rolls nothing up";
  EXPECT_TRUE(Running());

  // A save is noticed without the command.
  WriteScript(VersionedScript("v2"));
  ASSERT_TRUE(Await([&] { return Has(kReloaded); })) << "the save was not noticed";
  EXPECT_TRUE(Has(L"v2 add A"));
  Click(a);
  Click(b);
  EXPECT_TRUE(Rolled(a));
}

TEST_F(Reload, ASaveInTwoStepsReloadsOnce) {
  StartWithTwoWindows();
  { std::ofstream truncated(dir + "/script.py", std::ios::binary | std::ios::trunc); }
  WriteScript(VersionedScript("v2"));
  ASSERT_TRUE(Await([&] { return Count(L"Script reloaded") > 0; }));
  // Well past several settle intervals: no second reload comes.
  std::this_thread::sleep_for(std::chrono::milliseconds(4 * kScriptSaveSettleMilliseconds));
  WaitAllIdle();
  EXPECT_EQ(Count(L"Script reloaded"), 1u);
  EXPECT_EQ(Count(L"v2 add A"), 1u);
}

TEST_F(Reload, OldScriptThreadsAreWaitedForBrieflyThenLeftRunning) {
  WriteScript(VersionedScript("v1", R"py(
import os, threading, time

def looping():
    while not os.path.exists("stop"):
        time.sleep(0.01)

def short():
    time.sleep(0.1)

threading.Thread(target=looping, name="looper").start()
threading.Thread(target=short, name="short").start()
)py"));
  Start();
  WriteScript(VersionedScript("v2"));
  Command(IDM_RELOAD);
  EXPECT_TRUE(Has(L"1 script thread of the old script still running at reload, left running after 1000 ms: looper"));
  EXPECT_TRUE(Has(kReloaded));
  EXPECT_TRUE(Running());
}

TEST_F(Reload, PauseRollsEverythingDownIgnoresFocusKeepsTheRecordsAndResumeActsAgain) {
  StartWithTwoWindows();
  Click(a);
  Click(b);
  ASSERT_TRUE(Rolled(a));

  Command(IDM_PAUSE);
  EXPECT_FALSE(Rolled(a));
  EXPECT_TRUE(Has(L"v1 unshade A"));
  EXPECT_EQ(Title(), QuillmereTitle() + L" (paused)");
  EXPECT_EQ(Tip(), L"Quillmere (paused)");
  EXPECT_EQ(GetMenuState(GetMenu(main), IDM_PAUSE, MF_BYCOMMAND) & MF_CHECKED, static_cast<UINT>(MF_CHECKED));
  Click(a);
  Click(b);
  EXPECT_FALSE(Rolled(a));
  EXPECT_EQ(Count(L"v1 shade"), 1u) << "a paused program called a filter or handler for a focus change";
  // Showing and closing keep the records right while paused.
  HWND c = AppWindow(appA, L"C");
  WaitAllIdle();
  EXPECT_TRUE(Has(L"v1 add C"));
  DestroyAppWindow(c);
  WaitAllIdle();
  EXPECT_EQ(Count(L"v1 destroy"), 1u);  // a window that is gone has no title

  const std::size_t adds = Count(L"v1 add");
  Command(IDM_PAUSE);
  EXPECT_EQ(Title(), QuillmereTitle());
  EXPECT_EQ(Tip(), L"Quillmere");
  EXPECT_EQ(GetMenuState(GetMenu(main), IDM_PAUSE, MF_BYCOMMAND) & MF_CHECKED, 0u);
  EXPECT_EQ(Count(L"v1 add"), adds) << "resuming offered windows again";
  Click(a);
  Click(b);
  EXPECT_TRUE(Rolled(a));
}

TEST_F(Reload, AReloadWhilePausedStaysPaused) {
  StartWithTwoWindows();
  Command(IDM_PAUSE);
  WriteScript(VersionedScript("v2"));
  Command(IDM_RELOAD);
  EXPECT_TRUE(Has(L"v2 add A"));
  Click(a);
  Click(b);
  EXPECT_FALSE(Rolled(a));
  EXPECT_EQ(Title(), QuillmereTitle() + L" (paused)");
}

TEST(ScriptSaveSettle, AChangeCountsOnceTheFileHoldsStillAndDiffersFromWhatRan) {
  ScriptFileStamp ran{true, 100, 10};
  ScriptFileStamp truncated{true, 200, 0};
  ScriptFileStamp written{true, 201, 12};
  ScriptSaveSettle settle;
  settle.Loaded(ran);
  // Truncate, then write, within one interval: one save.
  settle.Changed(truncated);
  settle.Changed(written);
  EXPECT_EQ(settle.Settled(written), ScriptSaveSettle::Step::Reload);
  settle.Loaded(written);
  // Still moving when the interval ends: look again.
  settle.Changed(ScriptFileStamp{true, 300, 5});
  EXPECT_EQ(settle.Settled(ScriptFileStamp{true, 301, 9}), ScriptSaveSettle::Step::Wait);
  EXPECT_EQ(settle.Settled(ScriptFileStamp{true, 301, 9}), ScriptSaveSettle::Step::Reload);
  settle.Loaded(ScriptFileStamp{true, 301, 9});
  // Another file of the folder changed: nothing to do.
  settle.Changed(ScriptFileStamp{true, 301, 9});
  EXPECT_EQ(settle.Settled(ScriptFileStamp{true, 301, 9}), ScriptSaveSettle::Step::Idle);
  // The file went away and stayed away: that is a change too.
  settle.Changed(ScriptFileStamp{});
  EXPECT_EQ(settle.Settled(ScriptFileStamp{}), ScriptSaveSettle::Step::Reload);
}

}  // namespace
