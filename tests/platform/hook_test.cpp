// The hooks on sent messages, WH_CALLWNDPROC before the window procedure and
// WH_CALLWNDPROCRET after it, and what their wParam tells: nonzero exactly
// when the thread that handles the message sent it itself, its own
// SendMessageW as much as what the system sends for the thread's own calls
// (a focus change); 0 when another thread sent it, even one of the same
// process.
#include "platform_support.h"

#include <algorithm>

namespace platform_test {
namespace {

struct HookCall {
  int type;
  HWND hwnd;
  UINT message;
  WPARAM hookWParam;
  DWORD threadId;
};

std::mutex g_callsMutex;
std::vector<HookCall> g_calls;

bool Watched(UINT message) {
  return message == kPing || message == kSendPing || message == WM_SETFOCUS || message == WM_KILLFOCUS;
}

void Record(int type, HWND hwnd, UINT message, WPARAM hookWParam) {
  if (!Watched(message)) return;
  std::lock_guard<std::mutex> guard(g_callsMutex);
  g_calls.push_back(HookCall{type, hwnd, message, hookWParam, GetCurrentThreadId()});
}

LRESULT CALLBACK CallWndProc(int code, WPARAM wParam, LPARAM lParam) {
  const auto *c = reinterpret_cast<const CWPSTRUCT *>(lParam);
  if (code == HC_ACTION) Record(WH_CALLWNDPROC, c->hwnd, c->message, wParam);
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

LRESULT CALLBACK CallWndProcRet(int code, WPARAM wParam, LPARAM lParam) {
  const auto *c = reinterpret_cast<const CWPRETSTRUCT *>(lParam);
  if (code == HC_ACTION) Record(WH_CALLWNDPROCRET, c->hwnd, c->message, wParam);
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

// Both hooks on one thread of this process, removed again at the end.
class ThreadHooks {
 public:
  explicit ThreadHooks(DWORD threadId)
      : before_(SetWindowsHookExW(WH_CALLWNDPROC, CallWndProc, nullptr, threadId)),
        after_(SetWindowsHookExW(WH_CALLWNDPROCRET, CallWndProcRet, nullptr, threadId)) {}
  ~ThreadHooks() {
    if (before_) UnhookWindowsHookEx(before_);
    if (after_) UnhookWindowsHookEx(after_);
  }
  ThreadHooks(const ThreadHooks &) = delete;
  ThreadHooks &operator=(const ThreadHooks &) = delete;
  bool installed() const { return before_ && after_; }

 private:
  HHOOK before_, after_;
};

// The hook wParams of one message at one window: WH_CALLWNDPROC's first,
// then WH_CALLWNDPROCRET's, each with the thread the hook ran on.
std::vector<HookCall> CallsOf(UINT message, HWND hwnd) {
  std::lock_guard<std::mutex> guard(g_callsMutex);
  std::vector<HookCall> result;
  for (const HookCall &c : g_calls)
    if (c.message == message && c.hwnd == hwnd) result.push_back(c);
  return result;
}

void ClearCalls() {
  std::lock_guard<std::mutex> guard(g_callsMutex);
  g_calls.clear();
}

// Expects one call of each hook type, on the given thread, both with a
// nonzero (sentBySelf) or a zero wParam.
void ExpectBothHooks(UINT message, HWND hwnd, DWORD threadId, bool sentBySelf) {
  auto calls = CallsOf(message, hwnd);
  ASSERT_EQ(calls.size(), 2u) << "message " << message;
  EXPECT_EQ(calls[0].type, WH_CALLWNDPROC);
  EXPECT_EQ(calls[1].type, WH_CALLWNDPROCRET);
  for (const HookCall &c : calls) {
    EXPECT_EQ(c.threadId, threadId) << "message " << message;
    EXPECT_EQ(c.hookWParam != 0, sentBySelf) << "message " << message << ", hook type " << c.type;
  }
}

using HookWParamTest = PlatformTest;

TEST_F(HookWParamTest, NonzeroForWhatTheHandlingThreadSendsItself) {
  HWND top = Make(WS_OVERLAPPEDWINDOW);
  HWND a = Make(WS_CHILD | WS_VISIBLE, top, L"A", 0, {0, 0, 50, 50});
  HWND b = Make(WS_CHILD | WS_VISIBLE, top, L"B", 0, {60, 0, 110, 50});
  ShowWindow(top, SW_SHOW);
  SetFocus(a);
  ClearCalls();
  {
    ThreadHooks hooks(GetCurrentThreadId());
    ASSERT_TRUE(hooks.installed()) << GetLastError();
    EXPECT_EQ(SendMessageW(top, kPing, 0, 0), 0x5A);
    SetFocus(b);  // the system sends the focus messages for the thread's own call
  }
  ExpectBothHooks(kPing, top, GetCurrentThreadId(), true);
  ExpectBothHooks(WM_KILLFOCUS, a, GetCurrentThreadId(), true);
  ExpectBothHooks(WM_SETFOCUS, b, GetCurrentThreadId(), true);
}

TEST_F(HookWParamTest, ZeroForWhatAnotherThreadSentEvenOfTheSameProcess) {
  OtherThread other;
  HWND mine = Make(WS_OVERLAPPEDWINDOW);
  ClearCalls();
  {
    ThreadHooks here(GetCurrentThreadId());
    ThreadHooks there(other.id());
    ASSERT_TRUE(here.installed() && there.installed()) << GetLastError();
    // This thread to the other thread's window.
    EXPECT_EQ(SendMessageW(other.window(), kPing, 0, 0), 0x5A);
    // The other thread to this thread's window, handled while this thread waits.
    EXPECT_EQ(SendMessageW(other.window(), kSendPing, 0, reinterpret_cast<LPARAM>(mine)), 0x5A);
    ExpectBothHooks(kPing, other.window(), other.id(), false);
    ExpectBothHooks(kSendPing, other.window(), other.id(), false);
    ExpectBothHooks(kPing, mine, GetCurrentThreadId(), false);

    // The other thread to its own window.
    ClearCalls();
    EXPECT_EQ(SendMessageW(other.window(), kSendPing, 0, reinterpret_cast<LPARAM>(other.window())), 0x5A);
    ExpectBothHooks(kPing, other.window(), other.id(), true);
  }
}

}  // namespace
}  // namespace platform_test
