#include "hook/TargetProcess.h"

#include "scoped/UniqueHandle.h"

TargetProcess::Use::~Use() {
  if (opened_) Release(opened_);
}

HANDLE TargetProcess::Use::handle() const { return opened_ ? opened_->process : nullptr; }

TargetProcess::~TargetProcess() {
  // Only memory: by now no hook call runs here, and the platform may be
  // past taking calls (the process is ending).
  Opened *r = records_.load();
  while (r) {
    Opened *older = r->older;
    delete r;
    r = older;
  }
}

bool TargetProcess::Reference(Opened *opened) {
  long n = opened->references.load(std::memory_order_relaxed);
  while (n > 0)
    if (opened->references.compare_exchange_weak(n, n + 1, std::memory_order_acquire, std::memory_order_relaxed))
      return true;
  return false;  // already let go: its handle is closed or being closed
}

void TargetProcess::Release(Opened *opened) {
  if (opened->references.fetch_sub(1, std::memory_order_acq_rel) == 1) CloseHandle(opened->process);
}

void TargetProcess::Remember(Opened *opened) {
  opened->older = records_.load(std::memory_order_relaxed);
  while (!records_.compare_exchange_weak(opened->older, opened, std::memory_order_release, std::memory_order_relaxed)) {
  }
}

TargetProcess::Use TargetProcess::Acquire(HWND target, DWORD processId) {
  for (;;) {
    Opened *seen = current_.load(std::memory_order_acquire);
    if (seen && seen->target == target && seen->processId == processId) {
      if (Reference(seen)) return Use(seen);
      continue;  // replaced meanwhile; look again
    }
    UniqueHandle process(OpenProcess(kAccess, FALSE, processId));
    if (!process) return Use();
    // Current and ours.
    Opened *fresh = new Opened{target, processId, process.get(), {2}, nullptr};
    Remember(fresh);
    if (current_.compare_exchange_strong(seen, fresh, std::memory_order_acq_rel)) {
      if (seen) Release(seen);  // no longer current
      process.release();        // the record's references close it from here on
      return Use(fresh);
    }
    // Another thread put its own in place first: use that one.
    fresh->references.store(0);
  }
}

void TargetProcess::Discard(const Use &use) {
  Opened *expected = use.opened_;
  if (expected && current_.compare_exchange_strong(expected, nullptr, std::memory_order_acq_rel)) Release(use.opened_);
}

void TargetProcess::Close() {
  if (Opened *opened = current_.exchange(nullptr, std::memory_order_acq_rel)) Release(opened);
}
