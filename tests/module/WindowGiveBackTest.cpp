// Windows the effects change are always given back: undoing what was never
// done changes nothing, doing it twice saves nothing twice, rolling down
// leaves the application's own style bits alone; at exit the program gives
// back what the script's handlers left changed; and at start it gives back
// what an earlier run, killed before its exit, left changed.
#include <string>
#include <vector>

#include "ProgramFixture.h"
#include "module/EffectTagNames.h"
#include "module/LogBuffer.h"

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
    NewWindow newWindow;
    newWindow.title = title;
    newWindow.rect = RECT{50, 60, 450, 360};
    newWindow.layered = layered;
    newWindow.style = style;
    return CreateAppWindow(app, newWindow);
  }
  // Every window may roll up; `handlers` defines on_shade and on_unshade.
  void StartWith(const std::string &handlers) {
    WriteScript(
        "import Quillmere\n"
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
    EXPECT_EQ(Tag(w, kLayeredAlphaTag), 0u);
    EXPECT_EQ(Tag(w, kLayeredKeyTag), 0u);
    EXPECT_FALSE(s.topmost);
    EXPECT_EQ(Tag(w, kTopmostTag), 0u);
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

// --- Threads, exit and the atom table ---

TEST_F(GiveBack, ThreadsRollingUpOneWindowAtOnceSaveItsRealSize) {
  HWND w = Window(L"W");
  // Rounds of four script threads rolling the window up at the same
  // moment; a height saved from a rolled-up window would be given back by
  // every later roll-down.
  StartWith(R"py(
import threading
def roll_up_at_once(h):
    barrier = threading.Barrier(4)
    def roll():
        barrier.wait()
        Quillmere.doShadeWindow(h, 1)
        Quillmere.doTransparentWindow(h, 1)
    threads = [threading.Thread(target=roll) for i in range(4)]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
def roll_down(h, t=None, c=None):
    Quillmere.doShadeWindow(h, 0)
    Quillmere.doTransparentWindow(h, 0)
def on_shade(h, t, c):
    for i in range(60):
        roll_up_at_once(h)
        roll_down(h)
    roll_up_at_once(h)
on_unshade = roll_down
)py");
  FocusAway(w);
  EXPECT_EQ(Height(w), 27);
  EXPECT_EQ(Tag(w, kShadeHeightTag), 301u);
  Click(w);
  ExpectGivenBack(w);
}

TEST_F(GiveBack, ScriptThreadsChangeNothingOnceTheExitGiveBackStarts) {
  HWND w = Window(L"W");
  // At exit, onUnshade starts a thread that goes on changing the window
  // while the program gives it back and waits for the script's threads.
  StartWith(R"py(
import threading, time
def keep_changing(h):
    end = time.monotonic() + 0.3
    while time.monotonic() < end:
        Quillmere.doShadeWindow(h, 1)
        Quillmere.doTransparentWindow(h, 1)
        Quillmere.doTopmostWindow(h, 1)
        time.sleep(0.001)
def on_shade(h, t, c):
    Quillmere.doShadeWindow(h, 1)
def on_unshade(h, t, c):
    threading.Thread(target=keep_changing, args=(h,)).start()
    return False
)py");
  FocusAway(w);
  Exit();
  ExpectGivenBack(w);
  const std::wstring log = LogBuffer::Instance().Text();
  const std::wstring refused =
      L"The program is giving windows back at exit: window effects are refused from now on\r\n";
  std::size_t first = log.find(refused);
  ASSERT_NE(first, std::wstring::npos) << log.c_str();
  EXPECT_EQ(log.find(refused, first + 1), std::wstring::npos);  // said once
}

// Fills the global atom table, as leaking programs do, and empties it of
// its own atoms again at the end of the scope.
class FullAtomTable {
 public:
  FullAtomTable() {
    for (int i = 0;; ++i) {
      ATOM atom = GlobalAddAtomW((L"QmTestFiller" + std::to_wstring(i)).c_str());
      if (!atom) break;
      atoms.push_back(atom);
    }
  }
  ~FullAtomTable() {
    for (ATOM atom : atoms) GlobalDeleteAtom(atom);
  }
  std::vector<ATOM> atoms;
};

TEST_F(GiveBack, AWindowThatCannotBeTaggedIsLeftUnchangedAndTheCallRaises) {
  HWND w = Window(L"W");
  StartWith(R"py(
def on_shade(h, t, c):
    for effect in (Quillmere.doShadeWindow, Quillmere.doTransparentWindow, Quillmere.doTopmostWindow):
        try:
            effect(h, 1)
            Quillmere.log(u"no error")
        except OSError as e:
            Quillmere.log(u"OSError: " + str(e))
def on_unshade(h, t, c):
    pass
)py");
  // No window carries a tag, so no atom names one.
  ASSERT_EQ(GlobalFindAtomW(kShadeHeightTag), 0);
  {
    FullAtomTable full;
    ASSERT_GT(full.atoms.size(), 0u);
    FocusAway(w);
  }
  ExpectGivenBack(w);  // never changed
  const std::wstring log = Log();
  const std::wstring unchanged = L": window " + std::to_wstring(reinterpret_cast<intptr_t>(w)) +
                                 L" was left unchanged: the window properties that let the program give it back "
                                 L"could not be set (the global atom table may be full)\r\n";
  EXPECT_NE(log.find(L"OSError: doShadeWindow" + unchanged), std::wstring::npos) << log.c_str();
  EXPECT_NE(log.find(L"OSError: doTransparentWindow" + unchanged), std::wstring::npos) << log.c_str();
  EXPECT_NE(log.find(L"OSError: doTopmostWindow" + unchanged), std::wstring::npos) << log.c_str();
  EXPECT_EQ(log.find(L"no error"), std::wstring::npos) << log.c_str();
}

// --- Layered attributes of the application's own ---

struct Layering {
  COLORREF key = 0;
  BYTE alpha = 0;
  DWORD flags = 0;
};
bool ReadLayering(HWND w, Layering &l) { return GetLayeredWindowAttributes(w, &l.key, &l.alpha, &l.flags) != FALSE; }

class OwnTranslucency : public GiveBack {
 protected:
  // Two windows their application made layered itself: one at alpha 200,
  // one with a colour key as well.
  void SetUp() override {
    GiveBack::SetUp();
    faded = Window(L"faded", true);
    keyed = Window(L"keyed", true);
    RunInApp(app, [&] {
      SetLayeredWindowAttributes(faded, 0, 200, LWA_ALPHA);
      SetLayeredWindowAttributes(keyed, kMagenta, 230, LWA_ALPHA | LWA_COLORKEY);
    });
  }
  void ExpectOwnLayering(HWND w) {
    Layering l;
    ASSERT_TRUE(ReadLayering(w, l));
    EXPECT_EQ(l.alpha, w == faded ? 200 : 230);
    EXPECT_EQ(l.key, w == faded ? 0 : kMagenta);
    EXPECT_EQ(l.flags, static_cast<DWORD>(w == faded ? LWA_ALPHA : LWA_ALPHA | LWA_COLORKEY));
    EXPECT_TRUE(ReadWindow(w).exStyle & WS_EX_LAYERED);
    EXPECT_EQ(Tag(w, kTranslucentTag), 0u);
    EXPECT_EQ(Tag(w, kLayeredAlphaTag), 0u);
    EXPECT_EQ(Tag(w, kLayeredKeyTag), 0u);
  }
  void ExpectOwnLayering() {
    ExpectOwnLayering(faded);
    ExpectOwnLayering(keyed);
  }
  static constexpr COLORREF kMagenta = 0x00FF00FF;
  HWND faded = nullptr, keyed = nullptr;
};

TEST_F(OwnTranslucency, ComesBackAfterARollDownWithTheColourKeyKeptMeanwhile) {
  StartWith(kBothEffects);
  FocusAway(faded);
  FocusAway(keyed);
  Layering l;
  ASSERT_TRUE(ReadLayering(keyed, l));
  EXPECT_EQ(l.alpha, 128);
  EXPECT_EQ(l.key, kMagenta);
  EXPECT_TRUE(l.flags & LWA_COLORKEY);
  EXPECT_EQ(ReadWindow(faded).alpha, 128);
  // Each comes back as the focus returns to it (the other rolls up again).
  Click(faded);
  ExpectOwnLayering(faded);
  Click(keyed);
  ExpectOwnLayering(keyed);
}

TEST_F(OwnTranslucency, ComesBackAtExitAndAfterACrashFromTheTags) {
  StartWith(R"py(
def on_shade(h, t, c):
    Quillmere.doTransparentWindow(h, 1)
def on_unshade(h, t, c):
    return False
)py");
  FocusAway(faded);
  FocusAway(keyed);
  // What a later run needs if this one is killed now.
  EXPECT_EQ(Tag(faded, kLayeredAlphaTag), 0x10000u | (LWA_ALPHA << 8) | 200u);
  EXPECT_EQ(Tag(keyed, kLayeredAlphaTag), 0x10000u | ((LWA_ALPHA | LWA_COLORKEY) << 8) | 230u);
  EXPECT_EQ(Tag(keyed, kLayeredKeyTag), kMagenta + 1u);
  Exit();
  ExpectOwnLayering();

  // Left translucent by a killed run: the tags alone give it back.
  SetPropW(faded, kTranslucentTag, reinterpret_cast<HANDLE>(2));
  SetPropW(faded, kLayeredAlphaTag, reinterpret_cast<HANDLE>(0x10000u | (LWA_ALPHA << 8) | 200u));
  SetPropW(faded, kLayeredKeyTag, reinterpret_cast<HANDLE>(1));
  SetLayeredWindowAttributes(faded, 0, 128, LWA_ALPHA);
  SetPropW(keyed, kTranslucentTag, reinterpret_cast<HANDLE>(2));
  SetPropW(keyed, kLayeredAlphaTag, reinterpret_cast<HANDLE>(0x10000u | ((LWA_ALPHA | LWA_COLORKEY) << 8) | 230u));
  SetPropW(keyed, kLayeredKeyTag, reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(kMagenta) + 1));
  SetLayeredWindowAttributes(keyed, 0, 128, LWA_ALPHA);
  Start();
  ExpectOwnLayering();
  EXPECT_NE(Log().find(L"Restored \"keyed\": left translucent by an earlier run\r\n"), std::wstring::npos);
}

// --- Top-most ---

TEST_F(GiveBack, TopMostMadeByTheEffectsIsGivenBackAtExitAndAfterACrashButNotOneOfItsOwn) {
  HWND made = Window(L"made");
  HWND own = Window(L"own");
  RunInApp(app, [&] { SetWindowPos(own, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE); });
  HWND unmanaged = Window(L"unmanaged");
  StartWith(
      "import threading\n"
      "Quillmere.doTopmostWindow(" +
      Handle(unmanaged) + R"py(, 1)
def on_shade(h, t, c):
    Quillmere.doTopmostWindow(h, 1)
def on_unshade(h, t, c):
    raise RuntimeError(u"no")
)py");
  FocusAway(made);
  FocusAway(own);
  EXPECT_TRUE(ReadWindow(made).topmost);
  EXPECT_EQ(Tag(made, kTopmostTag), 1u);
  EXPECT_TRUE(ReadWindow(unmanaged).topmost);
  EXPECT_EQ(Tag(unmanaged, kTopmostTag), 1u);
  EXPECT_EQ(Tag(own, kTopmostTag), 0u);  // it was top-most already
  Exit();
  ExpectGivenBack(made);
  ExpectGivenBack(unmanaged);
  EXPECT_TRUE(ReadWindow(own).topmost);

  // Left top-most by a killed run.
  SetWindowPos(made, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
  SetPropW(made, kTopmostTag, reinterpret_cast<HANDLE>(1));
  WriteScript("def configure():\n    return ([],)\n");
  Start();
  ExpectGivenBack(made);
  EXPECT_TRUE(ReadWindow(own).topmost);
  EXPECT_NE(Log().find(L"Restored \"made\": left top-most by an earlier run\r\n"), std::wstring::npos);
}

}  // namespace
