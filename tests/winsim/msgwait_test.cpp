// Waiting for kernel objects and messages together: what wakes a thread in
// MsgWaitForMultipleObjectsEx, what it handles while it waits, and how a
// killed program's thread leaves it.
#include "desktop_fixture.h"

#include <atomic>
#include <future>
#include <thread>

using namespace winsim::driver;
using namespace winsim_test;

namespace {

using MsgWaitTest = DesktopTest;

TEST_F(MsgWaitTest, MessagesSentToTheWaitingThreadAreHandledWhileItWaits) {
  DWORD app = StartApp("app");
  HWND w = CreateAppWindow(app, NewWindowTitled(L"target"));
  HANDLE never = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  std::promise<void> waiting;
  std::atomic<DWORD> result{0};
  std::thread waiter([&] {
    MSG msg;
    PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);
    // The window's thread changes its text through this thread's window.
    HWND mine = CreateWindowExW(0, L"STATIC", L"mine", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    SetWindowLongPtrW(w, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(mine));
    waiting.set_value();
    result = MsgWaitForMultipleObjectsEx(1, &never, 5000, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    DestroyWindow(mine);
  });
  waiting.get_future().wait();
  HWND mine = reinterpret_cast<HWND>(GetWindowLongPtrW(w, GWLP_USERDATA));
  // Sent from the application's thread while the waiter waits: it returns
  // only when the waiter has handled it.
  RunInApp(app, [&] { SendMessageW(mine, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"changed")); });
  EXPECT_EQ(ReadWindow(mine).text, L"changed");
  // A posted message ends the wait as input.
  PostMessageW(mine, WM_USER, 0, 0);
  waiter.join();
  EXPECT_EQ(result.load(), WAIT_OBJECT_0 + 1);
  CloseHandle(never);
}

TEST_F(MsgWaitTest, OnlyNewInputWakesWithoutInputAvailable) {
  MSG msg;
  PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);  // the thread's queue
  ASSERT_TRUE(PostThreadMessageW(GetCurrentThreadId(), WM_USER, 0, 0));
  // Looking at the queue (for another message) makes what is there old.
  PeekMessageW(&msg, nullptr, WM_APP, WM_APP, PM_NOREMOVE);
  EXPECT_EQ(MsgWaitForMultipleObjectsEx(0, nullptr, 0, QS_ALLINPUT, 0), static_cast<DWORD>(WAIT_TIMEOUT));
  EXPECT_EQ(MsgWaitForMultipleObjectsEx(0, nullptr, 0, QS_ALLINPUT, MWMO_INPUTAVAILABLE), WAIT_OBJECT_0);
  // Something new wakes it either way.
  PostThreadMessageW(GetCurrentThreadId(), WM_USER + 1, 0, 0);
  EXPECT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, 0, QS_ALLINPUT), WAIT_OBJECT_0);
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
  }
}

TEST_F(MsgWaitTest, AnEventSetByAnotherThreadEndsTheWaitAndAnObjectComesBeforeInput) {
  MSG msg;
  PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);
  HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  std::thread setter([event] {
    Sleep(20);
    SetEvent(event);
  });
  EXPECT_EQ(MsgWaitForMultipleObjectsEx(1, &event, 10000, QS_ALLINPUT, MWMO_INPUTAVAILABLE), WAIT_OBJECT_0);
  setter.join();
  // Auto-reset: taken by the wait. Set again with a message queued: the
  // object is reported first.
  SetEvent(event);
  PostThreadMessageW(GetCurrentThreadId(), WM_USER, 0, 0);
  EXPECT_EQ(MsgWaitForMultipleObjectsEx(1, &event, 0, QS_ALLINPUT, MWMO_INPUTAVAILABLE), WAIT_OBJECT_0);
  EXPECT_EQ(MsgWaitForMultipleObjectsEx(1, &event, 0, QS_ALLINPUT, MWMO_INPUTAVAILABLE), WAIT_OBJECT_0 + 1);
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
  }
  CloseHandle(event);
}

TEST_F(MsgWaitTest, BadArgumentsFail) {
  HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  SetLastError(0);
  EXPECT_EQ(MsgWaitForMultipleObjects(1, &event, TRUE, 0, QS_ALLINPUT), WAIT_FAILED);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_SUPPORTED));
  CloseHandle(event);
  SetLastError(0);
  EXPECT_EQ(MsgWaitForMultipleObjectsEx(1, &event, 0, QS_ALLINPUT, 0), WAIT_FAILED);  // closed
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  SetLastError(0);
  EXPECT_EQ(WaitForMultipleObjects(0, nullptr, FALSE, 0), WAIT_FAILED);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST_F(MsgWaitTest, AKilledProgramsThreadLeavesTheWait) {
  std::promise<void> waiting;
  std::atomic<bool> killed{false};
  std::thread program([&] {
    try {
      MSG msg;
      PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);
      waiting.set_value();
      MsgWaitForMultipleObjectsEx(0, nullptr, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    } catch (const ProcessKilled &) {
      killed = true;
    }
  });
  waiting.get_future().wait();
  WaitAllIdle();
  KillProgram();
  program.join();
  EXPECT_TRUE(killed);
}

}  // namespace
