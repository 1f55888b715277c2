// The handle of the target's process that a hooked process keeps: one open
// per target, a replaced handle stays usable by whoever still holds it and
// is closed once when the last user lets go, and many threads at once use
// and replace it without a lock.
#include <gtest/gtest.h>
#include <windows.h>
#include <winsim/driver.h>

#include <atomic>
#include <thread>
#include <vector>

#include "hook/TargetProcess.h"

using namespace winsim::driver;

namespace {

const HWND kFirst = reinterpret_cast<HWND>(0x1000);
const HWND kSecond = reinterpret_cast<HWND>(0x2000);

std::size_t OpenHere() { return ProcessHandles(ProgramProcessId()).open; }

// The handle works for what the hook does with it.
bool Usable(HANDLE process) {
  void *page = VirtualAllocEx(process, nullptr, 4096, MEM_COMMIT, PAGE_READWRITE);
  if (!page) return false;
  int value = 7;
  bool written = WriteProcessMemory(process, page, &value, sizeof value, nullptr);
  return VirtualFreeEx(process, page, 0, MEM_RELEASE) && written;
}

class TargetProcessTest : public ::testing::Test {
 protected:
  void TearDown() override { ResetDesktop(); }
  const DWORD self = ProgramProcessId();
  const std::size_t openBefore = OpenHere();
};

TEST_F(TargetProcessTest, OneOpenPerTargetAndAReplacedHandleLivesWhileHeld) {
  TargetProcess processes;
  const std::size_t openedBefore = ProcessHandles(self).opened;
  {
    TargetProcess::Use first = processes.Acquire(kFirst, self);
    ASSERT_TRUE(first);
    for (int i = 0; i < 5; ++i) {
      TargetProcess::Use again = processes.Acquire(kFirst, self);
      EXPECT_EQ(again.handle(), first.handle());
    }
    EXPECT_EQ(ProcessHandles(self).opened, openedBefore + 1);

    TargetProcess::Use second = processes.Acquire(kSecond, self);  // the target changed
    ASSERT_TRUE(second);
    EXPECT_NE(second.handle(), first.handle());
    EXPECT_TRUE(Usable(first.handle()));  // still held: not closed under its user
    EXPECT_EQ(OpenHere(), openBefore + 2);
  }
  EXPECT_EQ(OpenHere(), openBefore + 1);  // the replaced one went with its last user
  processes.Close();
  EXPECT_EQ(OpenHere(), openBefore);
  EXPECT_EQ(ProcessHandles(self).opened, openedBefore + 2);
}

TEST_F(TargetProcessTest, ADiscardedHandleIsOpenedAfreshAndAFailedOpenGivesNothing) {
  TargetProcess processes;
  HANDLE old;
  {
    TargetProcess::Use use = processes.Acquire(kFirst, self);
    old = use.handle();
    processes.Discard(use);
    EXPECT_TRUE(Usable(use.handle()));
  }
  EXPECT_EQ(OpenHere(), openBefore);
  TargetProcess::Use fresh = processes.Acquire(kFirst, self);
  EXPECT_NE(fresh.handle(), old);
  EXPECT_TRUE(Usable(fresh.handle()));

  FailNext(Fault::OpenProcess);
  EXPECT_FALSE(processes.Acquire(kSecond, self));
  EXPECT_EQ(processes.Acquire(kFirst, self).handle(), fresh.handle());  // the one in place stays
}

TEST_F(TargetProcessTest, ManyThreadsUseAndReplaceItAtOnce) {
  TargetProcess processes;
  std::atomic<bool> stop{false};
  std::atomic<int> failures{0};
  std::thread changer([&] {
    for (int i = 0; i < 200; ++i) {
      TargetProcess::Use use = processes.Acquire(i % 2 ? kFirst : kSecond, self);
      if (!use) ++failures;
    }
    stop = true;
  });
  std::vector<std::thread> users;
  for (int t = 0; t < 4; ++t)
    users.emplace_back([&] {
      while (!stop)
        for (int i = 0; i < 20; ++i) {
          TargetProcess::Use use = processes.Acquire(kFirst, self);
          if (!use || !Usable(use.handle())) ++failures;
        }
    });
  changer.join();
  for (auto &u : users) u.join();
  EXPECT_EQ(failures.load(), 0);
  EXPECT_EQ(OpenHere(), openBefore + 1);  // only the current one
  processes.Close();
  EXPECT_EQ(OpenHere(), openBefore);  // every handle closed, none left behind
}

}  // namespace
