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

TEST(ProcessHandleTest, TheRunningProcessIsStillActive) {
  DWORD code = 0;
  ASSERT_TRUE(GetExitCodeProcess(GetCurrentProcess(), &code));
  EXPECT_EQ(code, static_cast<DWORD>(STILL_ACTIVE));
}

// The executable's path, as a program finds files beside itself.
std::wstring OwnPath() {
  std::wstring path(32768, L'\0');
  const DWORD n = GetModuleFileNameW(nullptr, &path[0], static_cast<DWORD>(path.size()));
  path.resize(n);
  return path;
}

TEST(ProcessStartTest, AMissingExecutableIsNotFound) {
  std::wstring path = OwnPath();
  ASSERT_FALSE(path.empty());
  path = path.substr(0, path.find_last_of(L"\\/") + 1) + L"no-such-program.exe";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  std::wstring commandLine = L"\"" + path + L"\" 1 2";
  SetLastError(0);
  EXPECT_FALSE(
      CreateProcessW(path.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST(ProcessStartTest, TheExecutablesPathIsCutToTheBufferWithAnError) {
  const std::wstring path = OwnPath();
  ASSERT_GT(path.size(), 4u);
  EXPECT_EQ(path.find(L'\0'), std::wstring::npos);
  // Room for all of it and the terminator: its length, terminated.
  std::vector<wchar_t> fits(path.size() + 1, L'x');
  EXPECT_EQ(GetModuleFileNameW(nullptr, fits.data(), static_cast<DWORD>(fits.size())), path.size());
  EXPECT_EQ(std::wstring(fits.data()), path);
  // One short: cut, the buffer's size returned, and the error set.
  std::vector<wchar_t> cut(path.size(), L'x');
  SetLastError(0);
  EXPECT_EQ(GetModuleFileNameW(nullptr, cut.data(), static_cast<DWORD>(cut.size())), cut.size());
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(std::wstring(cut.data(), cut.size() - 1), path.substr(0, cut.size() - 1));
  // The platform terminates the cut path; Wine versions differ on that.
  if (!OnWine()) {
    EXPECT_EQ(cut.back(), L'\0');
  }
}

}  // namespace
}  // namespace platform_test
