// Plays a scenario against the simulated desktop: the applications and the
// user act, the program (if the scenario starts it) reacts, and after every
// command the run waits until every thread is idle, then prints the step,
// what changed on the desktop and the new log lines.
#ifndef QUILLMERE_SIM_SCENARIO_RUNNER_H
#define QUILLMERE_SIM_SCENARIO_RUNNER_H

#include <windows.h>

#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "DesktopSnapshot.h"
#include "ProgramHost.h"
#include "Scenario.h"

namespace quillmere::sim {

class ScenarioRunner {
 public:
  // settingsPath: the settings file that `print settings` and the end of the run show.
  ScenarioRunner(std::ostream &out, ProgramHost &program, std::string settingsPath);

  // Plays every command, going on after a failure.
  void Play(const Scenario &scenario);
  // Ends the run: closes the program as a user would (exit command) if the
  // scenario left it running, then prints the final desktop and the settings.
  void Finish();
  // Ends the applications the scenario started.
  void StopApplications();

  // Expectations that did not hold and commands that could not be carried out.
  int Failures() const { return failures_; }
  // The window a scenario name stands for, or null.
  HWND WindowNamed(const std::string &name);

 private:
  struct Outcome {
    enum Kind { Done, Held, Failed } kind = Done;
    std::vector<std::string> details;
  };

  Outcome Execute(const Command &c);
  Outcome Act(bool done, const std::string &whyNot);
  Outcome MakeWindow(const Command &c);
  Outcome CheckWindow(const Command &c);
  Outcome CheckLog(const Command &c);
  // Replaces the script file with a file of the working directory and
  // waits until the program has reloaded it.
  Outcome ReplaceScript(const Command &c);
  Outcome CheckExit(const Command &c);
  Outcome StartSecondCopy();
  Outcome CheckSecondExit(const Command &c);
  void Print(const Command &c, const DesktopSnapshot &now);
  void PrintDesktop(const DesktopSnapshot &now);
  void PrintSettings();
  // The main window's menu as the user sees it: a line for each popup.
  void PrintMenu();
  HWND MainWindowOrNull();
  DesktopSnapshot Snapshot();
  void Settle();

  std::ostream &out_;
  ProgramHost &program_;
  std::string settingsPath_;
  std::map<std::string, DWORD> apps_;
  std::vector<std::pair<std::string, HWND>> windows_;  // in the order named
  int failures_ = 0;
  std::optional<int> secondExit_;  // of the last second copy that ended
};

}  // namespace quillmere::sim

#endif
