// How processes end: their entry returns, they call ExitProcess, another
// process terminates them, or the driver kills them. What waits on them
// learns it through their handles, which stay with the run they were
// opened on.
#include "desktop.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

using namespace winsim;

namespace winsim {

void ReleaseProcessLocked(Desktop &d, DWORD process) {
  for (auto &hook : d.hooks)
    if (hook->ownerProcess == process) hook->removed = true;
  d.hooks.erase(std::remove_if(d.hooks.begin(), d.hooks.end(), [](auto &h) { return h->removed; }), d.hooks.end());
  ScheduleUnusedModuleUnloadsLocked(d);
  CloseProcessHandlesLocked(d, process);
  d.classes.erase(
      std::remove_if(d.classes.begin(), d.classes.end(), [&](auto &c) { return c->ownerProcess == process; }),
      d.classes.end());
  d.tray.erase(std::remove_if(d.tray.begin(), d.tray.end(), [&](auto &e) { return !d.windows.count(e.window); }),
               d.tray.end());
  auto &memory = d.processes.at(process)->allocations;
  for (auto &[base, a] : memory) std::free(a.base);
  memory.clear();
}

void WakeObjectWaitersLocked(Desktop &d) {
  for (auto &[id, t] : d.threads)
    if (t->objectWaits > 0) t->wake.notify_all();
}

void WakeObjectWaiters() {
  Lock lock(Mutex());
  WakeObjectWaitersLocked(D());
}

void EndProcessLocked(Desktop &d, const std::shared_ptr<Process> &process, DWORD exitCode, const Thread *spare) {
  if (process->life->ended) return;
  process->life->ended = true;
  process->life->exitCode = exitCode;
  process->mappedModules.clear();  // an ending process's libraries were told already, or are not told
  // A process of an earlier desktop left with it; only its run ends here.
  auto it = d.processes.find(process->id);
  if (it != d.processes.end() && it->second == process) {
    std::vector<std::shared_ptr<Thread>> threads;
    for (auto &[id, t] : d.threads)
      if (t->process == process && t.get() != spare) threads.push_back(t);
    for (auto &t : threads) {
      t->killed = true;
      RetireThreadLocked(*t);
      t->wake.notify_all();
    }
    ReleaseProcessLocked(d, process->id);
    if (process->id == d.programProcess) {
      auto next = std::make_shared<ProcessLife>();  // the program's next thread starts a new run
      next->machine = process->life->machine;
      process->life = next;
    } else
      d.processes.erase(it);
  }
  WakeObjectWaitersLocked(d);
  NotifyIdleLocked();
}

void RunAsProcess(const std::shared_ptr<Thread> &thread,
                  const std::function<int(const std::wstring &commandLine)> &entry) {
  const auto process = thread->process;
  int code = 0;
  try {
    code = entry(process->commandLine);
  } catch (const driver::ProcessKilled &) {
    return;
  }
  DetachMappedModulesAtExit(*process);
  Lock lock(Mutex());
  EndProcessLocked(D(), process, static_cast<DWORD>(code), nullptr);
}

std::shared_ptr<ProcessLife> ProcessLifeOfHandleLocked(Desktop &d, HANDLE handle, const Thread &caller, DWORD access,
                                                       DWORD *processId) {
  if (handle == kCurrentProcessHandle) {
    if (processId) *processId = caller.process->id;
    return caller.process->life;
  }
  auto it = d.processHandles.find(handle);
  if (it == d.processHandles.end() || it->second.owner != caller.process->id)
    return FailWith<std::shared_ptr<ProcessLife>>(ERROR_INVALID_HANDLE, nullptr);
  if (!(it->second.access & access)) return FailWith<std::shared_ptr<ProcessLife>>(ERROR_ACCESS_DENIED, nullptr);
  if (processId) *processId = it->second.processId;
  return it->second.life;
}

}  // namespace winsim

namespace {

[[noreturn]] void EndHost(UINT exitCode) {
  std::fflush(nullptr);
  std::_Exit(static_cast<int>(exitCode));
}

}  // namespace

void WINAPI ExitProcess(UINT exitCode) {
  auto self = CurrentThread();
  if (self->process->id == D().programProcess) EndHost(exitCode);
  // A simulated process: its libraries see it end on this thread, then
  // the thread leaves through its process's thread, which catches this.
  DetachMappedModulesAtExit(*self->process);
  {
    Lock lock(Mutex());
    EndProcessLocked(D(), self->process, exitCode, nullptr);
  }
  throw driver::ProcessKilled();
}

BOOL WINAPI TerminateProcess(HANDLE process, UINT exitCode) {
  auto self = CurrentThread();
  Lock lock(Mutex());
  Desktop &d = D();
  DWORD id = 0;
  auto life = ProcessLifeOfHandleLocked(d, process, *self, PROCESS_TERMINATE, &id);
  if (!life) return FALSE;
  if (life->ended) return Fail(ERROR_ACCESS_DENIED);
  if (id == self->process->id) {
    if (id == d.programProcess) {
      lock.unlock();
      EndHost(exitCode);
    }
    EndProcessLocked(d, self->process, exitCode, nullptr);
    lock.unlock();
    throw driver::ProcessKilled();
  }
  auto it = d.processes.find(id);
  if (it == d.processes.end() || it->second->life != life) return Fail(ERROR_ACCESS_DENIED);
  EndProcessLocked(d, it->second, exitCode, self.get());
  return TRUE;
}

BOOL WINAPI GetExitCodeProcess(HANDLE process, LPDWORD exitCode) {
  if (!exitCode) return Fail(ERROR_INVALID_PARAMETER);
  auto self = CurrentThread();
  Lock lock(Mutex());
  auto life = ProcessLifeOfHandleLocked(D(), process, *self,
                                        PROCESS_QUERY_INFORMATION | PROCESS_QUERY_LIMITED_INFORMATION);
  if (!life) return FALSE;
  *exitCode = life->exitCode;
  return TRUE;
}

BOOL WINAPI IsWow64Process(HANDLE process, PBOOL wow64) {
  if (!wow64) return Fail(ERROR_INVALID_PARAMETER);
  auto self = CurrentThread();
  Lock lock(Mutex());
  auto life = ProcessLifeOfHandleLocked(D(), process, *self,
                                        PROCESS_QUERY_INFORMATION | PROCESS_QUERY_LIMITED_INFORMATION);
  if (!life) return FALSE;
  *wow64 = life->machine == driver::Machine::X86 ? TRUE : FALSE;
  return TRUE;
}
