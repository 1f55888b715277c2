// Shared pieces of the winsim tests: a fresh desktop per test, and a
// recorder of what window procedures handle, seen through a global
// WH_CALLWNDPROCRET hook as any hook library would see it.
#ifndef WINSIM_TESTS_DESKTOP_FIXTURE_H
#define WINSIM_TESTS_DESKTOP_FIXTURE_H

#include <gtest/gtest.h>
#include <windows.h>
#include <winsim/driver.h>

#include <mutex>
#include <vector>

namespace winsim_test {

class DesktopTest : public ::testing::Test {
 protected:
  void TearDown() override { winsim::driver::ResetDesktop(); }
};

struct Seen {
  UINT message;
  HWND hwnd;
  WPARAM wParam;      // the message's own wParam
  WPARAM hookWParam;  // nonzero: the handling thread sent it itself
  DWORD threadId;
  DWORD processId;
};

// Records every message a window procedure returns from, on any thread.
class HookRecorder {
 public:
  HookRecorder() {
    instance_ = this;
    hook_ = SetWindowsHookExW(WH_CALLWNDPROCRET, Proc, GetModuleHandleW(nullptr), 0);
  }
  ~HookRecorder() {
    UnhookWindowsHookEx(hook_);
    instance_ = nullptr;
  }
  HookRecorder(const HookRecorder &) = delete;
  HookRecorder &operator=(const HookRecorder &) = delete;

  std::vector<Seen> Take() {
    std::lock_guard<std::mutex> guard(mutex_);
    std::vector<Seen> result;
    result.swap(seen_);
    return result;
  }
  // The messages (of those listed) seen for the given windows, in order.
  std::vector<Seen> Of(const std::vector<UINT> &messages, const std::vector<HWND> &windows) {
    std::vector<Seen> result;
    for (auto &s : Take()) {
      bool m = std::find(messages.begin(), messages.end(), s.message) != messages.end();
      bool w = windows.empty() || std::find(windows.begin(), windows.end(), s.hwnd) != windows.end();
      if (m && w) result.push_back(s);
    }
    return result;
  }
  HHOOK handle() const { return hook_; }

 private:
  static LRESULT CALLBACK Proc(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION && instance_) {
      auto *c = reinterpret_cast<CWPRETSTRUCT *>(lParam);
      std::lock_guard<std::mutex> guard(instance_->mutex_);
      instance_->seen_.push_back(
          Seen{c->message, c->hwnd, c->wParam, wParam, GetCurrentThreadId(), GetCurrentProcessId()});
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
  }
  static inline HookRecorder *instance_ = nullptr;
  HHOOK hook_;
  std::mutex mutex_;
  std::vector<Seen> seen_;
};

inline winsim::driver::NewWindow NewWindowTitled(const wchar_t *title, RECT rect = {100, 100, 500, 400}) {
  winsim::driver::NewWindow s;
  s.title = title;
  s.rect = rect;
  return s;
}

}  // namespace winsim_test

#endif
