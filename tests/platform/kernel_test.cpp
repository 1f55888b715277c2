// Process memory regions and MulDiv, as the platform's kernel gives them.
#include "platform_support.h"

#include <climits>
#include <cstdint>

namespace platform_test {
namespace {

constexpr SIZE_T kPage = 4096;

MEMORY_BASIC_INFORMATION Query(const void *address) {
  MEMORY_BASIC_INFORMATION info{};
  EXPECT_EQ(VirtualQuery(address, &info, sizeof info), sizeof info);
  return info;
}

TEST(KernelTest, VirtualMemoryRegionsArePagesFromTheirBase) {
  auto *base = static_cast<char *>(VirtualAlloc(nullptr, kPage + 100, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
  ASSERT_NE(base, nullptr);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(base) % kPage, 0u);
  base[kPage + 99] = 'x';  // the whole size asked for is usable

  MEMORY_BASIC_INFORMATION info = Query(base + 10);
  EXPECT_EQ(info.BaseAddress, base);
  EXPECT_EQ(info.AllocationBase, base);
  EXPECT_EQ(info.RegionSize, 2 * kPage);  // rounded up to whole pages
  EXPECT_EQ(info.State, static_cast<DWORD>(MEM_COMMIT));
  EXPECT_EQ(info.Protect, static_cast<DWORD>(PAGE_READWRITE));
  EXPECT_EQ(info.AllocationProtect, static_cast<DWORD>(PAGE_READWRITE));
  EXPECT_EQ(info.Type, static_cast<DWORD>(MEM_PRIVATE));

  info = Query(base + kPage + 5);  // from the page holding the address to the region's end
  EXPECT_EQ(info.BaseAddress, base + kPage);
  EXPECT_EQ(info.AllocationBase, base);
  EXPECT_EQ(info.RegionSize, kPage);

  // Releasing takes the region's base and a size of zero, nothing else.
  EXPECT_FALSE(VirtualFree(base, 2 * kPage, MEM_RELEASE));
  EXPECT_FALSE(VirtualFree(base + kPage, 0, MEM_RELEASE));
  EXPECT_EQ(Query(base).State, static_cast<DWORD>(MEM_COMMIT));
  EXPECT_TRUE(VirtualFree(base, 0, MEM_RELEASE));
  EXPECT_EQ(Query(base).State, static_cast<DWORD>(MEM_FREE));
}

TEST(KernelTest, MulDivRoundsHalfAwayFromZeroAndReportsFailureAsMinusOne) {
  EXPECT_EQ(MulDiv(5, 1, 2), 3);
  EXPECT_EQ(MulDiv(3, 1, 2), 2);
  EXPECT_EQ(MulDiv(-5, 1, 2), -3);
  EXPECT_EQ(MulDiv(5, -1, 2), -3);
  EXPECT_EQ(MulDiv(-5, -1, 2), 3);
  EXPECT_EQ(MulDiv(5, 1, -2), -3);
  EXPECT_EQ(MulDiv(-5, 1, -2), 3);
  EXPECT_EQ(MulDiv(1, 1, 3), 0);
  EXPECT_EQ(MulDiv(2, 1, 3), 1);
  EXPECT_EQ(MulDiv(9, 96, 72), 12);
  EXPECT_EQ(MulDiv(INT_MAX, INT_MAX, INT_MAX), INT_MAX);  // the product does not overflow
  EXPECT_EQ(MulDiv(7, 3, 0), -1);
  EXPECT_EQ(MulDiv(INT_MAX, 2, 1), -1);
}

TEST(KernelTest, ANamedMutexTellsWhetherItsNameExistedAndGoesWithItsLastHandle) {
  // A program finds out whether another copy of it runs this way: the
  // name exists for as long as any handle to it is open.
  const wchar_t name[] = L"Local\\QuillmerePlatformTest.Mutex";
  SetLastError(ERROR_ACCESS_DENIED);
  HANDLE first = CreateMutexW(nullptr, FALSE, name);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));  // set on success too
  HANDLE second = CreateMutexW(nullptr, FALSE, name);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  EXPECT_NE(second, first);
  // Another name is another mutex.
  HANDLE other = CreateMutexW(nullptr, FALSE, L"Local\\QuillmerePlatformTest.Other");
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
  EXPECT_TRUE(CloseHandle(other));
  EXPECT_TRUE(CloseHandle(first));
  HANDLE third = CreateMutexW(nullptr, FALSE, name);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));  // the second handle keeps it
  EXPECT_TRUE(CloseHandle(second));
  EXPECT_TRUE(CloseHandle(third));
  HANDLE fresh = CreateMutexW(nullptr, FALSE, name);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
  EXPECT_TRUE(CloseHandle(fresh));
  EXPECT_FALSE(CloseHandle(fresh));  // closed once
}

}  // namespace
}  // namespace platform_test
