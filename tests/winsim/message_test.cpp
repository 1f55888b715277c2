// Message queues across processes: a waiting sender handling what is sent
// back, peeking, modal loops that keep dispatching, many threads calling
// in at once, and an application that stops.
#include <atomic>
#include <thread>

#include "desktop_fixture.h"
#include "support/TestWindowClass.h"

using namespace winsim::driver;
using namespace winsim_test;

namespace {

class MessageTest : public DesktopTest {};

std::atomic<DWORD> g_handledOn{0};
LRESULT CALLBACK RecordingProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == WM_USER + 1) {
    g_handledOn = GetCurrentThreadId();
    return 42 + static_cast<LRESULT>(w);
  }
  if (m == WM_USER + 2) {
    // Sends back to the thread that is waiting for this very message.
    return SendMessageW(reinterpret_cast<HWND>(l), WM_USER + 1, 1, 0);
  }
  return DefWindowProcW(h, m, w, l);
}

HWND CreateRecordingWindow() {
  return CreateWindowExW(0, RegisterTestClass(L"Recording", RecordingProc), L"", WS_POPUP, 0, 0, 10, 10, nullptr,
                         nullptr, GetModuleHandleW(nullptr), nullptr);
}

TEST_F(MessageTest, WaitingSenderHandlesMessagesSentBackToIt) {
  HWND mine = CreateRecordingWindow();
  DWORD app = StartApp("a");
  HWND theirs = nullptr;
  RunInApp(app, [&] { theirs = CreateRecordingWindow(); });
  g_handledOn = 0;
  EXPECT_EQ(SendMessageW(theirs, WM_USER + 2, 0, reinterpret_cast<LPARAM>(mine)), 43);
  EXPECT_EQ(g_handledOn.load(), GetCurrentThreadId());
}

TEST_F(MessageTest, PeekFiltersByRangeAndCanLeaveTheMessage) {
  HWND w = CreateRecordingWindow();
  PostMessageW(w, WM_USER + 20, 0, 0);
  PostMessageW(w, WM_USER + 21, 0, 0);
  MSG msg;
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_USER + 21, WM_USER + 21, PM_NOREMOVE));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER + 21));
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER + 20));
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER + 21));
}

TEST_F(MessageTest, MessageBoxKeepsDispatchingTheThreadsMessages) {
  DWORD app = StartApp("a");
  HWND owner = CreateAppWindow(app, NewWindowTitled(L"owner"));
  HWND helper = nullptr;
  RunInApp(app, [&] { helper = CreateRecordingWindow(); });
  int answer = 0;
  std::atomic<bool> done{false};
  std::thread user([&] {
    while (OpenDialogs().empty()) std::this_thread::yield();
    auto dialogs = OpenDialogs();
    EXPECT_TRUE(dialogs[0].messageBox);
    EXPECT_EQ(dialogs[0].owner, owner);
    EXPECT_EQ(dialogs[0].text, L"hello\nworld");
    EXPECT_EQ(dialogs[0].caption, L"Title");
    EXPECT_FALSE(IsWindowEnabled(owner));  // modal: the owner is disabled
    g_handledOn = 0;
    PostMessageW(helper, WM_USER + 1, 0, 0);  // a posted message is still dispatched
    WaitIdle(AppThreadId(app));
    EXPECT_EQ(g_handledOn.load(), AppThreadId(app));
    EXPECT_TRUE(PressDialogButton(dialogs[0].window, IDOK));
    done = true;
  });
  RunInApp(app, [&] { answer = MessageBoxW(owner, L"hello\nworld", L"Title", MB_ICONINFORMATION); });
  user.join();
  EXPECT_TRUE(done);
  EXPECT_EQ(answer, IDOK);
  EXPECT_TRUE(IsWindowEnabled(owner));
  EXPECT_TRUE(OpenDialogs().empty());
}

TEST_F(MessageTest, ManyThreadsCallingInAtOnce) {
  DWORD app = StartApp("a");
  HWND w = nullptr;
  RunInApp(app, [&] { w = CreateRecordingWindow(); });
  std::vector<std::thread> threads;
  std::atomic<int> good{0};
  for (int t = 0; t < 8; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 200; ++i) {
        if (SendMessageW(w, WM_USER + 1, static_cast<WPARAM>(t), 0) == 42 + t) ++good;
        PostMessageW(w, WM_NULL, 0, 0);
        wchar_t text[16];
        GetWindowTextW(w, text, 16);
        IsWindowVisible(w);
      }
    });
  }
  for (auto &t : threads) t.join();
  WaitAllIdle();
  EXPECT_EQ(good.load(), 8 * 200);
}

TEST_F(MessageTest, StoppingAnApplicationDestroysItsWindows) {
  DWORD app = StartApp("a");
  HWND w = CreateAppWindow(app, NewWindowTitled(L"x"));
  StopApp(app);
  EXPECT_FALSE(IsWindow(w));
  EXPECT_EQ(OpenProcess(PROCESS_VM_OPERATION, FALSE, app), nullptr);
}

}  // namespace
