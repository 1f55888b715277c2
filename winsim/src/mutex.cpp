// Named mutexes: a name that exists while any process holds a handle to
// it. The program asks only whether the name exists already, so there is
// no ownership and no waiting.
#include "desktop.h"

using namespace winsim;

HANDLE WINAPI CreateMutexW(LPSECURITY_ATTRIBUTES /*attributes*/, BOOL initialOwner, LPCWSTR name) {
  if (initialOwner || !name || !*name) return FailWith<HANDLE>(ERROR_NOT_SUPPORTED, nullptr);
  auto self = CurrentThread();
  Lock lock(Mutex());
  Desktop &d = D();
  HANDLE h = reinterpret_cast<HANDLE>(d.nextKernelHandle);
  d.nextKernelHandle += 4;
  d.mutexHandles[h] = NamedMutexHandle{name, self->process->id};
  // The platform sets the last error on success too: 0 for a new mutex.
  SetLastError(d.namedMutexes[name]++ ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
  return h;
}

namespace winsim {

namespace {

void DropNameLocked(Desktop &d, const std::wstring &name) {
  auto it = d.namedMutexes.find(name);
  if (it != d.namedMutexes.end() && --it->second == 0) d.namedMutexes.erase(it);
}

}  // namespace

bool CloseMutexHandleLocked(Desktop &d, HANDLE handle, DWORD caller) {
  auto it = d.mutexHandles.find(handle);
  if (it == d.mutexHandles.end() || it->second.owner != caller) return false;
  DropNameLocked(d, it->second.name);
  d.mutexHandles.erase(it);
  return true;
}

void CloseMutexHandlesLocked(Desktop &d, DWORD owner) {
  for (auto it = d.mutexHandles.begin(); it != d.mutexHandles.end();) {
    if (it->second.owner != owner) {
      ++it;
      continue;
    }
    DropNameLocked(d, it->second.name);
    it = d.mutexHandles.erase(it);
  }
}

}  // namespace winsim
