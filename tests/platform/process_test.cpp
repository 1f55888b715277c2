// Process handles as the hook library keeps one: opened once by any thread
// and used by every thread of the process, concurrently and after the
// opening thread has ended, until it is closed, exactly once. And the
// answers that tell the library its target is gone.
#include "platform_support.h"

#include <atomic>
#include <thread>

namespace platform_test {
namespace {

constexpr DWORD kAccess = PROCESS_VM_OPERATION | PROCESS_VM_WRITE;

// Allocates a page through the handle, writes into it and releases it.
bool WriteAPage(HANDLE process) {
  void *page = VirtualAllocEx(process, nullptr, 4096, MEM_COMMIT, PAGE_READWRITE);
  if (!page) return false;
  const int value = 0x1234;
  SIZE_T written = 0;
  bool ok = WriteProcessMemory(process, page, &value, sizeof value, &written) && written == sizeof value &&
            *static_cast<int *>(page) == value;  // the target here is this process itself
  return VirtualFreeEx(process, page, 0, MEM_RELEASE) && ok;
}

TEST(ProcessHandleTest, OutlivesTheThreadThatOpenedItAndServesEveryThread) {
  HANDLE process = nullptr;
  std::thread opener([&] { process = OpenProcess(kAccess, FALSE, GetCurrentProcessId()); });
  opener.join();
  ASSERT_NE(process, nullptr) << GetLastError();
  EXPECT_TRUE(WriteAPage(process)) << GetLastError();

  std::atomic<int> failures{0};
  std::vector<std::thread> users;
  for (int t = 0; t < 4; ++t)
    users.emplace_back([&] {
      for (int i = 0; i < 50; ++i)
        if (!WriteAPage(process)) ++failures;
    });
  for (auto &u : users) u.join();
  EXPECT_EQ(failures.load(), 0);

  EXPECT_TRUE(CloseHandle(process));
  // Closed is closed: a second close is refused, and so is any use.
  SetLastError(0);
  EXPECT_FALSE(CloseHandle(process));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_EQ(VirtualAllocEx(process, nullptr, 4096, MEM_COMMIT, PAGE_READWRITE), nullptr);
}

TEST(ProcessHandleTest, AnIdOfNoProcessCannotBeOpened) {
  // Process ids are multiples of four and stay far below this one.
  SetLastError(0);
  EXPECT_EQ(OpenProcess(kAccess, FALSE, 0x7FFFFFFC), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST(ProcessHandleTest, ADestroyedWindowHasNoProcess) {
  HWND w = CreateWindowExW(0, L"STATIC", L"gone", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(w, nullptr);
  DWORD processId = 0;
  EXPECT_EQ(GetWindowThreadProcessId(w, &processId), GetCurrentThreadId());
  EXPECT_EQ(processId, GetCurrentProcessId());
  DestroyWindow(w);
  EXPECT_EQ(GetWindowThreadProcessId(w, &processId), 0u);
}

}  // namespace
}  // namespace platform_test
