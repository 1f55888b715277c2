// Global WH_CALLWNDPROCRET hooks: where and how the hook procedure runs,
// and the whole road of an event from an application's focus change to
// the installing program's message queue.
#include "desktop_fixture.h"
#include "support/TestWindowClass.h"

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
    g_target = CreateWindowExW(0, RegisterTestClass(L"Target", DefWindowProcW), L"target", WS_OVERLAPPEDWINDOW, 0, 0, 200, 200, nullptr, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
    g_forwardCount = 0;
  }
};

TEST_F(HookTest, FocusLossInAnApplicationReachesTheInstallerAsAPostedPage) {
  DWORD appA = StartApp("a"), appB = StartApp("b");
  HWND a = CreateAppWindow(appA, Spec(L"A"));
  HWND b = CreateAppWindow(appB, Spec(L"B"));
  ClickFocus(a);
  g_watched = a;
  HHOOK hook = SetWindowsHookExW(WH_CALLWNDPROCRET, ForwardingHook, GetModuleHandleW(nullptr), 0);
  ASSERT_NE(hook, nullptr);

  ClickFocus(b);

  ASSERT_EQ(g_forwardCount, 1);
  EXPECT_EQ(g_forwarded.threadId, AppThreadId(appA));  // on the application's own thread
  EXPECT_EQ(g_forwarded.processId, appA);               // inside its process
  EXPECT_EQ(g_forwarded.hookWParam, 0u);                // sent by the system
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
  HWND a = CreateAppWindow(app, Spec(L"A"));
  SetAppWindowText(a, L"renamed");
  auto seen = recorder.Of({WM_SETTEXT, WM_SHOWWINDOW, WM_CREATE}, {a});
  ASSERT_EQ(seen.size(), 3u);
  for (auto &s : seen) {
    EXPECT_EQ(s.threadId, AppThreadId(app));
    EXPECT_EQ(s.processId, app);
  }
  EXPECT_EQ(seen[0].message, static_cast<UINT>(WM_CREATE));
  EXPECT_EQ(seen[0].hookWParam, 0u);  // the system's own creation messages
  EXPECT_EQ(seen[1].message, static_cast<UINT>(WM_SHOWWINDOW));
  EXPECT_EQ(seen[1].hookWParam, 0u);
  EXPECT_EQ(seen[2].message, static_cast<UINT>(WM_SETTEXT));
  EXPECT_NE(seen[2].hookWParam, 0u);  // SetWindowTextW by the application itself
}

TEST_F(HookTest, HookWParamTellsWhetherTheSenderIsOfTheSameProcess) {
  HookRecorder recorder;
  DWORD app = StartApp("a");
  HWND a = CreateAppWindow(app, Spec(L"A"));
  recorder.Take();
  SendMessageW(a, WM_USER + 7, 0, 0);                              // from the program's process
  RunInApp(app, [&] { SendMessageW(a, WM_USER + 8, 0, 0); });      // from its own
  PostMessageW(a, WM_USER + 9, 0, 0);                              // posted: no hook
  WaitAllIdle();
  auto seen = recorder.Of({WM_USER + 7, WM_USER + 8, WM_USER + 9}, {a});
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0].hookWParam, 0u);
  EXPECT_EQ(seen[0].threadId, AppThreadId(app));  // the cross-process send ran on the window's thread
  EXPECT_NE(seen[1].hookWParam, 0u);
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
