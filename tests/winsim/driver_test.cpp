// The driver's desktop reset: every test starts on a fresh desktop, with
// nothing of the one before left over but what outlives a desktop.
#include <winsim/resources.h>

#include <atomic>
#include <memory>
#include <optional>
#include <thread>

#include "desktop_fixture.h"

using namespace winsim::driver;
using namespace winsim_test;

namespace {

class DriverTest : public DesktopTest {};

HWND CreateDefaultPlacedWindow(DWORD app) {
  HWND h = nullptr;
  RunInApp(app, [&] {
    h = CreateWindowExW(0, L"SimAppWindow", L"d", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, 0, CW_USEDEFAULT, 0, nullptr,
                        nullptr, GetModuleHandleW(nullptr), nullptr);
  });
  return h;
}

LONG LeftOf(HWND h) {
  RECT r{};
  GetWindowRect(h, &r);
  return r.left;
}

TEST_F(DriverTest, ResetDesktopLeavesNothingOfTheDesktopBefore) {
  winsim::RegisterResourceScript(GetModuleHandleW(nullptr), "1 ACCELERATORS\nBEGIN\n \"a\", 2\nEND\n", {});
  DWORD app = StartApp("a");
  CreateAppWindow(app, NewWindowTitled(L"class"));  // registers the application's class
  HWND first = CreateDefaultPlacedWindow(app);
  HWND second = CreateDefaultPlacedWindow(app);
  ASSERT_EQ(LeftOf(first), 22);
  ASSERT_EQ(LeftOf(second), 48);
  SetSystemMetric(SM_CYCAPTION, 30);
  FailNext(Fault::PostMessage);
  FailNext(Fault::OpenProcess, app);

  ResetDesktop();

  EXPECT_FALSE(IsWindow(first));
  EXPECT_TRUE(TopLevelWindows().empty());
  EXPECT_EQ(GetSystemMetrics(SM_CYCAPTION), 19);
  DWORD next = StartApp("b");
  EXPECT_NE(next, app);  // ids and handles are never given out again
  HWND again = CreateAppWindow(next, NewWindowTitled(L"class"));
  EXPECT_GT(reinterpret_cast<uintptr_t>(again), reinterpret_cast<uintptr_t>(second));
  HWND placed = CreateDefaultPlacedWindow(next);
  EXPECT_EQ(LeftOf(placed), 22);                    // default positions start again at the top left
  EXPECT_TRUE(PostMessageW(again, WM_NULL, 0, 0));  // no fault left waiting
  RunInApp(next, [&] {
    HANDLE h = OpenProcess(PROCESS_VM_OPERATION, FALSE, ProgramProcessId());
    EXPECT_NE(h, nullptr);
    CloseHandle(h);
  });
  // The resources of the program's module stay, as its image stays loaded.
  HACCEL table = LoadAcceleratorsW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1));
  EXPECT_NE(table, nullptr);
  DestroyAcceleratorTable(table);
}

// A program started beside the program runs in a process of its own; what
// it leaves goes when its entry returns: its mutex's name, its windows and
// its hooks. An entry that does not return in time is left running.
TEST_F(DriverTest, RunProcessRunsAnEntryInItsOwnProcessAndEndsThatProcess) {
  const wchar_t name[] = L"Local\\DriverTest.Copy";
  HWND left = nullptr;
  DWORD process = 0;
  std::optional<int> code = RunProcess(
      "second",
      [&] {
        process = GetCurrentProcessId();
        CreateMutexW(nullptr, FALSE, name);  // never closed by the entry
        left = CreateWindowExW(0, L"STATIC", L"left", WS_POPUP | WS_VISIBLE, 0, 0, 10, 10, nullptr, nullptr, nullptr,
                               nullptr);
        return 5;
      },
      std::chrono::seconds(10));
  EXPECT_EQ(code, std::optional<int>(5));
  EXPECT_NE(process, ProgramProcessId());
  EXPECT_NE(left, nullptr);
  EXPECT_FALSE(IsWindow(left));
  HANDLE again = CreateMutexW(nullptr, FALSE, name);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
  CloseHandle(again);

  // The stuck entry outlives the call: what it reads is its own, and the
  // test lets it end before the desktop is reset.
  auto release = std::make_shared<std::atomic<bool>>(false);
  auto ended = std::make_shared<std::atomic<bool>>(false);
  EXPECT_EQ(RunProcess(
                "stuck",
                [release, ended] {
                  while (!*release) Sleep(1);
                  *ended = true;
                  return 0;
                },
                std::chrono::milliseconds(50)),
            std::nullopt);
  *release = true;
  while (!*ended) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  std::this_thread::sleep_for(std::chrono::milliseconds(50));  // its process's last steps
}

}  // namespace
