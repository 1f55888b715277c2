// Shared pieces of the platform-behaviour tests. They use plain Win32 only,
// so the same sources run against winsim on Linux and against the system
// (or Wine) on Windows: a recording window class, windows that are destroyed
// after each test, and a second thread with its own message loop standing in
// for another application.
#ifndef QUILLMERE_TESTS_PLATFORM_SUPPORT_H
#define QUILLMERE_TESTS_PLATFORM_SUPPORT_H

#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <future>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace platform_test {

// True when running under Wine, where a few checks are skipped because Wine
// departs from the platform's documentation (each skip names the difference).
bool OnWine();

// Messages the recording class answers in its own way.
constexpr UINT kWhoRuns = WM_APP + 1;  // returns the id of the thread running the procedure
constexpr UINT kPing = WM_APP + 2;     // returns 0x5A
constexpr UINT kPosted = WM_APP + 3;
constexpr UINT kSendPing = WM_APP + 4;  // sends kPing to the window in lParam, returns its result

struct Seen {
  HWND hwnd;
  UINT message;
  WPARAM wParam;
  DWORD threadId;
};

// Everything the recording class's procedure is given, from every thread.
class Log {
 public:
  static void Add(const Seen &s);
  static void Clear();
  // The listed messages seen by the listed windows (any window when empty), in order.
  static std::vector<Seen> Of(const std::vector<UINT> &messages, const std::vector<HWND> &windows = {});
  // Their message numbers only.
  static std::vector<UINT> Messages(const std::vector<UINT> &messages, const std::vector<HWND> &windows = {});
};

// Behaviour the recording procedure gives on request.
struct Behaviour {
  static LONG minTrackHeight;    // > 0: WM_GETMINMAXINFO raises the minimum tracking height to it
  static bool failCreate;        // WM_CREATE returns -1
  static bool inSendDuringCall;  // InSendMessage() while handling kWhoRuns
};

const wchar_t *ClassName();  // registered on first use

class PlatformTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // A window of the recording class on the calling thread, destroyed after the test.
  HWND Make(DWORD style, HWND parent = nullptr, const wchar_t *title = L"Window", DWORD exStyle = 0,
            RECT rect = {100, 100, 400, 300});
  std::vector<HWND> made_;
};

// A thread with its own message loop, as another application's GUI thread.
class OtherThread {
 public:
  OtherThread();
  ~OtherThread();
  OtherThread(const OtherThread &) = delete;
  OtherThread &operator=(const OtherThread &) = delete;
  DWORD id() const { return id_; }
  HWND window() const { return window_; }  // a visible top-level window of the recording class

 private:
  std::thread thread_;
  DWORD id_ = 0;
  HWND window_ = nullptr;
};

// Takes every message for the calling thread that is already there.
void Pump();

std::wstring Text(HWND window);
LONG Height(HWND window);

}  // namespace platform_test

#endif
