// Memory of the simulated processes: allocating in another process,
// writing there, querying and freeing, access rights, and injected faults.
#include "desktop_fixture.h"

using namespace winsim::driver;
using namespace winsim_test;

namespace {

class MemoryTest : public DesktopTest {
 protected:
  void SetUp() override { program = ProgramProcessId(); }
  DWORD program = 0;
};

TEST_F(MemoryTest, PageAllocatedFromAnotherProcessBelongsToTheTarget) {
  DWORD app = StartApp("a");
  void *page = nullptr;
  RunInApp(app, [&] {
    HANDLE target = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, program);
    ASSERT_NE(target, nullptr);
    page = VirtualAllocEx(target, nullptr, 20, MEM_COMMIT, PAGE_READWRITE);
    ASSERT_NE(page, nullptr);
    const char data[] = "event record";
    SIZE_T written = 0;
    EXPECT_TRUE(WriteProcessMemory(target, page, data, sizeof data, &written));
    EXPECT_EQ(written, sizeof data);
    // The page is not the writer's: its own queries see nothing there.
    MEMORY_BASIC_INFORMATION info;
    VirtualQuery(page, &info, sizeof info);
    EXPECT_EQ(info.State, static_cast<DWORD>(MEM_FREE));
    EXPECT_TRUE(CloseHandle(target));
  });
  EXPECT_EQ(LiveAllocations(program), 1u);
  EXPECT_EQ(LiveAllocations(app), 0u);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(page) % 4096, 0u);
  EXPECT_STREQ(static_cast<const char *>(page), "event record");
  EXPECT_EQ(static_cast<const char *>(page)[4095], 0);  // the rest stays zero

  MEMORY_BASIC_INFORMATION info;
  ASSERT_EQ(VirtualQuery(static_cast<char *>(page) + 100, &info, sizeof info), sizeof info);
  EXPECT_EQ(info.AllocationBase, page);
  EXPECT_EQ(info.BaseAddress, page);
  EXPECT_EQ(info.RegionSize, 4096u);
  EXPECT_EQ(info.State, static_cast<DWORD>(MEM_COMMIT));
  EXPECT_EQ(info.Protect, static_cast<DWORD>(PAGE_READWRITE));
  EXPECT_EQ(info.Type, static_cast<DWORD>(MEM_PRIVATE));

  EXPECT_FALSE(VirtualFreeEx(GetCurrentProcess(), static_cast<char *>(page) + 8, 0, MEM_RELEASE));
  EXPECT_FALSE(VirtualFreeEx(GetCurrentProcess(), page, 4096, MEM_RELEASE));  // release takes size 0
  EXPECT_TRUE(VirtualFreeEx(GetCurrentProcess(), page, 0, MEM_RELEASE));
  EXPECT_EQ(LiveAllocations(program), 0u);
  EXPECT_FALSE(VirtualFreeEx(GetCurrentProcess(), page, 0, MEM_RELEASE));
}

TEST_F(MemoryTest, SizesRoundUpToWholePages) {
  void *region = VirtualAlloc(nullptr, 5000, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  MEMORY_BASIC_INFORMATION info;
  VirtualQuery(region, &info, sizeof info);
  EXPECT_EQ(info.RegionSize, 8192u);
  VirtualQuery(static_cast<char *>(region) + 4096, &info, sizeof info);
  EXPECT_EQ(info.RegionSize, 4096u);
  EXPECT_EQ(info.AllocationBase, region);
  VirtualFree(region, 0, MEM_RELEASE);
}

TEST_F(MemoryTest, AccessRightsAreChecked) {
  DWORD app = StartApp("a");
  RunInApp(app, [&] {
    HANDLE readOnly = OpenProcess(PROCESS_VM_READ, FALSE, program);
    EXPECT_EQ(VirtualAllocEx(readOnly, nullptr, 4096, MEM_COMMIT, PAGE_READWRITE), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    HANDLE noWrite = OpenProcess(PROCESS_VM_OPERATION, FALSE, program);
    void *page = VirtualAllocEx(noWrite, nullptr, 4096, MEM_COMMIT, PAGE_READWRITE);
    int value = 5;
    EXPECT_FALSE(WriteProcessMemory(noWrite, page, &value, sizeof value, nullptr));
    EXPECT_TRUE(VirtualFreeEx(noWrite, page, 0, MEM_RELEASE));
    CloseHandle(readOnly);
    CloseHandle(noWrite);
  });
  EXPECT_EQ(OpenProcess(PROCESS_VM_OPERATION, FALSE, 0xFFFF), nullptr);
  EXPECT_FALSE(CloseHandle(reinterpret_cast<HANDLE>(0x1234)));
}

TEST_F(MemoryTest, WritesOutsideARegionOrIntoReadOnlyPagesFail) {
  HANDLE self = GetCurrentProcess();
  char *page = static_cast<char *>(VirtualAllocEx(self, nullptr, 4096, MEM_COMMIT, PAGE_READONLY));
  int value = 1;
  EXPECT_FALSE(WriteProcessMemory(self, page, &value, sizeof value, nullptr));
  char *writable = static_cast<char *>(VirtualAllocEx(self, nullptr, 4096, MEM_COMMIT, PAGE_READWRITE));
  EXPECT_FALSE(WriteProcessMemory(self, writable + 4094, &value, sizeof value, nullptr));  // runs past the end
  EXPECT_TRUE(WriteProcessMemory(self, writable + 4092, &value, sizeof value, nullptr));
  EXPECT_FALSE(WriteProcessMemory(self, &value, &value, sizeof value, nullptr));  // not a region at all
  VirtualFreeEx(self, page, 0, MEM_RELEASE);
  VirtualFreeEx(self, writable, 0, MEM_RELEASE);
}

TEST_F(MemoryTest, InjectedFaultsFailTheNextCallOnly) {
  FailNext(Fault::OpenProcess);
  EXPECT_EQ(OpenProcess(PROCESS_VM_OPERATION, FALSE, program), nullptr);
  HANDLE h = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, program);
  ASSERT_NE(h, nullptr);

  FailNext(Fault::VirtualAllocEx);
  EXPECT_EQ(VirtualAllocEx(h, nullptr, 4096, MEM_COMMIT, PAGE_READWRITE), nullptr);
  void *page = VirtualAllocEx(h, nullptr, 4096, MEM_COMMIT, PAGE_READWRITE);
  ASSERT_NE(page, nullptr);

  FailNext(Fault::WriteProcessMemory);
  int value = 3;
  EXPECT_FALSE(WriteProcessMemory(h, page, &value, sizeof value, nullptr));
  EXPECT_EQ(*static_cast<int *>(page), 0);
  EXPECT_TRUE(WriteProcessMemory(h, page, &value, sizeof value, nullptr));

  HWND w = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  FailNext(Fault::PostMessage);
  EXPECT_FALSE(PostMessageW(w, WM_USER, 0, 0));
  EXPECT_TRUE(PostMessageW(w, WM_USER, 0, 0));
  VirtualFreeEx(h, page, 0, MEM_RELEASE);
  CloseHandle(h);
}

TEST_F(MemoryTest, FaultForOneProcessWaitsForThatProcess) {
  DWORD app = StartApp("a");
  FailNext(Fault::OpenProcess, app);
  HANDLE mine = OpenProcess(PROCESS_VM_OPERATION, FALSE, program);
  EXPECT_NE(mine, nullptr);  // the program's own call is not the one
  CloseHandle(mine);
  RunInApp(app, [&] { EXPECT_EQ(OpenProcess(PROCESS_VM_OPERATION, FALSE, program), nullptr); });
}

TEST_F(MemoryTest, FaultsForDifferentProcessesEachWaitForTheirOwn) {
  DWORD app = StartApp("a");
  FailNext(Fault::OpenProcess, app);
  FailNext(Fault::OpenProcess, program);
  FailNext(Fault::VirtualAllocEx);  // another function's fault is not taken by OpenProcess
  EXPECT_EQ(OpenProcess(PROCESS_VM_OPERATION, FALSE, program), nullptr);
  HANDLE mine = OpenProcess(PROCESS_VM_OPERATION, FALSE, program);
  EXPECT_NE(mine, nullptr);
  CloseHandle(mine);
  RunInApp(app, [&] { EXPECT_EQ(OpenProcess(PROCESS_VM_OPERATION, FALSE, program), nullptr); });
  RunInApp(app, [&] {
    HANDLE theirs = OpenProcess(PROCESS_VM_OPERATION, FALSE, program);
    EXPECT_NE(theirs, nullptr);
    CloseHandle(theirs);
  });
  ClearFaults();
  HANDLE h = OpenProcess(PROCESS_VM_OPERATION, FALSE, program);
  EXPECT_NE(VirtualAllocEx(h, nullptr, 4096, MEM_COMMIT, PAGE_READWRITE), nullptr);
  CloseHandle(h);
}

}  // namespace
