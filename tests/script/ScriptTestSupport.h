// Shared pieces of the script host and shade manager tests: an interpreter
// for the test process, a fresh "__main__" namespace and desktop per test,
// script files on disk, and access to script globals from C++.
#ifndef QUILLMERE_TESTS_SCRIPT_SCRIPTTESTSUPPORT_H
#define QUILLMERE_TESTS_SCRIPT_SCRIPTTESTSUPPORT_H

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

namespace quillmere_test {

// The script-facing value of a window handle.
inline std::int32_t Handle(HWND window) { return static_cast<std::int32_t>(reinterpret_cast<std::intptr_t>(window)); }
inline std::string HandleText(HWND window) { return std::to_string(Handle(window)); }

// A script file in the temporary directory, removed with the object.
class TempScript {
 public:
  explicit TempScript(const std::string &source);
  ~TempScript();
  TempScript(const TempScript &) = delete;
  TempScript &operator=(const TempScript &) = delete;
  const std::string &path() const { return path_; }

 private:
  std::string path_;
};

// A path where no file exists.
std::string MissingPath();

// Ends the test process, saying what never ended, when its scope lasts
// longer than the patience given: code under test that hangs holding the
// interpreter lock cannot be ended any other way, and a clear message
// beats waiting for the test runner's timeout.
class HangGuard {
 public:
  HangGuard(std::string what, std::chrono::milliseconds patience);
  ~HangGuard();
  HangGuard(const HangGuard &) = delete;
  HangGuard &operator=(const HangGuard &) = delete;

 private:
  std::mutex mutex_;
  std::condition_variable done_;
  bool ended_ = false;
  std::thread thread_;
};

// Each test gets an empty "__main__" namespace, sys.stderr captured in a
// string, no error sink, and an empty desktop afterwards.
class ScriptTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Runs statements / evaluates an expression in "__main__"; a script
  // error fails the test. Eval gives str() of the value, in UTF-8.
  void Exec(const std::string &code);
  std::string Eval(const std::string &expression);
  // What has been written to sys.stderr since the test began.
  std::string ErrorOutput();
};

}  // namespace quillmere_test

#endif
