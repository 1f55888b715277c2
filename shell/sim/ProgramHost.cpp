#include "ProgramHost.h"

#include <winsim/driver.h>

#include "Text.h"
#include "shell/MainWindowClass.h"
#include "shell/resource.h"

namespace quillmere::sim {

ProgramHost::ProgramHost(ProgramEntry entry, std::chrono::milliseconds patience)
    : entry_(std::move(entry)), patience_(patience) {}

ProgramHost::~ProgramHost() {
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
    if (thread_.joinable()) thread_.join();
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
  // A killed program's thread leaves the platform by an exception, which
  // ends the entry function here.
  std::packaged_task<int()> task([entry = entry_] {
    try {
      return entry();
    } catch (const winsim::driver::ProcessKilled &) {
      return kKilledExitCode;
    }
  });
  result_ = task.get_future();
  thread_ = std::thread(std::move(task));

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
