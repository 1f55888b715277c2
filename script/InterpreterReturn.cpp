#include "script/InterpreterReturn.h"

#include "script/PythonApi.h"

#include <atomic>
#include <chrono>
#include <thread>

namespace {

// Both sequentially consistent: a thread that counts itself in and then
// finds the way open is seen by the closing thread, which closes first and
// then counts.
std::atomic<int> g_returning{0};
std::atomic<bool> g_closed{false};
std::atomic<std::thread::id> g_closer{};

[[noreturn]] void StayOut() {
  for (;;) std::this_thread::sleep_for(std::chrono::hours(24));
}

}  // namespace

void BeginReturnToInterpreter() {
  g_returning.fetch_add(1);
  if (g_closed.load() && g_closer.load() != std::this_thread::get_id()) {
    g_returning.fetch_sub(1);
    StayOut();
  }
}

void EndReturnToInterpreter() { g_returning.fetch_sub(1); }

void OpenInterpreterReturn() {
  g_closer.store(std::thread::id());
  g_closed.store(false);
}

void CloseInterpreterReturn() {
  g_closer.store(std::this_thread::get_id());
  g_closed.store(true);
  // The threads on their way wait for the lock this thread holds.
  while (g_returning.load() > 0) {
    PyThreadState *self = PyEval_SaveThread();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    PyEval_RestoreThread(self);
  }
}
