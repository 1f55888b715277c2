// A scenario: the commands a run plays against the simulated desktop, one
// per line of the scenario text, as the parser has checked them.
#ifndef QUILLMERE_SIM_SCENARIO_H
#define QUILLMERE_SIM_SCENARIO_H

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quillmere::sim {

// The name of the program's main window in every scenario.
inline constexpr const char *kMainWindowName = "quillmere";

enum class CommandKind {
  App,
  Window,
  Show,
  Hide,
  Enable,
  Disable,
  Destroy,
  Title,
  Focus,
  Metric,
  Start,
  Kill,
  Tray,
  Keys,
  Menu,
  Dismiss,
  Close,
  Expect,
  ExpectLog,
  ExpectExit,
  Print,
  ScriptFile,
  Language,
  StartSecond,
  ExpectSecondExit,
  Minimize,
};

// What a `window` command asks for besides its name, application and title.
struct WindowOptions {
  std::string className;  // empty: the applications' usual class
  bool hasRect = false;
  int left = 100, top = 100, right = 500, bottom = 400;
  std::string owner;   // a window name, or empty
  std::string parent;  // a window name, or empty
  bool hidden = false;
  bool disabled = false;
  bool layered = false;
  std::uint32_t style = 0;  // window style flags; 0: the usual style for the kind of window
};

enum class Field {
  Left,
  Top,
  Width,
  Height,
  Visible,
  Enabled,
  Exists,
  Alpha,
  Topmost,
  Layered,
  Thickframe,
  Title,
  Foreground,
  Minimized,
};

// One FIELD=VALUE of an `expect` line. Flags hold yes (true) or no (false)
// in `flag`, numbers in `number`, the title in `text`.
struct Expectation {
  Field field;
  std::string fieldName;
  long number = 0;
  bool flag = false;
  std::string text;
};

struct Command {
  int line = 0;
  std::string source;  // the line as written, without its comment and outer blanks
  CommandKind kind = CommandKind::Start;
  std::string name;  // app: the application; window commands, keys, expect, print: the window or target
  std::string app;   // window: the application that creates it
  std::string text;  // window, title: the title; expect-log: the line; keys: the combination;
                     // tray: left or right; menu: about, exit, reload or pause;
                     // script-file: the file that replaces the script
  WindowOptions window;
  std::optional<int> caption, mintrack;   // metric
  std::vector<Expectation> expectations;  // expect
  int exitCode = 0;                       // expect-exit, expect-second-exit
  std::uint16_t language = 0;             // language: the interface language's id (a LANGID)
};

struct Scenario {
  std::vector<Command> commands;
};

}  // namespace quillmere::sim

#endif
