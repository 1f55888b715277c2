// Stops script calls that run too long. Each configure, filter and handler
// call is watched; one that is still running when its time is up gets a
// ScriptTimeout exception raised inside it, so it fails like any call that
// raises, and the program goes on.
#ifndef QUILLMERE_SCRIPT_SCRIPTWATCHDOG_H
#define QUILLMERE_SCRIPT_SCRIPTWATCHDOG_H

#include "script/PythonApi.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

class ScriptWatchdog {
 public:
  // How long one script call may run.
  static constexpr std::chrono::milliseconds kCallLimit{5000};

  // Test seam: the limit of watchdogs made from now on; zero restores
  // kCallLimit.
  static void SetCallLimitForTests(std::chrono::milliseconds limit);

  ScriptWatchdog();
  // Safe with or without the interpreter lock, and after the interpreter
  // has been finalised.
  ~ScriptWatchdog();
  ScriptWatchdog(const ScriptWatchdog &) = delete;
  ScriptWatchdog &operator=(const ScriptWatchdog &) = delete;

  std::chrono::milliseconds CallLimit() const { return limit_; }

  // Watches one call for its scope, on the calling thread, which holds the
  // interpreter lock when the watch begins and ends. Calls nest (a handler
  // that dispatches messages meets further events): only the innermost
  // call of a thread is interrupted, and an outer call that ran out of time
  // meanwhile is interrupted as soon as it runs again. A call that catches
  // the exception and goes on is interrupted again after another limit.
  class Watch {
   public:
    explicit Watch(ScriptWatchdog &watchdog);
    ~Watch();
    Watch(const Watch &) = delete;
    Watch &operator=(const Watch &) = delete;

   private:
    ScriptWatchdog &watchdog_;
  };

 private:
  typedef std::chrono::steady_clock Clock;
  struct Call {
    std::uint64_t id;
    unsigned long thread;
    Clock::time_point deadline;
    bool interrupted;  // an exception was raised into it and may be pending
  };

  void Run();
  // With the interpreter lock: raises the timeout into the call if it is
  // still the innermost one of its thread and out of time.
  void Interrupt(std::uint64_t id);
  // The innermost call of the thread, or null; with mutex_ held.
  Call *Innermost(unsigned long thread);

  const std::chrono::milliseconds limit_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::vector<Call> calls_;  // in the order they began
  std::uint64_t nextId_ = 0;
  bool stopping_ = false;
  std::thread thread_;
};

#endif
