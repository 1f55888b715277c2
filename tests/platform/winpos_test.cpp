// Sizes, minimising, the messages of a position change, layered and
// top-most windows, as the platform handles them.
#include "platform_support.h"

namespace platform_test {
namespace {

using WinPosTest = PlatformTest;

bool operator==(const RECT &a, const RECT &b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

TEST_F(WinPosTest, MinimisingAndRestoringKeepsTheNormalRectangle) {
  HWND w = Make(WS_OVERLAPPEDWINDOW, nullptr, L"Min", 0, {120, 110, 520, 410});
  ShowWindow(w, SW_SHOWNOACTIVATE);
  RECT before{};
  GetWindowRect(w, &before);
  EXPECT_TRUE((before == RECT{120, 110, 520, 410}));

  ShowWindow(w, SW_MINIMIZE);
  EXPECT_TRUE(IsIconic(w));
  EXPECT_TRUE(GetWindowLongW(w, GWL_STYLE) & WS_MINIMIZE);
  // A minimised window takes the minimised size where the system's
  // arrangement puts it: out of sight, at -32000, where a taskbar shows
  // minimised windows (the platform's default). Wine has no taskbar here
  // and arranges them from the bottom left of the screen.
  RECT minimised{};
  GetWindowRect(w, &minimised);
  const LONG width = GetSystemMetrics(SM_CXMINIMIZED), height = GetSystemMetrics(SM_CYMINIMIZED);
  const LONG screenBottom = GetSystemMetrics(SM_CYSCREEN);
  const RECT parked = OnWine() ? RECT{0, screenBottom - height, width, screenBottom}
                               : RECT{-32000, -32000, -32000 + width, -32000 + height};
  EXPECT_TRUE(minimised == parked) << minimised.left << "," << minimised.top << "," << minimised.right << ","
                                   << minimised.bottom;

  ShowWindow(w, SW_RESTORE);
  EXPECT_FALSE(IsIconic(w));
  RECT after{};
  GetWindowRect(w, &after);
  EXPECT_TRUE(after == before) << after.left << "," << after.top << "," << after.right << "," << after.bottom;
}

TEST_F(WinPosTest, SizableWindowsKeepTheMinimumTrackingHeightFixedPopupsDoNot) {
  HWND sizable = Make(WS_OVERLAPPEDWINDOW);
  HWND captionedPopup = Make(WS_POPUP | WS_CAPTION | WS_THICKFRAME);
  HWND framePopup = Make(WS_POPUP | WS_THICKFRAME);
  HWND fixed = Make(WS_POPUP);
  for (HWND w : {sizable, captionedPopup, framePopup, fixed})
    ASSERT_TRUE(SetWindowPos(w, nullptr, 0, 0, 300, 1, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE));
  EXPECT_EQ(Height(sizable), GetSystemMetrics(SM_CYMINTRACK));
  EXPECT_EQ(Height(captionedPopup), GetSystemMetrics(SM_CYMINTRACK));
  EXPECT_EQ(Height(fixed), 1);
  // Without a caption, a sizable window goes down to its frame alone: no
  // client area is left, and one pixel more is one pixel of client area.
  RECT client{};
  GetClientRect(framePopup, &client);
  EXPECT_EQ(client.bottom, 0);
  const LONG frameOnly = Height(framePopup);
  EXPECT_LT(frameOnly, GetSystemMetrics(SM_CYMINTRACK));
  ASSERT_TRUE(SetWindowPos(framePopup, nullptr, 0, 0, 300, frameOnly + 1, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE));
  GetClientRect(framePopup, &client);
  EXPECT_EQ(client.bottom, 1);
  EXPECT_EQ(Height(framePopup), frameOnly + 1);

  // The window's own answer to WM_GETMINMAXINFO sets the limit.
  Behaviour::minTrackHeight = 90;
  ASSERT_TRUE(SetWindowPos(sizable, nullptr, 0, 0, 300, 40, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE));
  EXPECT_EQ(Height(sizable), 90);
}

TEST_F(WinPosTest, SizingAsksMinMaxInfoBetweenChangingAndChanged) {
  HWND sizable = Make(WS_OVERLAPPEDWINDOW);
  HWND fixed = Make(WS_POPUP);
  const std::vector<UINT> watched{WM_GETMINMAXINFO, WM_WINDOWPOSCHANGING, WM_WINDOWPOSCHANGED};
  Log::Clear();
  SetWindowPos(sizable, nullptr, 0, 0, 250, 150, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  SetWindowPos(fixed, nullptr, 0, 0, 250, 150, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  EXPECT_EQ(Log::Messages(watched, {sizable}),
            (std::vector<UINT>{WM_WINDOWPOSCHANGING, WM_GETMINMAXINFO, WM_WINDOWPOSCHANGED}));
  EXPECT_EQ(Log::Messages(watched, {fixed}), (std::vector<UINT>{WM_WINDOWPOSCHANGING, WM_WINDOWPOSCHANGED}));
}

TEST_F(WinPosTest, LayeredAttributesNeedTheLayeredStyle) {
  HWND plain = Make(WS_OVERLAPPEDWINDOW);
  HWND layered = Make(WS_OVERLAPPEDWINDOW, nullptr, L"Layered", WS_EX_LAYERED);
  EXPECT_FALSE(SetLayeredWindowAttributes(plain, 0, 128, LWA_ALPHA));
  ASSERT_TRUE(SetLayeredWindowAttributes(layered, 0, 128, LWA_ALPHA));
  BYTE alpha = 0;
  DWORD flags = 0;
  ASSERT_TRUE(GetLayeredWindowAttributes(layered, nullptr, &alpha, &flags));
  EXPECT_EQ(alpha, 128);
  EXPECT_EQ(flags, static_cast<DWORD>(LWA_ALPHA));

  // Given the style afterwards, the window takes them.
  SetWindowLongW(plain, GWL_EXSTYLE, GetWindowLongW(plain, GWL_EXSTYLE) | WS_EX_LAYERED);
  EXPECT_TRUE(SetLayeredWindowAttributes(plain, 0, 200, LWA_ALPHA));
}

// What giving back an application's own translucency relies on: the
// attributes it set are read back whole, colour key included; a window that
// is not layered, or layered without attributes set, has none to read; and
// taking the layered style away forgets them.
TEST_F(WinPosTest, LayeredAttributesReadBackOnlyWhatWasSet) {
  HWND w = Make(WS_OVERLAPPEDWINDOW);
  COLORREF key = 0;
  BYTE alpha = 0;
  DWORD flags = 0;
  EXPECT_FALSE(GetLayeredWindowAttributes(w, &key, &alpha, &flags));
  SetWindowLongW(w, GWL_EXSTYLE, GetWindowLongW(w, GWL_EXSTYLE) | WS_EX_LAYERED);
  EXPECT_FALSE(GetLayeredWindowAttributes(w, &key, &alpha, &flags));

  ASSERT_TRUE(SetLayeredWindowAttributes(w, RGB(255, 0, 255), 200, LWA_ALPHA | LWA_COLORKEY));
  ASSERT_TRUE(GetLayeredWindowAttributes(w, &key, &alpha, &flags));
  EXPECT_EQ(key, RGB(255, 0, 255));
  EXPECT_EQ(alpha, 200);
  EXPECT_EQ(flags, static_cast<DWORD>(LWA_ALPHA | LWA_COLORKEY));

  SetWindowLongW(w, GWL_EXSTYLE, GetWindowLongW(w, GWL_EXSTYLE) & ~WS_EX_LAYERED);
  EXPECT_FALSE(GetLayeredWindowAttributes(w, &key, &alpha, &flags));
  SetWindowLongW(w, GWL_EXSTYLE, GetWindowLongW(w, GWL_EXSTYLE) | WS_EX_LAYERED);
  EXPECT_FALSE(GetLayeredWindowAttributes(w, &key, &alpha, &flags));
}

TEST_F(WinPosTest, TopMostChangesThroughSetWindowPosOnly) {
  HWND w = Make(WS_OVERLAPPEDWINDOW);
  auto topmost = [&] { return (GetWindowLongW(w, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; };
  ASSERT_FALSE(topmost());
  SetWindowLongW(w, GWL_EXSTYLE, GetWindowLongW(w, GWL_EXSTYLE) | WS_EX_TOPMOST);
  EXPECT_FALSE(topmost());

  ASSERT_TRUE(SetWindowPos(w, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE));
  EXPECT_TRUE(topmost());
  SetWindowLongW(w, GWL_EXSTYLE, GetWindowLongW(w, GWL_EXSTYLE) & ~WS_EX_TOPMOST);
  EXPECT_TRUE(topmost());

  ASSERT_TRUE(SetWindowPos(w, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE));
  EXPECT_FALSE(topmost());
}

}  // namespace
}  // namespace platform_test
