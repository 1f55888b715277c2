// quillmere-sim: runs the program on a simulated desktop and plays a
// scenario against it.
//
//   quillmere-sim [--dir DIR] [SCENARIO-FILE]
//
// Exit status: 0 when every expectation held, 1 when one did not, 2 when
// the scenario (or the command line) cannot be read.
#include <windows.h>
#include <winsim/driver.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>

#include "DemoScenario.h"
#include "ProgramEntry.h"
#include "ProgramHost.h"
#include "ScenarioParser.h"
#include "ScenarioRunner.h"
#include "WorkDirectory.h"

namespace {

using namespace quillmere::sim;

constexpr int kUsageError = 2;
const char kUsage[] = "usage: quillmere-sim [--dir DIR] [SCENARIO-FILE]\n";

// Where the example settings and script are: beside the executable when
// installed, else in the source tree it was built from.
std::string ExamplesDirectory() {
  std::string exe = ExecutableDirectory();
  std::vector<std::string> candidates{exe + "/examples", exe + "/../share/quillmere/examples"};
#ifdef QUILLMERE_EXAMPLES_DIR
  candidates.push_back(QUILLMERE_EXAMPLES_DIR);
#endif
  return FirstDirectoryHolding(candidates, "quillmere.ini");
}

// A fresh directory holding the example settings and every script beside them.
bool SeedDirectory(std::string &dir, std::string &why) {
  std::string examples = ExamplesDirectory();
  if (examples.empty()) {
    why = "cannot find the example settings file quillmere.ini";
    return false;
  }
  dir = MakeTemporaryDirectory(why);
  if (dir.empty()) return false;
  for (const char *file : {"quillmere.ini", "quillmere_script.py", "reload_script.py"}) {
    std::string from = examples + "/" + file;
    if (IsFile(from) && !CopyFileTo(from, dir + "/" + file, why)) return false;
  }
  return true;
}

}  // namespace

int main(int argc, char **argv) {
  std::string dir, scenarioPath;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--dir" && i + 1 < argc) {
      dir = argv[++i];
    } else if (arg == "-h" || arg == "--help") {
      std::cout << kUsage;
      return 0;
    } else if (arg.size() > 1 && arg[0] == '-') {
      std::cerr << "quillmere-sim: unknown option " << arg << '\n' << kUsage;
      return kUsageError;
    } else if (scenarioPath.empty()) {
      scenarioPath = arg;
    } else {
      std::cerr << kUsage;
      return kUsageError;
    }
  }

  std::string text = kDemoScenario;
  std::string shownName = "the built-in demonstration";
  if (!scenarioPath.empty()) {
    std::ifstream in(scenarioPath, std::ios::binary);
    if (!IsFile(scenarioPath) || !in) {
      std::cerr << scenarioPath << ": cannot read the scenario\n";
      return kUsageError;
    }
    std::stringstream buffer;
    buffer << in.rdbuf();  // an empty file gives an empty scenario
    text = buffer.str();
    shownName = scenarioPath;
  }
  Scenario scenario;
  try {
    scenario = ParseScenario(text);
  } catch (const ScenarioError &e) {
    std::cerr << (scenarioPath.empty() ? "demonstration" : scenarioPath) << ":" << e.line() << ": " << e.reason()
              << '\n';
    return kUsageError;
  }

  std::string why;
  if (dir.empty()) {
    if (!SeedDirectory(dir, why)) {
      std::cerr << "quillmere-sim: " << why << '\n';
      return kUsageError;
    }
  } else if (!IsDirectory(dir)) {
    std::cerr << "quillmere-sim: " << dir << " is not a directory\n";
    return kUsageError;
  }
  dir = AbsolutePath(dir);
  // The program reads its settings and script from its current directory.
  if (!ChangeDirectory(dir, why)) {
    std::cerr << "quillmere-sim: " << why << '\n';
    return kUsageError;
  }

  std::cout << "Playing " << shownName << " in " << dir << "\n\n";
  ProgramHost program(RunProgram, std::chrono::seconds(30), KilledThreadMustStop);
  program.SetSecondCopyEntry(RunSecondCopy);
  ScenarioRunner runner(std::cout, program, dir + "/quillmere.ini");
  runner.Play(scenario);
  runner.Finish();
  runner.StopApplications();
  int failures = runner.Failures();
  std::cout << '\n'
            << (failures ? std::to_string(failures) + " failed." : std::string("Every expectation held.")) << '\n';
  std::cout.flush();
  int status = failures ? 1 : 0;
  // A program that never returned from its entry function cannot be waited for.
  if (program.Running()) std::_Exit(status);
  return status;
}
