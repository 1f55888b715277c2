// Kernel objects a thread can wait for: events and directory change
// notifications, with WaitForSingleObject and WaitForMultipleObjects.
//
// A change notification watches one directory through inotify. A helper
// thread of winsim's own reads the inotify descriptor and signals the
// handle at the first change; changes that come while it is signalled are
// kept, so that FindNextChangeNotification leaves it signalled when there
// were any, as the platform keeps the changes it has buffered.
//
// The objects live beside the desktop, not in it: a program's handles stay
// valid across the driver's resets, as kernel objects are not the desktop's.
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
std::condition_variable g_changed;
std::map<HANDLE, std::shared_ptr<Waitable>> &Objects() {
  static auto *objects = new std::map<HANDLE, std::shared_ptr<Waitable>>;
  return *objects;
}

HANDLE NewKernelHandle() {
  Lock lock(Mutex());
  HANDLE h = reinterpret_cast<HANDLE>(D().nextKernelHandle);
  D().nextKernelHandle += 4;
  return h;
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
    std::lock_guard<std::mutex> guard(g_mutex);
    ++object->changes;
    if (!object->signalled) {
      object->signalled = true;
      object->changesAtSignal = object->changes;
    }
    g_changed.notify_all();
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
  std::lock_guard<std::mutex> guard(g_mutex);
  auto object = FindObject(event, process);
  if (!object || object->kind != Waitable::Kind::Event) return Fail(ERROR_INVALID_HANDLE);
  object->signalled = signalled;
  g_changed.notify_all();
  return TRUE;
}

BOOL WINAPI SetEvent(HANDLE event) { return SetEventState(event, true); }
BOOL WINAPI ResetEvent(HANDLE event) { return SetEventState(event, false); }

DWORD WINAPI WaitForMultipleObjects(DWORD count, const HANDLE *handles, BOOL waitAll, DWORD milliseconds) {
  if (count == 0 || count > MAXIMUM_WAIT_OBJECTS || !handles)
    return FailWith<DWORD>(ERROR_INVALID_PARAMETER, WAIT_FAILED);
  if (waitAll) return FailWith<DWORD>(ERROR_NOT_SUPPORTED, WAIT_FAILED);
  auto self = CurrentThread();
  const DWORD process = self->process->id;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  Lock lock(g_mutex);
  for (;;) {
    for (DWORD i = 0; i < count; ++i) {
      auto object = FindObject(handles[i], process);
      if (!object) return FailWith<DWORD>(ERROR_INVALID_HANDLE, WAIT_FAILED);
      if (!object->signalled) continue;
      if (object->kind == Waitable::Kind::Event && !object->manualReset) object->signalled = false;
      return WAIT_OBJECT_0 + i;
    }
    if (milliseconds != INFINITE && std::chrono::steady_clock::now() >= deadline) return WAIT_TIMEOUT;
    // Short slices, so that a thread of a killed program leaves the wait.
    g_changed.wait_for(lock, std::chrono::milliseconds(20));
    lock.unlock();
    {
      Lock desktop(Mutex());
      LeaveIfKilledLocked(desktop, *self);
    }
    lock.lock();
  }
}

DWORD WINAPI WaitForSingleObject(HANDLE object, DWORD milliseconds) {
  return WaitForMultipleObjects(1, &object, FALSE, milliseconds);
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
  return TRUE;
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
    g_changed.notify_all();
  }
  Release(object);
  return true;
}

}  // namespace winsim
