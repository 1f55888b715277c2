// Positions, sizes, stacking and showing: the messages that carry a change,
// the minimum tracking size, top-most windows, minimising and layering.
#include "desktop_fixture.h"

using namespace winsim::driver;
using namespace winsim_test;

namespace {

class WinPosTest : public DesktopTest {
 protected:
  void SetUp() override {
    app = StartApp("a");
    w = CreateAppWindow(app, Spec(L"w", {100, 50, 500, 350}));
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

TEST_F(WinPosTest, SizableAndOverlappedWindowsKeepTheMinimumTrackingSize) {
  SetWindowPos(w, nullptr, 0, 0, 400, 19, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  EXPECT_EQ(Rect(w).bottom - Rect(w).top, GetSystemMetrics(SM_CYMINTRACK));
  SetSystemMetric(SM_CYMINTRACK, 10);
  SetWindowPos(w, nullptr, 0, 0, 400, 19, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  EXPECT_EQ(Rect(w).bottom - Rect(w).top, 19);

  // A fixed-size pop-up keeps no minimum.
  WindowSpec popupSpec = Spec(L"popup");
  popupSpec.style = WS_POPUP | WS_CAPTION;
  HWND popup = CreateAppWindow(app, popupSpec);
  SetWindowPos(popup, nullptr, 0, 0, 50, 5, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  EXPECT_EQ(Rect(popup).bottom - Rect(popup).top, 5);
  EXPECT_EQ(Rect(popup).right - Rect(popup).left, 50);
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

TEST_F(WinPosTest, TopMostWindowsStayAboveTheOthers) {
  HWND other = CreateAppWindow(app, Spec(L"other"));
  EXPECT_EQ(TopLevelWindows().front(), other);
  SetWindowPos(w, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  EXPECT_TRUE(GetWindowLongW(w, GWL_EXSTYLE) & WS_EX_TOPMOST);
  EXPECT_EQ(TopLevelWindows().front(), w);
  SetWindowPos(other, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  EXPECT_EQ(TopLevelWindows().front(), w);  // HWND_TOP stays below the top-most band
  SetWindowPos(w, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  EXPECT_FALSE(GetWindowLongW(w, GWL_EXSTYLE) & WS_EX_TOPMOST);
  // SetWindowLongW does not change the top-most state.
  SetWindowLongW(w, GWL_EXSTYLE, WS_EX_TOPMOST);
  EXPECT_FALSE(GetWindowLongW(w, GWL_EXSTYLE) & WS_EX_TOPMOST);
}

TEST_F(WinPosTest, MinimisedWindowKeepsItsNormalRectangle) {
  HookRecorder recorder;
  ShowAppWindow(w, SW_SHOWMINIMIZED);
  EXPECT_TRUE(IsIconic(w));
  EXPECT_EQ(Rect(w).left, -32000);
  EXPECT_EQ(ReadWindow(w).normalRect.left, 100);
  EXPECT_TRUE(recorder.Of({WM_SHOWWINDOW}, {w}).empty());  // already visible: no WM_SHOWWINDOW
  ShowAppWindow(w, SW_RESTORE);
  EXPECT_FALSE(IsIconic(w));
  RECT r = Rect(w);
  EXPECT_EQ(r.left, 100);
  EXPECT_EQ(r.top, 50);
  EXPECT_EQ(r.right, 500);
  EXPECT_EQ(r.bottom, 350);
}

TEST_F(WinPosTest, ShowAndHideSendWmShowWindowOnlyWhenVisibilityChanges) {
  HookRecorder recorder;
  ShowAppWindow(w, SW_SHOWNA);
  ShowAppWindow(w, SW_HIDE);
  ShowAppWindow(w, SW_HIDE);
  ShowAppWindow(w, SW_SHOWNOACTIVATE);
  auto seen = recorder.Of({WM_SHOWWINDOW}, {w});
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0].wParam, static_cast<WPARAM>(FALSE));
  EXPECT_EQ(seen[1].wParam, static_cast<WPARAM>(TRUE));
  EXPECT_EQ(GetForegroundWindow(), nullptr);  // no activation asked for
}

TEST_F(WinPosTest, LayeredAttributesNeedTheLayeredStyle) {
  EXPECT_FALSE(SetLayeredWindowAttributes(w, 0, 128, LWA_ALPHA));
  SetWindowLongW(w, GWL_EXSTYLE, GetWindowLongW(w, GWL_EXSTYLE) | WS_EX_LAYERED);
  EXPECT_TRUE(SetLayeredWindowAttributes(w, 0, 128, LWA_ALPHA));
  BYTE alpha = 0;
  DWORD flags = 0;
  EXPECT_TRUE(GetLayeredWindowAttributes(w, nullptr, &alpha, &flags));
  EXPECT_EQ(alpha, 128);
  EXPECT_EQ(flags, static_cast<DWORD>(LWA_ALPHA));
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

TEST_F(WinPosTest, DefaultPositionAndSizeForOverlappedWindows) {
  HWND h = nullptr;
  RunInApp(app, [&] {
    h = CreateWindowExW(0, L"SimAppWindow", L"d", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, 0, CW_USEDEFAULT, 0, nullptr,
                        nullptr, GetModuleHandleW(nullptr), nullptr);
  });
  RECT r = Rect(h);
  EXPECT_GT(r.right - r.left, 0);
  EXPECT_GT(r.bottom - r.top, 0);
  EXPECT_GE(r.left, 0);
  EXPECT_LT(r.left, GetSystemMetrics(SM_CXSCREEN));
}

}  // namespace
