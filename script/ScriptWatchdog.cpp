#include "script/ScriptWatchdog.h"

#include <atomic>
#include <string>

#include "script/InterpreterLock.h"

namespace {

std::atomic<long long> g_limitForTests{0};

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

// The exception raised into a call that ran out of time: a TimeoutError
// whose message says so. The platform raises it into the running call by
// its class alone, so the message is the class's default. A new reference,
// or null with the interpreter's error pending.
PyObject *MakeTimeoutClass(std::chrono::milliseconds limit) {
  const std::string source =
      "class ScriptTimeout(TimeoutError):\n"
      "    def __init__(self, *args):\n"
      "        super().__init__(*(args or ('the call ran longer than " +
      Seconds(limit) +
      " seconds and was stopped',)))\n";
  PyObject *code = Py_CompileString(source.c_str(), "<watchdog>", Py_file_input);
  PyObject *globals = code ? PyDict_New() : nullptr;
  PyObject *cls = nullptr;
  PyObject *name = globals ? PyUnicode_FromString("Quillmere") : nullptr;
  if (name && PyDict_SetItemString(globals, "__builtins__", PyEval_GetBuiltins()) == 0 &&
      PyDict_SetItemString(globals, "__name__", name) == 0) {
    PyObject *result = PyEval_EvalCode(code, globals, globals);
    if (result) {
      cls = PyDict_GetItemString(globals, "ScriptTimeout");  // borrowed
      Py_XINCREF(cls);
    }
    Py_XDECREF(result);
  }
  Py_XDECREF(name);
  Py_XDECREF(globals);
  Py_XDECREF(code);
  return cls;
}

}  // namespace

constexpr std::chrono::milliseconds ScriptWatchdog::kCallLimit;

void ScriptWatchdog::SetCallLimitForTests(std::chrono::milliseconds limit) { g_limitForTests = limit.count(); }

ScriptWatchdog::ScriptWatchdog()
    : limit_(g_limitForTests > 0 ? std::chrono::milliseconds(g_limitForTests.load()) : kCallLimit),
      thread_(&ScriptWatchdog::Run, this) {}

ScriptWatchdog::~ScriptWatchdog() {
  {
    std::lock_guard<std::mutex> guard(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  if (!Py_IsInitialized()) {
    thread_.join();
    return;
  }
  // The watchdog may be waiting for the interpreter lock to interrupt a
  // call: the lock must be free while it is joined.
  InterpreterLock lock;
  InterpreterLock::Released released;
  thread_.join();
}

ScriptWatchdog::Call *ScriptWatchdog::Innermost(unsigned long thread) {
  for (auto it = calls_.rbegin(); it != calls_.rend(); ++it)
    if (it->thread == thread) return &*it;
  return nullptr;
}

ScriptWatchdog::Watch::Watch(ScriptWatchdog &watchdog) : watchdog_(watchdog) {
  unsigned long thread = PyThread_get_thread_ident();
  std::lock_guard<std::mutex> guard(watchdog_.mutex_);
  // An exception raised into the enclosing call but not yet delivered
  // would surface in this one: take it back; the enclosing call, out of
  // time already, is interrupted again when it runs on.
  if (Call *outer = watchdog_.Innermost(thread)) {
    if (outer->interrupted) {
      PyThreadState_SetAsyncExc(thread, nullptr);
      outer->interrupted = false;
    }
  }
  watchdog_.calls_.push_back(Call{watchdog_.nextId_++, thread, Clock::now() + watchdog_.limit_, false});
  watchdog_.wake_.notify_all();
}

ScriptWatchdog::Watch::~Watch() {
  unsigned long thread = PyThread_get_thread_ident();
  std::lock_guard<std::mutex> guard(watchdog_.mutex_);
  for (auto it = watchdog_.calls_.end(); it != watchdog_.calls_.begin();) {
    --it;
    if (it->thread != thread) continue;
    // The call is over: an exception not yet delivered must not reach
    // whatever the thread runs next.
    if (it->interrupted) PyThreadState_SetAsyncExc(thread, nullptr);
    watchdog_.calls_.erase(it);
    break;
  }
  watchdog_.wake_.notify_all();
}

void ScriptWatchdog::Run() {
  std::unique_lock<std::mutex> lock(mutex_);
  while (!stopping_) {
    // The innermost call of each thread is the one that runs; the first of
    // them to run out of time is the next to interrupt.
    const Call *next = nullptr;
    for (auto it = calls_.rbegin(); it != calls_.rend(); ++it)
      if (Innermost(it->thread) == &*it && (!next || it->deadline < next->deadline)) next = &*it;
    if (!next) {
      wake_.wait(lock);
    } else if (Clock::now() < next->deadline) {
      // A copy: the calls may move while the lock is given up.
      const Clock::time_point deadline = next->deadline;
      wake_.wait_until(lock, deadline);
    } else {
      std::uint64_t id = next->id;
      // The interpreter lock is always taken before mutex_, never after.
      lock.unlock();
      {
        InterpreterLock interpreter;
        Interrupt(id);
      }
      lock.lock();
    }
  }
}

void ScriptWatchdog::Interrupt(std::uint64_t id) {
  // Made before mutex_ is taken: running script code may give up the
  // interpreter lock, and the watched thread takes mutex_ while holding it.
  PyObject *timeout = MakeTimeoutClass(limit_);
  if (!timeout) PyErr_Clear();
  {
    std::lock_guard<std::mutex> guard(mutex_);
    // While this thread holds the interpreter lock, the watched thread is
    // either running inside the call or waiting for the lock within it: a
    // call ends (and its watch goes) only with the lock held.
    for (Call &call : calls_) {
      if (call.id != id) continue;
      if (stopping_ || Innermost(call.thread) != &call || Clock::now() < call.deadline) break;
      if (timeout) {
        PyThreadState_SetAsyncExc(call.thread, timeout);
        call.interrupted = true;
      }
      call.deadline = Clock::now() + limit_;
      break;
    }
  }
  Py_XDECREF(timeout);
}
