// A BaseWindow object serves its window from WM_NCCREATE to WM_NCDESTROY,
// and never after either is gone.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "shell/BaseWindow.h"
#include "support/TestWindowClass.h"

namespace {

class RecordingWindow : public BaseWindow {
 public:
  explicit RecordingWindow(std::vector<UINT> &seen) : BaseWindow(GetModuleHandleW(nullptr)), seen_(seen) {}

  void RegisterWindowClass() override { className = RegisterTestClass(L"BaseWindowTest", StaticWindowProc); }

  LRESULT WindowProc(HWND h, UINT message, WPARAM wParam, LPARAM lParam) override {
    seen_.push_back(message);
    if (message == WM_CREATE) windowAtCreate = GetWindow();
    return BaseWindow::WindowProc(h, message, wParam, lParam);
  }

  HWND windowAtCreate = nullptr;

 private:
  std::vector<UINT> &seen_;
};

bool Saw(const std::vector<UINT> &seen, UINT message) {
  for (UINT m : seen)
    if (m == message) return true;
  return false;
}

// The quit message BaseWindow posts for WM_DESTROY, taken off this
// thread's queue so that later tests do not meet it.
int QuitMessagesTaken() {
  int quits = 0;
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) quits += msg.message == WM_QUIT;
  return quits;
}

TEST(BaseWindowTest, TheObjectServesItsWindowFromCreationToTheLastMessage) {
  std::vector<UINT> seen;
  RecordingWindow object(seen);
  object.RegisterWindowClass();
  ASSERT_TRUE(object.Create(L"base window"));
  const HWND h = object.GetWindow();
  ASSERT_NE(h, nullptr);
  EXPECT_TRUE(Saw(seen, WM_NCCREATE));
  EXPECT_TRUE(Saw(seen, WM_CREATE));
  EXPECT_EQ(object.windowAtCreate, h);

  ASSERT_TRUE(DestroyWindow(h));
  EXPECT_TRUE(Saw(seen, WM_DESTROY));
  EXPECT_EQ(seen.back(), static_cast<UINT>(WM_NCDESTROY));
  EXPECT_EQ(object.GetWindow(), nullptr);
  EXPECT_EQ(QuitMessagesTaken(), 1);
}

// An object that goes before its window leaves the window to the default
// handling: the window's later messages, its destruction included, must
// not reach the freed object.
TEST(BaseWindowTest, AWindowThatOutlivesItsObjectGetsTheDefaultHandling) {
  std::vector<UINT> seen;
  auto object = std::make_unique<RecordingWindow>(seen);
  object->RegisterWindowClass();
  ASSERT_TRUE(object->Create(L"outlives its object"));
  const HWND h = object->GetWindow();
  object.reset();
  seen.clear();

  SendMessageW(h, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"still here"));
  EXPECT_TRUE(DestroyWindow(h));
  EXPECT_TRUE(seen.empty());
  EXPECT_EQ(QuitMessagesTaken(), 0);
}

}  // namespace
