// Virtual memory of the simulated processes. All processes share the one
// real address space, so an address handed out for a process is usable by
// any thread; what belongs to which process is tracked here, so that a
// process can only query, write and free its own regions.
#include "desktop.h"

#include <cstdlib>
#include <cstring>

using namespace winsim;

namespace {

constexpr SIZE_T kPageSize = 4096;

// The process a handle names, with the rights it was opened with.
std::shared_ptr<Process> ResolveLocked(HANDLE handle, const std::shared_ptr<Thread> &self, DWORD &access) {
  if (handle == kCurrentProcessHandle) {
    access = PROCESS_ALL_ACCESS;
    return self->process;
  }
  Desktop &d = D();
  auto it = d.processHandles.find(handle);
  // Another process's handle means nothing here.
  if (it == d.processHandles.end() || it->second.owner != self->process->id) return nullptr;
  access = it->second.access;
  auto p = d.processes.find(it->second.processId);
  return p == d.processes.end() ? nullptr : p->second;
}

const Allocation *Containing(const Process &p, uintptr_t address, SIZE_T size) {
  auto it = p.allocations.upper_bound(address);
  if (it == p.allocations.begin()) return nullptr;
  --it;
  const Allocation &a = it->second;
  uintptr_t base = reinterpret_cast<uintptr_t>(a.base);
  if (address < base || address - base > a.size || size > a.size - (address - base)) return nullptr;
  return &a;
}

bool Writable(DWORD protect) { return protect == PAGE_READWRITE || protect == PAGE_EXECUTE_READWRITE; }

}  // namespace

LPVOID WINAPI VirtualAllocEx(HANDLE process, LPVOID address, SIZE_T size, DWORD allocationType, DWORD protect) {
  auto self = CurrentThread();
  Lock lock(Mutex());
  DWORD access = 0;
  auto target = ResolveLocked(process, self, access);
  if (!target) return FailWith<LPVOID>(ERROR_INVALID_HANDLE, nullptr);
  if (!(access & PROCESS_VM_OPERATION)) return FailWith<LPVOID>(ERROR_ACCESS_DENIED, nullptr);
  if (TakeFaultLocked(driver::Fault::VirtualAllocEx, *self)) return FailWith<LPVOID>(ERROR_NOT_ENOUGH_MEMORY, nullptr);
  // Only fresh regions at an address of the system's choosing are supported.
  if (address || size == 0 || !(allocationType & MEM_COMMIT) || (allocationType & ~(MEM_COMMIT | MEM_RESERVE)) != 0)
    return FailWith<LPVOID>(ERROR_INVALID_PARAMETER, nullptr);
  switch (protect) {
    case PAGE_NOACCESS:
    case PAGE_READONLY:
    case PAGE_READWRITE:
    case PAGE_EXECUTE:
    case PAGE_EXECUTE_READ:
    case PAGE_EXECUTE_READWRITE:
      break;
    default:
      return FailWith<LPVOID>(ERROR_INVALID_PARAMETER, nullptr);
  }
  SIZE_T rounded = (size + kPageSize - 1) / kPageSize * kPageSize;
  void *memory = std::aligned_alloc(kPageSize, rounded);
  if (!memory) return FailWith<LPVOID>(ERROR_NOT_ENOUGH_MEMORY, nullptr);
  std::memset(memory, 0, rounded);
  target->allocations[reinterpret_cast<uintptr_t>(memory)] = Allocation{memory, rounded, protect, MEM_COMMIT};
  return memory;
}

LPVOID WINAPI VirtualAlloc(LPVOID address, SIZE_T size, DWORD allocationType, DWORD protect) {
  return VirtualAllocEx(GetCurrentProcess(), address, size, allocationType, protect);
}

BOOL WINAPI VirtualFreeEx(HANDLE process, LPVOID address, SIZE_T size, DWORD freeType) {
  auto self = CurrentThread();
  Lock lock(Mutex());
  DWORD access = 0;
  auto target = ResolveLocked(process, self, access);
  if (!target) return Fail(ERROR_INVALID_HANDLE);
  if (!(access & PROCESS_VM_OPERATION)) return Fail(ERROR_ACCESS_DENIED);
  auto it = target->allocations.find(reinterpret_cast<uintptr_t>(address));
  if (freeType == MEM_RELEASE) {
    // Releasing takes the base of the region and a size of zero.
    if (size != 0) return Fail(ERROR_INVALID_PARAMETER);
    if (it == target->allocations.end()) return Fail(ERROR_INVALID_ADDRESS);
    std::free(it->second.base);
    target->allocations.erase(it);
    return TRUE;
  }
  if (freeType == MEM_DECOMMIT) {
    if (it == target->allocations.end() || (size != 0 && size != it->second.size)) return Fail(ERROR_INVALID_ADDRESS);
    it->second.state = MEM_RESERVE;
    return TRUE;
  }
  return Fail(ERROR_INVALID_PARAMETER);
}

BOOL WINAPI VirtualFree(LPVOID address, SIZE_T size, DWORD freeType) {
  return VirtualFreeEx(GetCurrentProcess(), address, size, freeType);
}

SIZE_T WINAPI VirtualQueryEx(HANDLE process, LPCVOID address, PMEMORY_BASIC_INFORMATION buffer, SIZE_T length) {
  auto self = CurrentThread();
  Lock lock(Mutex());
  DWORD access = 0;
  auto target = ResolveLocked(process, self, access);
  if (!target) return FailWith<SIZE_T>(ERROR_INVALID_HANDLE, 0);
  if (!(access & (PROCESS_QUERY_INFORMATION | PROCESS_QUERY_LIMITED_INFORMATION)))
    return FailWith<SIZE_T>(ERROR_ACCESS_DENIED, 0);
  if (!buffer || length < sizeof(MEMORY_BASIC_INFORMATION)) return FailWith<SIZE_T>(ERROR_INSUFFICIENT_BUFFER, 0);
  uintptr_t addr = reinterpret_cast<uintptr_t>(address);
  uintptr_t page = addr & ~(kPageSize - 1);
  MEMORY_BASIC_INFORMATION info{};
  info.BaseAddress = reinterpret_cast<PVOID>(page);
  if (const Allocation *a = Containing(*target, addr, 0); a && addr < reinterpret_cast<uintptr_t>(a->base) + a->size) {
    uintptr_t base = reinterpret_cast<uintptr_t>(a->base);
    info.AllocationBase = a->base;
    info.AllocationProtect = a->protect;
    info.RegionSize = base + a->size - page;
    info.State = a->state;
    info.Protect = a->state == MEM_COMMIT ? a->protect : 0;
    info.Type = MEM_PRIVATE;
  } else {
    // Not a region of this process: report one free page.
    info.RegionSize = kPageSize;
    info.State = MEM_FREE;
    info.Protect = PAGE_NOACCESS;
  }
  *buffer = info;
  return sizeof(MEMORY_BASIC_INFORMATION);
}

SIZE_T WINAPI VirtualQuery(LPCVOID address, PMEMORY_BASIC_INFORMATION buffer, SIZE_T length) {
  return VirtualQueryEx(GetCurrentProcess(), address, buffer, length);
}

BOOL WINAPI WriteProcessMemory(HANDLE process, LPVOID baseAddress, LPCVOID buffer, SIZE_T size, SIZE_T *written) {
  auto self = CurrentThread();
  Lock lock(Mutex());
  if (written) *written = 0;
  DWORD access = 0;
  auto target = ResolveLocked(process, self, access);
  if (!target) return Fail(ERROR_INVALID_HANDLE);
  if ((access & (PROCESS_VM_WRITE | PROCESS_VM_OPERATION)) != (PROCESS_VM_WRITE | PROCESS_VM_OPERATION))
    return Fail(ERROR_ACCESS_DENIED);
  if (TakeFaultLocked(driver::Fault::WriteProcessMemory, *self)) return Fail(ERROR_PARTIAL_COPY);
  const Allocation *a = Containing(*target, reinterpret_cast<uintptr_t>(baseAddress), size);
  if (!a || a->state != MEM_COMMIT || !Writable(a->protect)) return Fail(ERROR_NOACCESS);
  std::memcpy(baseAddress, buffer, size);
  if (written) *written = size;
  return TRUE;
}

BOOL WINAPI ReadProcessMemory(HANDLE process, LPCVOID baseAddress, LPVOID buffer, SIZE_T size, SIZE_T *read) {
  auto self = CurrentThread();
  Lock lock(Mutex());
  if (read) *read = 0;
  DWORD access = 0;
  auto target = ResolveLocked(process, self, access);
  if (!target) return Fail(ERROR_INVALID_HANDLE);
  if (!(access & PROCESS_VM_READ)) return Fail(ERROR_ACCESS_DENIED);
  const Allocation *a = Containing(*target, reinterpret_cast<uintptr_t>(baseAddress), size);
  if (!a || a->state != MEM_COMMIT || a->protect == PAGE_NOACCESS || a->protect == PAGE_EXECUTE)
    return Fail(ERROR_PARTIAL_COPY);
  std::memcpy(buffer, baseAddress, size);
  if (read) *read = size;
  return TRUE;
}
