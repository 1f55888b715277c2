#include "ScenarioRunner.h"

#include <winsim/driver.h>

#include <chrono>
#include <fstream>
#include <thread>
#include <iomanip>
#include <sstream>

#include "DesktopReport.h"
#include "Text.h"
#include "shell/resource.h"

namespace quillmere::sim {

namespace {

using winsim::driver::WindowState;

const std::string kIndent = "      ";

std::string YesNo(bool b) { return b ? "yes" : "no"; }

// The value a window shows for an expectation's field, written as the
// scenario writes it.
std::string FieldValue(const Expectation &e, HWND window, const WindowState &s) {
  switch (e.field) {
    case Field::Left:
      return std::to_string(s.rect.left);
    case Field::Top:
      return std::to_string(s.rect.top);
    case Field::Width:
      return std::to_string(s.rect.right - s.rect.left);
    case Field::Height:
      return std::to_string(s.rect.bottom - s.rect.top);
    case Field::Visible:
      return YesNo(s.visible);
    case Field::Enabled:
      return YesNo(s.enabled);
    case Field::Exists:
      return YesNo(s.exists);
    case Field::Alpha:
      return std::to_string(EffectiveAlpha(s));
    case Field::Topmost:
      return YesNo(s.topmost);
    case Field::Layered:
      return YesNo((s.exStyle & WS_EX_LAYERED) != 0);
    case Field::Thickframe:
      return YesNo((s.style & WS_THICKFRAME) != 0);
    case Field::Title:
      return Quote(Narrow(s.text));
    case Field::Foreground:
      return YesNo(s.exists && GetForegroundWindow() == window);
    case Field::Minimized:
      return YesNo((s.style & WS_MINIMIZE) != 0);
  }
  return "";
}

std::string ExpectedValue(const Expectation &e) {
  switch (e.field) {
    case Field::Visible:
    case Field::Enabled:
    case Field::Exists:
    case Field::Topmost:
    case Field::Layered:
    case Field::Thickframe:
    case Field::Foreground:
    case Field::Minimized:
      return YesNo(e.flag);
    case Field::Title:
      return Quote(e.text);
    default:
      return std::to_string(e.number);
  }
}

}  // namespace

ScenarioRunner::ScenarioRunner(std::ostream &out, ProgramHost &program, std::string settingsPath)
    : out_(out), program_(program), settingsPath_(std::move(settingsPath)) {}

HWND ScenarioRunner::MainWindowOrNull() {
  HWND main = program_.MainWindow();
  return main ? main : program_.LastMainWindow();
}

HWND ScenarioRunner::WindowNamed(const std::string &name) {
  if (name == kMainWindowName) return MainWindowOrNull();
  for (auto &[n, h] : windows_)
    if (n == name) return h;
  return nullptr;
}

DesktopSnapshot ScenarioRunner::Snapshot() {
  std::vector<std::pair<std::string, HWND>> named;
  if (HWND main = MainWindowOrNull()) named.emplace_back(kMainWindowName, main);
  named.insert(named.end(), windows_.begin(), windows_.end());
  return TakeSnapshot(named, program_.LogLines());
}

void ScenarioRunner::Settle() {
  winsim::driver::WaitAllIdle();
  // Once the main window has gone, the entry function is on its way out:
  // wait for its exit code so that the next line sees it.
  if (program_.Running() && !program_.MainWindow()) program_.WaitForExit();
}

void ScenarioRunner::Play(const Scenario &scenario) {
  for (const Command &c : scenario.commands) {
    DesktopSnapshot before = Snapshot();
    // A new run of the program begins with an empty log, even when its
    // lines repeat the last run's.
    if (c.kind == CommandKind::Start) before.log.clear();
    Outcome outcome = Execute(c);
    Settle();
    DesktopSnapshot after = Snapshot();
    out_ << std::setw(4) << c.line << "  " << c.source;
    if (outcome.kind == Outcome::Held) out_ << "   ok";
    if (outcome.kind == Outcome::Failed) {
      out_ << "   FAILED";
      ++failures_;
    }
    out_ << '\n';
    for (const std::string &d : outcome.details) out_ << kIndent << d << '\n';
    if (c.kind == CommandKind::Print) Print(c, after);
    WriteReport(out_, CompareSnapshots(before, after), kIndent);
  }
}

ScenarioRunner::Outcome ScenarioRunner::Act(bool done, const std::string &whyNot) {
  Outcome o;
  if (!done) {
    o.kind = Outcome::Failed;
    o.details.push_back("could not: " + whyNot);
  }
  return o;
}

ScenarioRunner::Outcome ScenarioRunner::Execute(const Command &c) {
  namespace drv = winsim::driver;
  HWND window = c.name.empty() ? nullptr : WindowNamed(c.name);
  bool exists = window && IsWindow(window);
  std::string gone = "the window \"" + c.name + "\" does not exist";
  switch (c.kind) {
    case CommandKind::App:
      apps_[c.name] = drv::StartApp(c.name);
      return {};
    case CommandKind::Window:
      return MakeWindow(c);
    case CommandKind::Show:
      // Showing a top-level window does not activate it: only `focus` moves the focus.
      if (exists) drv::ShowAppWindow(window, (GetWindowLongW(window, GWL_STYLE) & WS_CHILD) ? SW_SHOW : SW_SHOWNA);
      return Act(exists, gone);
    case CommandKind::Hide:
      if (exists) drv::ShowAppWindow(window, SW_HIDE);
      return Act(exists, gone);
    case CommandKind::Enable:
    case CommandKind::Disable:
      if (exists) drv::EnableAppWindow(window, c.kind == CommandKind::Enable);
      return Act(exists, gone);
    case CommandKind::Destroy:
      if (exists) drv::DestroyAppWindow(window);
      return Act(exists, gone);
    case CommandKind::Title:
      if (exists) drv::SetAppWindowText(window, Widen(c.text));
      return Act(exists, gone);
    case CommandKind::Focus:
      if (exists) drv::ClickFocus(window);
      return Act(exists, c.name == kMainWindowName ? "the program is not running" : gone);
    case CommandKind::Metric:
      if (c.caption) drv::SetSystemMetric(SM_CYCAPTION, *c.caption);
      if (c.mintrack) drv::SetSystemMetric(SM_CYMINTRACK, *c.mintrack);
      return {};
    case CommandKind::Start: {
      std::string why;
      bool started = program_.Start(why);
      return Act(started, why);
    }
    case CommandKind::Kill: {
      std::string why;
      bool killed = program_.Kill(why);
      return Act(killed, why);
    }
    case CommandKind::Tray: {
      HWND main = program_.MainWindow();
      bool clicked = main && drv::ClickTray(main, ID_TRAYICON,
                                            c.text == "left" ? drv::MouseButton::Left : drv::MouseButton::Right);
      return Act(clicked, main ? "the program shows no tray icon" : "the program is not running");
    }
    case CommandKind::Keys:
      if (exists) drv::TypeKeys(window, c.text);
      return Act(exists, c.name == kMainWindowName ? "the program is not running" : gone);
    case CommandKind::Menu: {
      HWND main = program_.MainWindow();
      if (c.text == "reload" || c.text == "pause") {
        // Posted as its menu item or accelerator posts it.
        bool posted = main &&
                      PostMessageW(main, WM_COMMAND, MAKEWPARAM(c.text == "reload" ? IDM_RELOAD : IDM_PAUSE, 0), 0);
        return Act(posted, "the program is not running");
      }
      bool chosen = main && drv::ChooseMenuCommand(main, c.text == "about" ? IDM_ABOUT : IDM_EXIT);
      return Act(chosen, main ? "the main window's menu has no such command" : "the program is not running");
    }
    case CommandKind::Dismiss: {
      auto dialogs = drv::OpenDialogs();
      bool pressed = !dialogs.empty() && drv::PressDialogButton(dialogs.back().window, IDOK);
      return Act(pressed, dialogs.empty() ? "no dialog or message box is open" : "the dialog has no OK button");
    }
    case CommandKind::Close: {
      HWND main = program_.MainWindow();
      if (main) drv::ClickCloseBox(main);
      return Act(main != nullptr, "the program is not running");
    }
    case CommandKind::Expect:
      return CheckWindow(c);
    case CommandKind::ExpectLog:
      return CheckLog(c);
    case CommandKind::ExpectExit:
      return CheckExit(c);
    case CommandKind::Print:
      return {};
    case CommandKind::StartSecond:
      return StartSecondCopy();
    case CommandKind::ExpectSecondExit:
      return CheckSecondExit(c);
    case CommandKind::Minimize:
      // The user's click on the minimise box, which the window's own thread carries out.
      if (exists) drv::ShowAppWindow(window, SW_MINIMIZE);
      return Act(exists, c.name == kMainWindowName ? "the program is not running" : gone);
    case CommandKind::ScriptFile:
      return ReplaceScript(c);
    case CommandKind::Language: {
      // The program loads its menu when it makes its main window, as the
      // platform asks the user to sign in again after a change.
      const bool stopped = !program_.MainWindow();
      if (stopped) drv::SetUserInterfaceLanguage(c.language);
      return Act(stopped, "the program is running: choose the language before start");
    }
  }
  return {};
}

ScenarioRunner::Outcome ScenarioRunner::ReplaceScript(const Command &c) {
  // The script the settings name, in the working directory beside them.
  std::string script;
  {
    std::ifstream settings(settingsPath_, std::ios::binary);
    std::string line;
    while (std::getline(settings, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (line.rfind("FilterPath=", 0) == 0) script = line.substr(11);
    }
  }
  if (script.empty()) return Act(false, "the settings name no script file");
  const std::string folder = settingsPath_.substr(0, settingsPath_.find_last_of('/') + 1);
  std::ifstream in(folder + c.text, std::ios::binary);
  if (!in) return Act(false, "there is no file " + c.text + " in the working directory");
  std::stringstream text;
  text << in.rdbuf();
  const auto reloads = [&] {
    std::size_t n = 0;
    for (const std::string &line : program_.LogLines()) n += line.rfind("Script reloaded from ", 0) == 0;
    return n;
  };
  const std::size_t before = reloads();
  {
    std::ofstream out(script[0] == '/' ? script : folder + script, std::ios::binary | std::ios::trunc);
    out << text.str();
    if (!out.flush()) return Act(false, "cannot write the script file " + script);
  }
  if (!program_.Running()) return {};
  // The program notices the save once the file has held still for its
  // settle interval; the run waits for its log line, 20 s at most.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (reloads() == before) {
    if (std::chrono::steady_clock::now() > deadline) return Act(false, "the program did not reload the script");
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return {};
}

ScenarioRunner::Outcome ScenarioRunner::StartSecondCopy() {
  std::string why;
  secondExit_ = program_.RunSecondCopy(why);
  Outcome o = Act(secondExit_.has_value(), why);
  if (secondExit_) o.details.push_back("the second copy ended with exit code " + std::to_string(*secondExit_));
  return o;
}

ScenarioRunner::Outcome ScenarioRunner::CheckSecondExit(const Command &c) {
  Outcome o;
  o.kind = Outcome::Held;
  if (secondExit_ == c.exitCode) return o;
  o.kind = Outcome::Failed;
  o.details.push_back("expected: a second copy that ended with exit code " + std::to_string(c.exitCode));
  o.details.push_back(secondExit_ ? "found:    exit code " + std::to_string(*secondExit_)
                                  : std::string("found:    no second copy has ended"));
  return o;
}

ScenarioRunner::Outcome ScenarioRunner::MakeWindow(const Command &c) {
  winsim::driver::NewWindow newWindow;
  newWindow.title = Widen(c.text);
  if (!c.window.className.empty()) newWindow.className = Widen(c.window.className);
  if (c.window.hasRect) newWindow.rect = RECT{c.window.left, c.window.top, c.window.right, c.window.bottom};
  if (!c.window.owner.empty()) newWindow.owner = WindowNamed(c.window.owner);
  if (!c.window.parent.empty()) newWindow.parent = WindowNamed(c.window.parent);
  newWindow.visible = !c.window.hidden;
  newWindow.enabled = !c.window.disabled;
  newWindow.layered = c.window.layered;
  newWindow.style = c.window.style;
  HWND created = winsim::driver::CreateAppWindow(apps_.at(c.app), newWindow);
  windows_.emplace_back(c.name, created);
  return Act(created != nullptr, "the application could not create the window");
}

ScenarioRunner::Outcome ScenarioRunner::CheckWindow(const Command &c) {
  HWND window = WindowNamed(c.name);
  WindowState s = winsim::driver::ReadWindow(window);
  Outcome o;
  o.kind = Outcome::Held;
  std::string expected, found;
  for (const Expectation &e : c.expectations) {
    std::string want = ExpectedValue(e);
    std::string have = !s.exists && e.field != Field::Exists ? "(no window)" : FieldValue(e, window, s);
    if (want == have) continue;
    o.kind = Outcome::Failed;
    expected += " " + e.fieldName + "=" + want;
    found += " " + e.fieldName + "=" + have;
  }
  if (o.kind == Outcome::Failed) {
    o.details.push_back("expected:" + expected);
    o.details.push_back("found:   " + found);
  }
  return o;
}

ScenarioRunner::Outcome ScenarioRunner::CheckLog(const Command &c) {
  std::vector<std::string> log = program_.LogLines();
  Outcome o;
  o.kind = Outcome::Held;
  for (const std::string &line : log)
    if (line == c.text) return o;
  o.kind = Outcome::Failed;
  o.details.push_back("expected: a log line " + Quote(c.text));
  if (log.empty()) {
    o.details.push_back("found:    an empty log");
  } else {
    o.details.push_back("found:    no such line; the last of " + std::to_string(log.size()) + " is " +
                        Quote(log.back()));
  }
  return o;
}

ScenarioRunner::Outcome ScenarioRunner::CheckExit(const Command &c) {
  Outcome o;
  o.kind = Outcome::Held;
  std::string found;
  if (program_.Running()) {
    found = "the program is still running";
  } else if (auto code = program_.ExitCode()) {
    if (*code == c.exitCode) return o;
    found = "exit code " + std::to_string(*code);
  } else {
    found = "the program has not been started";
  }
  o.kind = Outcome::Failed;
  o.details.push_back("expected: exit code " + std::to_string(c.exitCode));
  o.details.push_back("found:    " + found);
  return o;
}

void ScenarioRunner::Print(const Command &c, const DesktopSnapshot &now) {
  if (c.name == "all") {
    PrintDesktop(now);
  } else if (c.name == "log") {
    if (now.log.empty()) out_ << kIndent << "(the log is empty)\n";
    for (const std::string &line : now.log) out_ << kIndent << line << '\n';
  } else if (c.name == "settings") {
    PrintSettings();
  } else if (c.name == "menu") {
    PrintMenu();
  } else {
    HWND h = WindowNamed(c.name);
    WindowState s = winsim::driver::ReadWindow(h);
    std::string what = h ? DescribeWindow(s) : c.name == kMainWindowName ? "the program is not running" : "";
    WriteReport(out_, {ReportLine{c.name, what}}, kIndent);
  }
}

void ScenarioRunner::PrintMenu() {
  HWND main = program_.MainWindow();
  HMENU bar = main ? GetMenu(main) : nullptr;
  if (!bar) {
    out_ << kIndent << (main ? "(the main window has no menu)" : "the program is not running") << '\n';
    return;
  }
  auto text = [](HMENU menu, int position) {
    wchar_t buffer[256] = {};
    GetMenuStringW(menu, static_cast<UINT>(position), buffer, 256, MF_BYPOSITION);
    std::string item = Narrow(buffer);
    for (auto tab = item.find('\t'); tab != std::string::npos; tab = item.find('\t')) item.replace(tab, 1, "\\t");
    return item;
  };
  for (int i = 0; i < GetMenuItemCount(bar); ++i) {
    out_ << kIndent << text(bar, i) << ':';
    HMENU popup = GetSubMenu(bar, i);
    for (int j = 0; j < GetMenuItemCount(popup); ++j)
      out_ << (j ? " | " : " ") << (GetMenuItemID(popup, j) == 0 ? std::string("----") : text(popup, j));
    out_ << '\n';
  }
}

void ScenarioRunner::PrintDesktop(const DesktopSnapshot &now) {
  std::vector<ReportLine> lines;
  for (const WindowView &w : now.windows)
    if (w.state.exists && !w.state.parent) lines.push_back(ReportLine{w.label, DescribeWindow(w.state)});
  for (const WindowView &w : now.windows)
    if (w.state.exists && w.state.parent) {
      std::string parent = "?";
      for (const WindowView &p : now.windows)
        if (p.handle == w.state.parent) parent = p.label;
      lines.push_back(ReportLine{w.label, DescribeWindow(w.state) + ", inside " + parent});
    }
  if (lines.empty()) out_ << kIndent << "(no windows)\n";
  WriteReport(out_, lines, kIndent);
}

void ScenarioRunner::PrintSettings() {
  std::ifstream in(settingsPath_, std::ios::binary);
  if (!in) {
    out_ << kIndent << "(no settings file " << settingsPath_ << ")\n";
    return;
  }
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    out_ << (line.empty() ? "" : kIndent) << line << '\n';
  }
}

void ScenarioRunner::Finish() {
  if (program_.Running()) {
    out_ << "\nThe program is still running: the user chooses its exit command.\n";
    DesktopSnapshot before = Snapshot();
    HWND main = program_.MainWindow();
    bool chosen = main && winsim::driver::ChooseMenuCommand(main, IDM_EXIT);
    Settle();
    bool exited = chosen && program_.WaitForExit();
    WriteReport(out_, CompareSnapshots(before, Snapshot()), kIndent);
    if (!exited) {
      out_ << kIndent << "FAILED: the program did not exit\n";
      ++failures_;
    }
  }
  if (auto code = program_.ExitCode()) out_ << "\nThe program exited with code " << *code << ".\n";
  out_ << "\nThe desktop at the end (top first):\n";
  PrintDesktop(Snapshot());
  out_ << "\nThe settings file at the end:\n";
  PrintSettings();
}

void ScenarioRunner::StopApplications() {
  for (auto &[name, pid] : apps_) winsim::driver::StopApp(pid);
  apps_.clear();
}

}  // namespace quillmere::sim
