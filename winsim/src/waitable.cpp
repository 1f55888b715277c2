// Kernel objects a thread can wait for: events, directory change
// notifications and processes, with WaitForSingleObject,
// WaitForMultipleObjects and MsgWaitForMultipleObjects(Ex), which also
// wakes for input in the thread's queue.
//
// A change notification watches one directory through inotify. A helper
// thread of winsim's own reads the inotify descriptor and signals the
// handle at the first change; changes that come while it is signalled are
// kept, so that FindNextChangeNotification leaves it signalled when there
// were any, as the platform keeps the changes it has buffered.
//
// The objects live beside the desktop, not in it: a program's handles stay
// valid across the driver's resets, as kernel objects are not the desktop's.
// Their lock is taken inside the desktop's when both are needed, never the
// other way round; whoever changes an object then wakes the threads that
// wait (WakeObjectWaiters), which sleep on their own wake-up.
#include "desktop.h"

#include <poll.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>

using namespace winsim;

namespace {

struct Waitable {
  enum class Kind { Event, ChangeNotification } kind = Kind::Event;
  bool manualReset = true;
  bool signalled = false;
  DWORD owner = 0;  // the process that made it
  // Change notifications only.
  int inotify = -1;
  unsigned long long changes = 0;          // changes seen so far
  unsigned long long changesAtSignal = 0;  // the count when it was last signalled
  std::atomic<bool> stop{false};
  std::thread reader;
};

std::mutex g_mutex;
std::map<HANDLE, std::shared_ptr<Waitable>> &Objects() {
  static auto *objects = new std::map<HANDLE, std::shared_ptr<Waitable>>;
  return *objects;
}

HANDLE NewKernelHandle() {
  Lock lock(Mutex());
  return NewKernelHandleLocked(D());
}

DWORD CurrentProcess() { return CurrentThread()->process->id; }

std::shared_ptr<Waitable> FindObject(HANDLE h, DWORD process) {
  auto it = Objects().find(h);
  if (it == Objects().end() || it->second->owner != process) return nullptr;
  return it->second;
}

// Reads the inotify descriptor until the object is closed; every batch of
// events counts as one change.
void ReadChanges(Waitable *object) {
  alignas(inotify_event) char buffer[4096];
  while (!object->stop.load()) {
    pollfd p{object->inotify, POLLIN, 0};
    if (poll(&p, 1, 50) <= 0) continue;
    if (read(object->inotify, buffer, sizeof buffer) <= 0) continue;
    {
      std::lock_guard<std::mutex> guard(g_mutex);
      ++object->changes;
      if (!object->signalled) {
        object->signalled = true;
        object->changesAtSignal = object->changes;
      }
    }
    WakeObjectWaiters();
  }
}

void Release(const std::shared_ptr<Waitable> &object) {
  if (object->kind != Waitable::Kind::ChangeNotification) return;
  object->stop = true;
  if (object->reader.joinable()) object->reader.join();
  close(object->inotify);
}

uint32_t InotifyMask(DWORD filter) {
  uint32_t mask = 0;
  if (filter & (FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME))
    mask |= IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO;
  if (filter & FILE_NOTIFY_CHANGE_ATTRIBUTES) mask |= IN_ATTRIB;
  if (filter & (FILE_NOTIFY_CHANGE_SIZE | FILE_NOTIFY_CHANGE_LAST_WRITE)) mask |= IN_MODIFY | IN_CLOSE_WRITE;
  return mask;
}

}  // namespace

HANDLE WINAPI CreateEventW(LPVOID /*attributes*/, BOOL manualReset, BOOL initialState, LPCWSTR name) {
  if (name) return FailWith<HANDLE>(ERROR_NOT_SUPPORTED, nullptr);
  auto object = std::make_shared<Waitable>();
  object->manualReset = manualReset != FALSE;
  object->signalled = initialState != FALSE;
  object->owner = CurrentProcess();
  HANDLE h = NewKernelHandle();
  std::lock_guard<std::mutex> guard(g_mutex);
  Objects()[h] = object;
  return h;
}

static BOOL SetEventState(HANDLE event, bool signalled) {
  const DWORD process = CurrentProcess();
  {
    std::lock_guard<std::mutex> guard(g_mutex);
    auto object = FindObject(event, process);
    if (!object || object->kind != Waitable::Kind::Event) return Fail(ERROR_INVALID_HANDLE);
    object->signalled = signalled;
  }
  if (signalled) WakeObjectWaiters();
  return TRUE;
}

BOOL WINAPI SetEvent(HANDLE event) { return SetEventState(event, true); }
BOOL WINAPI ResetEvent(HANDLE event) { return SetEventState(event, false); }

namespace {

enum class ObjectState { Signalled, Unsignalled, Failed };

// Whether a handle of the thread's process is signalled, taking the signal
// of an auto-reset event; Failed with the error set for a handle it cannot
// wait for. The desktop's lock is held.
ObjectState TakeSignalLocked(HANDLE handle, const Thread &self) {
  Desktop &d = D();
  if (handle == kCurrentProcessHandle || d.processHandles.count(handle)) {
    auto life = ProcessLifeOfHandleLocked(d, handle, self, SYNCHRONIZE);
    if (!life) return ObjectState::Failed;
    return life->ended ? ObjectState::Signalled : ObjectState::Unsignalled;
  }
  std::lock_guard<std::mutex> guard(g_mutex);
  auto object = FindObject(handle, self.process->id);
  if (!object) {
    SetLastError(ERROR_INVALID_HANDLE);
    return ObjectState::Failed;
  }
  if (!object->signalled) return ObjectState::Unsignalled;
  if (object->kind == Waitable::Kind::Event && !object->manualReset) object->signalled = false;
  return ObjectState::Signalled;
}

// Counts the thread among those an object's change wakes, while it waits.
struct ObjectWait {
  explicit ObjectWait(Thread &t) : thread(t) { ++thread.objectWaits; }
  ~ObjectWait() { --thread.objectWaits; }
  Thread &thread;
};

// The wait behind every waiting function. wakeMask null: objects only;
// otherwise input of those kinds also ends it (WAIT_OBJECT_0 + count), and
// sent messages are handled meanwhile when the mask has QS_SENDMESSAGE.
DWORD WaitForObjectsOrInput(DWORD count, const HANDLE *handles, DWORD milliseconds, const DWORD *wakeMask,
                            bool inputAvailable) {
  if (count > MAXIMUM_WAIT_OBJECTS || (count > 0 && !handles) || (count == 0 && !wakeMask))
    return FailWith<DWORD>(ERROR_INVALID_PARAMETER, WAIT_FAILED);
  auto self = CurrentThread();
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  Lock lock(Mutex());
  ObjectWait counted(*self);
  if (wakeMask) self->hasQueue = self->pumping = true;
  for (;;) {
    LeaveIfKilledLocked(lock, *self);
    if (wakeMask && (*wakeMask & QS_SENDMESSAGE)) HandleIncomingLocked(lock, *self);
    for (DWORD i = 0; i < count; ++i) {
      switch (TakeSignalLocked(handles[i], *self)) {
        case ObjectState::Signalled:
          return WAIT_OBJECT_0 + i;
        case ObjectState::Failed:
          return WAIT_FAILED;
        case ObjectState::Unsignalled:
          break;
      }
    }
    if (wakeMask && QueueHasInputLocked(*self, *wakeMask, !inputAvailable)) return WAIT_OBJECT_0 + count;
    const auto now = std::chrono::steady_clock::now();
    if (milliseconds != INFINITE && now >= deadline) return WAIT_TIMEOUT;
    auto until = milliseconds == INFINITE ? std::chrono::steady_clock::time_point::max() : deadline;
    if (wakeMask && (*wakeMask & QS_TIMER))
      for (auto &[key, timer] : self->timers) until = std::min(until, timer.due);
    if (wakeMask) {
      self->waiting = true;
      NotifyIdleLocked();
    }
    if (until == std::chrono::steady_clock::time_point::max())
      self->wake.wait(lock);
    else
      self->wake.wait_until(lock, until);
    self->waiting = false;
  }
}

}  // namespace

DWORD WINAPI WaitForMultipleObjects(DWORD count, const HANDLE *handles, BOOL waitAll, DWORD milliseconds) {
  if (count == 0) return FailWith<DWORD>(ERROR_INVALID_PARAMETER, WAIT_FAILED);
  if (waitAll) return FailWith<DWORD>(ERROR_NOT_SUPPORTED, WAIT_FAILED);
  return WaitForObjectsOrInput(count, handles, milliseconds, nullptr, false);
}

DWORD WINAPI WaitForSingleObject(HANDLE object, DWORD milliseconds) {
  return WaitForMultipleObjects(1, &object, FALSE, milliseconds);
}

DWORD WINAPI MsgWaitForMultipleObjectsEx(DWORD count, const HANDLE *handles, DWORD milliseconds, DWORD wakeMask,
                                         DWORD flags) {
  if (flags & MWMO_WAITALL) return FailWith<DWORD>(ERROR_NOT_SUPPORTED, WAIT_FAILED);
  return WaitForObjectsOrInput(count, handles, milliseconds, &wakeMask, (flags & MWMO_INPUTAVAILABLE) != 0);
}

DWORD WINAPI MsgWaitForMultipleObjects(DWORD count, const HANDLE *handles, BOOL waitAll, DWORD milliseconds,
                                       DWORD wakeMask) {
  return MsgWaitForMultipleObjectsEx(count, handles, milliseconds, wakeMask, waitAll ? MWMO_WAITALL : 0);
}

HANDLE WINAPI FindFirstChangeNotificationA(LPCSTR path, BOOL watchSubtree, DWORD filter) {
  if (!path || !*path || !filter) return FailWith<HANDLE>(ERROR_INVALID_PARAMETER, INVALID_HANDLE_VALUE);
  // Watching a whole tree is not simulated.
  if (watchSubtree) return FailWith<HANDLE>(ERROR_NOT_SUPPORTED, INVALID_HANDLE_VALUE);
  struct stat status;
  if (stat(path, &status) != 0) return FailWith<HANDLE>(ERROR_FILE_NOT_FOUND, INVALID_HANDLE_VALUE);
  if (!S_ISDIR(status.st_mode)) return FailWith<HANDLE>(ERROR_DIRECTORY, INVALID_HANDLE_VALUE);
  int fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (fd < 0) return FailWith<HANDLE>(ERROR_NOT_ENOUGH_QUOTA, INVALID_HANDLE_VALUE);
  if (inotify_add_watch(fd, path, InotifyMask(filter)) < 0) {
    close(fd);
    return FailWith<HANDLE>(ERROR_ACCESS_DENIED, INVALID_HANDLE_VALUE);
  }
  auto object = std::make_shared<Waitable>();
  object->kind = Waitable::Kind::ChangeNotification;
  object->inotify = fd;
  object->owner = CurrentProcess();
  object->reader = std::thread(ReadChanges, object.get());
  HANDLE h = NewKernelHandle();
  std::lock_guard<std::mutex> guard(g_mutex);
  Objects()[h] = object;
  return h;
}

BOOL WINAPI FindNextChangeNotification(HANDLE change) {
  const DWORD process = CurrentProcess();
  std::lock_guard<std::mutex> guard(g_mutex);
  auto object = FindObject(change, process);
  if (!object || object->kind != Waitable::Kind::ChangeNotification) return Fail(ERROR_INVALID_HANDLE);
  // Changes made since the handle was signalled were kept: it stays
  // signalled for them.
  if (object->changes != object->changesAtSignal) {
    object->signalled = true;
    object->changesAtSignal = object->changes;
  } else {
    object->signalled = false;
  }
  return TRUE;  // a handle that stays signalled was signalled before: no waiter missed it
}

BOOL WINAPI FindCloseChangeNotification(HANDLE change) {
  const DWORD process = CurrentProcess();
  std::shared_ptr<Waitable> object;
  {
    std::lock_guard<std::mutex> guard(g_mutex);
    object = FindObject(change, process);
    if (!object || object->kind != Waitable::Kind::ChangeNotification) return Fail(ERROR_INVALID_HANDLE);
    Objects().erase(change);
  }
  Release(object);
  return TRUE;
}

namespace winsim {

bool CloseWaitable(HANDLE handle, DWORD process) {
  std::shared_ptr<Waitable> object;
  {
    std::lock_guard<std::mutex> guard(g_mutex);
    object = FindObject(handle, process);
    if (!object) return false;
    Objects().erase(handle);
  }
  Release(object);
  WakeObjectWaiters();  // a wait on the closed handle fails
  return true;
}

}  // namespace winsim
