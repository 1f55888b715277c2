// The window tree across processes: owner chains, enabling, enumeration,
// text and class names of another process's windows, and stale handles.
// What tests/platform states about the tree is not repeated here.
#include "desktop_fixture.h"

using namespace winsim::driver;
using namespace winsim_test;

namespace {

class TreeTest : public DesktopTest {
 protected:
  void SetUp() override {
    app = StartApp("app");
    top = CreateAppWindow(app, NewWindowTitled(L"top"));
    NewWindow newChild = NewWindowTitled(L"child", {10, 10, 60, 40});
    newChild.parent = top;
    child = CreateAppWindow(app, newChild);
    newChild.parent = child;
    grandchild = CreateAppWindow(app, newChild);
    NewWindow newPopup = NewWindowTitled(L"dialog");
    newPopup.owner = top;
    popup = CreateAppWindow(app, newPopup);
  }
  DWORD app = 0;
  HWND top = nullptr, child = nullptr, grandchild = nullptr, popup = nullptr;
};

TEST_F(TreeTest, RootOwnerFollowsAChainOfOwnedPopupsToTheFirstOwner) {
  NewWindow nested = NewWindowTitled(L"nested");
  nested.owner = popup;
  HWND second = CreateAppWindow(app, nested);
  EXPECT_EQ(GetWindow(second, GW_OWNER), popup);
  EXPECT_EQ(GetAncestor(second, GA_ROOTOWNER), top);
}

TEST_F(TreeTest, EnablingIsPerWindowAndReportsThePreviousState) {
  EXPECT_TRUE(IsWindowEnabled(top));
  BOOL wasDisabled = TRUE;
  RunInApp(app, [&] { wasDisabled = EnableWindow(top, FALSE); });
  EXPECT_FALSE(wasDisabled);
  EXPECT_FALSE(IsWindowEnabled(top));
  EXPECT_TRUE(IsWindowEnabled(child));  // a child keeps its own state
  RunInApp(app, [&] { wasDisabled = EnableWindow(top, TRUE); });
  EXPECT_TRUE(wasDisabled);
}

TEST_F(TreeTest, EnumWindowsListsTopLevelWindowsInZOrderAndStopsOnFalse) {
  std::vector<HWND> seen;
  EnumWindows(
      [](HWND h, LPARAM p) -> BOOL {
        reinterpret_cast<std::vector<HWND> *>(p)->push_back(h);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&seen));
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0], popup);  // owned windows stay above their owner
  EXPECT_EQ(seen[1], top);
  int calls = 0;
  BOOL result = EnumWindows([](HWND, LPARAM p) -> BOOL { return ++*reinterpret_cast<int *>(p) < 1; },
                            reinterpret_cast<LPARAM>(&calls));
  EXPECT_FALSE(result);
  EXPECT_EQ(calls, 1);
}

TEST_F(TreeTest, WindowTextIsTruncatedToTheBufferWithATerminator) {
  std::wstring longText(2000, L'x');
  longText[0] = L'\U0001F600';  // a character outside the basic plane
  SetAppWindowText(top, longText);
  wchar_t buffer[1024];
  std::fill(std::begin(buffer), std::end(buffer), L'?');
  EXPECT_EQ(GetWindowTextW(top, buffer, 1024), 1023);  // another process's window: read directly
  EXPECT_EQ(buffer[1023], L'\0');
  EXPECT_EQ(std::wstring(buffer), longText.substr(0, 1023));
  EXPECT_EQ(GetWindowTextLengthW(top), 2000);
  EXPECT_EQ(GetWindowTextW(top, buffer, 0), 0);

  // A window of the caller's own process is asked with WM_GETTEXT.
  RunInApp(app, [&] { EXPECT_EQ(GetWindowTextW(top, buffer, 5), 4); });
  EXPECT_EQ(std::wstring(buffer), longText.substr(0, 4));

  EXPECT_EQ(GetClassNameW(top, buffer, 1024), 12);
  EXPECT_EQ(std::wstring(buffer), L"SimAppWindow");
  EXPECT_EQ(GetClassNameW(top, buffer, 4), 3);
  EXPECT_EQ(std::wstring(buffer), L"Sim");
}

TEST_F(TreeTest, StaleHandlesFailLikeThePlatform) {
  DestroyAppWindow(top);
  RECT r{1, 2, 3, 4};
  wchar_t buffer[8] = L"keep";
  SetLastError(0);
  EXPECT_EQ(GetAncestor(top, GA_ROOTOWNER), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
  EXPECT_EQ(GetParent(top), nullptr);
  EXPECT_EQ(GetWindow(top, GW_OWNER), nullptr);
  EXPECT_FALSE(IsWindowVisible(top));
  EXPECT_FALSE(IsWindowEnabled(top));
  EXPECT_FALSE(GetWindowRect(top, &r));
  EXPECT_EQ(GetWindowTextW(top, buffer, 8), 0);
  EXPECT_EQ(buffer[0], L'\0');
  EXPECT_EQ(GetClassNameW(top, buffer, 8), 0);
  EXPECT_EQ(GetWindowLongW(top, GWL_STYLE), 0);
  EXPECT_FALSE(SetWindowPos(top, nullptr, 0, 0, 10, 10, SWP_NOZORDER));
  EXPECT_FALSE(PostMessageW(top, WM_USER, 0, 0));
  EXPECT_EQ(SendMessageW(top, WM_USER, 0, 0), 0);
  EXPECT_EQ(GetWindowThreadProcessId(top, nullptr), 0u);
  EXPECT_FALSE(SetLayeredWindowAttributes(top, 0, 128, LWA_ALPHA));
}

TEST_F(TreeTest, HandlesAreSmallAndNeverGivenOutTwice) {
  HWND previous = top;
  DestroyAppWindow(top);
  for (int i = 0; i < 50; ++i) {
    HWND h = CreateAppWindow(app, NewWindowTitled(L"again"));
    EXPECT_NE(h, previous);
    EXPECT_NE(h, top);
    EXPECT_LT(reinterpret_cast<uintptr_t>(h), 0x7fffffffu);
    DestroyAppWindow(h);
    previous = h;
  }
}

}  // namespace
