// Runs the real program on the simulated desktop: its entry function on a
// thread of its own, in a fresh working directory holding the settings
// file and the script.
#ifndef QUILLMERE_TESTS_SHELL_PROGRAMFIXTURE_H
#define QUILLMERE_TESTS_SHELL_PROGRAMFIXTURE_H

#include <gtest/gtest.h>
#include <windows.h>
#include <winsim/driver.h>

#include <atomic>
#include <string>
#include <thread>

class ProgramTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Files in the working directory.
  void WriteFile(const std::string &name, const std::string &text);
  std::string ReadFile(const std::string &name) const;
  // A settings file with the given geometry and options, naming script.py.
  void WriteSettings(int left, int top, int width, int height, bool tray, bool minimize);
  void WriteScript(const std::string &python);
  // The 64-bit program starts its 32-bit companion from its own folder:
  // registered at SetUp, and again after a reset of the desktop.
  void RegisterCompanion();

  // Starts the program and waits until its message loop is idle.
  void Start();
  // Starts the program and returns once its main window exists.
  void Launch();
  // Waits until the started program's message loop is idle.
  void WaitStarted();
  // Waits for the entry function to return and gives its exit code.
  int Join();
  // Starts the program again, in a process of its own, while the first
  // runs; waits for it to end and gives its exit code (-1: it did not end).
  int RunSecondCopy();
  bool Running() const { return thread.joinable() && !finished; }

  // A window of an application, shown without activation; style 0 gives
  // the usual style (an owned window is then a pop-up).
  HWND AppWindow(DWORD app, const wchar_t *title, RECT rect = {100, 100, 500, 400}, HWND owner = nullptr,
                 DWORD style = 0);
  // The user clicks the window, and everything queued is handled.
  void Click(HWND window);
  std::wstring Log() const;

  HWND main = nullptr;
  std::string dir;

 private:
  std::thread thread;
  std::atomic<bool> finished{false};
  int exitCode = -1;
  std::string previousDir;
};

#endif
