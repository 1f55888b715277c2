// Window hooks on sent messages: WH_CALLWNDPROC before a window procedure
// is called with a sent message, WH_CALLWNDPROCRET after it has returned,
// both on the thread that runs it, so a global hook's procedure runs inside
// every GUI process. Posted messages pass no hook. The hook's wParam is
// nonzero when the thread that handles the message sent it itself (its own
// SendMessageW, and everything the system sends on its behalf, such as the
// messages of its own focus changes), 0 when another thread sent it.
//
// A global hook runs only in processes of its module's machine (an
// executable's hook: its installer's machine). In a process of the other
// machine it is passed over, or, when the driver asks, run on the thread
// that installed it, as a message sent there, with a copy of the record.
//
// A global hook's library is mapped into each process the hook runs in:
// its DllMain sees DLL_PROCESS_ATTACH on the thread that first runs the
// hook there, and DLL_PROCESS_DETACH once no hook of it is left, when that
// process next takes messages (or when the process ends).
#include "desktop.h"

#include <algorithm>

using namespace winsim;

HHOOK WINAPI SetWindowsHookExW(int hookType, HOOKPROC proc, HINSTANCE module, DWORD threadId) {
  auto self = CurrentThread();
  if (!proc) return FailWith<HHOOK>(ERROR_INVALID_FILTER_PROC, nullptr);
  if (hookType != WH_CALLWNDPROCRET && hookType != WH_CALLWNDPROC)
    return FailWith<HHOOK>(ERROR_INVALID_PARAMETER, nullptr);
  // A hook on every thread lives in a library that the system maps into
  // each process, so it needs that library's module handle.
  if (threadId == 0 && !module) return FailWith<HHOOK>(ERROR_HOOK_NEEDS_HMOD, nullptr);
  Lock lock(Mutex());
  Desktop &d = D();
  if (threadId != 0 && !d.threads.count(threadId)) return FailWith<HHOOK>(ERROR_INVALID_PARAMETER, nullptr);
  if (TakeFaultLocked(driver::Fault::SetWindowsHookEx, *self)) return FailWith<HHOOK>(ERROR_ACCESS_DENIED, nullptr);
  self->hasQueue = true;
  auto entry = std::make_shared<HookEntry>();
  entry->machine = module ? ModuleMachine(module, self->process->life->machine) : self->process->life->machine;
  entry->installer = self;
  entry->handle = reinterpret_cast<HHOOK>(NewHandleValue(d));
  entry->type = hookType;
  entry->proc = proc;
  entry->module = module;
  entry->entry = module ? ModuleEntry(module) : nullptr;
  entry->threadId = threadId;
  entry->ownerProcess = self->process->id;
  d.hooks.insert(d.hooks.begin(), entry);
  return entry->handle;
}

BOOL WINAPI UnhookWindowsHookEx(HHOOK hook) {
  Lock lock(Mutex());
  auto &hooks = D().hooks;
  auto it = std::find_if(hooks.begin(), hooks.end(), [&](auto &h) { return h->handle == hook; });
  if (it == hooks.end()) return Fail(ERROR_INVALID_HOOK_HANDLE);
  (*it)->removed = true;  // a chain being walked right now skips it from here on
  hooks.erase(it);
  ScheduleUnusedModuleUnloadsLocked(D());
  return TRUE;
}

namespace {

bool MappedLocked(const Process &p, HMODULE module) {
  return std::any_of(p.mappedModules.begin(), p.mappedModules.end(),
                     [&](const MappedModule &m) { return m.module == module; });
}

// A global hook whose module's machine is not the process's.
bool ForeignLocked(const HookEntry &hook, const Process &p) {
  return hook.threadId == 0 && hook.machine != p.life->machine;
}

// The size of the record a hook of the type is given.
size_t RecordSize(int type) { return type == WH_CALLWNDPROC ? sizeof(CWPSTRUCT) : sizeof(CWPRETSTRUCT); }

// Runs a hook of the other machine on the thread that installed it, with a
// copy of the record, while the calling thread waits (and handles what is
// sent to it). The chain there holds that hook alone. False when that
// thread is gone.
bool CallOnInstaller(const std::shared_ptr<HookEntry> &hook, int code, WPARAM wParam, LPARAM lParam) {
  auto installer = hook->installer.lock();
  if (!installer) return false;
  std::vector<unsigned char> record(reinterpret_cast<const unsigned char *>(lParam),
                                    reinterpret_cast<const unsigned char *>(lParam) + RecordSize(hook->type));
  return RunOnThread(installer, [hook, code, wParam, record]() mutable {
    {
      Lock lock(Mutex());
      if (hook->removed) return;
    }
    auto self = CurrentThread();
    self->hookFrames.push_back(HookFrame{{hook}, 0});
    hook->proc(code, wParam, reinterpret_cast<LPARAM>(record.data()));
    self->hookFrames.pop_back();
  });
}

}  // namespace

// Calls the hook at or after the frame's position that is still installed,
// mapping its library into the calling thread's process first if needed. A
// hook of the other machine is run on its installer's thread, and the
// chain goes on here from the hook after it.
static LRESULT CallFrom(Thread &self, HookFrame &frame, int code, WPARAM wParam, LPARAM lParam) {
  for (;;) {
    std::shared_ptr<HookEntry> next;
    bool attach = false;
    {
      Lock lock(Mutex());
      while (frame.index < frame.chain.size() && frame.chain[frame.index]->removed) ++frame.index;
      if (frame.index >= frame.chain.size()) return 0;
      next = frame.chain[frame.index];
      Process &p = *self.process;
      if (!ForeignLocked(*next, p) && next->entry && p.id != D().programProcess && !MappedLocked(p, next->module)) {
        p.mappedModules.push_back(MappedModule{next->module, next->entry});
        attach = true;
      }
      if (ForeignLocked(*next, p)) {
        lock.unlock();
        CallOnInstaller(next, code, wParam, lParam);
        ++frame.index;
        continue;
      }
    }
    if (attach) next->entry(next->module, DLL_PROCESS_ATTACH, nullptr);
    return next->proc(code, wParam, lParam);
  }
}

LRESULT WINAPI CallNextHookEx(HHOOK /*hook*/, int code, WPARAM wParam, LPARAM lParam) {
  auto self = CurrentThread();
  // The platform ignores the handle and goes on from the hook being called
  // on this thread.
  if (self->hookFrames.empty()) return 0;
  size_t depth = self->hookFrames.size() - 1;
  ++self->hookFrames[depth].index;
  HookFrame frame = self->hookFrames[depth];
  self->hookFrames.push_back(frame);
  LRESULT result = CallFrom(*self, self->hookFrames.back(), code, wParam, lParam);
  self->hookFrames.pop_back();
  return result;
}

namespace winsim {

namespace {

template <typename Record>
void RunHooks(int type, const Record &record, bool sentByThisThread) {
  auto self = CurrentThread();
  HookFrame frame;
  {
    Lock lock(Mutex());
    const bool runForeign = D().foreignHookCalls == driver::ForeignHookCalls::InstallingThread;
    for (auto &h : D().hooks)
      if (h->type == type && (h->threadId == 0 || h->threadId == self->id) &&
          (runForeign || !ForeignLocked(*h, *self->process)))
        frame.chain.push_back(h);
  }
  if (frame.chain.empty()) return;
  Record copy = record;  // a hook may change what it is given; the caller's record stays
  self->hookFrames.push_back(std::move(frame));
  CallFrom(*self, self->hookFrames.back(), HC_ACTION, sentByThisThread ? 1 : 0, reinterpret_cast<LPARAM>(&copy));
  self->hookFrames.pop_back();
}

}  // namespace

void RunCallWndProcHooks(const CWPSTRUCT &record, bool sentByThisThread) {
  RunHooks(WH_CALLWNDPROC, record, sentByThisThread);
}

void RunCallWndProcRetHooks(const CWPRETSTRUCT &record, bool sentByThisThread) {
  RunHooks(WH_CALLWNDPROCRET, record, sentByThisThread);
}

void ScheduleUnusedModuleUnloadsLocked(Desktop &d) {
  for (auto &[pid, process] : d.processes) {
    for (const MappedModule &m : process->mappedModules) {
      bool inUse = std::any_of(d.hooks.begin(), d.hooks.end(), [&](auto &h) { return h->module == m.module; });
      if (inUse) continue;
      auto thread = std::find_if(d.threads.begin(), d.threads.end(),
                                 [&](auto &t) { return t.second->process == process && t.second->alive; });
      if (thread == d.threads.end()) continue;
      auto unload = std::make_shared<SentMessage>();
      std::shared_ptr<Process> p = process;
      MappedModule mapped = m;
      unload->task = [p, mapped] {
        {
          Lock lock(Mutex());
          auto it = std::find_if(p->mappedModules.begin(), p->mappedModules.end(),
                                 [&](const MappedModule &x) { return x.module == mapped.module; });
          if (it == p->mappedModules.end()) return;  // unloaded already
          p->mappedModules.erase(it);
        }
        mapped.entry(mapped.module, DLL_PROCESS_DETACH, nullptr);
      };
      thread->second->incoming.push_back(unload);
      thread->second->wake.notify_all();
    }
  }
}

void DetachMappedModulesAtExit(Process &p) {
  std::vector<MappedModule> mapped;
  {
    Lock lock(Mutex());
    mapped.swap(p.mappedModules);
  }
  for (const MappedModule &m : mapped) m.entry(m.module, DLL_PROCESS_DETACH, reinterpret_cast<LPVOID>(1));
}

}  // namespace winsim
