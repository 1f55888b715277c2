// Killing the program's process: everything of it goes at once, none of
// its code runs for it, and its thread leaves the platform call it waits in.
#include "desktop_fixture.h"

#include <atomic>
#include <future>
#include <thread>

using namespace winsim::driver;
using namespace winsim_test;

namespace {

std::atomic<int> g_destroyed{0};
std::atomic<int> g_hooked{0};

LRESULT CALLBACK CountingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DESTROY || message == WM_NCDESTROY) ++g_destroyed;
  return DefWindowProcW(window, message, wParam, lParam);
}

LRESULT CALLBACK CountingHook(int code, WPARAM wParam, LPARAM lParam) {
  ++g_hooked;
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

bool RegisterKillClass() {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = CountingProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"KillTestMain";
  return RegisterClassExW(&wc) != 0;
}

// The program: a class, a window with a property, a global hook and a page
// of memory; then its message loop, until the kill throws it out.
struct Program {
  std::thread thread;
  std::promise<HWND> started;
  std::atomic<bool> killed{false};
  std::atomic<bool> returned{false};

  void Run() {
    thread = std::thread([this] {
      try {
        RegisterKillClass();
        HWND main = CreateWindowExW(0, L"KillTestMain", L"main", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 200,
                                    nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        SetPropW(main, L"KillTestProperty", reinterpret_cast<HANDLE>(1));
        SetWindowsHookExW(WH_CALLWNDPROCRET, CountingHook, GetModuleHandleW(nullptr), 0);
        VirtualAllocEx(GetCurrentProcess(), nullptr, 4096, MEM_COMMIT, PAGE_READWRITE);
        started.set_value(main);
        MSG msg;
        while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
        returned = true;
      } catch (const ProcessKilled &) {
        killed = true;
      }
    });
  }
};

using KillTest = DesktopTest;

TEST_F(KillTest, TheProgramsThingsGoWithoutAMessageAndItsThreadLeavesItsWait) {
  g_destroyed = 0;
  DWORD app = StartApp("app");
  HWND appWindow = CreateAppWindow(app, NewWindowTitled(L"app"));
  Program program;
  program.Run();
  HWND main = program.started.get_future().get();
  WaitAllIdle();
  ASSERT_EQ(LiveAllocations(ProgramProcessId()), 1u);
  ATOM name = GlobalFindAtomW(L"KillTestProperty");
  ASSERT_NE(name, 0);

  KillProgram();
  program.thread.join();
  EXPECT_TRUE(program.killed);
  EXPECT_FALSE(program.returned);
  EXPECT_EQ(g_destroyed.load(), 0);  // the window procedure heard nothing
  EXPECT_FALSE(IsWindow(main));
  EXPECT_EQ(LiveAllocations(ProgramProcessId()), 0u);
  EXPECT_EQ(GlobalFindAtomW(L"KillTestProperty"), 0);  // the property's reference went with the window

  // Its hook runs no more; the applications go on.
  g_hooked = 0;
  SetAppWindowText(appWindow, L"still here");
  EXPECT_EQ(g_hooked.load(), 0);
  EXPECT_EQ(ReadWindow(appWindow).text, L"still here");

  // A new thread of the program starts afresh: its class is gone, so it
  // registers it again.
  std::thread again([] { EXPECT_TRUE(RegisterKillClass()); });
  again.join();
}

TEST_F(KillTest, AThreadBusyOutsideThePlatformLeavesAtItsNextWait) {
  std::promise<void> ready;
  std::promise<void> go;
  std::atomic<bool> killed{false};
  std::thread busy([&] {
    try {
      MSG msg;
      PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);  // makes the thread the program's
      ready.set_value();
      go.get_future().wait();  // running its own code while it is killed
      GetMessageW(&msg, nullptr, 0, 0);
    } catch (const ProcessKilled &) {
      killed = true;
    }
  });
  ready.get_future().wait();
  KillProgram();
  go.set_value();
  busy.join();
  EXPECT_TRUE(killed);
}

// A thread marked by the test as one that cannot be unwound.
thread_local bool t_cannotUnwind = false;

TEST_F(KillTest, AThreadThatCannotBeUnwoundStopsForGoodAndTheRestGoOn) {
  std::atomic<int> chosen{0};
  SetKilledThreadExit([&chosen] {
    ++chosen;
    return t_cannotUnwind ? KilledThreadExit::Stop : KilledThreadExit::Unwind;
  });
  std::atomic<bool> stoppedLeft{false};
  std::atomic<bool> otherKilled{false};
  std::promise<void> waiting;
  std::promise<void> otherWaiting;
  // Never joined: it stays in its wait until the process ends.
  std::thread([&stoppedLeft, &waiting] {
    t_cannotUnwind = true;
    try {
      MSG msg;
      PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);
      waiting.set_value();
      GetMessageW(&msg, nullptr, 0, 0);
    } catch (...) {
    }
    stoppedLeft = true;
  }).detach();
  std::thread other([&] {
    try {
      MSG msg;
      PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);
      otherWaiting.set_value();
      GetMessageW(&msg, nullptr, 0, 0);
    } catch (const ProcessKilled &) {
      otherKilled = true;
    }
  });
  waiting.get_future().wait();
  otherWaiting.get_future().wait();
  WaitAllIdle();

  KillProgram();
  other.join();
  EXPECT_TRUE(otherKilled);
  // Both were asked; the stopped thread holds nothing of the desktop, so
  // applications and a new thread of the program go on.
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (chosen < 2 && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
  EXPECT_EQ(chosen.load(), 2);
  DWORD app = StartApp("app");
  HWND appWindow = CreateAppWindow(app, NewWindowTitled(L"app"));
  SetAppWindowText(appWindow, L"still here");
  EXPECT_EQ(ReadWindow(appWindow).text, L"still here");
  std::thread again([] { EXPECT_TRUE(RegisterKillClass()); });
  again.join();
  WaitAllIdle();
  EXPECT_FALSE(stoppedLeft);
  SetKilledThreadExit(nullptr);
}

}  // namespace
