// Processes, threads, errors and modules.
#include "desktop.h"

#include <winsim/loader.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cwctype>

using namespace winsim;

namespace {
thread_local DWORD t_lastError = 0;
}  // namespace

DWORD WINAPI GetLastError(void) { return t_lastError; }
void WINAPI SetLastError(DWORD error) { t_lastError = error; }

HANDLE WINAPI GetCurrentProcess(void) { return kCurrentProcessHandle; }

DWORD WINAPI GetCurrentProcessId(void) { return CurrentThread()->process->id; }
DWORD WINAPI GetCurrentThreadId(void) { return CurrentThread()->id; }

HANDLE WINAPI OpenProcess(DWORD desiredAccess, BOOL /*inheritHandle*/, DWORD processId) {
  auto self = CurrentThread();
  Lock lock(Mutex());
  Desktop &d = D();
  if (TakeFaultLocked(driver::Fault::OpenProcess, *self)) return FailWith<HANDLE>(ERROR_ACCESS_DENIED, nullptr);
  // An id that names no running process (it never did, or that process
  // has ended) is refused.
  if (!d.processes.count(processId)) return FailWith<HANDLE>(ERROR_INVALID_PARAMETER, nullptr);
  HANDLE h = NewKernelHandleLocked(d);
  d.processHandles[h] = ProcessHandle{processId, desiredAccess, self->process->id, d.processes.at(processId)->life};
  ++self->process->processHandlesOpened;
  return h;
}

BOOL WINAPI CloseHandle(HANDLE object) {
  if (object == kCurrentProcessHandle) return TRUE;
  auto self = CurrentThread();
  Lock lock(Mutex());
  // A handle belongs to the process that opened it, whichever of its
  // threads did; it is closed once.
  if (auto thread = D().threadHandles.find(object);
      thread != D().threadHandles.end() && thread->second.owner == self->process->id) {
    D().threadHandles.erase(thread);
    return TRUE;
  }
  auto it = D().processHandles.find(object);
  if (it == D().processHandles.end() || it->second.owner != self->process->id) {
    const DWORD process = self->process->id;
    if (CloseMutexHandleLocked(D(), object, process)) return TRUE;
    lock.unlock();
    return CloseWaitable(object, process) ? TRUE : Fail(ERROR_INVALID_HANDLE);
  }
  D().processHandles.erase(it);
  return TRUE;
}

namespace winsim {

void CloseProcessHandlesLocked(Desktop &d, DWORD owner) {
  for (auto it = d.processHandles.begin(); it != d.processHandles.end();)
    it = it->second.owner == owner ? d.processHandles.erase(it) : std::next(it);
  for (auto it = d.threadHandles.begin(); it != d.threadHandles.end();)
    it = it->second.owner == owner ? d.threadHandles.erase(it) : std::next(it);
  CloseMutexHandlesLocked(d, owner);
}

void *ProcessData(const void *key, void *(*make)(), void (*drop)(void *)) {
  auto self = CurrentThread();
  Lock lock(Mutex());
  auto &slot = self->process->libraryData.emplace(key, LibraryData(nullptr, drop)).first->second;
  if (!slot) slot = LibraryData(make(), drop);
  return slot.get();
}

}  // namespace winsim

namespace {

// Libraries loaded by name; every simulated process shares the one loaded
// copy, so a library has one handle for all of them.
std::mutex g_modulesMutex;
std::map<std::wstring, HMODULE> &Modules() {
  static auto *modules = new std::map<std::wstring, HMODULE>;
  return *modules;
}
std::map<HMODULE, winsim::DllEntry> &Entries() {
  static auto *entries = new std::map<HMODULE, winsim::DllEntry>;
  return *entries;
}
std::map<HMODULE, winsim::driver::Machine> &Machines() {
  static auto *machines = new std::map<HMODULE, winsim::driver::Machine>;
  return *machines;
}

std::wstring ModuleKey(LPCWSTR name) {
  std::wstring key;
  for (const wchar_t *p = name; *p; ++p) key += static_cast<wchar_t>(std::towlower(*p));
  if (key.size() > 4 && key.compare(key.size() - 4, 4, L".dll") == 0) key.resize(key.size() - 4);
  return key;
}

}  // namespace

namespace winsim {

HMODULE RegisterModule(const wchar_t *name, DllEntry entry, driver::Machine machine) {
  std::lock_guard<std::mutex> guard(g_modulesMutex);
  auto &slot = Modules()[ModuleKey(name)];
  // Image bases of libraries lie apart from the executable's 0x400000.
  if (!slot) slot = reinterpret_cast<HMODULE>(static_cast<uintptr_t>(0x10000000 + 0x100000 * Modules().size()));
  if (entry) Entries()[slot] = entry;
  Machines()[slot] = machine;
  return slot;
}

driver::Machine ModuleMachine(HMODULE module, driver::Machine unregistered) {
  std::lock_guard<std::mutex> guard(g_modulesMutex);
  auto it = Machines().find(module);
  return it == Machines().end() ? unregistered : it->second;
}

DllEntry ModuleEntry(HMODULE module) {
  std::lock_guard<std::mutex> guard(g_modulesMutex);
  auto it = Entries().find(module);
  return it == Entries().end() ? nullptr : it->second;
}

void UnregisterModule(HMODULE module) {
  std::lock_guard<std::mutex> guard(g_modulesMutex);
  Entries().erase(module);
  Machines().erase(module);
  for (auto it = Modules().begin(); it != Modules().end(); ++it)
    if (it->second == module) {
      Modules().erase(it);
      return;
    }
}

}  // namespace winsim

HMODULE WINAPI GetModuleHandleW(LPCWSTR moduleName) {
  if (!moduleName) return CurrentThread()->process->module;
  std::lock_guard<std::mutex> guard(g_modulesMutex);
  auto it = Modules().find(ModuleKey(moduleName));
  if (it == Modules().end()) return FailWith<HMODULE>(ERROR_FILE_NOT_FOUND, nullptr);
  return it->second;
}

int WINAPI MulDiv(int number, int numerator, int denominator) {
  if (denominator == 0) return -1;
  long long product = static_cast<long long>(number) * numerator;
  // Rounds half away from zero, as the platform does.
  long long half = (denominator < 0 ? -denominator : denominator) / 2;
  bool negative = (product < 0) != (denominator < 0);
  long long magnitude = (product < 0 ? -product : product) + half;
  long long result = magnitude / (denominator < 0 ? -denominator : denominator);
  if (negative) result = -result;
  if (result > INT32_MAX || result < INT32_MIN) return -1;
  return static_cast<int>(result);
}

void WINAPI Sleep(DWORD milliseconds) { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }
