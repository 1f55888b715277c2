// Keyboard focus and activation as a user's click moves them between
// applications: which messages each window gets, in which order, with
// which wParams, on which thread.
#include "desktop_fixture.h"

using namespace winsim::driver;
using namespace winsim_test;

namespace {

class FocusTest : public DesktopTest {
 protected:
  void SetUp() override {
    appA = StartApp("a");
    appB = StartApp("b");
    a = CreateAppWindow(appA, NewWindowTitled(L"A"));
    b = CreateAppWindow(appB, NewWindowTitled(L"B"));
  }
  DWORD appA = 0, appB = 0;
  HWND a = nullptr, b = nullptr;
};

TEST_F(FocusTest, CreatingAndShowingWithoutActivationMovesNoFocus) {
  EXPECT_EQ(GetForegroundWindow(), nullptr);
  HookRecorder recorder;
  CreateAppWindow(appA, NewWindowTitled(L"another"));
  EXPECT_TRUE(recorder.Of({WM_SETFOCUS, WM_KILLFOCUS, WM_ACTIVATE}, {}).empty());
}

TEST_F(FocusTest, ClickMovesFocusBetweenApplicationsEachOnItsOwnThread) {
  ClickFocus(a);
  EXPECT_EQ(GetForegroundWindow(), a);
  HookRecorder recorder;
  ClickFocus(b);
  EXPECT_EQ(GetForegroundWindow(), b);
  auto seen = recorder.Of({WM_ACTIVATE, WM_ACTIVATEAPP, WM_KILLFOCUS, WM_SETFOCUS}, {a, b});
  ASSERT_EQ(seen.size(), 6u);
  // The old application is deactivated and loses the focus first.
  EXPECT_EQ(seen[0].message, static_cast<UINT>(WM_ACTIVATE));
  EXPECT_EQ(seen[0].hwnd, a);
  EXPECT_EQ(LOWORD(seen[0].wParam), WA_INACTIVE);
  EXPECT_EQ(seen[1].message, static_cast<UINT>(WM_ACTIVATEAPP));
  EXPECT_EQ(seen[1].wParam, static_cast<WPARAM>(FALSE));
  EXPECT_EQ(seen[2].message, static_cast<UINT>(WM_KILLFOCUS));
  EXPECT_EQ(reinterpret_cast<HWND>(seen[2].wParam), b);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(seen[i].threadId, AppThreadId(appA));
  // Then the new one is activated; the hook sees WM_SETFOCUS first, since
  // the default handling of WM_ACTIVATE sends it before WM_ACTIVATE returns.
  EXPECT_EQ(seen[3].message, static_cast<UINT>(WM_ACTIVATEAPP));
  EXPECT_EQ(seen[3].wParam, static_cast<WPARAM>(TRUE));
  EXPECT_EQ(seen[4].message, static_cast<UINT>(WM_SETFOCUS));
  EXPECT_EQ(reinterpret_cast<HWND>(seen[4].wParam), a);
  EXPECT_EQ(seen[5].message, static_cast<UINT>(WM_ACTIVATE));
  EXPECT_EQ(LOWORD(seen[5].wParam), WA_CLICKACTIVE);
  for (int i = 3; i < 6; ++i) EXPECT_EQ(seen[i].threadId, AppThreadId(appB));
  // Each application's own thread sends its part of the change.
  for (auto &s : seen) EXPECT_NE(s.hookWParam, 0u);
}

TEST_F(FocusTest, FocusInsideOneWindowMovesWithoutActivation) {
  NewWindow newChild = NewWindowTitled(L"edit", {5, 5, 50, 20});
  newChild.parent = a;
  HWND child = CreateAppWindow(appA, newChild);
  ClickFocus(a);
  HookRecorder recorder;
  ClickFocus(child);
  auto seen = recorder.Of({WM_ACTIVATE, WM_KILLFOCUS, WM_SETFOCUS}, {});
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0].message, static_cast<UINT>(WM_KILLFOCUS));
  EXPECT_EQ(seen[0].hwnd, a);
  EXPECT_EQ(reinterpret_cast<HWND>(seen[0].wParam), child);
  EXPECT_EQ(seen[1].message, static_cast<UINT>(WM_SETFOCUS));
  EXPECT_EQ(seen[1].hwnd, child);
  EXPECT_EQ(reinterpret_cast<HWND>(seen[1].wParam), a);
  RunInApp(appA, [&] { EXPECT_EQ(GetFocus(), child); });
}

TEST_F(FocusTest, ClickOnAChildOfAnotherApplicationNamesTheOldFocusWindow) {
  NewWindow newChild = NewWindowTitled(L"edit", {5, 5, 50, 20});
  newChild.parent = b;
  HWND child = CreateAppWindow(appB, newChild);
  ClickFocus(a);
  HookRecorder recorder;
  ClickFocus(child);
  auto seen = recorder.Of({WM_KILLFOCUS, WM_SETFOCUS}, {a, b, child});
  ASSERT_GE(seen.size(), 2u);
  EXPECT_EQ(seen.front().message, static_cast<UINT>(WM_KILLFOCUS));
  EXPECT_EQ(seen.front().hwnd, a);
  EXPECT_EQ(seen.back().message, static_cast<UINT>(WM_SETFOCUS));
  EXPECT_EQ(seen.back().hwnd, child);
  RunInApp(appB, [&] { EXPECT_EQ(GetFocus(), child); });
  RunInApp(appA, [&] { EXPECT_EQ(GetFocus(), nullptr); });
}

TEST_F(FocusTest, ClickingADisabledOwnerActivatesItsDialogInstead) {
  NewWindow newDialog = NewWindowTitled(L"modal");
  newDialog.owner = a;
  HWND dialog = CreateAppWindow(appA, newDialog);
  EnableAppWindow(a, false);
  ClickFocus(a);
  EXPECT_EQ(GetForegroundWindow(), dialog);
}

TEST_F(FocusTest, SetFocusWorksOnlyOnTheCallersOwnWindows) {
  SetLastError(0);
  EXPECT_EQ(SetFocus(a), nullptr);  // a window of another thread
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  RunInApp(appA, [&] {
    SetFocus(a);
    EXPECT_EQ(GetFocus(), a);
    EXPECT_EQ(GetActiveWindow(), a);
  });
}

TEST_F(FocusTest, HidingTheFocusWindowTakesTheFocusAway) {
  ClickFocus(a);
  HookRecorder recorder;
  ShowAppWindow(a, SW_HIDE);
  auto seen = recorder.Of({WM_KILLFOCUS}, {a});
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].wParam, 0u);
  RunInApp(appA, [&] { EXPECT_EQ(GetFocus(), nullptr); });
}

TEST_F(FocusTest, SetForegroundWindowActivatesAndFocusesTheWindow) {
  ClickFocus(a);
  HookRecorder recorder;
  EXPECT_TRUE(SetForegroundWindow(b));
  EXPECT_EQ(GetForegroundWindow(), b);
  auto seen = recorder.Of({WM_SETFOCUS}, {b});
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(reinterpret_cast<HWND>(seen[0].wParam), a);
}

}  // namespace
