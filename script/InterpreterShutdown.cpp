#include "script/InterpreterShutdown.h"

#include "script/PythonApi.h"

#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <thread>

#include "script/InterpreterReturn.h"

void FinaliseInterpreter(std::chrono::milliseconds limit, UINT exitCode) {
  std::mutex mutex;
  std::condition_variable finished;
  bool done = false;
  std::thread deadline([&] {
    std::unique_lock<std::mutex> lock(mutex);
    if (finished.wait_for(lock, limit, [&] { return done; })) return;
    std::fprintf(stderr,
                 "The interpreter did not finish within %lld ms (an atexit callback still runs): "
                 "the process ends\n",
                 static_cast<long long>(limit.count()));
    // Not ExitProcess: it would tell every library of the process that it
    // detaches, on this thread, while the stopped shutdown may still hold
    // the locks their detach code takes.
    TerminateProcess(GetCurrentProcess(), exitCode);
  });
  CloseInterpreterReturn();
  Py_Finalize();
  {
    std::lock_guard<std::mutex> guard(mutex);
    done = true;
  }
  finished.notify_all();
  deadline.join();
}
