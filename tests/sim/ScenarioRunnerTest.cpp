#include "ScenarioRunner.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <winsim/driver.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "FakeProgram.h"
#include "ScenarioParser.h"

namespace {

using namespace quillmere::sim;
using ::testing::HasSubstr;
using ::testing::Not;
namespace drv = winsim::driver;

class ScenarioRunnerTest : public ::testing::Test {
 protected:
  void TearDown() override {
    drv::ResetDesktop();
    std::remove(settings.c_str());
  }

  // Plays the text; returns the number of failures.
  int Play(const std::string &text, ProgramEntry entry = nullptr, bool finish = false) {
    ProgramHost program(std::move(entry), std::chrono::seconds(10));
    ScenarioRunner runner(out, program, settings);
    runner.Play(ParseScenario(text));
    if (finish) runner.Finish();
    last = &runner;
    int failures = runner.Failures();
    window = runner.WindowNamed("w");
    last = nullptr;
    return failures;
  }

  std::ostringstream out;
  std::string settings = ::testing::TempDir() + "sim_runner_" +
                         ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".ini";
  ScenarioRunner *last = nullptr;
  HWND window = nullptr;
};

// ---- applications, windows and the user, without the program ----

TEST_F(ScenarioRunnerTest, WindowsAreMadeAsTheScenarioSays) {
  EXPECT_EQ(Play(R"(app a
window w a "Main" class=Frame rect=10,20,410,320
window o a "Owned" owner=w rect=0,0,50,50 hidden disabled layered
window c a "Child" parent=w
window f a "Owned frame" owner=w style=WS_OVERLAPPEDWINDOW
expect w left=10 top=20 width=400 height=300 visible=yes enabled=yes thickframe=yes layered=no title="Main"
expect o visible=no enabled=no layered=yes alpha=255 thickframe=no
expect c exists=yes
)"),
            0)
      << out.str();
  drv::WindowState w = drv::ReadWindow(window);
  EXPECT_EQ(w.className, L"Frame");
  EXPECT_THAT(out.str(), HasSubstr("w  appeared: \"Main\" (10,20) 400x300 [Frame] visible, sizing frame"));
  // An unnamed hidden window would not be reported, but a named one is.
  EXPECT_THAT(out.str(), HasSubstr("o  appeared: \"Owned\" (0,0) 50x50 [SimAppWindow] hidden, disabled, layered"));
  for (HWND h : drv::TopLevelWindows()) {
    drv::WindowState s = drv::ReadWindow(h);
    if (s.text == L"Owned") {
      EXPECT_EQ(s.owner, window);
      EXPECT_TRUE(s.style & WS_CAPTION);
    }
    if (s.text == L"Owned frame") {
      EXPECT_EQ(s.owner, window);
      EXPECT_EQ(s.style & WS_OVERLAPPEDWINDOW, static_cast<DWORD>(WS_OVERLAPPEDWINDOW));
      EXPECT_FALSE(s.style & WS_POPUP);
    }
    EXPECT_NE(s.text, L"Child");  // a child is not top-level
  }
}

TEST_F(ScenarioRunnerTest, ApplicationActionsAreReportedAsChanges) {
  EXPECT_EQ(Play(R"(app a
window w a "One"
title w "Two"
hide w
expect w visible=no
show w
disable w
enable w
destroy w
expect w exists=no
)"),
            0)
      << out.str();
  std::string o = out.str();
  EXPECT_THAT(o, HasSubstr("   3  title w \"Two\"\n      w  retitled \"One\" -> \"Two\"\n"));
  EXPECT_THAT(o, HasSubstr("   4  hide w\n      w  hidden\n"));
  EXPECT_THAT(o, HasSubstr("   6  show w\n      w  shown\n"));
  EXPECT_THAT(o, HasSubstr("   7  disable w\n      w  disabled\n"));
  EXPECT_THAT(o, HasSubstr("   9  destroy w\n      w  was destroyed\n"));
  EXPECT_THAT(o, HasSubstr("  10  expect w exists=no   ok\n"));
}

TEST_F(ScenarioRunnerTest, FocusMovesToTheClickedWindowWithoutShowingOthers) {
  EXPECT_EQ(Play(R"(app a
app b
window w a "A"
window v b "B" hidden
focus w
)"),
            0);
  EXPECT_EQ(GetForegroundWindow(), window);
  // Creating and focusing report no changes of geometry or visibility.
  EXPECT_THAT(out.str(), HasSubstr("   5  focus w\n"));
  EXPECT_THAT(out.str(), Not(HasSubstr("shown")));
}

TEST_F(ScenarioRunnerTest, MetricsChangeTheSystemMetrics) {
  EXPECT_EQ(Play("metric caption=22\nmetric mintrack=31\n"), 0);
  EXPECT_EQ(GetSystemMetrics(SM_CYCAPTION), 22);
  EXPECT_EQ(GetSystemMetrics(SM_CYMINTRACK), 31);
}

// ---- expectations ----

TEST_F(ScenarioRunnerTest, AFailedExpectationShowsExpectedAndFoundAndTheRunGoesOn) {
  EXPECT_EQ(Play(R"(app a
window w a "Main" rect=0,0,200,300
expect w height=27 width=200 title="Other"
expect w exists=no
hide w
)"),
            2);
  std::string o = out.str();
  EXPECT_THAT(o, HasSubstr("   3  expect w height=27 width=200 title=\"Other\"   FAILED\n"
                           "      expected: height=27 title=\"Other\"\n"
                           "      found:    height=300 title=\"Main\"\n"));
  EXPECT_THAT(o, HasSubstr("   4  expect w exists=no   FAILED\n"));
  EXPECT_THAT(o, HasSubstr("   5  hide w\n      w  hidden\n"));
}

TEST_F(ScenarioRunnerTest, AGoneWindowFailsEveryFieldButExists) {
  EXPECT_EQ(Play("app a\nwindow w a \"W\"\ndestroy w\nexpect w visible=no\n"), 1);
  EXPECT_THAT(out.str(), HasSubstr("found:    visible=(no window)"));
}

// ---- commands that need the program, without one ----

TEST_F(ScenarioRunnerTest, ProgramCommandsFailWhenThereIsNoProgram) {
  EXPECT_EQ(Play(R"(start
menu about
tray left
close
dismiss
focus quillmere
expect quillmere exists=no
expect-log "anything"
expect-exit 0
start-second
expect-second-exit 0
minimize quillmere
)"),
            11);
  std::string o = out.str();
  EXPECT_THAT(o, HasSubstr("could not: this host was built without the program"));
  EXPECT_THAT(o, HasSubstr("could not: no dialog or message box is open"));
  EXPECT_THAT(o, HasSubstr("   7  expect quillmere exists=no   ok"));
  EXPECT_THAT(o, HasSubstr("found:    the program has not been started"));
  EXPECT_THAT(o, HasSubstr("found:    no second copy has ended"));
}

// ---- with a stand-in for the program ----

TEST_F(ScenarioRunnerTest, ASecondCopyRunsInAProcessOfItsOwnAndItsExitCodeIsExpected) {
  ProgramHost program(nullptr, std::chrono::seconds(10));
  DWORD process = 0;
  program.SetSecondCopyEntry([&] {
    process = GetCurrentProcessId();
    return 3;
  });
  ScenarioRunner runner(out, program, settings);
  runner.Play(ParseScenario(R"(start-second
expect-second-exit 3
expect-second-exit 0
app a
window w a "W"
focus w
expect w minimized=no foreground=yes
minimize w
expect w minimized=yes
)"));
  EXPECT_EQ(runner.Failures(), 1) << out.str();
  EXPECT_NE(process, 0u);
  EXPECT_NE(process, drv::ProgramProcessId());
  std::string o = out.str();
  EXPECT_THAT(o, HasSubstr("   1  start-second\n      the second copy ended with exit code 3\n"));
  EXPECT_THAT(o, HasSubstr("   3  expect-second-exit 0   FAILED\n"));
  EXPECT_THAT(o, HasSubstr("found:    exit code 3"));
  EXPECT_THAT(o, HasSubstr("   9  expect w minimized=yes   ok"));
}

TEST_F(ScenarioRunnerTest, StartsTheProgramReadsItsLogAndSeesItExit) {
  EXPECT_EQ(Play(R"(app a
window w a "W"
start
expect quillmere exists=yes visible=yes
expect-log "started"
menu about
expect-log "about"
tray left
start
menu exit
expect quillmere exists=no
expect-exit 7
expect-log "about"
)",
                 [] { return sim_test::RunFakeProgram(7); }),
            2)
      << out.str();
  std::string o = out.str();
  EXPECT_THAT(o, HasSubstr("      quillmere  appeared: \"Fake\" (10,10) 300x200 [QuillmereMainWindow] visible"));
  EXPECT_THAT(o, HasSubstr("      log        started\n"));
  EXPECT_THAT(o, HasSubstr("   6  menu about\n      log  about\n"));
  EXPECT_THAT(o, HasSubstr("   8  tray left   FAILED\n      could not: the program shows no tray icon\n"));
  EXPECT_THAT(o, HasSubstr("   9  start   FAILED\n      could not: the program is already running\n"));
  EXPECT_THAT(o, HasSubstr("  10  menu exit\n      quillmere  was destroyed\n"));
  EXPECT_THAT(o, HasSubstr("  12  expect-exit 7   ok"));
  // The last log read stays readable after the program has gone.
  EXPECT_THAT(o, HasSubstr("  13  expect-log \"about\"   ok"));
}

TEST_F(ScenarioRunnerTest, KillEndsTheProgramWithoutItsExitAndItStartsAgain) {
  // The stand-in's exit (its WM_DESTROY) would give exit code 7.
  EXPECT_EQ(Play(R"(start
menu about
kill
expect quillmere exists=no
expect-exit 1
expect-log "about"
kill
start
expect quillmere exists=yes
expect-log "started"
)",
                 [] { return sim_test::RunFakeProgram(7); }),
            1)
      << out.str();
  std::string o = out.str();
  EXPECT_THAT(o, HasSubstr("   3  kill\n      quillmere  was destroyed\n"));
  EXPECT_THAT(o, HasSubstr("   5  expect-exit 1   ok"));
  EXPECT_THAT(o, HasSubstr("   6  expect-log \"about\"   ok"));
  EXPECT_THAT(o, HasSubstr("   7  kill   FAILED\n      could not: the program is not running\n"));
  EXPECT_THAT(o, HasSubstr("   9  expect quillmere exists=yes   ok"));
}

// Marks the stand-in's thread as one whose stack cannot be unwound.
thread_local bool t_cannotUnwind = false;

TEST_F(ScenarioRunnerTest, AKilledProgramWhoseThreadCannotBeUnwoundStopsAndStartsAgain) {
  std::string o;
  {
    ProgramHost program(
        [] {
          t_cannotUnwind = true;
          return sim_test::RunFakeProgram(7);
        },
        std::chrono::seconds(10), [] { return t_cannotUnwind; });
    ScenarioRunner runner(out, program, settings);
    runner.Play(ParseScenario(R"(start
menu about
kill
expect quillmere exists=no
expect-exit 1
expect-log "about"
start
expect quillmere exists=yes
menu exit
expect-exit 7
)"));
    EXPECT_EQ(runner.Failures(), 0) << out.str();
    // The stopped thread never comes back, so no start is refused for it
    // and nothing waits for it when the host goes.
    EXPECT_FALSE(program.Running());
  }
  o = out.str();
  EXPECT_THAT(o, HasSubstr("   3  kill\n      quillmere  was destroyed\n"));
  EXPECT_THAT(o, HasSubstr("   5  expect-exit 1   ok"));
  EXPECT_THAT(o, HasSubstr("  10  expect-exit 7   ok"));
}

TEST_F(ScenarioRunnerTest, FinishClosesARunningProgramAndShowsTheDesktopAndSettings) {
  {
    std::ofstream ini(settings);
    ini << "[Window]\nLeft=5\n";
  }
  EXPECT_EQ(Play(
                "app a\nwindow w a \"W\" rect=1,1,201,101\nstart\n", [] { return sim_test::RunFakeProgram(0); }, true),
            0)
      << out.str();
  std::string o = out.str();
  EXPECT_THAT(o, HasSubstr("The program is still running: the user chooses its exit command.\n"
                           "      quillmere  was destroyed\n"));
  EXPECT_THAT(o, HasSubstr("The program exited with code 0."));
  EXPECT_THAT(o, HasSubstr("The desktop at the end (top first):\n      w  \"W\" (1,1) 200x100"));
  EXPECT_THAT(o, HasSubstr("The settings file at the end:\n      [Window]\n      Left=5\n"));
}

TEST_F(ScenarioRunnerTest, AProgramThatOpensNoWindowIsAFailedStart) {
  EXPECT_EQ(Play("start\nexpect-exit 3\n", [] { return 3; }), 1);
  EXPECT_THAT(out.str(), HasSubstr("could not: the program ended with exit code 3 before opening its main window"));
  EXPECT_THAT(out.str(), HasSubstr("   2  expect-exit 3   ok"));
}

TEST_F(ScenarioRunnerTest, TheLanguageChosenBeforeStartIsTheLanguageOfTheMenu) {
  EXPECT_EQ(Play(R"(print menu
language ja
start
print menu
language en
menu exit
language de
start
print menu
)",
                 [] { return sim_test::RunFakeProgram(0); }),
            1)
      << out.str();
  std::string o = out.str();
  EXPECT_THAT(o, HasSubstr("   1  print menu\n      the program is not running\n"));
  EXPECT_THAT(o, HasSubstr("   4  print menu\n      ファイル: 終了 | ----\n      ヘルプ: 情報\\tF1\n"));
  EXPECT_THAT(o, HasSubstr("   5  language en   FAILED\n      could not: the program is running: choose the language "
                           "before start\n"));
  // A German user gets the English menu.
  EXPECT_THAT(o, HasSubstr("   9  print menu\n      File: Exit | ----\n      Help: About\\tF1\n"));
}

}  // namespace
