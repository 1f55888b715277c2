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

void WINAPI ExitProcess(UINT exitCode) {
  std::fflush(nullptr);
  std::_Exit(static_cast<int>(exitCode));
}
DWORD WINAPI GetCurrentProcessId(void) { return CurrentThread()->process->id; }
DWORD WINAPI GetCurrentThreadId(void) { return CurrentThread()->id; }

HANDLE WINAPI OpenProcess(DWORD desiredAccess, BOOL /*inheritHandle*/, DWORD processId) {
  auto self = CurrentThread();
  Lock lock(Mutex());
  Desktop &d = D();
  if (TakeFaultLocked(driver::Fault::OpenProcess, *self)) return FailWith<HANDLE>(ERROR_ACCESS_DENIED, nullptr);
  if (!d.processes.count(processId)) return FailWith<HANDLE>(ERROR_INVALID_PARAMETER, nullptr);
  HANDLE h = reinterpret_cast<HANDLE>(d.nextKernelHandle);
  d.nextKernelHandle += 4;
  d.processHandles[h] = ProcessHandle{processId, desiredAccess};
  return h;
}

BOOL WINAPI CloseHandle(HANDLE object) {
  if (object == kCurrentProcessHandle) return TRUE;
  Lock lock(Mutex());
  if (D().processHandles.erase(object) == 0) return Fail(ERROR_INVALID_HANDLE);
  return TRUE;
}

namespace {

// Libraries loaded by name; every simulated process shares the one loaded
// copy, so a library has one handle for all of them.
std::mutex g_modulesMutex;
std::map<std::wstring, HMODULE> &Modules() {
  static auto *modules = new std::map<std::wstring, HMODULE>;
  return *modules;
}

std::wstring ModuleKey(LPCWSTR name) {
  std::wstring key;
  for (const wchar_t *p = name; *p; ++p) key += static_cast<wchar_t>(std::towlower(*p));
  if (key.size() > 4 && key.compare(key.size() - 4, 4, L".dll") == 0) key.resize(key.size() - 4);
  return key;
}

}  // namespace

namespace winsim {

HMODULE RegisterModule(const wchar_t *name) {
  std::lock_guard<std::mutex> guard(g_modulesMutex);
  auto &slot = Modules()[ModuleKey(name)];
  // Image bases of libraries lie apart from the executable's 0x400000.
  if (!slot) slot = reinterpret_cast<HMODULE>(static_cast<uintptr_t>(0x10000000 + 0x100000 * Modules().size()));
  return slot;
}

void UnregisterModule(HMODULE module) {
  std::lock_guard<std::mutex> guard(g_modulesMutex);
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

