// The whole program on the simulated desktop: start-up, forwarded events
// driving the script, the menu, tray, about box, and shut-down.
#include <shellapi.h>

#include <algorithm>
#include <thread>
#include <vector>

#include "ProgramFixture.h"
#include "hook/QuillmereHook.h"
#include "shell/MainWindow.h"
#include "shell/resource.h"
#include "shell/version.h"

using namespace winsim::driver;

namespace {

const char kShadingScript[] = R"py(
import Quillmere

def on_add(h, title, classname):
    if "Keep" in title:
        return False
    Quillmere.log(u"add %s" % title)

def everything(h, title, classname):
    return True

def on_shade(h, title, classname):
    Quillmere.log(u"shade %s" % title)
    Quillmere.doShadeWindow(h, 1)
    Quillmere.doTransparentWindow(h, 1)

def on_unshade(h, title, classname):
    Quillmere.log(u"unshade %s" % title)
    Quillmere.doTransparentWindow(h, 0)
    Quillmere.doShadeWindow(h, 0)

def configure():
    return ([everything], on_add, None, on_shade, on_unshade)
)py";

class Program : public ProgramTest {
 protected:
  void SetUp() override {
    ProgramTest::SetUp();
    WriteSettings(10, 20, 400, 300, false, false);
    WriteScript(kShadingScript);
    appA = StartApp("a");
    appB = StartApp("b");
  }
  int Height(HWND h) {
    RECT r = ReadWindow(h).rect;
    return r.bottom - r.top;
  }
  bool Rolled(HWND h) {
    auto s = ReadWindow(h);
    return s.rect.bottom - s.rect.top == 27 && !(s.style & WS_THICKFRAME) && s.alpha == 128;
  }
  bool Contains(const std::wstring &line) { return Log().find(line + L"\r\n") != std::wstring::npos; }
  DWORD appA = 0, appB = 0;
};

TEST_F(Program, FocusMovesBetweenApplicationsRollWindowsUpAndDown) {
  HWND a = AppWindow(appA, L"A", {100, 100, 500, 400});
  HWND b = AppWindow(appB, L"B", {200, 150, 700, 550});
  Start();
  EXPECT_TRUE(Contains(L"add " + QuillmereTitle()));  // the initial enumeration offers the main window too
  EXPECT_TRUE(Contains(L"add A"));
  Click(a);
  Click(b);
  EXPECT_TRUE(Rolled(a));
  EXPECT_EQ(ReadWindow(a).rect.left, 100);
  EXPECT_FALSE(Rolled(b));
  EXPECT_TRUE(Contains(L"shade A"));
  Click(a);
  EXPECT_FALSE(Rolled(a));
  EXPECT_EQ(Height(a), 300);
  EXPECT_TRUE(ReadWindow(a).style & WS_THICKFRAME);
  EXPECT_FALSE(ReadWindow(a).exStyle & WS_EX_LAYERED);
  EXPECT_TRUE(Rolled(b));
  EXPECT_EQ(LiveAllocations(ProgramProcessId()), 0u);  // every page released
}

TEST_F(Program, EachFocusMoveGivesExactlyTheExpectedRequests) {
  HWND a = AppWindow(appA, L"A"), b = AppWindow(appB, L"B");
  Start();
  std::wstring atStart = Log();
  Click(a);  // from the program's own window: unshading A, which is not rolled up, calls nothing
  Click(b);  // A loses the focus to B: A rolls up; B gets it back from A: nothing to unroll
  Click(a);  // B rolls up, A rolls down
  EXPECT_EQ(Log().substr(atStart.size()), L"shade A\r\nshade B\r\nunshade A\r\n");
}

TEST_F(Program, RolledUpHeightFollowsTheSystemMetrics) {
  HWND a = AppWindow(appA, L"A"), b = AppWindow(appB, L"B");
  SetSystemMetric(SM_CYCAPTION, 40);
  Start();
  Click(a);
  Click(b);
  EXPECT_EQ(Height(a), 40);  // above the minimum tracking height: the caption decides
}

TEST_F(Program, FocusInsideOneRootOwnerShadesNothing) {
  HWND a = AppWindow(appA, L"A");
  HWND dialog = AppWindow(appA, L"dialog", {150, 150, 300, 250}, a);
  Start();
  Click(a);
  Click(dialog);
  Click(a);
  EXPECT_FALSE(Rolled(a));
  EXPECT_FALSE(Contains(L"shade A"));
  EXPECT_FALSE(Contains(L"add dialog"));  // owned windows are not managed
}

TEST_F(Program, FocusComingToAnOwnedWindowFromElsewhereRollsItsOwnerDown) {
  HWND a = AppWindow(appA, L"A"), b = AppWindow(appB, L"B");
  HWND dialog = AppWindow(appA, L"dialog", {150, 150, 300, 250}, a);
  Start();
  Click(a);
  Click(dialog);
  EXPECT_FALSE(Rolled(a));
  // Leaving the owned window for another application rolls up its owner;
  // coming back to the owned window rolls the owner down.
  Click(b);
  EXPECT_TRUE(Rolled(a));
  Click(dialog);
  EXPECT_FALSE(Rolled(a));
  EXPECT_TRUE(Rolled(b));
}

TEST_F(Program, AnOwnedWindowIsNeverManagedWhateverItsStyle) {
  HWND a = AppWindow(appA, L"A");
  // Not a pop-up: GetParent does not report the owner of such a window.
  AppWindow(appA, L"owned at start", {150, 150, 400, 300}, a, WS_OVERLAPPEDWINDOW);
  Start();
  HWND later = AppWindow(appA, L"owned later", {160, 160, 400, 300}, a, WS_OVERLAPPEDWINDOW);
  ASSERT_EQ(GetParent(later), nullptr);
  ASSERT_EQ(GetWindow(later, GW_OWNER), a);
  EXPECT_TRUE(Contains(L"add A"));
  EXPECT_FALSE(Contains(L"add owned at start"));
  EXPECT_FALSE(Contains(L"add owned later"));
  HWND b = AppWindow(appB, L"B");
  Click(later);
  Click(b);
  EXPECT_FALSE(Rolled(later));
  EXPECT_FALSE(Contains(L"shade owned later"));
}

TEST_F(Program, ScriptVetoOnAddKeepsAWindowUnmanaged) {
  HWND keep = AppWindow(appA, L"Keep me"), b = AppWindow(appB, L"B");
  Start();
  Click(keep);
  Click(b);
  EXPECT_FALSE(Rolled(keep));
}

TEST_F(Program, WindowsShownLaterAreManagedAndClosedOnesForgotten) {
  Start();
  HWND a = AppWindow(appA, L"Late"), b = AppWindow(appB, L"B");
  EXPECT_TRUE(Contains(L"add Late"));
  Click(a);
  Click(b);
  EXPECT_TRUE(Rolled(a));
  DestroyAppWindow(a);
  WaitAllIdle();
  // Closing a rolled-up window runs its unshade path; a closed window
  // describes itself with an empty title.
  EXPECT_TRUE(Contains(L"unshade "));
}

TEST_F(Program, ExitCommandSavesRestoresAndRemovesTheHookInThatOrder) {
  HWND a = AppWindow(appA, L"A"), b = AppWindow(appB, L"B");
  Start();
  Click(a);
  Click(b);
  ASSERT_TRUE(Rolled(a));
  RECT mainRect = ReadWindow(main).rect;
  ASSERT_TRUE(ChooseMenuCommand(main, IDM_EXIT));
  EXPECT_EQ(Join(), 0);
  EXPECT_FALSE(Rolled(a));
  EXPECT_EQ(Height(a), 300);
  std::string ini = ReadFile("quillmere.ini");
  EXPECT_NE(ini.find("Left=" + std::to_string(mainRect.left) + "\n"), std::string::npos) << ini;
  EXPECT_NE(ini.find("Width=" + std::to_string(mainRect.right - mainRect.left) + "\n"), std::string::npos);
  // The hook is gone: the library takes a new registration.
  HWND probe = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  EXPECT_TRUE(RegisterHook(probe, WM_HOOKEVENT));
  UnregisterHook();
}

TEST_F(Program, CloseBoxEndsTheProgramTheSameWay) {
  HWND a = AppWindow(appA, L"A"), b = AppWindow(appB, L"B");
  Start();
  Click(a);
  Click(b);
  ClickCloseBox(main);
  EXPECT_EQ(Join(), 0);
  EXPECT_FALSE(Rolled(a));
  EXPECT_TRUE(TrayIcons().empty());
}

TEST_F(Program, DestroyingTheWindowAnyOtherWaySavesBeforeRestoring) {
  // The script checks, while it rolls a window down at exit, that the
  // settings file has been written already.
  WriteScript(std::string(kShadingScript) + R"py(
def on_unshade_at_exit(h, title, classname):
    with open("quillmere.ini") as f:
        saved = "Left=55" in f.read()
    with open("saved-first.txt", "w") as f:
        f.write(str(saved))
    on_unshade(h, title, classname)

def configure():
    return ([everything], on_add, None, on_shade, on_unshade_at_exit)
)py");
  HWND a = AppWindow(appA, L"A"), b = AppWindow(appB, L"B");
  Start();
  SetWindowPos(main, nullptr, 55, 66, 300, 200, SWP_NOZORDER | SWP_NOACTIVATE);
  Click(a);
  Click(b);
  PostMessageW(main, WM_CLOSE, 0, 0);  // the default handling destroys the window
  EXPECT_EQ(Join(), 0);
  EXPECT_EQ(ReadFile("saved-first.txt"), "True");
  EXPECT_FALSE(Rolled(a));
  EXPECT_NE(ReadFile("quillmere.ini").find("Left=55\nTop=66\nWidth=300\nHeight=200\n"), std::string::npos);
}

TEST_F(Program, ClosingWhileMinimisedSavesTheNormalRectangleForTheNextStart) {
  Start();
  RECT before = ReadWindow(main).rect;
  EXPECT_EQ(before.left, 10);
  EXPECT_EQ(before.right - before.left, 400);
  SetWindowPos(main, nullptr, 30, 40, 500, 350, SWP_NOZORDER);
  ShowAppWindow(main, SW_MINIMIZE);
  WaitAllIdle();
  ASSERT_TRUE(IsIconic(main));
  ChooseMenuCommand(main, IDM_EXIT);
  EXPECT_EQ(Join(), 0);
  ResetDesktop();
  Start();
  RECT after = ReadWindow(main).rect;
  EXPECT_EQ(after.left, 30);
  EXPECT_EQ(after.top, 40);
  EXPECT_EQ(after.right - after.left, 500);
  EXPECT_EQ(after.bottom - after.top, 350);
}

TEST_F(Program, StartMinimisedStillInstallsTheHook) {
  WriteSettings(10, 20, 400, 300, false, true);
  HWND a = AppWindow(appA, L"A"), b = AppWindow(appB, L"B");
  Start();
  EXPECT_TRUE(IsIconic(main));
  EXPECT_EQ(ReadWindow(main).normalRect.left, 10);
  Click(a);
  Click(b);
  EXPECT_TRUE(Rolled(a));
}

TEST_F(Program, TrayIconOnlyWhenAskedForEvenAfterTheShellRestartsAndItsClicks) {
  Start();
  EXPECT_TRUE(TrayIcons().empty());
  RestartShell();
  WaitAllIdle();
  EXPECT_TRUE(TrayIcons().empty());
  ChooseMenuCommand(main, IDM_EXIT);
  Join();
  ResetDesktop();

  WriteSettings(10, 20, 400, 300, true, false);
  Start();
  // Added at start, and again by each new taskbar, which knows no icons.
  for (int restart = 0; restart < 3; ++restart) {
    if (restart) {
      RestartShell();
      WaitAllIdle();
    }
    auto icons = TrayIcons();
    ASSERT_EQ(icons.size(), 1u) << restart;
    EXPECT_EQ(icons[0].window, main);
    EXPECT_EQ(icons[0].id, static_cast<UINT>(ID_TRAYICON));
    EXPECT_EQ(icons[0].tip, L"Quillmere");
    EXPECT_EQ(icons[0].callbackMessage, WM_TRAYNOTIFY);
  }

  // Left: restores the window and brings it to the front.
  ShowAppWindow(main, SW_MINIMIZE);
  ClickTray(main, ID_TRAYICON, MouseButton::Left);
  WaitAllIdle();
  EXPECT_FALSE(IsIconic(main));
  EXPECT_EQ(GetForegroundWindow(), main);

  // Middle, or a click for another icon id: nothing.
  ClickTray(main, ID_TRAYICON, MouseButton::Middle);
  PostMessageW(main, WM_TRAYNOTIFY, ID_TRAYICON + 1, WM_RBUTTONDOWN);
  WaitAllIdle();
  EXPECT_TRUE(OpenDialogs().empty());

  // Right: the version box, which keeps the program handling events.
  ClickTray(main, ID_TRAYICON, MouseButton::Right);
  WaitAllIdle();
  auto dialogs = OpenDialogs();
  ASSERT_EQ(dialogs.size(), 1u);
  EXPECT_TRUE(dialogs[0].messageBox);
  EXPECT_EQ(dialogs[0].caption, QuillmereTitle());
  PressDialogButton(dialogs[0].window, IDOK);
  WaitAllIdle();
  EXPECT_TRUE(OpenDialogs().empty());
  ChooseMenuCommand(main, IDM_EXIT);
  EXPECT_EQ(Join(), 0);
  EXPECT_TRUE(TrayIcons().empty());
}

TEST_F(Program, TitleAboutBoxAndVersionBoxShowTheBuildsVersionWithTwoDecimals) {
  const std::string built = QUILLMERE_VERSION_TEXT;
  ASSERT_EQ(built.size(), built.find('.') + 3) << built;
  const std::wstring version(built.begin(), built.end());
  WriteSettings(10, 20, 400, 300, true, false);
  Start();
  EXPECT_EQ(ReadWindow(main).text, L"Quillmere v" + version);

  ASSERT_TRUE(ChooseMenuCommand(main, IDM_ABOUT));
  WaitAllIdle();
  auto dialogs = OpenDialogs();
  ASSERT_EQ(dialogs.size(), 1u);
  std::vector<std::wstring> lines;
  for (HWND c = GetWindow(dialogs[0].window, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
    lines.push_back(ReadWindow(c).text);
  EXPECT_NE(std::find(lines.begin(), lines.end(), L"Quillmere, Version " + version), lines.end());
  PressDialogButton(dialogs[0].window, IDOK);
  WaitAllIdle();

  ClickTray(main, ID_TRAYICON, MouseButton::Right);
  WaitAllIdle();
  dialogs = OpenDialogs();
  ASSERT_EQ(dialogs.size(), 1u);
  EXPECT_EQ(dialogs[0].caption, L"Quillmere v" + version);
  EXPECT_EQ(dialogs[0].text.substr(0, version.size() + 11), L"Quillmere " + version + L"\n");
  PressDialogButton(dialogs[0].window, IDOK);
}

TEST_F(Program, TheLogFontIsDeletedOnceTheWindowIsGone) {
  Start();
  HFONT font = ReadWindow(GetDlgItem(main, IDC_LOGVIEW)).font;
  FontInfo info;
  ASSERT_TRUE(ReadFont(font, info));
  EXPECT_EQ(info.face, L"MS P Gothic");
  EXPECT_EQ(info.height, -12);  // 9 points at 96 dots per inch
  EXPECT_EQ(info.charSet, static_cast<DWORD>(SHIFTJIS_CHARSET));
  ChooseMenuCommand(main, IDM_EXIT);
  EXPECT_EQ(Join(), 0);
  EXPECT_FALSE(ReadFont(font, info));
}

TEST_F(Program, AboutBoxOpensFromTheKeyboardAndKeepsHandlingEvents) {
  HWND a = AppWindow(appA, L"A"), b = AppWindow(appB, L"B");
  Start();
  for (const char *keys : {"alt+?", "alt+/"}) {
    for (int way = 0; way < 3; ++way) {
      TypeKeys(main, keys);
      WaitAllIdle();
      auto dialogs = OpenDialogs();
      ASSERT_EQ(dialogs.size(), 1u) << keys;
      EXPECT_EQ(dialogs[0].caption, L"About Quillmere");
      EXPECT_EQ(dialogs[0].owner, main);
      if (way == 0) {
        // Events are handled while the box is open.
        Click(a);
        Click(b);
        EXPECT_TRUE(Rolled(a));
        Click(a);
        EXPECT_FALSE(Rolled(a));
        PressDialogButton(dialogs[0].window, IDOK);
      } else if (way == 1) {
        TypeKeys(dialogs[0].window, "esc");
      } else {
        ClickCloseBox(dialogs[0].window);
      }
      WaitAllIdle();
      EXPECT_TRUE(OpenDialogs().empty());
      EXPECT_TRUE(IsWindowEnabled(main));
    }
  }
  EXPECT_TRUE(Running());
}

TEST_F(Program, ForgedEventMessagesAreIgnored) {
  Start();
  // A made-up address, and the address of an allocation that is not one page.
  PostMessageW(main, WM_HOOKEVENT, 0, 0x12345000);
  void *region = VirtualAlloc(nullptr, 8192, MEM_COMMIT, PAGE_READWRITE);
  PostMessageW(main, WM_HOOKEVENT, 0, reinterpret_cast<LPARAM>(region));
  PostMessageW(main, WM_HOOKEVENT, 0, reinterpret_cast<LPARAM>(static_cast<char *>(region) + 4096));
  WaitAllIdle();
  EXPECT_TRUE(Running());
  EXPECT_EQ(LiveAllocations(ProgramProcessId()), 1u);  // nothing was freed
  VirtualFree(region, 0, MEM_RELEASE);
}

TEST_F(Program, PagesAreReleasedOnceAcrossBurstsAndFaults) {
  HWND a = AppWindow(appA, L"A"), b = AppWindow(appB, L"B");
  Start();
  // A's first event opens the program's process: that open fails, and a
  // later event opens it again.
  FailNext(Fault::OpenProcess, appA);
  for (int i = 0; i < 20; ++i) {
    Click(i % 2 ? a : b);
    if (i == 8) FailNext(Fault::VirtualAllocEx, appB);
    if (i == 11) FailNext(Fault::WriteProcessMemory, appA);
    if (i == 14) FailNext(Fault::PostMessage, appB);
  }
  WaitAllIdle();
  EXPECT_EQ(PendingFaults(), 0u) << "every fault was met by a forwarded event";
  EXPECT_EQ(LiveAllocations(ProgramProcessId()), 0u);
  EXPECT_TRUE(Running());
  // A's events still reach the program after its failed open.
  Click(b);
  WaitAllIdle();
  EXPECT_TRUE(Rolled(a));
}

// A calm start: focus changes queued before every window had been offered
// to the script (the user clicking around while the script loads, and the
// program's own window taking the focus from the application that had it)
// roll nothing up or down; the first focus change after the start does.
TEST_F(Program, FocusChangesQueuedDuringStartRollNothingAndLaterOnesDo) {
  HWND a = AppWindow(appA, L"A"), b = AppWindow(appB, L"B");
  Click(a);  // an application has the foreground while the program starts
  // The script waits, while it runs, until the user has clicked around.
  WriteScript(std::string(kShadingScript) + R"py(
import os, time
Quillmere.log(u"loading")
for _ in range(1000):
    if os.path.exists("go"):
        break
    time.sleep(0.01)
)py");
  Launch();
  while (Log().find(L"loading") == std::wstring::npos) std::this_thread::yield();
  Click(b);
  Click(a);
  Click(b);
  WriteFile("go", "");
  WaitStarted();
  EXPECT_FALSE(Rolled(a));
  EXPECT_FALSE(Rolled(b));
  std::wstring log = Log();
  EXPECT_NE(log.find(L"add A"), std::wstring::npos);
  EXPECT_NE(log.find(L"add B"), std::wstring::npos);
  EXPECT_EQ(log.find(L"shade"), std::wstring::npos) << "nothing rolled at start";

  Click(a);  // B, which has the focus now, loses it to A
  EXPECT_TRUE(Rolled(b));
  EXPECT_FALSE(Rolled(a));
  EXPECT_EQ(Log().substr(log.size()), L"shade B\r\n");
}

}  // namespace
