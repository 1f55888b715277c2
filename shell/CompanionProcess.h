// The 64-bit program's 32-bit companion (quillmere32.exe, beside the
// program), from the program's side: started when the program installs
// its hook, ended when it removes it, and started again, a few times at
// most, when it ends on its own. What becomes of it goes to the log as one
// line each time; the program goes on with 64-bit applications only when
// the companion cannot run.
#ifndef QUILLMERE_SHELL_COMPANIONPROCESS_H
#define QUILLMERE_SHELL_COMPANIONPROCESS_H

#include <windows.h>

#include <string>

#include "scoped/UniqueHandle.h"

// Whether this build of the program has a companion: the 64-bit one, so
// that 32-bit applications are covered too.
constexpr bool kProgramHasCompanion = sizeof(void *) == 8;

class CompanionProcess {
 public:
  // Going, it closes its handle and leaves the companion be: the companion
  // ends with the program's process, however that ends.
  CompanionProcess() = default;
  CompanionProcess(const CompanionProcess &) = delete;
  CompanionProcess &operator=(const CompanionProcess &) = delete;

  // Starts the companion for the program's main window. Returns the line
  // (ASCII) to log when it could not be started, empty when it was.
  std::string Start(HWND programWindow);
  // Asks the companion to end and waits a while for it, then ends it.
  void Stop();
  // The process to wait for, while the companion runs; null otherwise.
  HANDLE Handle() const { return process_.get(); }
  bool Running() const { return static_cast<bool>(process_); }
  // The companion's process ended without being asked (its handle was
  // signalled): starts it again while restarts are left. Returns the line
  // to log.
  std::string Ended();

 private:
  UniqueHandle process_;
  DWORD threadId_ = 0;
  HWND programWindow_ = nullptr;
  int restarts_ = 0;
};

// The path of the companion: the program's own folder and its file name.
std::wstring CompanionPath();

#endif
