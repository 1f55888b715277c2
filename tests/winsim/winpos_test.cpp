// Positions and sizes across processes: the messages that carry a change
// of another process's window, the minimum tracking size's metric, the
// top-most band, layering, the client area, default positions, and
// positions at the ends of the coordinate range.
#include <limits>

#include "desktop_fixture.h"

using namespace winsim::driver;
using namespace winsim_test;

namespace {

class WinPosTest : public DesktopTest {
 protected:
  void SetUp() override {
    app = StartApp("a");
    w = CreateAppWindow(app, NewWindowTitled(L"w", {100, 50, 500, 350}));
  }
  RECT Rect(HWND h) {
    RECT r{};
    GetWindowRect(h, &r);
    return r;
  }
  DWORD app = 0;
  HWND w = nullptr;
};

TEST_F(WinPosTest, SizingFromAnotherProcessGoesThroughTheWindowsOwnMessages) {
  HookRecorder recorder;
  EXPECT_TRUE(SetWindowPos(w, nullptr, 0, 0, 300, 200, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE));
  RECT r = Rect(w);
  EXPECT_EQ(r.left, 100);
  EXPECT_EQ(r.top, 50);
  EXPECT_EQ(r.right - r.left, 300);
  EXPECT_EQ(r.bottom - r.top, 200);
  auto seen = recorder.Of({WM_WINDOWPOSCHANGING, WM_GETMINMAXINFO, WM_SIZE, WM_MOVE, WM_WINDOWPOSCHANGED}, {w});
  std::vector<UINT> order;
  for (auto &s : seen) {
    order.push_back(s.message);
    EXPECT_EQ(s.threadId, AppThreadId(app));
  }
  EXPECT_EQ(order, (std::vector<UINT>{WM_GETMINMAXINFO, WM_WINDOWPOSCHANGING, WM_SIZE, WM_WINDOWPOSCHANGED}));
}

TEST_F(WinPosTest, MinimumTrackingHeightFollowsTheSystemMetric) {
  SetSystemMetric(SM_CYMINTRACK, 10);
  SetWindowPos(w, nullptr, 0, 0, 400, 12, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  EXPECT_EQ(Rect(w).bottom - Rect(w).top, 12);
  SetWindowPos(w, nullptr, 0, 0, 400, 3, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  EXPECT_EQ(Rect(w).bottom - Rect(w).top, 10);
}

TEST_F(WinPosTest, StyleChangesAreAnnouncedAndKeepVisibility) {
  HookRecorder recorder;
  LONG style = GetWindowLongW(w, GWL_STYLE);
  EXPECT_EQ(SetWindowLongW(w, GWL_STYLE, style & ~WS_THICKFRAME & ~WS_VISIBLE), style);
  EXPECT_EQ(GetWindowLongW(w, GWL_STYLE), (style & ~WS_THICKFRAME));
  auto seen = recorder.Of({WM_STYLECHANGING, WM_STYLECHANGED}, {w});
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0].wParam, static_cast<WPARAM>(static_cast<LONG_PTR>(GWL_STYLE)));
}

TEST_F(WinPosTest, HwndTopStaysBelowTheTopMostBand) {
  HWND other = CreateAppWindow(app, NewWindowTitled(L"other"));
  EXPECT_EQ(TopLevelWindows(), (std::vector<HWND>{other, w}));
  SetWindowPos(w, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  EXPECT_EQ(TopLevelWindows(), (std::vector<HWND>{w, other}));
  SetWindowPos(other, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  EXPECT_EQ(TopLevelWindows(), (std::vector<HWND>{w, other}));
  SetWindowPos(w, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  EXPECT_EQ(TopLevelWindows(), (std::vector<HWND>{w, other}));  // first of the others
  SetWindowPos(other, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  EXPECT_EQ(TopLevelWindows(), (std::vector<HWND>{other, w}));
}

TEST_F(WinPosTest, RemovingTheLayeredStyleDropsTheAttributes) {
  SetWindowLongW(w, GWL_EXSTYLE, GetWindowLongW(w, GWL_EXSTYLE) | WS_EX_LAYERED);
  ASSERT_TRUE(SetLayeredWindowAttributes(w, 0, 128, LWA_ALPHA));
  EXPECT_EQ(ReadWindow(w).alpha, 128);
  SetWindowLongW(w, GWL_EXSTYLE, GetWindowLongW(w, GWL_EXSTYLE) & ~WS_EX_LAYERED);
  EXPECT_EQ(ReadWindow(w).alpha, 255);
  EXPECT_FALSE(ReadWindow(w).layeredAttributes);
}

TEST_F(WinPosTest, ClientAreaLiesInsideFrameCaptionAndMenu) {
  RECT client;
  GetClientRect(w, &client);
  int frame = GetSystemMetrics(SM_CXFRAME);
  EXPECT_EQ(client.right, 400 - 2 * frame);
  EXPECT_EQ(client.bottom, 300 - 2 * GetSystemMetrics(SM_CYFRAME) - GetSystemMetrics(SM_CYCAPTION));
}

TEST_F(WinPosTest, DefaultPositionsCascadeFromTheTopLeftAndTheSizeIsThreeQuartersOfTheScreen) {
  std::vector<HWND> made;
  RunInApp(app, [&] {
    for (int i = 0; i < 9; ++i)
      made.push_back(CreateWindowExW(0, L"SimAppWindow", L"d", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, 0, CW_USEDEFAULT, 0,
                                     nullptr, nullptr, GetModuleHandleW(nullptr), nullptr));
  });
  const LONG width = GetSystemMetrics(SM_CXSCREEN) * 3 / 4, height = GetSystemMetrics(SM_CYSCREEN) * 3 / 4;
  for (int i = 0; i < 9; ++i) {
    const LONG at = 22 + 26 * (i % 8);  // the ninth starts again at the top left
    const RECT r = Rect(made[static_cast<size_t>(i)]);
    EXPECT_EQ(r.left, at) << i;
    EXPECT_EQ(r.top, at) << i;
    EXPECT_EQ(r.right - r.left, width) << i;
    EXPECT_EQ(r.bottom - r.top, height) << i;
  }
}

TEST_F(WinPosTest, PositionsNearTheEndOfTheRangeSaturateInsteadOfOverflowing) {
  NewWindow newChild = NewWindowTitled(L"child", {10, 10, 60, 40});
  newChild.parent = w;
  newChild.style = WS_CHILD | WS_VISIBLE;
  HWND child = CreateAppWindow(app, newChild);
  const LONG kMax = std::numeric_limits<LONG>::max(), kMin = std::numeric_limits<LONG>::min();

  ASSERT_TRUE(SetWindowPos(w, nullptr, kMax - 100, kMax - 1, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE));
  RECT r = Rect(w);
  EXPECT_EQ(r.left, kMax - 100);
  EXPECT_EQ(r.top, kMax - 1);
  EXPECT_EQ(r.right, kMax);
  EXPECT_EQ(r.bottom, kMax);
  const RECT c = Rect(child);  // the child's screen position adds the parent's client origin
  EXPECT_EQ(c.left, kMax - 100 + GetSystemMetrics(SM_CXFRAME) + 10);
  EXPECT_EQ(c.top, kMax);
  EXPECT_EQ(c.bottom, kMax);

  // A pop-up keeps no tracking limits, so the size is taken as given.
  NewWindow newPopup = NewWindowTitled(L"popup");
  newPopup.style = WS_POPUP;
  HWND popup = CreateAppWindow(app, newPopup);
  ASSERT_TRUE(SetWindowPos(popup, nullptr, kMin, kMin, kMax, kMax, SWP_NOZORDER | SWP_NOACTIVATE));
  r = Rect(popup);
  EXPECT_EQ(r.left, kMin);
  EXPECT_EQ(r.right, -1);
  ASSERT_TRUE(SetWindowPos(popup, nullptr, 5, 5, kMax, kMax, SWP_NOZORDER | SWP_NOACTIVATE));
  r = Rect(popup);
  EXPECT_EQ(r.left, 5);
  EXPECT_EQ(r.right, kMax);
  EXPECT_EQ(r.bottom, kMax);
}

}  // namespace
