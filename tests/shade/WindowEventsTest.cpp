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
    HandleWindowEvent(*manager, program, kind, window, reinterpret_cast<WPARAM>(other), EventTime{GetTickCount(), 0});
  }
  // An event of another program's window, queued at a tick count, when the
  // start ended at another.
  void TimedEvent(UINT kind, HWND window, HWND other, ULONGLONG queued, ULONGLONG startEnded) {
    HandleWindowEvent(*manager, nullptr, kind, window, reinterpret_cast<WPARAM>(other),
                      EventTime{static_cast<DWORD>(queued), startEnded});
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

// A focus change queued before the start ended (the windows had not all
// been offered to the script yet) rolls nothing up or down when it is
// handled later; one queued after does. Showing and closing are handled
// whenever they were queued, so that the records stay right.
TEST_F(WindowEventsTest, FocusChangesQueuedBeforeTheStartEndedAreDropped) {
  HWND w = Top(L"editor");
  HWND other = Top(L"other");
  ASSERT_TRUE(manager->AddWindow(w));
  Calls();
  const ULONGLONG now = GetTickCount64();
  const ULONGLONG ended = now - 50;

  for (UINT kind : {static_cast<UINT>(WM_KILLFOCUS), static_cast<UINT>(WM_SETFOCUS)}) {
    TimedEvent(kind, w, other, now - 80, ended);      // before the end
    TimedEvent(kind, w, other, ended, ended);         // in its very tick
    TimedEvent(kind, w, other, now, kStartNotEnded);  // while starting
  }
  EXPECT_EQ(Calls(), "");
  HWND later = Top(L"shown while starting");
  TimedEvent(WM_SHOWWINDOW, later, nullptr, now, kStartNotEnded);
  EXPECT_EQ(Calls(), Call("onAdd", later));
  TimedEvent(WM_DESTROY, later, nullptr, now, kStartNotEnded);
  EXPECT_EQ(Calls(), Call("onDestroy", later));

  TimedEvent(WM_KILLFOCUS, w, other, ended + 1, ended);
  EXPECT_EQ(Calls(), Seq({Call("filter", w), Call("onShade", w)}));
  TimedEvent(WM_SETFOCUS, w, other, now, ended);
  EXPECT_EQ(Calls(), Call("onUnshade", w));
}

// The queue time is a 32-bit tick count, which wraps every 49.7 days: an
// event of a program that started 25 to 49 days before is after its start
// all the same, however the two counts compare as 32-bit numbers.
TEST_F(WindowEventsTest, TheStartsEndIsFoundAcrossTheWrapOfTheTickCount) {
  HWND w = Top(L"editor");
  HWND other = Top(L"other");
  ASSERT_TRUE(manager->AddWindow(w));
  Calls();
  const ULONGLONG day = 24ULL * 3600 * 1000;
  for (ULONGLONG age : {25 * day, 30 * day, 40 * day, 49 * day}) {
    const ULONGLONG now = GetTickCount64();
    ASSERT_GT(now, age) << "the system has not run that long";
    TimedEvent(WM_KILLFOCUS, w, other, now, now - age);
    EXPECT_EQ(Calls(), Seq({Call("filter", w), Call("onShade", w)})) << age / day << " days";
    TimedEvent(WM_SETFOCUS, w, other, now, now - age);
    EXPECT_EQ(Calls(), Call("onUnshade", w));
  }
}

}  // namespace
