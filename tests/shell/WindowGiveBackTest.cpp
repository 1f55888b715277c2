// Windows the effects change are always given back: undoing what was never
// done changes nothing, doing it twice saves nothing twice, rolling down
// leaves the application's own style bits alone; at exit the program gives
// back what the script's handlers left changed; and at start it gives back
// what an earlier run, killed before its exit, left changed.
#include <string>

#include "ProgramFixture.h"
#include "module/EffectTagNames.h"

using namespace winsim::driver;

namespace {

std::string Handle(HWND h) { return std::to_string(static_cast<int>(reinterpret_cast<intptr_t>(h))); }
LONG Height(HWND w) { return ReadWindow(w).rect.bottom - ReadWindow(w).rect.top; }
ULONG_PTR Tag(HWND w, const wchar_t *name) { return reinterpret_cast<ULONG_PTR>(GetPropW(w, name)); }

class GiveBack : public ProgramTest {
 protected:
  void SetUp() override {
    ProgramTest::SetUp();
    WriteSettings(10, 20, 400, 300, false, false);
    app = StartApp("a");
    other = CreateAppWindow(StartApp("other"), NewWindow{});
  }
  // A window of 400 by 300 pixels at (50, 60), sizable unless a style is given.
  HWND Window(const wchar_t *title, bool layered = false, DWORD style = 0) {
    NewWindow spec;
    spec.title = title;
    spec.rect = RECT{50, 60, 450, 360};
    spec.layered = layered;
    spec.style = style;
    return CreateAppWindow(app, spec);
  }
  // Every window may roll up; `handlers` defines on_shade and on_unshade.
  void StartWith(const std::string &handlers) {
    WriteScript("import Quillmere\n"
                "def always(h, t, c):\n    return True\n" +
                handlers + "\ndef configure():\n    return ([always], None, None, on_shade, on_unshade)\n");
    Start();
  }
  void FocusAway(HWND w) {
    Click(w);
    Click(other);
  }
  void Exit() {
    ChooseMenuCommand(main, 105);
    EXPECT_EQ(Join(), 0);
  }
  // The window as it was before any effect: 300 high with its sizing frame,
  // opaque and not layered, and without tags.
  void ExpectGivenBack(HWND w) {
    WindowState s = ReadWindow(w);
    EXPECT_EQ(s.rect.bottom - s.rect.top, 300);
    EXPECT_TRUE(s.style & WS_THICKFRAME);
    EXPECT_FALSE(s.exStyle & WS_EX_LAYERED);
    EXPECT_EQ(s.alpha, 255);
    EXPECT_EQ(Tag(w, kShadeHeightTag), 0u);
    EXPECT_EQ(Tag(w, kShadeFrameTag), 0u);
    EXPECT_EQ(Tag(w, kTranslucentTag), 0u);
  }
  DWORD app = 0;
  HWND other = nullptr;
};

// What the effects leave on a window they hold changed when nothing undoes
// it (the run was killed, or the window's record was dropped): the window
// as they made it, with its tags.
void LeaveRolledUpAndTranslucent(HWND w, ULONG_PTR translucentTag) {
  SetPropW(w, kShadeHeightTag, reinterpret_cast<HANDLE>(301));
  SetPropW(w, kShadeFrameTag, reinterpret_cast<HANDLE>(1));
  SetPropW(w, kTranslucentTag, reinterpret_cast<HANDLE>(translucentTag));
  SetWindowPos(w, nullptr, 0, 0, 400, 27, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  SetWindowLongW(w, GWL_STYLE, GetWindowLongW(w, GWL_STYLE) & ~WS_THICKFRAME);
  SetWindowLongW(w, GWL_EXSTYLE, GetWindowLongW(w, GWL_EXSTYLE) | WS_EX_LAYERED);
  SetLayeredWindowAttributes(w, 0, 128, LWA_ALPHA);
}

const char kBothEffects[] = R"py(
def on_shade(h, t, c):
    Quillmere.doShadeWindow(h, 1)
    Quillmere.doTransparentWindow(h, 1)
def on_unshade(h, t, c):
    Quillmere.doShadeWindow(h, 0)
    Quillmere.doTransparentWindow(h, 0)
)py";

TEST_F(GiveBack, DoingAnEffectTwiceSavesNothingTwice) {
  HWND w = Window(L"W");
  StartWith(R"py(
def on_shade(h, t, c):
    for i in range(2):
        Quillmere.doShadeWindow(h, 1)
        Quillmere.doTransparentWindow(h, 1)
def on_unshade(h, t, c):
    Quillmere.doShadeWindow(h, 0)
    Quillmere.doTransparentWindow(h, 0)
)py");
  FocusAway(w);
  EXPECT_EQ(Height(w), 27);
  EXPECT_EQ(ReadWindow(w).alpha, 128);
  Click(w);
  ExpectGivenBack(w);
}

TEST_F(GiveBack, UndoingAnEffectThatWasNeverDoneChangesNothing) {
  HWND w = Window(L"W", true);
  SetLayeredWindowAttributes(w, 0, 200, LWA_ALPHA);
  WindowState before = ReadWindow(w);
  StartWith(R"py(
def on_shade(h, t, c):
    Quillmere.doShadeWindow(h, 0)
    Quillmere.doTransparentWindow(h, 0)
def on_unshade(h, t, c):
    pass
)py");
  FocusAway(w);
  WindowState after = ReadWindow(w);
  EXPECT_EQ(after.rect.bottom - after.rect.top, 300);
  EXPECT_EQ(after.rect.right - after.rect.left, 400);
  EXPECT_EQ(after.style, before.style);
  EXPECT_EQ(after.exStyle, before.exStyle);
  EXPECT_EQ(after.alpha, 200);
}

TEST_F(GiveBack, RollingDownPutsBackTheFrameAndKeepsTheApplicationsOwnStyleBits) {
  HWND sizable = Window(L"sizable");
  HWND fixed = Window(L"fixed", false, WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU);
  StartWith(kBothEffects);
  FocusAway(sizable);
  FocusAway(fixed);
  EXPECT_FALSE(ReadWindow(sizable).style & WS_THICKFRAME);
  // While rolled up, the application disables the window (as a modal
  // dialog of its own does) and takes a button away.
  EnableAppWindow(sizable, false);
  RunInApp(app, [&] { SetWindowLongW(sizable, GWL_STYLE, GetWindowLongW(sizable, GWL_STYLE) & ~WS_MAXIMIZEBOX); });
  Exit();  // the handlers roll both down

  WindowState s = ReadWindow(sizable);
  EXPECT_EQ(s.rect.bottom - s.rect.top, 300);
  EXPECT_TRUE(s.style & WS_THICKFRAME);
  EXPECT_TRUE(s.style & WS_DISABLED);
  EXPECT_FALSE(s.style & WS_MAXIMIZEBOX);
  EXPECT_EQ(Height(fixed), 300);
  EXPECT_FALSE(ReadWindow(fixed).style & WS_THICKFRAME);  // it never had one
}

TEST_F(GiveBack, AChangedWindowCarriesWhatUndoingNeedsUntilItIsUndone) {
  HWND w = Window(L"W");
  HWND layered = Window(L"layered", true);
  StartWith(kBothEffects);
  FocusAway(w);
  FocusAway(layered);
  EXPECT_EQ(Tag(w, kShadeHeightTag), 301u);  // the height, plus one
  EXPECT_EQ(Tag(w, kShadeFrameTag), 1u);
  EXPECT_EQ(Tag(w, kTranslucentTag), 1u);        // the layered style was added
  EXPECT_EQ(Tag(layered, kTranslucentTag), 2u);  // it was layered before
  Click(w);
  ExpectGivenBack(w);
  Click(layered);
  EXPECT_EQ(Tag(layered, kShadeHeightTag), 0u);
  EXPECT_EQ(Tag(layered, kTranslucentTag), 0u);
  EXPECT_TRUE(ReadWindow(layered).exStyle & WS_EX_LAYERED);
}

TEST_F(GiveBack, AWindowLeftChangedUnderAnEarlierRecordIsTakenOverFromItsTags) {
  HWND w = Window(L"W");
  StartWith(kBothEffects);
  // Rolled up and made translucent under a record that is gone; the new
  // record holds nothing yet.
  LeaveRolledUpAndTranslucent(w, 1);
  FocusAway(w);  // what the window looks like now is not what it was
  Click(w);
  ExpectGivenBack(w);
}

TEST_F(GiveBack, ExitGivesBackWindowsWhoseOnUnshadeRefusesOrRaises) {
  HWND refuses = Window(L"refuses");
  HWND raises = Window(L"raises");
  StartWith(R"py(
def on_shade(h, t, c):
    Quillmere.doShadeWindow(h, 1)
    Quillmere.doTransparentWindow(h, 1)
def on_unshade(h, t, c):
    if t == u"raises":
        raise RuntimeError(u"no")
    return False
)py");
  FocusAway(refuses);
  FocusAway(raises);
  Click(other);
  EXPECT_EQ(Height(refuses), 27);
  EXPECT_EQ(Height(raises), 27);
  Exit();
  ExpectGivenBack(refuses);
  ExpectGivenBack(raises);
}

TEST_F(GiveBack, ExitWhileAHandlerRunsGivesItsWindowBack) {
  HWND w = Window(L"W");
  // The handler closes the main window while it runs, as a user does who
  // closes the program while a handler's message box is open.
  StartWith(R"py(
import ctypes
platform = ctypes.PyDLL(None)
platform.SendMessageW.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_size_t, ctypes.c_ssize_t]
def on_shade(h, t, c):
    Quillmere.doShadeWindow(h, 1)
    Quillmere.doTransparentWindow(h, 1)
    platform.SendMessageW(int(open(u"main.txt").read()), 0x10, 0, 0)
def on_unshade(h, t, c):
    Quillmere.doShadeWindow(h, 0)
)py");
  WriteFile("main.txt", Handle(main));
  FocusAway(w);
  EXPECT_EQ(Join(), 0);
  ExpectGivenBack(w);
}

TEST_F(GiveBack, StartGivesBackWhatAnEarlierRunLeftChangedBeforeTheScriptRuns) {
  HWND left = Window(L"left behind");
  HWND layered = Window(L"layered", true);
  HWND untagged = Window(L"untagged");
  LeaveRolledUpAndTranslucent(left, 1);
  LeaveRolledUpAndTranslucent(layered, 2);
  SetWindowPos(untagged, nullptr, 0, 0, 400, 27, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  WriteScript("import Quillmere\nQuillmere.log(u'script runs')\ndef configure():\n    return ([],)\n");
  Start();

  ExpectGivenBack(left);
  EXPECT_EQ(Height(layered), 300);
  EXPECT_TRUE(ReadWindow(layered).exStyle & WS_EX_LAYERED);  // its own
  EXPECT_EQ(ReadWindow(layered).alpha, 255);
  EXPECT_EQ(Tag(layered, kTranslucentTag), 0u);
  EXPECT_EQ(Height(untagged), 27);  // nothing says the program changed it

  std::wstring log = Log();
  std::wstring first = L"Restored \"left behind\": left rolled up and translucent by an earlier run\r\n";
  std::wstring second = L"Restored \"layered\": left rolled up and translucent by an earlier run\r\n";
  std::size_t a = log.find(first), b = log.find(second), script = log.find(L"script runs\r\n");
  ASSERT_NE(a, std::wstring::npos) << log.c_str();
  ASSERT_NE(b, std::wstring::npos) << log.c_str();
  EXPECT_LT(a, script);
  EXPECT_LT(b, script);
  EXPECT_EQ(log.find(L"untagged"), std::wstring::npos);
}

}  // namespace
