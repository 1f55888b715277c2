// Waiting for kernel objects and messages together, as a helper process
// waits for its parent process and for its stop message: input already in
// the queue counts with MWMO_INPUTAVAILABLE, objects come before input, and
// WaitForSingleObject does not wake for messages.
#include "platform_support.h"

namespace platform_test {
namespace {

void DrainQueue() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
  }
}

TEST(WaitTest, InputAvailableCountsAPostedMessageTheThreadHasAlreadySeen) {
  MSG msg;
  PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);  // the thread's queue
  ASSERT_TRUE(PostThreadMessageW(GetCurrentThreadId(), WM_APP, 0, 0));
  // Looking at the queue for something else makes the message seen.
  EXPECT_FALSE(PeekMessageW(&msg, nullptr, WM_APP + 1, WM_APP + 1, PM_NOREMOVE));
  EXPECT_EQ(MsgWaitForMultipleObjectsEx(0, nullptr, 0, QS_ALLINPUT, MWMO_INPUTAVAILABLE), WAIT_OBJECT_0);
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_APP));
  EXPECT_EQ(MsgWaitForMultipleObjectsEx(0, nullptr, 0, QS_ALLINPUT, MWMO_INPUTAVAILABLE),
            static_cast<DWORD>(WAIT_TIMEOUT));
}

TEST(WaitTest, AnOwnEventComesBeforeAMessageAndAPlainWaitIgnoresMessages) {
  MSG msg;
  PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);
  HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  ASSERT_NE(event, nullptr);
  ASSERT_TRUE(PostThreadMessageW(GetCurrentThreadId(), WM_APP, 0, 0));
  EXPECT_EQ(WaitForSingleObject(event, 0), static_cast<DWORD>(WAIT_TIMEOUT));
  EXPECT_EQ(MsgWaitForMultipleObjectsEx(1, &event, 0, QS_ALLINPUT, MWMO_INPUTAVAILABLE), WAIT_OBJECT_0 + 1);
  ASSERT_TRUE(SetEvent(event));
  EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
  EXPECT_EQ(MsgWaitForMultipleObjectsEx(1, &event, 0, QS_ALLINPUT, MWMO_INPUTAVAILABLE), WAIT_OBJECT_0);
  DrainQueue();
  CloseHandle(event);
}

TEST(WaitTest, AnEventSetByAnotherThreadEndsAMessageWait) {
  MSG msg;
  PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);
  HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  ASSERT_NE(event, nullptr);
  std::thread setter([event] {
    Sleep(20);
    SetEvent(event);
  });
  EXPECT_EQ(MsgWaitForMultipleObjectsEx(1, &event, 10000, QS_ALLINPUT, MWMO_INPUTAVAILABLE), WAIT_OBJECT_0);
  setter.join();
  EXPECT_EQ(WaitForSingleObject(event, 0), static_cast<DWORD>(WAIT_TIMEOUT));  // auto-reset: the wait took it
  CloseHandle(event);
}

}  // namespace
}  // namespace platform_test
