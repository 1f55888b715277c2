// Processes started with CreateProcessW from images the driver registers,
// their handles (waitable, with an exit code, valid for the run they were
// opened on), the ways they end, and message queues across processes.
#include "desktop_fixture.h"

#include <winsim/loader.h>

#include <atomic>
#include <future>
#include <thread>

using namespace winsim::driver;
using namespace winsim_test;

namespace {

constexpr UINT kStop = WM_APP + 1;

using ProcessTest = DesktopTest;

// Starts an image by command line; the process information, or nothing.
std::optional<PROCESS_INFORMATION> Start(const wchar_t *application, std::wstring commandLine) {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(application, commandLine.empty() ? nullptr : &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                      nullptr, &startup, &info))
    return std::nullopt;
  return info;
}

void Close(const PROCESS_INFORMATION &info) {
  EXPECT_TRUE(CloseHandle(info.hProcess));
  EXPECT_TRUE(CloseHandle(info.hThread));
}

TEST_F(ProcessTest, AnImageRunsInAProcessOfItsMachineWithItsCommandLineAndEndsWithItsResult) {
  std::promise<std::wstring> seen;
  std::promise<void> go;
  std::shared_future<void> going = go.get_future().share();
  std::atomic<DWORD> processId{0};
  RegisterImage(L"Helper32.exe", Machine::X86, [&](const std::wstring &commandLine) {
    processId = GetCurrentProcessId();
    seen.set_value(commandLine + L"|" + GetCommandLineW());
    going.wait();
    return 42;
  });
  // Matched by the last component, without regard to case; quotes honoured.
  auto info = Start(nullptr, L"\"C:\\some dir\\HELPER32.EXE\" 1234 5678");
  ASSERT_TRUE(info) << GetLastError();
  const std::wstring line = L"\"C:\\some dir\\HELPER32.EXE\" 1234 5678";
  EXPECT_EQ(seen.get_future().get(), line + L"|" + line);
  EXPECT_EQ(info->dwProcessId, processId.load());
  EXPECT_NE(info->dwProcessId, GetCurrentProcessId());

  BOOL wow64 = FALSE;
  EXPECT_TRUE(IsWow64Process(info->hProcess, &wow64));
  EXPECT_TRUE(wow64);
  DWORD code = 0;
  EXPECT_TRUE(GetExitCodeProcess(info->hProcess, &code));
  EXPECT_EQ(code, static_cast<DWORD>(STILL_ACTIVE));
  EXPECT_EQ(WaitForSingleObject(info->hProcess, 0), static_cast<DWORD>(WAIT_TIMEOUT));

  go.set_value();
  EXPECT_EQ(WaitForSingleObject(info->hProcess, INFINITE), static_cast<DWORD>(WAIT_OBJECT_0));
  EXPECT_TRUE(GetExitCodeProcess(info->hProcess, &code));
  EXPECT_EQ(code, 42u);
  EXPECT_EQ(WaitForSingleObject(info->hProcess, 0), static_cast<DWORD>(WAIT_OBJECT_0));  // stays signalled
  Close(*info);
  SetLastError(0);
  EXPECT_FALSE(CloseHandle(info->hProcess));  // closed once
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST_F(ProcessTest, AnUnknownOrUnregisteredImageIsNotFound) {
  RegisterImage(L"gone.exe", Machine::X64, [](const std::wstring &) { return 0; });
  UnregisterImage(L"GONE.EXE");
  for (const wchar_t *name : {L"C:\\nowhere\\missing.exe", L"C:\\x\\gone.exe"}) {
    SetLastError(0);
    EXPECT_FALSE(Start(name, L""));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND)) << name;
  }
  // The application name wins over the command line's first token.
  RegisterImage(L"real.exe", Machine::X64, [](const std::wstring &) { return 3; });
  auto info = Start(L"/opt/real.exe", L"other.exe arg");
  ASSERT_TRUE(info);
  EXPECT_EQ(WaitForSingleObject(info->hProcess, INFINITE), static_cast<DWORD>(WAIT_OBJECT_0));
  Close(*info);
}

// The companion's loop: waits on the program's process and for its stop
// message, as the program starts it.
int WaitForProgramOrStop(const std::wstring &commandLine) {
  const DWORD program = static_cast<DWORD>(std::stoul(commandLine.substr(commandLine.find(L' ') + 1)));
  HANDLE target = OpenProcess(SYNCHRONIZE, FALSE, program);
  if (!target) return 2;
  int result = 1;
  for (bool done = false; !done;) {
    DWORD r = MsgWaitForMultipleObjectsEx(1, &target, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    if (r == WAIT_OBJECT_0) {
      result = 7;  // the program ended
      break;
    }
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
      if (msg.message == kStop) {
        result = 0;
        done = true;
      }
  }
  CloseHandle(target);
  return result;
}

// Posts to another process's thread until its queue exists.
BOOL PostWhenItHasAQueue(DWORD threadId, UINT message) {
  for (int i = 0; i < 5000; ++i) {
    if (PostThreadMessageW(threadId, message, 0, 0)) return TRUE;
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_THREAD_ID));
    Sleep(1);
  }
  return FALSE;
}

TEST_F(ProcessTest, AWaitingProcessEndsOnItsStopMessageOrWhenTheProgramIsKilled) {
  RegisterImage(L"waiter.exe", Machine::X86, WaitForProgramOrStop);
  const std::wstring line = L"waiter.exe " + std::to_wstring(GetCurrentProcessId());

  auto info = Start(nullptr, line);
  ASSERT_TRUE(info);
  ASSERT_TRUE(PostWhenItHasAQueue(info->dwThreadId, kStop));
  ASSERT_EQ(WaitForSingleObject(info->hProcess, INFINITE), static_cast<DWORD>(WAIT_OBJECT_0));
  DWORD code = 99;
  EXPECT_TRUE(GetExitCodeProcess(info->hProcess, &code)) << GetLastError();
  EXPECT_EQ(code, 0u);
  Close(*info);

  // The program is killed: the waiter's handle to it is signalled. The
  // program's handles went with it, so the waiter reports by itself.
  std::promise<int> result;
  RegisterImage(L"waiter.exe", Machine::X86, [&result](const std::wstring &commandLine) {
    const int code = WaitForProgramOrStop(commandLine);
    result.set_value(code);
    return code;
  });
  info = Start(nullptr, line);
  ASSERT_TRUE(info);
  ASSERT_TRUE(PostWhenItHasAQueue(info->dwThreadId, WM_NULL));  // it waits now
  KillProgram();                                                // its caller, playing the user, is not killed
  auto ended = result.get_future();
  ASSERT_EQ(ended.wait_for(std::chrono::seconds(10)), std::future_status::ready);
  EXPECT_EQ(ended.get(), 7);
}

TEST_F(ProcessTest, AHandleToAKilledProgramStaysSignalledWhenTheProgramRunsAgain) {
  DWORD app = StartApp("watcher");
  HANDLE program = nullptr;
  RunInApp(app, [&] { program = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, ProgramProcessId()); });
  ASSERT_NE(program, nullptr);
  KillProgram();
  // A new thread of the program: the same id, a new run.
  std::thread again([] {
    HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    EXPECT_NE(event, nullptr);
    CloseHandle(event);
  });
  again.join();
  RunInApp(app, [&] {
    EXPECT_EQ(WaitForSingleObject(program, 0), static_cast<DWORD>(WAIT_OBJECT_0));
    DWORD code = 0;
    EXPECT_TRUE(GetExitCodeProcess(program, &code));
    EXPECT_EQ(code, 1u);
    CloseHandle(program);
  });
  HANDLE fresh = OpenProcess(SYNCHRONIZE, FALSE, ProgramProcessId());
  EXPECT_EQ(WaitForSingleObject(fresh, 0), static_cast<DWORD>(WAIT_TIMEOUT));
  CloseHandle(fresh);
}

TEST_F(ProcessTest, KillProcessAndTerminateProcessEndAProcessAndWhatItHeld) {
  std::atomic<int> leftItsWait{0};
  std::atomic<int> returned{0};
  RegisterImage(L"sleeper.exe", Machine::X64, [&](const std::wstring &) {
    try {
      HWND w = CreateWindowExW(0, L"STATIC", L"sleeper", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
      SetWindowLongPtrW(w, GWLP_USERDATA, 1);
      MSG msg;
      while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
      ++returned;
    } catch (const ProcessKilled &) {
      ++leftItsWait;
      throw;
    }
    return 0;
  });
  auto first = Start(L"sleeper.exe", L"");
  auto second = Start(L"sleeper.exe", L"");
  ASSERT_TRUE(first && second);
  ASSERT_TRUE(PostWhenItHasAQueue(first->dwThreadId, WM_NULL));
  ASSERT_TRUE(PostWhenItHasAQueue(second->dwThreadId, WM_NULL));
  WaitAllIdle();

  KillProcess(first->dwProcessId);
  EXPECT_EQ(WaitForSingleObject(first->hProcess, 10000), static_cast<DWORD>(WAIT_OBJECT_0));
  DWORD code = 0;
  GetExitCodeProcess(first->hProcess, &code);
  EXPECT_EQ(code, 1u);

  EXPECT_TRUE(TerminateProcess(second->hProcess, 9));
  EXPECT_EQ(WaitForSingleObject(second->hProcess, 10000), static_cast<DWORD>(WAIT_OBJECT_0));
  GetExitCodeProcess(second->hProcess, &code);
  EXPECT_EQ(code, 9u);
  SetLastError(0);
  EXPECT_FALSE(TerminateProcess(second->hProcess, 10));  // it has ended already
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  GetExitCodeProcess(second->hProcess, &code);
  EXPECT_EQ(code, 9u);

  // Their windows went with them; their threads left their waits.
  for (HWND w : TopLevelWindows()) EXPECT_NE(ReadWindow(w).text, L"sleeper");
  Close(*first);
  Close(*second);
  ResetDesktop();  // joins what is left of them
  EXPECT_EQ(leftItsWait.load(), 2);
  EXPECT_EQ(returned.load(), 0);
}

TEST_F(ProcessTest, TerminatingNeedsTheRightAndWaitingNeedsSynchronize) {
  DWORD app = StartApp("app");
  HANDLE query = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, app);
  ASSERT_NE(query, nullptr);
  SetLastError(0);
  EXPECT_FALSE(TerminateProcess(query, 1));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  SetLastError(0);
  EXPECT_EQ(WaitForSingleObject(query, 0), WAIT_FAILED);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  DWORD code = 0;
  EXPECT_TRUE(GetExitCodeProcess(query, &code));
  EXPECT_EQ(code, static_cast<DWORD>(STILL_ACTIVE));
  CloseHandle(query);

  // An application the driver stops ends with 0; a killed one with 1.
  HANDLE waitable = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, app);
  StopApp(app);
  EXPECT_EQ(WaitForSingleObject(waitable, 0), static_cast<DWORD>(WAIT_OBJECT_0));
  GetExitCodeProcess(waitable, &code);
  EXPECT_EQ(code, 0u);
  CloseHandle(waitable);
  DWORD other = StartApp("other");
  waitable = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, other);
  KillProcess(other);
  EXPECT_EQ(WaitForSingleObject(waitable, 0), static_cast<DWORD>(WAIT_OBJECT_0));
  GetExitCodeProcess(waitable, &code);
  EXPECT_EQ(code, 1u);
  CloseHandle(waitable);
}

std::atomic<int> g_detachedAtEnd{0};
BOOL WINAPI CountingMain(HINSTANCE, DWORD reason, LPVOID reserved) {
  if (reason == DLL_PROCESS_DETACH && reserved) ++g_detachedAtEnd;
  return TRUE;
}
LRESULT CALLBACK PassOn(int code, WPARAM wParam, LPARAM lParam) {
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST_F(ProcessTest, ExitProcessEndsOnlyThatProcessAndItsLibrariesSeeIt) {
  HMODULE library = winsim::RegisterModule(L"exittest.dll", CountingMain);
  g_detachedAtEnd = 0;
  RegisterImage(L"quitter.exe", Machine::X64, [&](const std::wstring &) -> int {
    SetWindowsHookExW(WH_CALLWNDPROC, PassOn, library, 0);
    HWND w = CreateWindowExW(0, L"STATIC", L"q", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    SendMessageW(w, WM_USER, 0, 0);  // runs the hook here: the library is mapped
    ExitProcess(17);
  });
  auto info = Start(L"quitter.exe", L"");
  ASSERT_TRUE(info);
  ASSERT_EQ(WaitForSingleObject(info->hProcess, 10000), static_cast<DWORD>(WAIT_OBJECT_0));
  DWORD code = 0;
  GetExitCodeProcess(info->hProcess, &code);
  EXPECT_EQ(code, 17u);
  EXPECT_EQ(g_detachedAtEnd.load(), 1);
  Close(*info);
  winsim::UnregisterModule(library);
}

TEST_F(ProcessTest, ResetDesktopEndsStartedProcessesAndForgetsImages) {
  RegisterImage(L"forever.exe", Machine::X64, [](const std::wstring &) {
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    }
    return 0;
  });
  auto info = Start(L"forever.exe", L"");
  ASSERT_TRUE(info);
  ResetDesktop();
  SetLastError(0);
  EXPECT_FALSE(Start(L"forever.exe", L""));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST_F(ProcessTest, AThreadHasAMessageQueueOnlyOnceItCalledTheWindowManager) {
  std::promise<DWORD> id;
  std::promise<void> peek, peeked, done;
  std::thread other([&] {
    id.set_value(GetCurrentThreadId());
    peek.get_future().wait();
    MSG msg;
    PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);
    peeked.set_value();
    done.get_future().wait();
  });
  const DWORD threadId = id.get_future().get();
  SetLastError(0);
  EXPECT_FALSE(PostThreadMessageW(threadId, WM_USER, 0, 0));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_THREAD_ID));
  peek.set_value();
  peeked.get_future().wait();
  EXPECT_TRUE(PostThreadMessageW(threadId, WM_USER, 0, 0));
  done.set_value();
  other.join();
}

}  // namespace
