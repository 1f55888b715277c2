// Processes and libraries of two machines, as on 64-bit Windows: a global
// hook runs only in processes of its library's machine (or, when the
// driver asks, on its installer's thread), IsWow64Process tells a 32-bit
// process, and handle values are 32 bits significant, sign-extended.
#include "desktop_fixture.h"

#include <winsim/loader.h>

#include <set>

using namespace winsim::driver;
using namespace winsim_test;

namespace {

struct HookCall {
  char hook;  // which of the test's hooks
  HWND window;
  UINT message;
  DWORD processId;
  DWORD threadId;
};
std::mutex g_callsMutex;
std::vector<HookCall> g_calls;
std::vector<DWORD> g_attachedIn;  // processes the 32-bit library's DllMain attached in

void Record(char hook, LPARAM lParam) {
  auto *c = reinterpret_cast<CWPSTRUCT *>(lParam);
  std::lock_guard<std::mutex> guard(g_callsMutex);
  g_calls.push_back(HookCall{hook, c->hwnd, c->message, GetCurrentProcessId(), GetCurrentThreadId()});
}

LRESULT CALLBACK Hook32(int code, WPARAM wParam, LPARAM lParam) {
  Record('a', lParam);
  return CallNextHookEx(nullptr, code, wParam, lParam);
}
LRESULT CALLBACK Hook64(int code, WPARAM wParam, LPARAM lParam) {
  Record('b', lParam);
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

BOOL WINAPI Library32Main(HINSTANCE, DWORD reason, LPVOID) {
  std::lock_guard<std::mutex> guard(g_callsMutex);
  if (reason == DLL_PROCESS_ATTACH) g_attachedIn.push_back(GetCurrentProcessId());
  return TRUE;
}

// The calls of the test's hooks for one message.
std::vector<HookCall> CallsFor(UINT message) {
  std::lock_guard<std::mutex> guard(g_callsMutex);
  std::vector<HookCall> result;
  for (auto &c : g_calls)
    if (c.message == message) result.push_back(c);
  g_calls.clear();
  return result;
}

class BitnessTest : public DesktopTest {
 protected:
  void SetUp() override {
    library32 = winsim::RegisterModule(L"bitness32.dll", Library32Main, Machine::X86);
    library64 = winsim::RegisterModule(L"bitness64.dll", nullptr, Machine::X64);
    std::lock_guard<std::mutex> guard(g_callsMutex);
    g_calls.clear();
    g_attachedIn.clear();
  }
  void TearDown() override {
    DesktopTest::TearDown();
    winsim::UnregisterModule(library32);
    winsim::UnregisterModule(library64);
  }
  HMODULE library32 = nullptr;
  HMODULE library64 = nullptr;
};

constexpr UINT kProbe = WM_USER + 7;

TEST_F(BitnessTest, AGlobalHookRunsOnlyInProcessesOfItsLibrarysMachineAndTheChainGoesOn) {
  DWORD app64 = StartApp("app64");
  DWORD app32 = StartApp("app32", Machine::X86);
  HWND w64 = CreateAppWindow(app64, NewWindowTitled(L"64"));
  HWND w32 = CreateAppWindow(app32, NewWindowTitled(L"32"));
  // The 64-bit hook is older, so in a 64-bit process the chain meets the
  // 32-bit one first: passing over it must not end the chain.
  HHOOK older = SetWindowsHookExW(WH_CALLWNDPROC, Hook64, library64, 0);
  HHOOK newer = SetWindowsHookExW(WH_CALLWNDPROC, Hook32, library32, 0);
  ASSERT_NE(older, nullptr);
  ASSERT_NE(newer, nullptr);

  SendMessageW(w64, kProbe, 0, 0);
  auto calls = CallsFor(kProbe);
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].hook, 'b');
  EXPECT_EQ(calls[0].processId, app64);

  SendMessageW(w32, kProbe, 0, 0);
  calls = CallsFor(kProbe);
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].hook, 'a');
  EXPECT_EQ(calls[0].processId, app32);

  // The 32-bit library was mapped into the 32-bit process only.
  std::lock_guard<std::mutex> guard(g_callsMutex);
  EXPECT_EQ(g_attachedIn, std::vector<DWORD>{app32});
}

TEST_F(BitnessTest, AHookOfAnExecutableHasItsInstallersMachine) {
  DWORD app64 = StartApp("app64");
  DWORD app32 = StartApp("app32", Machine::X86);
  HWND w64 = CreateAppWindow(app64, NewWindowTitled(L"64"));
  HWND w32 = CreateAppWindow(app32, NewWindowTitled(L"32"));
  HHOOK hook = nullptr;
  RunInApp(app32, [&] { hook = SetWindowsHookExW(WH_CALLWNDPROC, Hook32, GetModuleHandleW(nullptr), 0); });
  ASSERT_NE(hook, nullptr);
  SendMessageW(w64, kProbe, 0, 0);
  EXPECT_TRUE(CallsFor(kProbe).empty());
  SendMessageW(w32, kProbe, 0, 0);
  EXPECT_EQ(CallsFor(kProbe).size(), 1u);
  RunInApp(app32, [&] { UnhookWindowsHookEx(hook); });
}

TEST_F(BitnessTest, WithInstallingThreadCallsAForeignHookRunsOnItsInstallerWithACopyOfTheRecord) {
  SetForeignHookCalls(ForeignHookCalls::InstallingThread);
  DWORD companion = StartApp("companion", Machine::X86);
  DWORD app64 = StartApp("app64");
  HWND w64 = CreateAppWindow(app64, NewWindowTitled(L"64"));
  // The 64-bit hook is older: the chain meets the companion's first.
  ASSERT_NE(SetWindowsHookExW(WH_CALLWNDPROC, Hook64, library64, 0), nullptr);
  HHOOK hook = nullptr;
  RunInApp(companion, [&] { hook = SetWindowsHookExW(WH_CALLWNDPROC, Hook32, library32, 0); });
  ASSERT_NE(hook, nullptr);

  SendMessageW(w64, kProbe, 0, 0);
  auto calls = CallsFor(kProbe);
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].hook, 'a');
  EXPECT_EQ(calls[0].window, w64);  // the other process's window
  EXPECT_EQ(calls[0].processId, companion);
  EXPECT_EQ(calls[0].threadId, AppThreadId(companion));
  EXPECT_EQ(calls[1].hook, 'b');  // the chain went on in the window's own process
  EXPECT_EQ(calls[1].processId, app64);
  {
    std::lock_guard<std::mutex> guard(g_callsMutex);
    EXPECT_TRUE(g_attachedIn.empty());  // nothing was mapped into the 64-bit process
  }

  // The reset returns to passing foreign hooks over.
  ResetDesktop();
  companion = StartApp("companion", Machine::X86);
  app64 = StartApp("app64");
  w64 = CreateAppWindow(app64, NewWindowTitled(L"64"));
  RunInApp(companion, [&] { SetWindowsHookExW(WH_CALLWNDPROC, Hook32, library32, 0); });
  SendMessageW(w64, kProbe, 0, 0);
  EXPECT_TRUE(CallsFor(kProbe).empty());
}

TEST_F(BitnessTest, IsWow64ProcessTellsA32BitProcess) {
  DWORD app32 = StartApp("app32", Machine::X86);
  HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, app32);
  ASSERT_NE(process, nullptr);
  BOOL wow64 = FALSE;
  ASSERT_TRUE(IsWow64Process(process, &wow64));
  EXPECT_TRUE(wow64);
  ASSERT_TRUE(IsWow64Process(GetCurrentProcess(), &wow64));
  EXPECT_FALSE(wow64);
  CloseHandle(process);
  // Without a query right the answer is refused.
  process = OpenProcess(SYNCHRONIZE, FALSE, app32);
  SetLastError(0);
  EXPECT_FALSE(IsWow64Process(process, &wow64));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  CloseHandle(process);
}

HWND NewPopup() {
  return CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
}

TEST_F(BitnessTest, HandleValuesAreSignExtendedFrom32BitsAndNeverRepeat) {
  SetNextHandleValue(0x7FFFFFFC);
  HWND a = NewPopup();
  HWND b = NewPopup();
  HWND c = NewPopup();
  EXPECT_EQ(reinterpret_cast<uintptr_t>(a), 0x7FFFFFFCu);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(b), 0x7FFFFFFEu);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(c), static_cast<uintptr_t>(static_cast<intptr_t>(INT32_MIN)));
  EXPECT_TRUE(IsWindow(c));
  // The widening a 32-bit value goes through finds the same window.
  const auto low = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(c));
  EXPECT_EQ(reinterpret_cast<HWND>(static_cast<intptr_t>(static_cast<int32_t>(low))), c);

  // Back to the same start on a new desktop: what was given out is passed over.
  std::set<uintptr_t> before{reinterpret_cast<uintptr_t>(a), reinterpret_cast<uintptr_t>(b),
                             reinterpret_cast<uintptr_t>(c)};
  ResetDesktop();
  SetNextHandleValue(0x7FFFFFFC);
  HWND d = NewPopup();
  EXPECT_EQ(before.count(reinterpret_cast<uintptr_t>(d)), 0u);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(d) & 0xFFFFFFFF00000000u, 0xFFFFFFFF00000000u);
  EXPECT_FALSE(IsWindow(c));
}

}  // namespace
