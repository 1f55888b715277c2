// The hook library on the simulated desktop: what it forwards from other
// processes, what it keeps out, that every page it allocates is either
// posted or released, and that a hooked process opens the program's
// process once and closes it when the library leaves it.
#include <gtest/gtest.h>
#include <windows.h>
#include <winsim/driver.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "hook/QuillmereHook.h"

using namespace winsim::driver;

namespace {

constexpr UINT kEvent = WM_USER + 1;

struct Event {
  UINT message;
  HWND hwnd;
  WPARAM wParam;
};

class HookLibraryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    target = CreateWindowExW(0, L"STATIC", L"main", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200, nullptr, nullptr, nullptr,
                             nullptr);
    ASSERT_TRUE(RegisterHook(target, kEvent));
    appA = StartApp("a");
    appB = StartApp("b");
  }
  void TearDown() override {
    UnregisterHook();
    ResetDesktop();
  }
  HWND Window(DWORD app, const wchar_t *title, HWND owner = nullptr) {
    NewWindow newWindow;
    newWindow.title = title;
    newWindow.owner = owner;
    return CreateAppWindow(app, newWindow);
  }
  // Takes the posted events, checks each page and releases it.
  std::vector<Event> Events() {
    std::vector<Event> events;
    MSG msg;
    while (PeekMessageW(&msg, target, kEvent, kEvent, PM_REMOVE)) {
      EXPECT_EQ(msg.wParam, 0u);
      MEMORY_BASIC_INFORMATION info;
      VirtualQuery(reinterpret_cast<void *>(msg.lParam), &info, sizeof info);
      EXPECT_EQ(info.AllocationBase, reinterpret_cast<void *>(msg.lParam));
      EXPECT_EQ(info.RegionSize, kHookEventPageSize);
      EXPECT_EQ(info.Protect, static_cast<DWORD>(PAGE_READWRITE));  // never executable
      auto *record = reinterpret_cast<const HookEventRecord *>(msg.lParam);
      events.push_back(Event{record->message, record->hwnd, record->wParam});
      VirtualFreeEx(GetCurrentProcess(), reinterpret_cast<void *>(msg.lParam), 0, MEM_RELEASE);
    }
    return events;
  }
  std::vector<Event> EventsOf(UINT message) {
    std::vector<Event> result;
    for (auto &e : Events())
      if (e.message == message) result.push_back(e);
    return result;
  }
  HWND target = nullptr;
  DWORD appA = 0, appB = 0;
};

TEST_F(HookLibraryTest, FocusMoveBetweenApplicationsIsForwardedFromBothProcesses) {
  HWND a = Window(appA, L"A"), b = Window(appB, L"B");
  ClickFocus(a);
  Events();
  ClickFocus(b);
  auto events = Events();
  std::vector<UINT> messages;
  for (auto &e : events) messages.push_back(e.message);
  // The activation messages around them are not forwarded.
  EXPECT_EQ(messages, (std::vector<UINT>{WM_KILLFOCUS, WM_SETFOCUS}));
  EXPECT_EQ(events[0].hwnd, a);
  EXPECT_EQ(reinterpret_cast<HWND>(events[0].wParam), b);
  EXPECT_EQ(events[1].hwnd, b);
  EXPECT_EQ(reinterpret_cast<HWND>(events[1].wParam), a);
  EXPECT_EQ(LiveAllocations(ProgramProcessId()), 0u);
}

TEST_F(HookLibraryTest, ShowingAndDestructionAreForwardedCreationIsNot) {
  HWND a = Window(appA, L"A");
  auto made = Events();
  ASSERT_EQ(made.size(), 1u);  // shown on creation; WM_CREATE itself stays in the application
  EXPECT_EQ(made[0].message, static_cast<UINT>(WM_SHOWWINDOW));
  EXPECT_EQ(made[0].hwnd, a);
  ShowAppWindow(a, SW_HIDE);
  auto shown = EventsOf(WM_SHOWWINDOW);
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].wParam, static_cast<WPARAM>(FALSE));
  DestroyAppWindow(a);
  auto destroyed = EventsOf(WM_DESTROY);
  ASSERT_EQ(destroyed.size(), 1u);
  EXPECT_EQ(destroyed[0].hwnd, a);
}

TEST_F(HookLibraryTest, TheTargetAndWhatItOwnsAreKeptOut) {
  HWND owned = CreateWindowExW(0, L"STATIC", L"about", WS_POPUP | WS_CAPTION, 0, 0, 100, 100, target, nullptr, nullptr,
                               nullptr);
  ShowWindow(owned, SW_SHOWNOACTIVATE);
  ShowWindow(target, SW_SHOWNOACTIVATE);
  HWND a = Window(appA, L"A");
  ClickFocus(target);
  ClickFocus(a);
  ClickFocus(owned);
  for (auto &e : Events()) {
    EXPECT_NE(e.hwnd, target);
    EXPECT_NE(e.hwnd, owned);
  }
}

TEST_F(HookLibraryTest, TheFourKindsAreForwardedWhoeverSentThemAndNoOthers) {
  HWND a = Window(appA, L"A");
  Events();
  RunInApp(appA, [&] {
    SendMessageW(a, WM_SETFOCUS, 0, 0);  // by the application's own thread
    SendMessageW(a, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"x"));
    SendMessageW(a, WM_ACTIVATE, WA_INACTIVE, 0);
  });
  // From another process: kinds the program does not act on, and the event
  // message itself, are not forwarded.
  for (UINT message : {UINT(WM_CREATE), UINT(WM_ACTIVATE), UINT(WM_ACTIVATEAPP), UINT(WM_MOVE), kEvent})
    SendMessageW(a, message, 0, 0);
  SendMessageW(a, WM_KILLFOCUS, 0, 0);
  SendMessageW(a, WM_SHOWWINDOW, TRUE, 0);
  SendMessageW(a, WM_DESTROY, 0, 0);  // only the message: the window stays
  auto events = Events();
  std::vector<UINT> messages;
  for (auto &e : events) messages.push_back(e.message);
  EXPECT_EQ(messages, (std::vector<UINT>{WM_SETFOCUS, WM_KILLFOCUS, WM_SHOWWINDOW, WM_DESTROY}));
}

// The hook procedure passes every message on unchanged, forwarded or not,
// to the hooks installed before it.
struct Passed {
  int code;
  WPARAM wParam;
  UINT message;
  HWND hwnd;
};
std::vector<Passed> g_passed;
LRESULT CALLBACK OlderHook(int code, WPARAM wParam, LPARAM lParam) {
  auto *c = reinterpret_cast<const CWPRETSTRUCT *>(lParam);
  if (c->message == WM_KILLFOCUS || c->message == WM_SETTEXT)
    g_passed.push_back(Passed{code, wParam, c->message, c->hwnd});
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST_F(HookLibraryTest, EveryMessageIsPassedOnUnchanged) {
  UnregisterHook();
  HHOOK older = SetWindowsHookExW(WH_CALLWNDPROCRET, OlderHook, GetModuleHandleW(nullptr), 0);
  ASSERT_NE(older, nullptr);
  ASSERT_TRUE(RegisterHook(target, kEvent));
  HWND a = Window(appA, L"A");
  g_passed.clear();
  RunInApp(appA, [&] { SendMessageW(a, WM_KILLFOCUS, 0, 0); });    // forwarded
  SendMessageW(a, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"y"));  // not forwarded
  UnhookWindowsHookEx(older);
  ASSERT_EQ(g_passed.size(), 2u);
  EXPECT_EQ(g_passed[0].code, HC_ACTION);
  EXPECT_NE(g_passed[0].wParam, 0u);
  EXPECT_EQ(g_passed[0].message, static_cast<UINT>(WM_KILLFOCUS));
  EXPECT_EQ(g_passed[0].hwnd, a);
  EXPECT_EQ(g_passed[1].wParam, 0u);
  EXPECT_EQ(g_passed[1].message, static_cast<UINT>(WM_SETTEXT));
  EXPECT_EQ(EventsOf(WM_KILLFOCUS).size(), 1u);
}

TEST_F(HookLibraryTest, SecondRegistrationKeepsTheFirstTarget) {
  HWND other = CreateWindowExW(0, L"STATIC", L"other", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  EXPECT_FALSE(RegisterHook(other, WM_USER + 5));
  HWND a = Window(appA, L"A");
  auto shown = EventsOf(WM_SHOWWINDOW);  // still posted to the first target
  ASSERT_FALSE(shown.empty());
  EXPECT_EQ(shown.back().hwnd, a);
  MSG msg;
  EXPECT_FALSE(PeekMessageW(&msg, other, 0, 0, PM_REMOVE));
  EXPECT_TRUE(UnregisterHook());
  EXPECT_FALSE(UnregisterHook());
  Window(appA, L"after");
  EXPECT_TRUE(Events().empty());
  EXPECT_TRUE(RegisterHook(target, kEvent));  // installed again after removal
}

// A program that died without unregistering leaves the shared handle set;
// once its main window is gone, the next program's registration succeeds
// and the events go to it.
TEST_F(HookLibraryTest, ARegistrationWhoseTargetIsGoneIsTakenOver) {
  DestroyWindow(target);
  target = CreateWindowExW(0, L"STATIC", L"next", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  ASSERT_TRUE(RegisterHook(target, kEvent));
  HWND a = Window(appA, L"A");
  auto shown = EventsOf(WM_SHOWWINDOW);
  ASSERT_FALSE(shown.empty());
  EXPECT_EQ(shown.back().hwnd, a);
}

// A hooked process opens the program's process at its first forwarded event
// and keeps the handle: many events, one open. A failed open drops only the
// event it was for.
TEST_F(HookLibraryTest, EachProcessOpensTheProgramOnceForAllItsEvents) {
  FailNext(Fault::OpenProcess, appA);
  HWND a = Window(appA, L"A"), b = Window(appB, L"B");
  EXPECT_EQ(EventsOf(WM_SHOWWINDOW).size(), 1u);  // appA's could not be forwarded
  for (int i = 0; i < 10; ++i) {
    ClickFocus(a);
    ClickFocus(b);
  }
  EXPECT_EQ(EventsOf(WM_SETFOCUS).size(), 20u);
  for (DWORD app : {appA, appB}) {
    EXPECT_EQ(ProcessHandles(app).opened, 1u) << "process " << app;
    EXPECT_EQ(ProcessHandles(app).open, 1u) << "process " << app;
  }
  EXPECT_EQ(LiveAllocations(ProgramProcessId()), 0u);
}

// A new program whose main window takes over the target: the hooked
// process opens that program's process and closes the handle it had.
TEST_F(HookLibraryTest, ANewTargetIsReachedInItsOwnProcess) {
  HWND a = Window(appA, L"A");
  ASSERT_EQ(EventsOf(WM_SHOWWINDOW).size(), 1u);
  DWORD next = StartApp("next program");
  HWND nextMain = Window(next, L"next main");
  Events();
  DestroyWindow(target);  // the first program's main window is gone
  target = nextMain;
  ASSERT_TRUE(RegisterHook(target, kEvent));
  const std::size_t before = LiveAllocations(next);
  ShowAppWindow(a, SW_HIDE);
  EXPECT_GT(LiveAllocations(next), before);  // the event's page is in the new program
  EXPECT_EQ(LiveAllocations(ProgramProcessId()), 0u);
  EXPECT_EQ(ProcessHandles(appA).opened, 2u);
  EXPECT_EQ(ProcessHandles(appA).open, 1u);
}

// The hook is removed: the library leaves each hooked process and closes
// its handle there. Installed again, it opens the process afresh.
TEST_F(HookLibraryTest, LeavingAProcessClosesItsHandle) {
  HWND a = Window(appA, L"A");
  ASSERT_EQ(EventsOf(WM_SHOWWINDOW).size(), 1u);
  ASSERT_EQ(ProcessHandles(appA).open, 1u);
  EXPECT_TRUE(UnregisterHook());
  WaitIdle(AppThreadId(appA));
  EXPECT_EQ(ProcessHandles(appA).open, 0u);
  ASSERT_TRUE(RegisterHook(target, kEvent));
  ShowAppWindow(a, SW_HIDE);
  EXPECT_EQ(EventsOf(WM_SHOWWINDOW).size(), 1u);
  EXPECT_EQ(ProcessHandles(appA).opened, 2u);
  EXPECT_EQ(ProcessHandles(appA).open, 1u);
}

TEST_F(HookLibraryTest, EveryFaultLeavesNoPageBehind) {
  HWND a = Window(appA, L"A"), b = Window(appB, L"B");
  Events();
  for (Fault fault : {Fault::OpenProcess, Fault::VirtualAllocEx, Fault::PostMessage}) {
    FailNext(fault, appA);
    ClickFocus(a);
    ClickFocus(b);
    Events();
    EXPECT_EQ(LiveAllocations(ProgramProcessId()), 0u);
  }
  // A failed write still posts the page, zero-filled.
  FailNext(Fault::WriteProcessMemory, appB);
  RunInApp(appA, [] {});
  SendMessageW(b, WM_KILLFOCUS, 0, 0);
  auto events = Events();
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].message, 0u);
  EXPECT_EQ(events[0].hwnd, nullptr);
  EXPECT_EQ(LiveAllocations(ProgramProcessId()), 0u);
}

TEST_F(HookLibraryTest, A32BitProcessIsNotReachedNorReportedThroughTheProgramsThread) {
  const DWORD app32 = StartApp("a32", Machine::X86);
  NewWindow w;
  w.title = L"A32";
  HWND a32 = CreateAppWindow(app32, w);
  HWND a = Window(appA, L"A");
  Events();
  // The library cannot run in a 32-bit process; where the system runs it
  // on the program's thread instead, the call names the other process's
  // window and is not forwarded as if it were the program's own.
  for (ForeignHookCalls mode : {ForeignHookCalls::Skip, ForeignHookCalls::InstallingThread}) {
    SetForeignHookCalls(mode);
    std::atomic<bool> clicked{false};
    std::thread user([&] {
      ClickFocus(a32);
      ClickFocus(a);
      clicked = true;
    });
    // The program's thread takes what is sent to it while the user clicks.
    MSG msg;
    while (!clicked) {
      PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    user.join();
    for (auto &e : Events()) EXPECT_NE(e.hwnd, a32) << static_cast<int>(mode);
  }
}

}  // namespace
