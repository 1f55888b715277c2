// The companion on the simulated desktop, started as the program starts
// it: it forwards the events of 32-bit applications, and only theirs, to
// the program's window as plain values; it ends when asked, when the
// program ends and when it was not started by a running Quillmere; and
// one companion at a time holds the hook.
#include <gtest/gtest.h>
#include <windows.h>
#include <winsim/driver.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "companion/Companion.h"
#include "hook/CompanionEvents.h"
#include "shell/CompanionProtocol.h"
#include "shell/ExitCodes.h"
#include "shell/MainWindowClass.h"

using namespace winsim::driver;

namespace {

std::vector<CompanionEvent> g_events;

LRESULT CALLBACK ProgramWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (IsCompanionEvent(message)) {
    g_events.push_back(ReadCompanionEvent(message, wParam, lParam));
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

struct Started {
  HANDLE process = nullptr;
  DWORD processId = 0;
  DWORD threadId = 0;
};

class CompanionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_events.clear();
    RegisterImage(kCompanionFileName, Machine::X86, [](const std::wstring &line) { return RunCompanion(line); });
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = ProgramWindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = kMainWindowClassName;
    ASSERT_TRUE(RegisterClassExW(&wc));
    program = CreateWindowExW(0, kMainWindowClassName, L"Quillmere", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200, nullptr,
                              nullptr, nullptr, nullptr);
    ASSERT_TRUE(program);
    // The applications' windows carry the sign bit in their 32-bit value.
    SetNextHandleValue(0x7FFFFFF0u);
    app32 = StartApp("app32", Machine::X86);
    app64 = StartApp("app64");
  }
  void TearDown() override {
    for (Started &s : started) {
      if (WaitForSingleObject(s.process, 0) == WAIT_TIMEOUT) {
        PostThreadMessageW(s.threadId, kCompanionStop, 0, 0);
        WaitForSingleObject(s.process, 5000);
      }
      CloseHandle(s.process);
    }
    ResetDesktop();
  }
  Started Start(const std::wstring &arguments) {
    std::wstring line = L"\"C:\\Quillmere\\quillmere32.exe\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    EXPECT_TRUE(CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info));
    CloseHandle(info.hThread);
    Started s{info.hProcess, info.dwProcessId, info.dwThreadId};
    started.push_back(s);
    return s;
  }
  // Started for the program's window, with its hook in place.
  Started StartForProgram() {
    Started s = Start(std::to_wstring(GetCurrentProcessId()) + L" " +
                      std::to_wstring(Narrow(reinterpret_cast<UINT_PTR>(program))));
    WaitIdle(s.threadId);
    return s;
  }
  DWORD ExitCode(const Started &s) {
    EXPECT_EQ(WaitForSingleObject(s.process, 5000), WAIT_OBJECT_0);
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(s.process, &code);
    return code;
  }
  HWND Window(DWORD app, const wchar_t *title) {
    NewWindow w;
    w.title = title;
    return CreateAppWindow(app, w);
  }
  // The companion events that reached the program's window so far.
  std::vector<CompanionEvent> Events() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    std::vector<CompanionEvent> events;
    events.swap(g_events);
    return events;
  }
  HWND program = nullptr;
  DWORD app32 = 0, app64 = 0;
  std::vector<Started> started;
};

bool IsSignExtended(HWND window) {
  const UINT_PTR value = reinterpret_cast<UINT_PTR>(window);
  return (value >> 31) == (sizeof(UINT_PTR) == 8 ? 0x1FFFFFFFFull : 1u);
}

TEST_F(CompanionTest, ForwardsEveryKindOf32BitApplicationsAsTheHandlesThe64BitSideKnows) {
  StartForProgram();
  HWND a = Window(app32, L"A32");
  HWND other = Window(app32, L"A32 other");
  HWND b = Window(app64, L"B64");
  ASSERT_TRUE(IsSignExtended(a));
  std::vector<CompanionEvent> shown = Events();
  ASSERT_EQ(shown.size(), 2u);  // the two 32-bit windows, shown; the 64-bit one is not the companion's
  EXPECT_EQ(shown[0].kind, static_cast<UINT>(WM_SHOWWINDOW));
  EXPECT_EQ(shown[0].window, a);
  EXPECT_EQ(shown[0].wParam, static_cast<WPARAM>(TRUE));
  ClickFocus(a);
  ClickFocus(b);
  std::vector<CompanionEvent> focus = Events();
  ASSERT_EQ(focus.size(), 2u);
  EXPECT_EQ(focus[0].kind, static_cast<UINT>(WM_SETFOCUS));
  EXPECT_EQ(focus[0].window, a);
  EXPECT_EQ(focus[1].kind, static_cast<UINT>(WM_KILLFOCUS));
  EXPECT_EQ(focus[1].window, a);
  EXPECT_EQ(reinterpret_cast<HWND>(focus[1].wParam), b);  // a 64-bit window's handle, through 32 bits and back
  ShowAppWindow(other, SW_HIDE);
  DestroyAppWindow(other);
  std::vector<CompanionEvent> gone = Events();
  ASSERT_EQ(gone.size(), 2u);
  EXPECT_EQ(gone[0].kind, static_cast<UINT>(WM_SHOWWINDOW));
  EXPECT_EQ(gone[0].wParam, static_cast<WPARAM>(FALSE));
  EXPECT_EQ(gone[1].kind, static_cast<UINT>(WM_DESTROY));
  EXPECT_EQ(gone[1].window, other);
  EXPECT_EQ(gone[1].wParam, 0u);
}

TEST_F(CompanionTest, AHookCallOnItsOwnThreadForAnotherProcessIsNotForwarded) {
  SetForeignHookCalls(ForeignHookCalls::InstallingThread);
  StartForProgram();
  HWND a = Window(app32, L"A32");
  HWND b = Window(app64, L"B64");
  Events();
  ClickFocus(b);
  ClickFocus(a);
  // Only the 32-bit window's own focus: the 64-bit window's, run on the
  // companion's thread, is not taken for the companion's own.
  std::vector<CompanionEvent> events = Events();
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].kind, static_cast<UINT>(WM_SETFOCUS));
  EXPECT_EQ(events[0].window, a);
}

TEST_F(CompanionTest, EndsWhenAskedAndTakesItsHookAlong) {
  Started s = StartForProgram();
  HWND a = Window(app32, L"A32");
  Events();
  ASSERT_TRUE(PostThreadMessageW(s.threadId, kCompanionStop, 0, 0));
  EXPECT_EQ(ExitCode(s), 0u);
  ClickFocus(a);
  EXPECT_TRUE(Events().empty());
  // The hook is free for the next companion.
  StartForProgram();
  ClickFocus(Window(app64, L"B64"));
  ClickFocus(a);
  EXPECT_EQ(Events().size(), 2u);  // a loses the focus, and gets it back
}

TEST_F(CompanionTest, EndsWhenTheProgramEndsEvenKilled) {
  Started s = StartForProgram();
  // Watched from an application: the program's own handles go with it.
  HANDLE watch = nullptr;
  RunInApp(app64, [&] { watch = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, s.processId); });
  ASSERT_TRUE(watch);
  KillProgram();
  DWORD waited = WAIT_FAILED, code = STILL_ACTIVE;
  RunInApp(app64, [&] {
    waited = WaitForSingleObject(watch, 5000);
    GetExitCodeProcess(watch, &code);
    CloseHandle(watch);
  });
  EXPECT_EQ(waited, WAIT_OBJECT_0);
  EXPECT_EQ(code, 0u);
  started.clear();  // its handle went with the killed program
}

TEST_F(CompanionTest, RefusesUnlessStartedByARunningQuillmereWithItsWindow) {
  const std::wstring self = std::to_wstring(GetCurrentProcessId());
  HWND other = CreateWindowExW(0, L"STATIC", L"not the program", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr,
                               nullptr, nullptr, nullptr);
  HWND app = Window(app64, L"B64");
  HWND gone = CreateWindowExW(0, kMainWindowClassName, L"Quillmere", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200, nullptr,
                              nullptr, nullptr, nullptr);
  DestroyWindow(gone);
  auto value = [](HWND h) { return std::to_wstring(Narrow(reinterpret_cast<UINT_PTR>(h))); };
  const std::wstring refused[] = {
      self + L" " + value(other),                               // another class
      std::to_wstring(app64) + L" " + value(program),           // another process
      self + L" " + value(gone),                                // no longer there
      self + L" " + value(app),                                 // an application's window
      self + L" " + value(program) + L" " + value(program),     // more than asked
  };
  for (const std::wstring &arguments : refused) EXPECT_EQ(ExitCode(Start(arguments)), DWORD(kExitCompanionRefused));
  Window(app32, L"A32");
  EXPECT_TRUE(Events().empty());
}

TEST_F(CompanionTest, StartedByHandItSaysWhatItIsAndEnds) {
  Started s = Start(L"");
  DialogInfo box;
  for (int i = 0; i < 1000 && !box.window; ++i) {
    for (const DialogInfo &d : OpenDialogs())
      if (d.messageBox) box = d;
    if (!box.window) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  ASSERT_TRUE(box.window);
  EXPECT_NE(box.text.find(L"quillmere32.exe"), std::wstring::npos);
  EXPECT_NE(box.text.find(L"quillmere.exe"), std::wstring::npos);
  EXPECT_TRUE(PressDialogButton(box.window, IDOK));
  EXPECT_EQ(ExitCode(s), DWORD(kExitCompanionRefused));
}

TEST_F(CompanionTest, OneCompanionAtATimeHoldsTheHook) {
  StartForProgram();
  Started second = Start(std::to_wstring(GetCurrentProcessId()) + L" " +
                         std::to_wstring(Narrow(reinterpret_cast<UINT_PTR>(program))));
  EXPECT_EQ(ExitCode(second), DWORD(kExitCompanionHookNotInstalled));
  Window(app32, L"A32");
  EXPECT_EQ(Events().size(), 1u);  // shown once: the first companion's hook alone
}

}  // namespace
