// The driver's desktop reset: every test starts on a fresh desktop, with
// nothing of the one before left over but what outlives a desktop.
#include <winsim/resources.h>

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

}  // namespace
