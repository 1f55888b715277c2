// One copy of the program at a time: a second start brings the running
// copy forward and ends with 0, changing nothing; a hook the program cannot
// install for another reason ends it with its own exit code, said in the
// log and a message box, again changing nothing.
#include <chrono>
#include <string>
#include <thread>

#include "ProgramFixture.h"
#include "hook/QuillmereHook.h"
#include "shell/ExitCodes.h"
#include "shell/MainWindow.h"
#include "shell/MainWindowClass.h"
#include "shell/resource.h"

using namespace winsim::driver;

namespace {

// Rolls a window up when it loses the focus to another application, and
// notes each run of the script file.
const char kScript[] = R"py(
import Quillmere

with open("runs.txt", "a") as f:
    f.write("run\n")

def everything(h, title, classname):
    return True

def on_shade(h, title, classname):
    Quillmere.doShadeWindow(h, 1)

def on_unshade(h, title, classname):
    Quillmere.doShadeWindow(h, 0)

def configure():
    return ([everything], None, None, on_shade, on_unshade)
)py";

class RunningCopy : public ProgramTest {
 protected:
  void SetUp() override {
    ProgramTest::SetUp();
    WriteSettings(10, 20, 400, 300, false, false);
    WriteScript(kScript);
    appA = StartApp("a");
    appB = StartApp("b");
    a = AppWindow(appA, L"A");
    b = AppWindow(appB, L"B");
  }
  bool RolledUp(HWND h) {
    RECT r = ReadWindow(h).rect;
    return r.bottom - r.top == 27;
  }
  int MainWindows() {
    int count = 0;
    for (HWND h : TopLevelWindows()) count += ReadWindow(h).className == kMainWindowClassName;
    return count;
  }
  // Waits up to 10 s for the message box the program opens, and gives it.
  DialogInfo MessageBoxShown() {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline) {
      for (const DialogInfo &d : OpenDialogs())
        if (d.messageBox) return d;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return DialogInfo{};
  }
  // Ends a program that opened the message box by its OK button; one that
  // went on running instead, by its exit command.
  void Dismiss(const DialogInfo &box) {
    if (box.window)
      EXPECT_TRUE(PressDialogButton(box.window, IDOK));
    else
      ChooseMenuCommand(main, IDM_EXIT);
  }
  DWORD appA = 0, appB = 0;
  HWND a = nullptr, b = nullptr;
};

TEST_F(RunningCopy, ASecondCopyBringsTheFirstForwardEndsWithZeroAndChangesNothing) {
  Start();
  Click(a);
  Click(b);
  ASSERT_TRUE(RolledUp(a));
  ShowAppWindow(main, SW_MINIMIZE);
  WaitAllIdle();
  ASSERT_TRUE(IsIconic(main));
  const std::string settings = ReadFile("quillmere.ini");
  const std::wstring log = Log();

  EXPECT_EQ(RunSecondCopy(), 0);
  WaitAllIdle();
  // The first copy's window is restored and in front; the second made no
  // window and ran no script.
  EXPECT_FALSE(IsIconic(main));
  EXPECT_EQ(GetForegroundWindow(), main);
  EXPECT_EQ(MainWindows(), 1);
  EXPECT_EQ(ReadFile("runs.txt"), "run\n");
  EXPECT_EQ(ReadFile("quillmere.ini"), settings);
  EXPECT_EQ(Log(), log);
  // The window the first copy rolled up was not given back by the second.
  EXPECT_TRUE(RolledUp(a));

  // The first copy keeps its hook: its windows go on rolling.
  Click(a);
  EXPECT_FALSE(RolledUp(a));
  Click(b);
  EXPECT_TRUE(RolledUp(a));
  ASSERT_TRUE(ChooseMenuCommand(main, IDM_EXIT));
  EXPECT_EQ(Join(), 0);
  EXPECT_FALSE(RolledUp(a));
}

TEST_F(RunningCopy, AfterTheFirstCopyEndedTheNextStartRunsAsUsual) {
  Start();
  ASSERT_TRUE(ChooseMenuCommand(main, IDM_EXIT));
  ASSERT_EQ(Join(), 0);
  // The name goes with the copy that held it (a killed one's too, which
  // examples/recovery.scenario starts again after).
  Start();
  Click(a);
  Click(b);
  EXPECT_TRUE(RolledUp(a));
  EXPECT_EQ(ReadFile("runs.txt"), "run\nrun\n");
}

TEST_F(RunningCopy, AHookTheDesktopRefusesEndsTheProgramWithItsExitCodeAndChangesNothing) {
  const std::string settings = ReadFile("quillmere.ini");
  FailNext(Fault::SetWindowsHookEx);
  Launch();
  DialogInfo box = MessageBoxShown();
  const std::wstring expected =
      L"The window hook could not be installed (the system refused it, error 5): "
      L"Quillmere ends without changing anything (exit code 4).";
  EXPECT_EQ(box.text, expected);
  EXPECT_NE(Log().find(expected + L"\r\n"), std::wstring::npos);
  Dismiss(box);
  EXPECT_EQ(Join(), kExitHookNotInstalled);
  EXPECT_EQ(ReadFile("quillmere.ini"), settings);
  EXPECT_EQ(ReadFile("runs.txt"), "");  // the script never ran
  EXPECT_EQ(MainWindows(), 0);
}

TEST_F(RunningCopy, AHookAnotherProgramHoldsIsLeftToItWhenTheProgramEnds) {
  // Another program holds the hook library (one that does not take the
  // copy's name: an earlier release, or the library of a copy the check
  // could not see).
  NewWindow hidden;
  hidden.title = L"another program";
  hidden.visible = false;
  HWND other = CreateAppWindow(StartApp("other"), hidden);
  ASSERT_TRUE(RegisterHook(other, WM_HOOKEVENT));
  const std::string settings = ReadFile("quillmere.ini");
  Launch();
  DialogInfo box = MessageBoxShown();
  EXPECT_NE(box.text.find(L"(another program holds it)"), std::wstring::npos)
      << std::string(box.text.begin(), box.text.end());
  Dismiss(box);
  EXPECT_EQ(Join(), kExitHookNotInstalled);
  EXPECT_EQ(ReadFile("quillmere.ini"), settings);
  // The other program's hook is still in place: the library still refuses.
  HWND probe = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  EXPECT_FALSE(RegisterHook(probe, WM_HOOKEVENT));
  EXPECT_TRUE(UnregisterHook());
  DestroyWindow(probe);
}

}  // namespace
