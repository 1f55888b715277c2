// Processes, threads, errors and modules.
#include "desktop.h"

#include <chrono>

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
  Faults &f = d.faults;
  if (f.openProcess > 0 && (f.openProcessPid == 0 || f.openProcessPid == self->process->id)) {
    --f.openProcess;
    return FailWith<HANDLE>(ERROR_ACCESS_DENIED, nullptr);
  }
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

HMODULE WINAPI GetModuleHandleW(LPCWSTR moduleName) {
  if (moduleName) return FailWith<HMODULE>(ERROR_FILE_NOT_FOUND, nullptr);
  return CurrentThread()->process->module;
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

