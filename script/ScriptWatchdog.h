// Stops script calls that run too long. Each configure, filter and handler
// call is watched; one that is still running when its time is up gets a
// ScriptTimeout exception raised inside it, so it fails like any call that
// raises, and the program goes on.
//
// Watching a call costs no lock and no wake-up of the watchdog's thread:
// beginning a call stores its deadline in the calling thread's slot, and
// the watchdog's thread, which sleeps until the earliest deadline it knows
// of (or one limit at most), reads the slots when it wakes. A call armed
// while it sleeps cannot be due before it wakes, since every new deadline
// is a whole limit away.
#ifndef QUILLMERE_SCRIPT_SCRIPTWATCHDOG_H
#define QUILLMERE_SCRIPT_SCRIPTWATCHDOG_H

#include "script/PythonApi.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

class ScriptWatchdog {
  // One thread's calls: defined with the watchdog's code.
  struct ThreadSlot;

 public:
  // How long one script call may run.
  static constexpr std::chrono::milliseconds kCallLimit{5000};

  // Test seam: the limit of watchdogs made from now on; zero restores
  // kCallLimit.
  static void SetCallLimitForTests(std::chrono::milliseconds limit);

  // Requires a running interpreter: the exceptions it raises are made here,
  // before any script code of the run exists, so that stopping a call never
  // makes script objects (whose allocation could run script finalisers on
  // the watchdog's own thread).
  ScriptWatchdog();
  // Safe with or without the interpreter lock, and after the interpreter
  // has been finalised.
  ~ScriptWatchdog();
  ScriptWatchdog(const ScriptWatchdog &) = delete;
  ScriptWatchdog &operator=(const ScriptWatchdog &) = delete;

  std::chrono::milliseconds CallLimit() const { return limit_; }

  // Test seam: how often the watchdog's thread has woken up so far.
  std::uint64_t WakeUpsForTests() const { return wakeUps_.load(); }

  // Watches one call for its scope, on the calling thread, which holds the
  // interpreter lock when the watch begins and ends. Calls nest (a handler
  // that dispatches messages meets further events): only the innermost
  // call of a thread is interrupted, and an outer call that ran out of time
  // meanwhile is interrupted as soon as it runs again.
  //
  // The first stop of a call is ScriptTimeout, a TimeoutError. A call that
  // handles a stop and is still running one limit later is stopped with
  // ScriptTimeoutFinal, a BaseException that `except Exception` and
  // `except TimeoutError` do not catch; a call that catches even that is
  // stopped again with it after every further limit.
  class Watch {
   public:
    explicit Watch(ScriptWatchdog &watchdog);
    ~Watch();
    Watch(const Watch &) = delete;
    Watch &operator=(const Watch &) = delete;

   private:
    ScriptWatchdog &watchdog_;
    ThreadSlot &slot_;
  };

 private:
  typedef std::chrono::steady_clock Clock;
  static Clock::rep Now() { return Clock::now().time_since_epoch().count(); }

  // The slot of the calling thread, made on its first call.
  ThreadSlot &SlotOfThisThread();
  void Run();
  // With the interpreter lock: stops the innermost call of every thread
  // whose deadline has passed.
  void InterruptDueCalls();
  // Makes the watchdog's thread look at the slots now rather than at its
  // next wake-up; for the rare deadline that is already due when stored.
  void WakeUp();

  const std::chrono::milliseconds limit_;
  const Clock::rep limitTicks_;  // the limit in ticks of the clock
  const std::uint64_t serial_;   // tells this watchdog from any earlier one
  // The exceptions raised into calls and the list their construction
  // appends to (how the watchdog learns that a stop reached a handler);
  // owned references, null when they could not be made.
  PyObject *timeout_ = nullptr;
  PyObject *finalTimeout_ = nullptr;
  PyObject *reached_ = nullptr;
  unsigned interpreterRun_ = 0;  // which interpreter they belong to

  std::mutex mutex_;  // guards slots_ and stopping_, and the sleep
  std::condition_variable wake_;
  std::vector<std::unique_ptr<ThreadSlot>> slots_;
  bool stopping_ = false;
  std::atomic<std::uint64_t> wakeUps_{0};
  std::thread thread_;
};

#endif
