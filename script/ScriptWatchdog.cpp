#include "script/ScriptWatchdog.h"

#include <algorithm>
#include <limits>
#include <string>

#include "script/InterpreterLock.h"

namespace {

std::atomic<long long> g_limitForTests{0};
std::atomic<std::uint64_t> g_nextSerial{1};

// Counts the interpreters finalised so far, so that script objects of an
// earlier interpreter are never released into a later one.
std::atomic<unsigned> g_interpreterRun{0};
std::atomic<bool> g_endNoted{false};

void NoteInterpreterEnd() {
  ++g_interpreterRun;
  g_endNoted = false;
}

// With the interpreter lock: the number of the running interpreter.
unsigned CurrentInterpreterRun() {
  if (!g_endNoted.exchange(true) && Py_AtExit(NoteInterpreterEnd) != 0) {
    // No room to hear of the end: count this interpreter as ended already,
    // so that nothing made in it is ever released late.
    ++g_interpreterRun;
  }
  return g_interpreterRun;
}

// The calling thread's slots, by watchdog: a thread that alternates between
// watchdogs (two main windows) finds both without the watchdog's mutex.
struct CachedSlot {
  std::uint64_t serial;
  void *slot;
};
constexpr unsigned kCachedSlots = 4;
thread_local CachedSlot t_slots[kCachedSlots];
thread_local unsigned t_nextSlot;

// "5", "0.25": the limit in seconds as the message shows it.
std::string Seconds(std::chrono::milliseconds limit) {
  std::string text = std::to_string(limit.count() / 1000);
  long long fraction = limit.count() % 1000;
  if (fraction) {
    std::string digits = std::to_string(1000 + fraction).substr(1);
    while (digits.back() == '0') digits.pop_back();
    text += "." + digits;
  }
  return text;
}

bool SetText(PyObject *dict, const char *key, const std::string &value) {
  PyObject *text = PyUnicode_FromString(value.c_str());
  bool set = text && PyDict_SetItemString(dict, key, text) == 0;
  Py_XDECREF(text);
  return set;
}

// An exception class of the module "Quillmere" deriving from base, whose
// instances say the message unless given arguments. The platform raises an
// exception into a thread by its class alone; the instance is made when a
// handler in the call is about to see it, and making it appends None to
// `reached`. Its code runs with no builtins, and the class is made by
// calling `type` itself, so no script code runs. A new reference, or null
// with an error pending.
PyObject *MakeStopClass(const char *name, PyObject *base, const std::string &message, PyObject *reached) {
  static const char kInit[] =
      "def __init__(self, *args):\n"
      "    reached.append(None)\n"
      "    base.__init__(self, *(args or (message,)))\n";
  PyObject *cls = nullptr;
  PyObject *code = Py_CompileString(kInit, "<watchdog>", Py_file_input);
  PyObject *globals = code ? PyDict_New() : nullptr;
  PyObject *noBuiltins = globals ? PyDict_New() : nullptr;
  PyObject *members = noBuiltins ? PyDict_New() : nullptr;
  if (members && PyDict_SetItemString(globals, "__builtins__", noBuiltins) == 0 &&
      PyDict_SetItemString(globals, "base", base) == 0 && PyDict_SetItemString(globals, "reached", reached) == 0 &&
      SetText(globals, "message", message)) {
    PyObject *ran = PyEval_EvalCode(code, globals, globals);
    PyObject *init = ran ? PyDict_GetItemString(globals, "__init__") : nullptr;  // borrowed
    if (init && PyDict_SetItemString(members, "__init__", init) == 0 && SetText(members, "__module__", "Quillmere")) {
      PyObject *type = reinterpret_cast<PyObject *>(Py_TYPE(PyExc_BaseException));
      cls = PyObject_CallFunction(type, "s(O)O", name, base, members);
    }
    Py_XDECREF(ran);
  }
  Py_XDECREF(members);
  Py_XDECREF(noBuiltins);
  Py_XDECREF(globals);
  Py_XDECREF(code);
  return cls;
}

}  // namespace

// One thread's watched calls. `deadline` is the innermost call's, in ticks
// of the clock; it is written by the thread and, when it stops the call, by
// the watchdog, both holding the interpreter lock, and read by the
// sleeping watchdog without it. Everything else is touched only with the
// interpreter lock held.
struct ScriptWatchdog::ThreadSlot {
  static constexpr Clock::rep kNoCall = std::numeric_limits<Clock::rep>::max();

  struct Call {
    Clock::rep deadline = 0;     // of an enclosing call only
    bool pending = false;        // a stop was raised into it and may not have been delivered
    bool stopped = false;        // it has been stopped at least once
    bool handled = false;        // one of its stops reached a handler of the script
    Py_ssize_t reachedMark = 0;  // how many stops had reached handlers at its last stop
  };

  explicit ThreadSlot(unsigned long id) : thread(id) {}

  const unsigned long thread;
  std::atomic<Clock::rep> deadline{kNoCall};
  unsigned depth = 0;
  Call current;                 // the innermost call, when depth > 0
  std::vector<Call> enclosing;  // the calls around it, outermost first
};

constexpr std::chrono::milliseconds ScriptWatchdog::kCallLimit;

void ScriptWatchdog::SetCallLimitForTests(std::chrono::milliseconds limit) { g_limitForTests = limit.count(); }

namespace {

std::chrono::milliseconds LimitOfNewWatchdogs() {
  const long long forTests = g_limitForTests;
  return forTests > 0 ? std::chrono::milliseconds(forTests) : ScriptWatchdog::kCallLimit;
}

Py_ssize_t ReachedCount(PyObject *reached) { return reached ? PyList_Size(reached) : 0; }

}  // namespace

ScriptWatchdog::ScriptWatchdog()
    : limit_(LimitOfNewWatchdogs()),
      limitTicks_(std::chrono::duration_cast<Clock::duration>(limit_).count()),
      serial_(g_nextSerial++) {
  {
    InterpreterLock lock;
    const std::string seconds = Seconds(limit_);
    reached_ = PyList_New(0);
    if (reached_) {
      timeout_ = MakeStopClass("ScriptTimeout", PyExc_TimeoutError,
                               "the call ran longer than " + seconds + " seconds and was stopped", reached_);
      finalTimeout_ = MakeStopClass(
          "ScriptTimeoutFinal", PyExc_BaseException,
          "the call went on after it was stopped and was stopped again, " + seconds + " seconds later", reached_);
    }
    if (!timeout_ || !finalTimeout_) {
      // Only when memory ran out at start: calls are still stopped, by the
      // built-in TimeoutError.
      PyErr_Clear();
      Py_XDECREF(timeout_);
      Py_XDECREF(finalTimeout_);
      Py_INCREF(PyExc_TimeoutError);
      Py_INCREF(PyExc_TimeoutError);
      timeout_ = finalTimeout_ = PyExc_TimeoutError;
    }
    interpreterRun_ = CurrentInterpreterRun();
  }
  thread_ = std::thread(&ScriptWatchdog::Run, this);
}

ScriptWatchdog::~ScriptWatchdog() {
  {
    std::lock_guard<std::mutex> guard(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  if (!Py_IsInitialized()) {
    // The exceptions went with their interpreter.
    thread_.join();
    return;
  }
  // The watchdog may be waiting for the interpreter lock to stop a call:
  // the lock must be free while it is joined.
  InterpreterLock lock;
  {
    InterpreterLock::Released released;
    thread_.join();
  }
  if (interpreterRun_ == g_interpreterRun) {
    Py_XDECREF(timeout_);
    Py_XDECREF(finalTimeout_);
    Py_XDECREF(reached_);
  }
}

ScriptWatchdog::ThreadSlot &ScriptWatchdog::SlotOfThisThread() {
  for (const CachedSlot &cached : t_slots)
    if (cached.serial == serial_) return *static_cast<ThreadSlot *>(cached.slot);
  // First call of this thread (or its cache moved on to other watchdogs).
  // A thread that ended leaves its slot, with no call in it, to the next
  // thread given the same identifier.
  const unsigned long thread = PyThread_get_thread_ident();
  ThreadSlot *slot = nullptr;
  {
    std::lock_guard<std::mutex> guard(mutex_);
    for (const auto &existing : slots_)
      if (existing->thread == thread) slot = existing.get();
    if (!slot) {
      slots_.push_back(std::make_unique<ThreadSlot>(thread));
      slot = slots_.back().get();
    }
  }
  t_slots[t_nextSlot++ % kCachedSlots] = CachedSlot{serial_, slot};
  return *slot;
}

ScriptWatchdog::Watch::Watch(ScriptWatchdog &watchdog) : watchdog_(watchdog), slot_(watchdog.SlotOfThisThread()) {
  const Clock::rep now = Now();
  if (slot_.depth++ > 0) {
    ThreadSlot::Call outer = slot_.current;
    outer.deadline = slot_.deadline.load(std::memory_order_relaxed);
    if (outer.stopped && ReachedCount(watchdog_.reached_) > outer.reachedMark) outer.handled = true;
    if (outer.pending) {
      // A stop raised into the enclosing call but not yet delivered would
      // surface in this one: take it back; the enclosing call, out of time
      // already, is stopped again as soon as it runs on.
      PyThreadState_SetAsyncExc(slot_.thread, nullptr);
      outer.pending = false;
      outer.deadline = now;
    }
    slot_.enclosing.push_back(outer);
  }
  slot_.current = ThreadSlot::Call();
  slot_.deadline.store(now + watchdog_.limitTicks_, std::memory_order_release);
}

ScriptWatchdog::Watch::~Watch() {
  // The call is over: a stop not yet delivered must not reach whatever the
  // thread runs next.
  if (slot_.current.pending) PyThreadState_SetAsyncExc(slot_.thread, nullptr);
  if (--slot_.depth == 0) {
    slot_.deadline.store(ThreadSlot::kNoCall, std::memory_order_release);
    return;
  }
  ThreadSlot::Call outer = slot_.enclosing.back();
  slot_.enclosing.pop_back();
  // Stops that reached handlers meanwhile were the nested calls'.
  outer.reachedMark = ReachedCount(watchdog_.reached_);
  slot_.current = outer;
  slot_.deadline.store(outer.deadline, std::memory_order_release);
  if (outer.deadline <= Now()) watchdog_.WakeUp();
}

void ScriptWatchdog::WakeUp() {
  // Taking the mutex orders the deadline stored before it with the
  // watchdog's look at the slots: either it looks after this, or it is
  // asleep and hears the notification.
  { std::lock_guard<std::mutex> guard(mutex_); }
  wake_.notify_all();
}

void ScriptWatchdog::Run() {
  std::unique_lock<std::mutex> lock(mutex_);
  while (!stopping_) {
    // Any call armed after this look has a deadline at least one limit
    // away, so sleeping until then at most misses none.
    const Clock::rep now = Now();
    Clock::rep next = now + limitTicks_;
    bool due = false;
    for (const auto &slot : slots_) {
      const Clock::rep deadline = slot->deadline.load(std::memory_order_acquire);
      if (deadline <= now)
        due = true;
      else
        next = std::min(next, deadline);
    }
    if (due) {
      // The interpreter lock is always taken before mutex_, never after.
      lock.unlock();
      {
        InterpreterLock interpreter;
        InterruptDueCalls();
      }
      lock.lock();
      continue;
    }
    wake_.wait_until(lock, Clock::time_point(Clock::duration(next)));
    ++wakeUps_;
  }
}

void ScriptWatchdog::InterruptDueCalls() {
  // While this thread holds the interpreter lock, a watched thread is
  // either running inside its call or waiting for the lock within it: a
  // call begins and ends only with the lock held. Raising the stop makes
  // no script object and runs no script code.
  std::lock_guard<std::mutex> guard(mutex_);
  if (stopping_) return;
  const Clock::rep now = Now();
  for (const auto &slot : slots_) {
    if (slot->depth == 0 || slot->deadline.load(std::memory_order_relaxed) > now) continue;
    ThreadSlot::Call &call = slot->current;
    const Py_ssize_t reached = ReachedCount(reached_);
    if (call.stopped && reached > call.reachedMark) call.handled = true;
    PyThreadState_SetAsyncExc(slot->thread, call.handled ? finalTimeout_ : timeout_);
    call.pending = true;
    call.stopped = true;
    call.reachedMark = reached;
    slot->deadline.store(now + limitTicks_, std::memory_order_relaxed);
  }
}
