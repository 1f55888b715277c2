#include "ProgramHost.h"

#include <winsim/driver.h>

#include "Text.h"
#include "shell/MainWindowClass.h"
#include "shell/resource.h"

namespace quillmere::sim {

// One start of the program: how its entry thread ended.
struct ProgramHost::Run {
  std::promise<int> exit;
  std::once_flag ended;
  std::thread::id thread;  // the entry thread, once it runs
  bool stopped = false;    // it was killed and stopped for good
  void End(int code) {
    std::call_once(ended, [&] { exit.set_value(code); });
  }
};

// What the killed threads' choice needs; it may run after the host is gone.
struct ProgramHost::KillState {
  KilledThreadCheck mustStop;
  std::mutex mutex;
  std::shared_ptr<Run> current;
};

ProgramHost::ProgramHost(ProgramEntry entry, std::chrono::milliseconds patience, KilledThreadCheck mustStop)
    : entry_(std::move(entry)), patience_(patience) {
  if (!mustStop) return;
  kill_ = std::make_shared<KillState>();
  kill_->mustStop = std::move(mustStop);
  winsim::driver::SetKilledThreadExit([state = kill_] {
    using winsim::driver::KilledThreadExit;
    if (!state->mustStop()) return KilledThreadExit::Unwind;
    std::lock_guard<std::mutex> guard(state->mutex);
    if (state->current && state->current->thread == std::this_thread::get_id()) {
      state->current->stopped = true;
      state->current->End(kKilledExitCode);
    }
    return KilledThreadExit::Stop;
  });
}

ProgramHost::~ProgramHost() {
  if (kill_) winsim::driver::SetKilledThreadExit(nullptr);
  if (!thread_.joinable()) return;
  // A program that never returned cannot be joined; it ends with the process.
  if (Running())
    thread_.detach();
  else
    thread_.join();
}

void ProgramHost::Reap() {
  if (result_.valid() && result_.wait_for(std::chrono::seconds(0)) == std::future_status::ready) {
    exitCode_ = result_.get();
    if (!thread_.joinable()) return;
    bool stopped = false;
    if (kill_) {
      std::lock_guard<std::mutex> guard(kill_->mutex);
      stopped = run_->stopped;
    }
    // A thread stopped for good never ends; it goes with the process.
    if (stopped)
      thread_.detach();
    else
      thread_.join();
  }
}

bool ProgramHost::Running() {
  Reap();
  return result_.valid();
}

std::optional<int> ProgramHost::ExitCode() {
  Reap();
  return exitCode_;
}

bool ProgramHost::Start(std::string &why) {
  if (!entry_) {
    why = "this host was built without the program";
    return false;
  }
  if (Running()) {
    why = "the program is already running";
    return false;
  }
  exitCode_.reset();
  lastLog_.clear();
  run_ = std::make_shared<Run>();
  result_ = run_->exit.get_future();
  if (kill_) {
    std::lock_guard<std::mutex> guard(kill_->mutex);
    kill_->current = run_;
  }
  // A killed program's thread leaves the platform by an exception, which
  // ends the entry function here, or stops inside it for good.
  thread_ = std::thread([entry = entry_, run = run_, kill = kill_] {
    if (kill) {
      std::lock_guard<std::mutex> guard(kill->mutex);
      run->thread = std::this_thread::get_id();
    }
    int code = kKilledExitCode;
    try {
      code = entry();
    } catch (const winsim::driver::ProcessKilled &) {
    }
    run->End(code);
  });

  auto deadline = std::chrono::steady_clock::now() + patience_;
  for (;;) {
    if (HWND main = FindMainWindow()) {
      lastMainWindow_ = main;
      DWORD thread = GetWindowThreadProcessId(main, nullptr);
      winsim::driver::WaitIdle(thread);
      winsim::driver::WaitAllIdle();
      LogLines();
      return true;
    }
    if (!Running()) {
      why = "the program ended with exit code " + std::to_string(*exitCode_) + " before opening its main window";
      return false;
    }
    if (std::chrono::steady_clock::now() > deadline) {
      why = "the program opened no main window within " + std::to_string(patience_.count() / 1000) + " s";
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

bool ProgramHost::WaitForExit() {
  if (!result_.valid()) return exitCode_.has_value();
  if (result_.wait_for(patience_) != std::future_status::ready) return false;
  Reap();
  return true;
}

bool ProgramHost::Kill(std::string &why) {
  if (!Running()) {
    why = "the program is not running";
    return false;
  }
  LogLines();  // the log view goes with the process
  winsim::driver::KillProgram();
  if (WaitForExit()) return true;
  why = "the killed program's thread did not end within " + std::to_string(patience_.count() / 1000) + " s";
  return false;
}

std::optional<int> ProgramHost::RunSecondCopy(std::string &why) {
  if (!secondEntry_) {
    why = "this host was built without the program";
    return std::nullopt;
  }
  std::optional<int> code = winsim::driver::RunProcess("quillmere (second copy)", secondEntry_, patience_);
  if (!code) why = "the second copy did not end within " + std::to_string(patience_.count() / 1000) + " s";
  return code;
}

HWND ProgramHost::FindMainWindow() const {
  DWORD program = winsim::driver::ProgramProcessId();
  for (HWND h : winsim::driver::TopLevelWindows()) {
    DWORD process = 0;
    GetWindowThreadProcessId(h, &process);
    if (process != program) continue;
    wchar_t name[64] = L"";
    if (GetClassNameW(h, name, 64) > 0 && std::wstring(name) == kMainWindowClassName) return h;
  }
  return nullptr;
}

HWND ProgramHost::MainWindow() {
  if (lastMainWindow_ && IsWindow(lastMainWindow_)) return lastMainWindow_;
  if (!Running()) return nullptr;
  HWND main = FindMainWindow();
  if (main) lastMainWindow_ = main;
  return main;
}

std::vector<std::string> ProgramHost::LogLines() {
  HWND main = lastMainWindow_ && IsWindow(lastMainWindow_) ? lastMainWindow_ : nullptr;
  if (HWND view = main ? GetDlgItem(main, IDC_LOGVIEW) : nullptr) {
    winsim::driver::WindowState state = winsim::driver::ReadWindow(view);
    if (state.exists) lastLog_ = SplitLines(state.text);
  }
  return lastLog_;
}

}  // namespace quillmere::sim
