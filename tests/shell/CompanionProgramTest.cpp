// The 64-bit program with its 32-bit companion: windows of 32-bit
// applications roll up and down as 64-bit ones do, through the companion
// alone; the log tells when the companion cannot run or ends, and the
// program starts it again a few times; the companion ends with the program.
// (That it ends with a killed program too is the companion's own test.)
#include <chrono>
#include <string>
#include <thread>

#include "ProgramFixture.h"
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
    return ([everything], None, None, on_shade, on_unshade)
)py";

class CompanionProgram : public ProgramTest {
 protected:
  void SetUp() override {
    ProgramTest::SetUp();
    WriteSettings(10, 20, 400, 300, false, false);
    WriteScript(kScript);
    // The windows' 32-bit values carry the sign bit.
    SetNextHandleValue(0x7FFFFF00u);
    app32 = StartApp("app32", Machine::X86);
    app64 = StartApp("app64");
    a = AppWindow(app32, L"A32", {100, 100, 500, 400});
    b = AppWindow(app64, L"B64", {200, 150, 700, 550});
  }
  bool RolledUp(HWND h) {
    RECT r = ReadWindow(h).rect;
    return r.bottom - r.top == 27;
  }
  bool Has(const std::wstring &line) { return Log().find(line + L"\r\n") != std::wstring::npos; }
  // The companion's process, found by its image's name.
  DWORD CompanionProcessId() {
    DWORD found = 0;
    ForEachProcess([&](DWORD id, const std::string &name) {
      if (name == "quillmere32.exe") found = id;
    });
    return found;
  }
  // Waits up to 10 s for the log to hold the line.
  bool WaitForLine(const std::wstring &line) {
    for (int i = 0; i < 2000; ++i) {
      if (Has(line)) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
  }
  DWORD app32 = 0, app64 = 0;
  HWND a = nullptr, b = nullptr;
};

TEST_F(CompanionProgram, A32BitWindowRollsUpAndDownLikeA64BitOne) {
  Start();
  const RECT aRect = ReadWindow(a).rect, bRect = ReadWindow(b).rect;
  Click(a);
  Click(b);
  EXPECT_TRUE(RolledUp(a));
  EXPECT_FALSE(RolledUp(b));
  Click(a);
  EXPECT_TRUE(RolledUp(b));
  EXPECT_FALSE(RolledUp(a));
  EXPECT_TRUE(EqualRect(&ReadWindow(a).rect, &aRect));
  Click(b);
  Click(a);
  EXPECT_TRUE(Has(L"shade A32"));
  EXPECT_TRUE(Has(L"shade B64"));
  // Closing the program gives both back exactly and ends the companion.
  const DWORD companion = CompanionProcessId();
  ASSERT_NE(companion, 0u);
  ChooseMenuCommand(main, IDM_EXIT);
  EXPECT_EQ(Join(), 0);
  EXPECT_TRUE(EqualRect(&ReadWindow(a).rect, &aRect));
  EXPECT_TRUE(EqualRect(&ReadWindow(b).rect, &bRect));
  EXPECT_FALSE(ProcessRunning(companion));
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
  for (int kill = 1; kill <= kCompanionRestarts; ++kill) {
    const DWORD companion = CompanionProcessId();
    ASSERT_NE(companion, 0u);
    KillProcess(companion, 9);
    ASSERT_TRUE(WaitForLine(L"The 32-bit helper ended (exit code 9); starting it again (" + std::to_wstring(kill) +
                            L" of 3)."))
        << kill;
    WaitAllIdle();
    // Covered again.
    Click(a);
    Click(b);
    EXPECT_TRUE(RolledUp(a)) << kill;
    Click(a);
  }
  KillProcess(CompanionProcessId(), 9);
  ASSERT_TRUE(WaitForLine(L"The 32-bit helper ended (exit code 9) again; 32-bit applications are no longer covered."));
  WaitAllIdle();
  EXPECT_EQ(CompanionProcessId(), 0u);
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
