#include "module/WindowStep.h"

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>

namespace {

struct Holding {
  bool held = false;
  unsigned users = 0;  // steps holding or waiting; the entry goes with the last
};

// Process-wide: script threads and the program's thread share it.
struct Table {
  std::mutex mutex;
  std::condition_variable released;
  std::map<HWND, Holding> windows;
};

Table &Steps() {
  static Table *table = new Table;  // never destroyed: threads may still step at exit
  return *table;
}

}  // namespace

WindowStep::WindowStep(HWND window) : window_(window) {
  const bool ownWindow = GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId();
  Table &table = Steps();
  std::unique_lock<std::mutex> lock(table.mutex);
  Holding &holding = table.windows[window];  // stays put while users > 0
  ++holding.users;
  while (holding.held) {
    if (!ownWindow) {
      table.released.wait(lock);
      continue;
    }
    lock.unlock();
    MSG msg;
    PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);  // answers what was sent to this thread
    lock.lock();
    if (holding.held) table.released.wait_for(lock, std::chrono::milliseconds(1));
  }
  holding.held = true;
}

WindowStep::~WindowStep() {
  Table &table = Steps();
  {
    std::lock_guard<std::mutex> lock(table.mutex);
    auto it = table.windows.find(window_);
    it->second.held = false;
    if (--it->second.users == 0) table.windows.erase(it);
  }
  table.released.notify_all();
}
