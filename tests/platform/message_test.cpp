// Sending and posting, showing, focus and the thread's own hooks, as the
// platform does them.
#include "platform_support.h"

#include <thread>

namespace platform_test {
namespace {

using MessageTest = PlatformTest;

TEST_F(MessageTest, SendingToAnotherThreadsWindowRunsOnThatThread) {
  OtherThread other;
  ASSERT_NE(other.window(), nullptr);
  ASSERT_NE(other.id(), GetCurrentThreadId());
  EXPECT_EQ(static_cast<DWORD>(SendMessageW(other.window(), kWhoRuns, 0, 0)), other.id());
  EXPECT_TRUE(Behaviour::inSendDuringCall);
  EXPECT_EQ(GetWindowThreadProcessId(other.window(), nullptr), other.id());

  HWND mine = Make(WS_OVERLAPPEDWINDOW);
  EXPECT_EQ(static_cast<DWORD>(SendMessageW(mine, kWhoRuns, 0, 0)), GetCurrentThreadId());
  EXPECT_FALSE(Behaviour::inSendDuringCall);
}

TEST_F(MessageTest, ShowWindowSendsShowWindowOnlyWhenVisibilityChanges) {
  HWND w = Make(WS_OVERLAPPEDWINDOW);
  Log::Clear();
  EXPECT_FALSE(ShowWindow(w, SW_SHOWNOACTIVATE));  // the result is the earlier visibility
  EXPECT_NE(ShowWindow(w, SW_SHOWNOACTIVATE), FALSE);
  EXPECT_NE(ShowWindow(w, SW_HIDE), FALSE);
  EXPECT_FALSE(ShowWindow(w, SW_HIDE));
  auto seen = Log::Of({WM_SHOWWINDOW}, {w});
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0].wParam, static_cast<WPARAM>(TRUE));
  EXPECT_EQ(seen[1].wParam, static_cast<WPARAM>(FALSE));

  // Made visible: shown once during creation; minimising and restoring a
  // visible window change no visibility.
  Log::Clear();
  HWND visible = Make(WS_OVERLAPPEDWINDOW | WS_VISIBLE);
  EXPECT_EQ(Log::Of({WM_SHOWWINDOW}, {visible}).size(), 1u);
  Log::Clear();
  ShowWindow(visible, SW_SHOWNOACTIVATE);
  ShowWindow(visible, SW_SHOWMINNOACTIVE);
  ShowWindow(visible, SW_SHOWNOACTIVATE);
  EXPECT_TRUE(Log::Of({WM_SHOWWINDOW}, {visible}).empty());
}

TEST_F(MessageTest, FocusMovesWithKillFocusThenSetFocusNamingEachOther) {
  HWND top = Make(WS_OVERLAPPEDWINDOW);
  HWND a = Make(WS_CHILD | WS_VISIBLE, top, L"A", 0, {0, 0, 50, 50});
  HWND b = Make(WS_CHILD | WS_VISIBLE, top, L"B", 0, {60, 0, 110, 50});
  ShowWindow(top, SW_SHOW);
  SetFocus(a);
  ASSERT_EQ(GetFocus(), a);
  Log::Clear();

  EXPECT_EQ(SetFocus(b), a);
  EXPECT_EQ(GetFocus(), b);
  auto seen = Log::Of({WM_KILLFOCUS, WM_SETFOCUS}, {a, b});
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0].hwnd, a);
  EXPECT_EQ(seen[0].message, static_cast<UINT>(WM_KILLFOCUS));
  EXPECT_EQ(seen[0].wParam, reinterpret_cast<WPARAM>(b));
  EXPECT_EQ(seen[1].hwnd, b);
  EXPECT_EQ(seen[1].message, static_cast<UINT>(WM_SETFOCUS));
  EXPECT_EQ(seen[1].wParam, reinterpret_cast<WPARAM>(a));

  Log::Clear();
  EXPECT_EQ(SetFocus(b), b);  // no change, no messages
  EXPECT_TRUE(Log::Of({WM_KILLFOCUS, WM_SETFOCUS}).empty());

  EXPECT_EQ(SetFocus(nullptr), b);
  EXPECT_EQ(GetFocus(), nullptr);
  seen = Log::Of({WM_KILLFOCUS, WM_SETFOCUS});
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].hwnd, b);
  EXPECT_EQ(seen[0].message, static_cast<UINT>(WM_KILLFOCUS));
  EXPECT_EQ(seen[0].wParam, 0u);
}

struct HookSeen {
  UINT message;
  WPARAM sentByThisProcess;
  LRESULT result;
};
std::vector<HookSeen> g_hookSeen;
HWND g_hookWindow = nullptr;

LRESULT CALLBACK CallWndProcRet(int code, WPARAM wParam, LPARAM lParam) {
  const auto *record = reinterpret_cast<const CWPRETSTRUCT *>(lParam);
  if (code == HC_ACTION && record->hwnd == g_hookWindow && record->message >= WM_APP)
    g_hookSeen.push_back(HookSeen{record->message, wParam, record->lResult});
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST_F(MessageTest, ThreadHookSeesSentMessagesAfterTheProcedureButNotPostedOnes) {
  HWND w = Make(WS_OVERLAPPEDWINDOW);
  g_hookWindow = w;
  g_hookSeen.clear();
  HHOOK hook = SetWindowsHookExW(WH_CALLWNDPROCRET, CallWndProcRet, nullptr, GetCurrentThreadId());
  ASSERT_NE(hook, nullptr) << GetLastError();

  EXPECT_EQ(SendMessageW(w, kPing, 0, 0), 0x5A);
  ASSERT_TRUE(PostMessageW(w, kPosted, 0, 0));
  Pump();
  EXPECT_TRUE(UnhookWindowsHookEx(hook));
  EXPECT_EQ(SendMessageW(w, kPing, 0, 0), 0x5A);  // unhooked: not seen
  g_hookWindow = nullptr;

  EXPECT_EQ(Log::Messages({kPosted}, {w}), std::vector<UINT>{kPosted});  // it was dispatched
  ASSERT_EQ(g_hookSeen.size(), 1u);
  EXPECT_EQ(g_hookSeen[0].message, kPing);
  EXPECT_NE(g_hookSeen[0].sentByThisProcess, 0u);
  EXPECT_EQ(g_hookSeen[0].result, 0x5A);
}

TEST_F(MessageTest, QuitComesAfterEveryPostedMessage) {
  HWND w = Make(WS_OVERLAPPEDWINDOW);
  Pump();
  Log::Clear();
  PostMessageW(w, kPosted, 1, 0);
  PostMessageW(w, kPosted, 2, 0);
  PostQuitMessage(7);
  PostMessageW(w, kPosted, 3, 0);  // posted after the quit request, still taken first

  MSG msg;
  std::vector<WPARAM> taken;
  BOOL result;
  while ((result = GetMessageW(&msg, nullptr, 0, 0)) > 0) {
    if (msg.message == kPosted) taken.push_back(msg.wParam);
    DispatchMessageW(&msg);
  }
  EXPECT_EQ(result, 0);
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
  EXPECT_EQ(msg.wParam, 7u);
  EXPECT_EQ(taken, (std::vector<WPARAM>{1, 2, 3}));
  EXPECT_FALSE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));  // taken once
}

TEST_F(MessageTest, RegisteredMessagesAreOneNumberPerNameInTheirOwnRange) {
  // The shell and the programs that put icons in its notification area
  // agree on "TaskbarCreated" this way.
  const UINT taskbar = RegisterWindowMessageW(L"TaskbarCreated");
  EXPECT_GE(taskbar, 0xC000u);
  EXPECT_LE(taskbar, 0xFFFFu);
  EXPECT_EQ(RegisterWindowMessageW(L"TaskbarCreated"), taskbar);
  const UINT other = RegisterWindowMessageW(L"QuillmerePlatformTestMessage");
  EXPECT_GE(other, 0xC000u);
  EXPECT_NE(other, taskbar);
  UINT onOtherThread = 0;
  std::thread([&] { onOtherThread = RegisterWindowMessageW(L"TaskbarCreated"); }).join();
  EXPECT_EQ(onOtherThread, taskbar);

  // Sent and posted like any other message.
  HWND w = Make(WS_OVERLAPPEDWINDOW);
  Pump();
  Log::Clear();
  PostMessageW(w, taskbar, 0, 0);
  Pump();
  EXPECT_EQ(Log::Of({taskbar}, {w}).size(), 1u);
}

TEST_F(MessageTest, APostedMessageKeepsTheTimeItWasQueuedAt) {
  // GetMessageTime gives the tick count of the moment the message taken
  // last was placed in the queue, not the moment it was taken: a program
  // can tell a message queued before some moment from one queued after.
  HWND w = Make(WS_OVERLAPPEDWINDOW);
  Pump();
  const DWORD before = GetTickCount();
  PostMessageW(w, kPosted, 1, 0);
  const DWORD after = GetTickCount();
  Sleep(200);
  MSG msg;
  ASSERT_TRUE(PeekMessageW(&msg, w, kPosted, kPosted, PM_REMOVE));
  const DWORD taken = GetTickCount();
  const DWORD queued = static_cast<DWORD>(GetMessageTime());
  EXPECT_EQ(msg.time, queued);
  // Differences of tick counts hold across the wrap of the 32-bit count.
  EXPECT_LE(queued - before, after - before);
  EXPECT_GE(taken - queued, 150u);
  // A message posted from another thread carries its own posting time.
  std::thread([w] { PostMessageW(w, kPosted, 2, 0); }).join();
  ASSERT_TRUE(PeekMessageW(&msg, w, kPosted, kPosted, PM_REMOVE));
  EXPECT_LE(GetTickCount() - static_cast<DWORD>(GetMessageTime()), 100u);
  // The 64-bit count is the same clock.
  const DWORD low = static_cast<DWORD>(GetTickCount64());
  EXPECT_LE(GetTickCount() - low, 100u);
}

}  // namespace
}  // namespace platform_test
