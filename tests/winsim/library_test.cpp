// A global hook's library in the processes it is mapped into: its DllMain
// sees each process attach on the thread that first runs the hook and
// detach when the hook is gone or the process ends; what it keeps per
// process is each process's own; and a process handle is valid in the
// process that opened it, from any of its threads, until closed once or
// until that process ends.
#include "desktop_fixture.h"

#include <winsim/loader.h>

#include <thread>

using namespace winsim::driver;
using namespace winsim_test;

namespace {

struct EntryCall {
  DWORD reason;
  bool reserved;
  DWORD processId;
  DWORD threadId;
};
std::mutex g_entryMutex;
std::vector<EntryCall> g_entryCalls;

BOOL WINAPI TestLibraryMain(HINSTANCE, DWORD reason, LPVOID reserved) {
  std::lock_guard<std::mutex> guard(g_entryMutex);
  g_entryCalls.push_back(EntryCall{reason, reserved != nullptr, GetCurrentProcessId(), GetCurrentThreadId()});
  return TRUE;
}

std::vector<EntryCall> TakeEntryCalls() {
  std::lock_guard<std::mutex> guard(g_entryMutex);
  std::vector<EntryCall> calls;
  calls.swap(g_entryCalls);
  return calls;
}

LRESULT CALLBACK PassOn(int code, WPARAM wParam, LPARAM lParam) {
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

class LibraryTest : public DesktopTest {
 protected:
  void SetUp() override {
    library = winsim::RegisterModule(L"maptest.dll", TestLibraryMain);
    TakeEntryCalls();
  }
  void TearDown() override {
    DesktopTest::TearDown();
    winsim::UnregisterModule(library);
  }
  HMODULE library = nullptr;
};

TEST_F(LibraryTest, AHookLibraryIsMappedAtItsFirstRunAndLeavesWhenTheHookGoes) {
  DWORD app = StartApp("a");
  HWND w = CreateAppWindow(app, NewWindowTitled(L"A"));
  HHOOK hook = SetWindowsHookExW(WH_CALLWNDPROCRET, PassOn, library, 0);
  ASSERT_NE(hook, nullptr);
  EXPECT_TRUE(TakeEntryCalls().empty());  // nothing ran the hook yet
  SendMessageW(w, WM_USER, 0, 0);
  SendMessageW(w, WM_USER, 0, 0);
  auto calls = TakeEntryCalls();
  ASSERT_EQ(calls.size(), 1u);  // once per process
  EXPECT_EQ(calls[0].reason, static_cast<DWORD>(DLL_PROCESS_ATTACH));
  EXPECT_EQ(calls[0].processId, app);
  EXPECT_EQ(calls[0].threadId, AppThreadId(app));

  ASSERT_TRUE(UnhookWindowsHookEx(hook));
  WaitIdle(AppThreadId(app));
  calls = TakeEntryCalls();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].reason, static_cast<DWORD>(DLL_PROCESS_DETACH));
  EXPECT_FALSE(calls[0].reserved);  // unloaded from a process that goes on
  EXPECT_EQ(calls[0].threadId, AppThreadId(app));

  // Installed again, it is mapped again; the process ending detaches it.
  hook = SetWindowsHookExW(WH_CALLWNDPROCRET, PassOn, library, 0);
  SendMessageW(w, WM_USER, 0, 0);
  StopApp(app);
  calls = TakeEntryCalls();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].reason, static_cast<DWORD>(DLL_PROCESS_ATTACH));
  EXPECT_EQ(calls[1].reason, static_cast<DWORD>(DLL_PROCESS_DETACH));
  EXPECT_TRUE(calls[1].reserved);
  UnhookWindowsHookEx(hook);
}

TEST_F(LibraryTest, TheProgramThatLoadedTheLibraryIsNotAttachedAgain) {
  HWND mine = CreateWindowExW(0, L"STATIC", L"mine", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  HHOOK hook = SetWindowsHookExW(WH_CALLWNDPROCRET, PassOn, library, 0);
  SendMessageW(mine, WM_USER, 0, 0);
  UnhookWindowsHookEx(hook);
  EXPECT_TRUE(TakeEntryCalls().empty());
  DestroyWindow(mine);
}

int g_made = 0, g_dropped = 0;
void *MakeCounter() {
  ++g_made;
  return new int(0);
}
void DropCounter(void *p) {
  ++g_dropped;
  delete static_cast<int *>(p);
}

TEST_F(LibraryTest, ALibrarysDataIsEachProcesssOwn) {
  static const int key = 0;
  g_made = g_dropped = 0;
  DWORD a = StartApp("a"), b = StartApp("b");
  RunInApp(a, [] { *static_cast<int *>(winsim::ProcessData(&key, MakeCounter, DropCounter)) += 1; });
  RunInApp(a, [] { *static_cast<int *>(winsim::ProcessData(&key, MakeCounter, DropCounter)) += 1; });
  int inB = -1;
  RunInApp(b, [&] { inB = *static_cast<int *>(winsim::ProcessData(&key, MakeCounter, DropCounter)); });
  EXPECT_EQ(inB, 0);
  int inA = -1;
  RunInApp(a, [&] { inA = *static_cast<int *>(winsim::ProcessData(&key, MakeCounter, DropCounter)); });
  EXPECT_EQ(inA, 2);
  EXPECT_EQ(g_made, 2);
  StopApp(a);
  EXPECT_EQ(g_dropped, 1);  // gone with its process
}

TEST_F(LibraryTest, AProcessHandleBelongsToTheProcessThatOpenedIt) {
  DWORD app = StartApp("a");
  const DWORD program = ProgramProcessId();
  HANDLE theirs = nullptr;
  RunInApp(app, [&] { theirs = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, program); });
  ASSERT_NE(theirs, nullptr);
  EXPECT_EQ(ProcessHandles(app).open, 1u);
  // Here, in the program, the value names nothing.
  EXPECT_EQ(VirtualAllocEx(theirs, nullptr, 4096, MEM_COMMIT, PAGE_READWRITE), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_FALSE(CloseHandle(theirs));
  EXPECT_EQ(ProcessHandles(app).open, 1u);
  // The process ending closes what it held.
  StopApp(app);
  EXPECT_EQ(ProcessHandles(app).open, 0u);
}

}  // namespace
