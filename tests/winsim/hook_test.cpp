// Global WH_CALLWNDPROCRET and WH_CALLWNDPROC hooks: where and how the
// hook procedure runs, what its wParam tells, and the whole road of an event
// from an application's focus change to the installing program's message
// queue.
#include "desktop_fixture.h"
#include "support/TestWindowClass.h"

#include <future>
#include <map>
#include <string>
#include <thread>
#include <utility>

using namespace winsim::driver;
using namespace winsim_test;

namespace {

// What the forwarding hook saw, and the page it posted.
struct Forwarded {
  DWORD threadId = 0;
  DWORD processId = 0;
  WPARAM hookWParam = 99;
  CWPRETSTRUCT record{};
};
HWND g_target = nullptr;
HWND g_watched = nullptr;
Forwarded g_forwarded;
int g_forwardCount = 0;

// Does what a hook library does: copies the record into a page in the
// target's process and posts the page's address there.
LRESULT CALLBACK ForwardingHook(int code, WPARAM wParam, LPARAM lParam) {
  auto *c = reinterpret_cast<CWPRETSTRUCT *>(lParam);
  if (code == HC_ACTION && c->hwnd == g_watched && c->message == WM_KILLFOCUS) {
    g_forwarded = Forwarded{GetCurrentThreadId(), GetCurrentProcessId(), wParam, *c};
    ++g_forwardCount;
    DWORD pid = 0;
    GetWindowThreadProcessId(g_target, &pid);
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, pid);
    void *page = VirtualAllocEx(process, nullptr, 4096, MEM_COMMIT, PAGE_READWRITE);
    if (page) {
      WriteProcessMemory(process, page, c, sizeof *c, nullptr);
      PostMessageW(g_target, WM_USER + 1, 0, reinterpret_cast<LPARAM>(page));
    }
    CloseHandle(process);
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

class HookTest : public DesktopTest {
 protected:
  void SetUp() override {
    g_target = CreateWindowExW(0, RegisterTestClass(L"Target", DefWindowProcW), L"target", WS_OVERLAPPEDWINDOW, 0, 0,
                               200, 200, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    g_forwardCount = 0;
  }
};

TEST_F(HookTest, FocusLossInAnApplicationReachesTheInstallerAsAPostedPage) {
  DWORD appA = StartApp("a"), appB = StartApp("b");
  HWND a = CreateAppWindow(appA, NewWindowTitled(L"A"));
  HWND b = CreateAppWindow(appB, NewWindowTitled(L"B"));
  ClickFocus(a);
  g_watched = a;
  HHOOK hook = SetWindowsHookExW(WH_CALLWNDPROCRET, ForwardingHook, GetModuleHandleW(nullptr), 0);
  ASSERT_NE(hook, nullptr);

  ClickFocus(b);

  ASSERT_EQ(g_forwardCount, 1);
  EXPECT_EQ(g_forwarded.threadId, AppThreadId(appA));  // on the application's own thread
  EXPECT_EQ(g_forwarded.processId, appA);              // inside its process
  EXPECT_NE(g_forwarded.hookWParam, 0u);               // sent by the application's own thread
  EXPECT_EQ(g_forwarded.record.message, static_cast<UINT>(WM_KILLFOCUS));
  EXPECT_EQ(g_forwarded.record.hwnd, a);
  EXPECT_EQ(reinterpret_cast<HWND>(g_forwarded.record.wParam), b);  // the window receiving the focus

  EXPECT_EQ(LiveAllocations(ProgramProcessId()), 1u);
  MSG msg;
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_USER + 1, WM_USER + 1, PM_REMOVE));
  EXPECT_EQ(msg.hwnd, g_target);
  auto *page = reinterpret_cast<const CWPRETSTRUCT *>(msg.lParam);
  EXPECT_EQ(page->message, static_cast<UINT>(WM_KILLFOCUS));
  EXPECT_EQ(page->hwnd, a);
  EXPECT_EQ(page->wParam, g_forwarded.record.wParam);
  MEMORY_BASIC_INFORMATION info;
  ASSERT_EQ(VirtualQuery(page, &info, sizeof info), sizeof info);
  EXPECT_EQ(info.AllocationBase, page);
  EXPECT_EQ(info.State, static_cast<DWORD>(MEM_COMMIT));
  EXPECT_EQ(info.Type, static_cast<DWORD>(MEM_PRIVATE));
  EXPECT_EQ(info.RegionSize, 4096u);
  EXPECT_TRUE(VirtualFreeEx(GetCurrentProcess(), const_cast<CWPRETSTRUCT *>(page), 0, MEM_RELEASE));
  EXPECT_EQ(LiveAllocations(ProgramProcessId()), 0u);
  UnhookWindowsHookEx(hook);
}

TEST_F(HookTest, HookRunsOnTheThreadThatRanTheWindowProcedure) {
  HookRecorder recorder;
  DWORD app = StartApp("a");
  HWND a = CreateAppWindow(app, NewWindowTitled(L"A"));
  SetAppWindowText(a, L"renamed");
  SendMessageW(a, WM_USER + 7, 0, 0);  // from the program's process
  auto seen = recorder.Of({WM_CREATE, WM_SHOWWINDOW, WM_SETTEXT, WM_USER + 7}, {a});
  ASSERT_EQ(seen.size(), 4u);
  for (auto &s : seen) {
    EXPECT_EQ(s.threadId, AppThreadId(app)) << s.message;
    EXPECT_EQ(s.processId, app) << s.message;
  }
}

// A message handed over from another thread, of another process or of the
// same one, carries 0; one that the handling thread sends itself, directly
// or through the system's work on its behalf (creating, showing, focusing),
// carries nonzero.
TEST_F(HookTest, HookWParamTellsWhetherTheHandlingThreadSentTheMessage) {
  HookRecorder recorder;
  DWORD app = StartApp("a");
  HWND a = CreateAppWindow(app, NewWindowTitled(L"A"));
  RunInApp(app, [&] {
    SendMessageW(a, WM_USER + 8, 0, 0);
    SetFocus(a);
  });
  SendMessageW(a, WM_USER + 7, 0, 0);  // from another process's thread
  PostMessageW(a, WM_USER + 9, 0, 0);  // posted: no hook
  WaitAllIdle();

  // A second thread of the program's process, with a window of its own.
  std::promise<HWND> made;
  std::thread other([&made] {
    made.set_value(CreateWindowExW(0, L"STATIC", L"other", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr));
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
  });
  HWND sibling = made.get_future().get();
  SendMessageW(sibling, WM_USER + 10, 0, 0);  // same process, another thread
  PostThreadMessageW(GetWindowThreadProcessId(sibling, nullptr), WM_QUIT, 0, 0);
  other.join();

  std::map<UINT, WPARAM> hookWParam;
  for (auto &s : recorder.Of(
           {WM_CREATE, WM_SHOWWINDOW, WM_SETFOCUS, WM_USER + 7, WM_USER + 8, WM_USER + 9, WM_USER + 10}, {a, sibling}))
    hookWParam[s.message] = s.hookWParam;
  EXPECT_EQ(hookWParam.count(WM_USER + 9), 0u);
  ASSERT_EQ(hookWParam.size(), 6u);
  EXPECT_NE(hookWParam[WM_CREATE], 0u);
  EXPECT_NE(hookWParam[WM_SHOWWINDOW], 0u);
  EXPECT_NE(hookWParam[WM_SETFOCUS], 0u);
  EXPECT_NE(hookWParam[WM_USER + 8], 0u);
  EXPECT_EQ(hookWParam[WM_USER + 7], 0u);
  EXPECT_EQ(hookWParam[WM_USER + 10], 0u);
}

// What a WH_CALLWNDPROC hook saw, in order with the window procedure.
std::vector<std::pair<std::string, WPARAM>> g_order;
LRESULT CALLBACK BeforeProc(int code, WPARAM wParam, LPARAM lParam) {
  auto *c = reinterpret_cast<CWPSTRUCT *>(lParam);
  if (code == HC_ACTION && c->message >= WM_USER + 20) {
    g_order.emplace_back("before " + std::to_string(c->message - WM_USER), wParam);
    c->wParam = 77;  // changes the hook's copy only
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}
LRESULT CALLBACK OrderProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message >= WM_USER + 20) g_order.emplace_back("proc " + std::to_string(wParam), 0);
  return DefWindowProcW(window, message, wParam, lParam);
}

TEST_F(HookTest, CallWndProcHookRunsBeforeTheProcedureOnSentMessagesOnly) {
  HWND w = CreateWindowExW(0, RegisterTestClass(L"Order", OrderProc), L"w", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100,
                           nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  g_order.clear();
  HHOOK hook = SetWindowsHookExW(WH_CALLWNDPROC, BeforeProc, nullptr, GetCurrentThreadId());
  ASSERT_NE(hook, nullptr);
  SendMessageW(w, WM_USER + 20, 5, 0);
  PostMessageW(w, WM_USER + 21, 6, 0);
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  EXPECT_TRUE(UnhookWindowsHookEx(hook));
  EXPECT_EQ(g_order, (std::vector<std::pair<std::string, WPARAM>>{{"before 20", 1}, {"proc 5", 0}, {"proc 6", 0}}));
  DestroyWindow(w);
}

int g_chainCalls = 0;
LRESULT CALLBACK Counting(int code, WPARAM wParam, LPARAM lParam) {
  auto *c = reinterpret_cast<CWPRETSTRUCT *>(lParam);
  if (c->message == WM_USER + 3) ++g_chainCalls;
  return CallNextHookEx(nullptr, code, wParam, lParam);
}
LRESULT CALLBACK Swallowing(int, WPARAM, LPARAM) { return 0; }

TEST_F(HookTest, ChainRunsNewestFirstAndStopsWhereAHookDoesNotCallTheNext) {
  g_chainCalls = 0;
  HHOOK older = SetWindowsHookExW(WH_CALLWNDPROCRET, Counting, GetModuleHandleW(nullptr), 0);
  HHOOK newer = SetWindowsHookExW(WH_CALLWNDPROCRET, Counting, GetModuleHandleW(nullptr), 0);
  SendMessageW(g_target, WM_USER + 3, 0, 0);
  EXPECT_EQ(g_chainCalls, 2);
  HHOOK blocker = SetWindowsHookExW(WH_CALLWNDPROCRET, Swallowing, GetModuleHandleW(nullptr), 0);
  SendMessageW(g_target, WM_USER + 3, 0, 0);
  EXPECT_EQ(g_chainCalls, 2);
  EXPECT_TRUE(UnhookWindowsHookEx(blocker));
  EXPECT_TRUE(UnhookWindowsHookEx(newer));
  SendMessageW(g_target, WM_USER + 3, 0, 0);
  EXPECT_EQ(g_chainCalls, 3);
  EXPECT_TRUE(UnhookWindowsHookEx(older));
  EXPECT_FALSE(UnhookWindowsHookEx(older));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HOOK_HANDLE));
}

TEST_F(HookTest, GlobalHookNeedsAModuleHandle) {
  EXPECT_EQ(SetWindowsHookExW(WH_CALLWNDPROCRET, Counting, nullptr, 0), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_HOOK_NEEDS_HMOD));
}

}  // namespace
