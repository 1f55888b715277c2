// The window tree, visibility, text and class names, creation and
// destruction, as the platform reports them.
#include "platform_support.h"

#include <vector>

namespace platform_test {
namespace {

using TreeTest = PlatformTest;

TEST_F(TreeTest, ParentsOwnersAndAncestorsOfChildPopupAndOwnedOverlappedWindows) {
  HWND top = Make(WS_OVERLAPPEDWINDOW);
  HWND child = Make(WS_CHILD | WS_VISIBLE, top);
  HWND grandchild = Make(WS_CHILD | WS_VISIBLE, child);
  HWND popup = Make(WS_POPUP, top);
  HWND overlapped = Make(WS_OVERLAPPEDWINDOW, top);
  HWND ownedByChild = Make(WS_POPUP, child);  // a child cannot own: its top-level window does
  HWND inPopup = Make(WS_CHILD, popup);
  HWND desktop = GetDesktopWindow();

  EXPECT_EQ(GetParent(child), top);
  EXPECT_EQ(GetParent(grandchild), child);
  EXPECT_EQ(GetParent(popup), top);  // a pop-up's "parent" is its owner
  EXPECT_EQ(GetParent(overlapped), nullptr);
  EXPECT_EQ(GetParent(top), nullptr);

  EXPECT_EQ(GetWindow(child, GW_OWNER), nullptr);
  EXPECT_EQ(GetWindow(popup, GW_OWNER), top);
  EXPECT_EQ(GetWindow(overlapped, GW_OWNER), top);
  EXPECT_EQ(GetWindow(ownedByChild, GW_OWNER), top);
  EXPECT_EQ(GetWindow(top, GW_OWNER), nullptr);

  EXPECT_EQ(GetAncestor(grandchild, GA_PARENT), child);
  EXPECT_EQ(GetAncestor(popup, GA_PARENT), desktop);
  EXPECT_EQ(GetAncestor(overlapped, GA_PARENT), desktop);
  EXPECT_EQ(GetAncestor(top, GA_PARENT), desktop);

  EXPECT_EQ(GetAncestor(grandchild, GA_ROOT), top);
  EXPECT_EQ(GetAncestor(popup, GA_ROOT), popup);
  EXPECT_EQ(GetAncestor(inPopup, GA_ROOT), popup);

  // The root owner follows what GetParent reports, so it stops at an owned
  // overlapped window but goes through a pop-up to its owner.
  EXPECT_EQ(GetAncestor(grandchild, GA_ROOTOWNER), top);
  EXPECT_EQ(GetAncestor(inPopup, GA_ROOTOWNER), top);
  EXPECT_EQ(GetAncestor(popup, GA_ROOTOWNER), top);
  EXPECT_EQ(GetAncestor(overlapped, GA_ROOTOWNER), overlapped);
  EXPECT_EQ(GetAncestor(top, GA_ROOTOWNER), top);
}

TEST_F(TreeTest, VisibilityNeedsEveryParentVisibleButNotTheOwner) {
  HWND top = Make(WS_OVERLAPPEDWINDOW);
  HWND child = Make(WS_CHILD | WS_VISIBLE, top);
  HWND grandchild = Make(WS_CHILD | WS_VISIBLE, child);
  HWND popup = Make(WS_POPUP | WS_VISIBLE, top);

  EXPECT_FALSE(IsWindowVisible(child));
  EXPECT_FALSE(IsWindowVisible(grandchild));
  EXPECT_TRUE(GetWindowLongW(grandchild, GWL_STYLE) & WS_VISIBLE);
  EXPECT_TRUE(IsWindowVisible(popup));

  ShowWindow(top, SW_SHOWNOACTIVATE);
  EXPECT_TRUE(IsWindowVisible(grandchild));
  ShowWindow(child, SW_HIDE);
  EXPECT_FALSE(IsWindowVisible(grandchild));
  EXPECT_TRUE(IsWindowVisible(top));
}

TEST_F(TreeTest, TextAndClassNameAreTruncatedAndTerminated) {
  HWND w = Make(WS_OVERLAPPEDWINDOW, nullptr, L"Hello");
  wchar_t buffer[8];
  std::fill(std::begin(buffer), std::end(buffer), L'#');
  EXPECT_EQ(GetWindowTextW(w, buffer, 3), 2);
  EXPECT_EQ(std::wstring(buffer), L"He");
  EXPECT_EQ(buffer[3], L'#');
  EXPECT_EQ(GetWindowTextW(w, buffer, 8), 5);
  EXPECT_EQ(std::wstring(buffer), L"Hello");
  EXPECT_EQ(GetWindowTextLengthW(w), 5);

  std::fill(std::begin(buffer), std::end(buffer), L'#');
  EXPECT_EQ(GetClassNameW(w, buffer, 5), 4);
  EXPECT_EQ(std::wstring(buffer), L"QmPl");
  EXPECT_EQ(buffer[5], L'#');
  wchar_t full[64];
  EXPECT_EQ(GetClassNameW(w, full, 64), 14);
  EXPECT_EQ(std::wstring(full), ClassName());

  // Another thread's window answers through its own thread.
  OtherThread other;
  EXPECT_EQ(Text(other.window()), L"Other");
}

TEST_F(TreeTest, StaleHandlesGiveNothingAndInvalidWindowHandle) {
  HWND w = Make(WS_OVERLAPPEDWINDOW, nullptr, L"Gone");
  ASSERT_TRUE(DestroyWindow(w));
  EXPECT_FALSE(IsWindow(w));

  wchar_t buffer[16] = L"stale";
  SetLastError(0);
  EXPECT_EQ(GetWindowTextW(w, buffer, 16), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
  EXPECT_EQ(buffer[0], L'\0');
  SetLastError(0);
  EXPECT_EQ(GetClassNameW(w, buffer, 16), 0);
  // Wine reports ERROR_INVALID_PARAMETER here.
  if (!OnWine()) {
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
  }
  SetLastError(0);
  EXPECT_EQ(GetWindowTextLengthW(w), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
  SetLastError(0);
  EXPECT_EQ(GetParent(w), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
  SetLastError(0);
  EXPECT_EQ(GetWindowLongW(w, GWL_STYLE), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
  EXPECT_EQ(GetWindow(w, GW_OWNER), nullptr);
  EXPECT_EQ(GetAncestor(w, GA_PARENT), nullptr);
  EXPECT_EQ(GetAncestor(w, GA_ROOT), nullptr);
  // Wine walks GetParent from the handle itself and returns the stale
  // handle for GA_ROOTOWNER; the platform returns NULL.
  if (!OnWine()) {
    EXPECT_EQ(GetAncestor(w, GA_ROOTOWNER), nullptr);
  }
  EXPECT_FALSE(IsWindowVisible(w));
  RECT r;
  SetLastError(0);
  EXPECT_FALSE(GetWindowRect(w, &r));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
  SetLastError(0);
  EXPECT_FALSE(DestroyWindow(w));
  // Wine checks "a window of this thread" first and reports
  // ERROR_ACCESS_DENIED for a stale handle too.
  if (!OnWine()) {
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
  }
}

// A handle names one window for good: the window made right after another
// is destroyed gets a handle of its own, so a handle that still answers
// names the window it named before, with the same class name.
TEST_F(TreeTest, ANewWindowNeverGetsTheHandleOfOneJustDestroyed) {
  std::vector<HWND> gone;
  for (int i = 0; i < 8; ++i) {
    HWND w = Make(WS_OVERLAPPEDWINDOW, nullptr, L"Short-lived");
    for (HWND old : gone) EXPECT_NE(w, old);
    ASSERT_TRUE(DestroyWindow(w));
    gone.push_back(w);
  }
}

TEST_F(TreeTest, DestroyingGoesOwnedFirstThenParentBeforeChildren) {
  HWND top = Make(WS_OVERLAPPEDWINDOW | WS_VISIBLE);
  HWND child = Make(WS_CHILD | WS_VISIBLE, top);
  HWND popup = Make(WS_POPUP | WS_VISIBLE, top);
  HWND other = Make(WS_OVERLAPPEDWINDOW);
  Log::Clear();

  ASSERT_TRUE(DestroyWindow(top));
  auto seen = Log::Of({WM_DESTROY, WM_NCDESTROY}, {top, child, popup, other});
  std::vector<std::pair<HWND, UINT>> order;
  for (const Seen &s : seen) order.emplace_back(s.hwnd, s.message);
  std::vector<std::pair<HWND, UINT>> expected{{popup, WM_DESTROY}, {popup, WM_NCDESTROY}, {top, WM_DESTROY},
                                              {child, WM_DESTROY}, {child, WM_NCDESTROY}, {top, WM_NCDESTROY}};
  EXPECT_EQ(order, expected);
  EXPECT_FALSE(IsWindow(top));
  EXPECT_FALSE(IsWindow(child));
  EXPECT_FALSE(IsWindow(popup));
  EXPECT_TRUE(IsWindow(other));
}

TEST_F(TreeTest, CreationSendsNcCreateAndCreateBeforeReturning) {
  HWND w = Make(WS_OVERLAPPEDWINDOW, nullptr, L"Made");
  auto seen = Log::Of({WM_NCCREATE, WM_CREATE});
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0].message, static_cast<UINT>(WM_NCCREATE));
  EXPECT_EQ(seen[1].message, static_cast<UINT>(WM_CREATE));
  EXPECT_EQ(seen[0].hwnd, w);
  EXPECT_EQ(seen[1].hwnd, w);
  EXPECT_EQ(seen[1].threadId, GetCurrentThreadId());
  EXPECT_EQ(Text(w), L"Made");  // the default handling of WM_NCCREATE sets the text

  // WM_CREATE answering -1 fails the creation and destroys the window.
  Behaviour::failCreate = true;
  Log::Clear();
  HWND failed = CreateWindowExW(0, ClassName(), L"No", WS_OVERLAPPEDWINDOW, 0, 0, 200, 200, nullptr, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
  EXPECT_EQ(failed, nullptr);
  auto messages = Log::Messages({WM_NCCREATE, WM_CREATE, WM_DESTROY, WM_NCDESTROY});
  // The window is destroyed, so it gets WM_DESTROY and then WM_NCDESTROY;
  // Wine frees it with WM_NCDESTROY alone.
  if (OnWine()) {
    EXPECT_EQ(messages, (std::vector<UINT>{WM_NCCREATE, WM_CREATE, WM_NCDESTROY}));
  } else {
    EXPECT_EQ(messages, (std::vector<UINT>{WM_NCCREATE, WM_CREATE, WM_DESTROY, WM_NCDESTROY}));
  }
}

}  // namespace
}  // namespace platform_test
