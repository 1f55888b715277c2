// The event table: which window a forwarded event is about, and which
// events it drops before the manager hears of them.
#include "ShadeTestSupport.h"
#include "shade/WindowEvents.h"

namespace {

using namespace quillmere_test;

class WindowEventsTest : public ShadeTest {
 protected:
  void SetUp() override {
    ShadeTest::SetUp();
    Load(
        "def configure():\n"
        "    return ([recorder('filter', True)], recorder('onAdd'), recorder('onDestroy'), recorder('onShade'),\n"
        "            recorder('onUnshade'))\n");
  }
  void ProgramEvent(HWND program, UINT kind, HWND window, HWND other = nullptr) {
    HandleWindowEvent(*manager, program, kind, window, reinterpret_cast<WPARAM>(other));
  }
};

// Any process can post an event naming the program's window or a window
// it owns (a dialog of the program): neither is offered, shaded or
// forgotten, although the manager holds a record of the program's window
// from the start-up enumeration.
TEST_F(WindowEventsTest, EventsOfTheProgramsOwnWindowsAreDropped) {
  HWND program = Top(L"program");
  HWND dialog = Owned(program, L"about");
  HWND pane = Child(dialog);
  HWND other = Top(L"other");
  ASSERT_TRUE(manager->AddWindow(program));
  Calls();

  for (HWND w : {program, dialog, pane}) {
    ProgramEvent(program, WM_SHOWWINDOW, w);
    ProgramEvent(program, WM_KILLFOCUS, w, other);
    ProgramEvent(program, WM_SETFOCUS, w, other);
    ProgramEvent(program, WM_DESTROY, w);
  }
  EXPECT_EQ(Calls(), "");
  EXPECT_TRUE(manager->FindRecord(program));

  // The same events of another window are acted on.
  ProgramEvent(program, WM_SHOWWINDOW, other);
  ProgramEvent(program, WM_KILLFOCUS, other, program);
  EXPECT_EQ(Calls(), Seq({Call("onAdd", other), Call("filter", other), Call("onShade", other)}));
}

// The focus moving between a window and a dialog it owns stays inside one
// root owner: nothing rolls up or down. Moving to another program's window
// rolls the root owner up, whichever of its windows had the focus.
TEST_F(WindowEventsTest, FocusChangesInsideOneRootOwnerAreNotAFocusLoss) {
  HWND w = Top(L"editor");
  HWND dialog = Owned(w, L"find");
  HWND field = Child(dialog);
  HWND other = Top(L"other");
  ASSERT_TRUE(manager->AddWindow(w));
  Calls();

  Event(WM_KILLFOCUS, w, field);
  Event(WM_SETFOCUS, field, w);
  Event(WM_KILLFOCUS, field, w);
  Event(WM_SETFOCUS, w, field);
  EXPECT_EQ(Calls(), "");

  Event(WM_KILLFOCUS, field, other);
  EXPECT_EQ(Calls(), Seq({Call("filter", w), Call("onShade", w)}));
  Event(WM_SETFOCUS, dialog, other);
  EXPECT_EQ(Calls(), Call("onUnshade", w));
}

// A shown window is managed by its root window, never by its root owner:
// showing a dialog does not offer its owner again, which the script may
// have refused.
TEST_F(WindowEventsTest, AShownOwnedWindowOffersNeitherItselfNorItsOwner) {
  HWND w = Top(L"editor");
  HWND dialog = Owned(w, L"find");
  Event(WM_SHOWWINDOW, dialog);
  Event(WM_SHOWWINDOW, Child(dialog));
  EXPECT_EQ(Calls(), "");
  EXPECT_TRUE(manager->Records().empty());
}

// Only the kinds the hook library forwards mean anything; the program's
// message number can be posted with any other.
TEST_F(WindowEventsTest, KindsTheHookDoesNotForwardDoNothing) {
  HWND w = Top(L"window");
  HWND other = Top(L"other");
  ASSERT_TRUE(manager->AddWindow(w));
  Calls();
  for (UINT kind : {0u, static_cast<UINT>(WM_ACTIVATE), static_cast<UINT>(WM_CLOSE), static_cast<UINT>(WM_NCDESTROY)})
    Event(kind, w, other);
  EXPECT_EQ(Calls(), "");
  EXPECT_TRUE(manager->FindRecord(w));
}

}  // namespace
