// The 64-bit program with its 32-bit companion: windows of 32-bit
// applications roll up and down as 64-bit ones do, through the companion
// alone; the log tells when the companion cannot run or ends, and the
// program starts it again a few times; the companion ends with the program.
// (That it ends with a killed program too is the companion's own test.)
#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "ProgramFixture.h"
#include "companion/Companion.h"
#include "hook/CompanionEvents.h"
#include "shell/CompanionProtocol.h"
#include "shell/ExitCodes.h"
#include "shell/resource.h"

using namespace winsim::driver;

namespace {

const char kScript[] = R"py(
import Quillmere

def everything(h, title, classname):
    return True

def on_shade(h, title, classname):
    Quillmere.log("shade " + title)
    Quillmere.doShadeWindow(h, 1)

def on_unshade(h, title, classname):
    Quillmere.log("unshade " + title)
    Quillmere.doShadeWindow(h, 0)

def configure():
    return ([everything], everything, everything, on_shade, on_unshade)
)py";

class CompanionProgram : public ProgramTest {
 protected:
  void SetUp() override {
    ProgramTest::SetUp();
    RegisterImage(kCompanionFileName, Machine::X86, [this](const std::wstring &line) {
      companionThread = GetCurrentThreadId();
      companionProcess = GetCurrentProcessId();
      ++companionStarts;
      return RunCompanion(line);
    });
    // A killed companion runs none of its code again, as on the platform:
    // it leaves its hook's handle behind in the library.
    SetKilledThreadExit([] { return KilledThreadExit::Stop; });
    WriteSettings(10, 20, 400, 300, false, false);
    WriteScript(kScript);
    // The windows' 32-bit values carry the sign bit.
    SetNextHandleValue(0x80000100u);
    app32 = StartApp("app32", Machine::X86);
    app64 = StartApp("app64");
    a = AppWindow(app32, L"A32", {100, 100, 500, 400});
    b = AppWindow(app64, L"B64", {200, 150, 700, 550});
  }
  static bool Same(const RECT &x, const RECT &y) {
    return x.left == y.left && x.top == y.top && x.right == y.right && x.bottom == y.bottom;
  }
  bool RolledUp(HWND h) {
    RECT r = ReadWindow(h).rect;
    return r.bottom - r.top == 27;
  }
  bool Has(const std::wstring &line) { return Log().find(line + L"\r\n") != std::wstring::npos; }
  // The last companion started.
  DWORD CompanionProcessId() { return companionProcess; }
  // Whether the process ends within 5 s, as an application sees it.
  bool Ends(DWORD process) {
    DWORD waited = WAIT_FAILED;
    RunInApp(app64, [&] {
      HANDLE h = OpenProcess(SYNCHRONIZE, FALSE, process);
      waited = h ? WaitForSingleObject(h, 5000) : WAIT_OBJECT_0;
      if (h) CloseHandle(h);
    });
    return waited == WAIT_OBJECT_0;
  }
  // Waits up to 10 s for a companion to run and wait for messages, its hook
  // in place.
  // A companion other than `ended`.
  bool WaitForCompanion(DWORD ended = 0) {
    auto started = [&] { return CompanionProcessId() && CompanionProcessId() != ended; };
    for (int i = 0; i < 2000 && !started(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    if (!started()) return false;
    WaitIdle(companionThread);
    return true;
  }
  // Waits up to 10 s for the log to hold the line.
  bool WaitForLine(const std::wstring &line) {
    for (int i = 0; i < 2000; ++i) {
      if (Has(line)) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
  }
  void TearDown() override {
    ProgramTest::TearDown();
    SetKilledThreadExit(nullptr);
  }
  DWORD app32 = 0, app64 = 0;
  HWND a = nullptr, b = nullptr;
  std::atomic<int> companionStarts{0};
  std::atomic<DWORD> companionProcess{0};
  std::atomic<DWORD> companionThread{0};
};

TEST_F(CompanionProgram, A32BitWindowRollsUpAndDownLikeA64BitOne) {
  Start();
  ASSERT_TRUE(WaitForCompanion());
  const RECT aRect = ReadWindow(a).rect, bRect = ReadWindow(b).rect;
  Click(a);
  Click(b);
  EXPECT_TRUE(RolledUp(a));
  EXPECT_FALSE(RolledUp(b));
  Click(a);
  EXPECT_TRUE(RolledUp(b));
  EXPECT_FALSE(RolledUp(a));
  EXPECT_TRUE(Same(ReadWindow(a).rect, aRect));
  Click(b);
  Click(a);
  EXPECT_TRUE(Has(L"shade A32"));
  EXPECT_TRUE(Has(L"shade B64"));
  // Closing the program gives both back exactly and ends the companion.
  const DWORD companion = CompanionProcessId();
  ASSERT_NE(companion, 0u);
  ChooseMenuCommand(main, IDM_EXIT);
  EXPECT_EQ(Join(), 0);
  EXPECT_TRUE(Same(ReadWindow(a).rect, aRect));
  EXPECT_TRUE(Same(ReadWindow(b).rect, bRect));
  EXPECT_TRUE(Ends(companion));
}

TEST_F(CompanionProgram, HookCallsMadeOnAnInstallersThreadForTheOtherBitnessAreNotTakenTwice) {
  // Each hook is also run on its installer's thread for the processes of
  // the other bitness: the program's for the 32-bit application, the
  // companion's for the 64-bit one. Each event still arrives once.
  SetForeignHookCalls(ForeignHookCalls::InstallingThread);
  Start();
  ASSERT_TRUE(WaitForCompanion());
  const std::wstring before = Log();
  Click(a);
  Click(b);
  Click(a);
  EXPECT_TRUE(RolledUp(b));
  EXPECT_FALSE(RolledUp(a));
  EXPECT_EQ(Log().substr(before.size()), L"shade A32\r\nshade B64\r\nunshade A32\r\n");
}

TEST_F(CompanionProgram, WithoutTheCompanionTheLogSaysSoAnd64BitWindowsAreCoveredAlone) {
  UnregisterImage(kCompanionFileName);
  Start();
  EXPECT_TRUE(Has(L"32-bit applications are not covered: quillmere32.exe could not be started (error 2)."));
  Click(a);
  Click(b);
  EXPECT_FALSE(RolledUp(a));  // the program's own hook does not reach a 32-bit process
  Click(a);
  EXPECT_TRUE(RolledUp(b));
}

TEST_F(CompanionProgram, AnEndedCompanionIsStartedAgainAFewTimesThenGivenUp) {
  Start();
  ASSERT_TRUE(WaitForCompanion());
  for (int kill = 1; kill <= kCompanionRestarts; ++kill) {
    const DWORD companion = CompanionProcessId();
    KillProcess(companion);
    ASSERT_TRUE(
        WaitForLine(L"The 32-bit helper ended (exit code 1); starting it again (" + std::to_wstring(kill) + L" of 3)."))
        << kill;
    ASSERT_TRUE(WaitForCompanion(companion)) << kill;
    WaitAllIdle();
    // Covered again.
    Click(a);
    Click(b);
    EXPECT_TRUE(RolledUp(a)) << kill;
    Click(a);
  }
  const int starts = companionStarts;
  KillProcess(CompanionProcessId());
  ASSERT_TRUE(WaitForLine(L"The 32-bit helper ended (exit code 1) again; 32-bit applications are no longer covered."));
  WaitAllIdle();
  EXPECT_EQ(companionStarts, starts);
  Click(a);
  Click(b);
  EXPECT_FALSE(RolledUp(a));
  // The program goes on with 64-bit windows.
  Click(a);
  EXPECT_TRUE(RolledUp(b));
}

TEST_F(CompanionProgram, ThePrograms32BitEventsCountOnlyWhileItsCompanionRuns) {
  UnregisterImage(kCompanionFileName);
  Start();
  Click(a);
  // Another process posts what the companion's hook would post.
  RunInApp(app64, [&] {
    PostMessageW(main, kCompanionEventFirst + 3, reinterpret_cast<WPARAM>(b), reinterpret_cast<LPARAM>(a));
  });
  WaitAllIdle();
  EXPECT_FALSE(RolledUp(a));
  EXPECT_FALSE(Has(L"shade A32"));
}

}  // namespace
