// Runs the program's entry function on a thread of its own, as the
// program's one GUI thread, and finds its main window and log view.
#ifndef QUILLMERE_SIM_PROGRAM_HOST_H
#define QUILLMERE_SIM_PROGRAM_HOST_H

#include <windows.h>

#include <chrono>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace quillmere::sim {

// The program's entry function; returns the exit code.
using ProgramEntry = std::function<int()>;

// The exit code of a killed program, as ending a task gives it.
inline constexpr int kKilledExitCode = 1;

// Runs on a killed thread of the program: true when its stack cannot be
// unwound, so that it must stop where it is for good.
using KilledThreadCheck = std::function<bool()>;

class ProgramHost {
 public:
  // An empty entry: a host without a program; Start refuses. With a check,
  // each killed thread it names stops for good instead of leaving by
  // exception; the entry thread's stop counts as the end of the program.
  explicit ProgramHost(ProgramEntry entry, std::chrono::milliseconds patience = std::chrono::seconds(30),
                       KilledThreadCheck mustStop = nullptr);
  ~ProgramHost();
  ProgramHost(const ProgramHost &) = delete;
  ProgramHost &operator=(const ProgramHost &) = delete;

  bool HasProgram() const { return static_cast<bool>(entry_); }
  // Started and its entry function has not returned.
  bool Running();
  // Starts the entry function and waits until its main window exists and
  // the program waits for messages, or until the entry function returns.
  // False with the reason when the program cannot be started or opened no
  // main window.
  bool Start(std::string &why);
  // Waits (within the patience) for the entry function to return; true when it has.
  bool WaitForExit();
  // Kills the program as the platform kills a process (winsim's
  // KillProgram): none of its exit runs. Waits until its thread has left
  // the entry function or stopped for good; the exit code is then
  // kKilledExitCode. False with the reason when it is not running or does
  // not end.
  bool Kill(std::string &why);
  // The exit code once the entry function has returned.
  std::optional<int> ExitCode();

  // The entry a second copy of the program runs (RunSecondCopy).
  void SetSecondCopyEntry(ProgramEntry entry) { secondEntry_ = std::move(entry); }
  // Starts a second copy in a process of its own while the program runs,
  // and waits (within the patience) for it to end: its exit code. Nothing,
  // with the reason, when there is no such entry or it did not end.
  std::optional<int> RunSecondCopy(std::string &why);

  // The main window while it exists, else null.
  HWND MainWindow();
  // The last main window the program had, even when gone.
  HWND LastMainWindow() const { return lastMainWindow_; }
  // The log view's lines, or the last ones read while it existed.
  std::vector<std::string> LogLines();

 private:
  struct Run;
  struct KillState;

  HWND FindMainWindow() const;
  void Reap();

  ProgramEntry entry_;
  ProgramEntry secondEntry_;
  std::chrono::milliseconds patience_;
  std::shared_ptr<KillState> kill_;  // shared with the platform's choice for killed threads
  std::shared_ptr<Run> run_;
  std::thread thread_;
  std::future<int> result_;
  std::optional<int> exitCode_;
  HWND lastMainWindow_ = nullptr;
  std::vector<std::string> lastLog_;
};

}  // namespace quillmere::sim

#endif
