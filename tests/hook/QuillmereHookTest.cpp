// The hook library on the simulated desktop: what it forwards from other
// processes, what it keeps out, and that every page it allocates is either
// posted or released.
#include <gtest/gtest.h>
#include <windows.h>
#include <winsim/driver.h>

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
    target = CreateWindowExW(0, L"STATIC", L"main", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200, nullptr, nullptr,
                             nullptr, nullptr);
    ASSERT_TRUE(RegisterHook(target, kEvent));
    appA = StartApp("a");
    appB = StartApp("b");
  }
  void TearDown() override {
    UnregisterHook();
    ResetDesktop();
  }
  HWND Window(DWORD app, const wchar_t *title, HWND owner = nullptr) {
    NewWindow spec;
    spec.title = title;
    spec.owner = owner;
    return CreateAppWindow(app, spec);
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
  EXPECT_EQ(messages, (std::vector<UINT>{WM_ACTIVATE, WM_ACTIVATEAPP, WM_KILLFOCUS, WM_ACTIVATEAPP, WM_SETFOCUS,
                                         WM_ACTIVATE}));
  EXPECT_EQ(events[2].hwnd, a);
  EXPECT_EQ(reinterpret_cast<HWND>(events[2].wParam), b);
  EXPECT_EQ(events[4].hwnd, b);
  EXPECT_EQ(reinterpret_cast<HWND>(events[4].wParam), a);
  EXPECT_EQ(LiveAllocations(ProgramProcessId()), 0u);
}

TEST_F(HookLibraryTest, CreationShowingAndDestructionAreForwarded) {
  HWND a = Window(appA, L"A");
  auto created = EventsOf(WM_CREATE);
  ASSERT_EQ(created.size(), 1u);
  EXPECT_EQ(created[0].hwnd, a);
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
  HWND owned = CreateWindowExW(0, L"STATIC", L"about", WS_POPUP | WS_CAPTION, 0, 0, 100, 100, target, nullptr,
                               nullptr, nullptr);
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

TEST_F(HookLibraryTest, TheSevenKindsAreForwardedWhoeverSentThemAndNoOthers) {
  HWND a = Window(appA, L"A");
  Events();
  RunInApp(appA, [&] {
    SendMessageW(a, WM_SETFOCUS, 0, 0);  // by the application's own thread
    SendMessageW(a, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"x"));
  });
  SendMessageW(a, WM_MOVE, 0, 0);       // another process, but not one of the seven
  SendMessageW(a, kEvent, 0, 0);        // the event message itself
  SendMessageW(a, WM_KILLFOCUS, 0, 0);  // another process, one of the seven
  auto events = Events();
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0].message, static_cast<UINT>(WM_SETFOCUS));
  EXPECT_EQ(events[1].message, static_cast<UINT>(WM_KILLFOCUS));
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
  if (c->message == WM_KILLFOCUS || c->message == WM_SETTEXT) g_passed.push_back(Passed{code, wParam, c->message, c->hwnd});
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST_F(HookLibraryTest, EveryMessageIsPassedOnUnchanged) {
  UnregisterHook();
  HHOOK older = SetWindowsHookExW(WH_CALLWNDPROCRET, OlderHook, GetModuleHandleW(nullptr), 0);
  ASSERT_NE(older, nullptr);
  ASSERT_TRUE(RegisterHook(target, kEvent));
  HWND a = Window(appA, L"A");
  g_passed.clear();
  RunInApp(appA, [&] { SendMessageW(a, WM_KILLFOCUS, 0, 0); });  // forwarded
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
  auto created = EventsOf(WM_CREATE);  // still posted to the first target
  ASSERT_FALSE(created.empty());
  EXPECT_EQ(created.back().hwnd, a);
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
  auto created = EventsOf(WM_CREATE);
  ASSERT_FALSE(created.empty());
  EXPECT_EQ(created.back().hwnd, a);
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

}  // namespace
