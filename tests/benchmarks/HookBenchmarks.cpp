// The hook procedure, measured through the platform: the procedure is not
// exported, so what is timed is the work an application thread does with
// the hook installed, against the same work with a bare hook whose
// procedure only calls CallNextHookEx, and with no hook at all.
//
// The work runs on the application's own thread, timed there, in batches:
//  - common path: EnableWindow(FALSE) and EnableWindow(TRUE) on a window of
//    the application. Each sends one WM_ENABLE as the system (the hook sees
//    wParam 0), which is none of the four forwarded kinds, so the hook
//    procedure tests the kind and calls on.
//  - forwarded: SetFocus between two child windows of the application. Each
//    sends WM_KILLFOCUS and WM_SETFOCUS as the system, both forwarded:
//    allocate a page in the program's process (through the handle the
//    application opened at its first event and keeps), write, post. The
//    difference to the bare hook, divided by the events that arrived, is
//    the cost of one forwarded event.
//  - baseline of the forwarded event: the same application thread posts
//    plain messages to the same target window (PostMessageW across threads).
// Posted events are taken and their pages released between batches, on the
// target's thread, outside the timed part.
#include "Benchmarks.h"

#include "BenchSupport.h"
#include "hook/QuillmereHook.h"
#include "support/TestWindowClass.h"

#include <benchmark/benchmark.h>
#include <winsim/driver.h>

using namespace winsim::driver;

namespace qbench {

namespace {

const UINT kEventMessage = WM_USER + 1;
const UINT kPlainMessage = WM_USER + 50;
const int kBatch = 1000;  // operations per batch; a forwarded batch posts 2000 events

LRESULT CALLBACK BareHook(int code, WPARAM wParam, LPARAM lParam) {
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

LRESULT CALLBACK TargetProc(HWND h, UINT m, WPARAM w, LPARAM l) { return DefWindowProcW(h, m, w, l); }

struct HookWorld {
  DWORD app = 0;
  HWND top = nullptr, first = nullptr, second = nullptr, toggled = nullptr;
  HWND target = nullptr;  // a hidden window of the benchmark thread, in the program's process

  HookWorld() {
    app = StartApp("hooked");
    NewWindow newWindow;
    newWindow.title = L"Hooked";
    top = CreateAppWindow(app, newWindow);
    newWindow.title = L"first";
    newWindow.parent = top;
    newWindow.rect = RECT{0, 0, 50, 20};
    first = CreateAppWindow(app, newWindow);
    newWindow.title = L"second";
    second = CreateAppWindow(app, newWindow);
    newWindow = NewWindow();
    newWindow.title = L"Toggled";
    toggled = CreateAppWindow(app, newWindow);
    ClickFocus(first);
    WaitAllIdle();

    target = CreateWindowExW(0, RegisterTestClass(L"QuillmereBenchTarget", TargetProc), L"target", WS_OVERLAPPED, 0, 0,
                             10, 10, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  }
  ~HookWorld() {
    DestroyWindow(target);
    StopApp(app);
  }
};

enum class HookKind { None, Bare, Quillmere };

class InstalledHook {
 public:
  InstalledHook(HookKind kind, HWND target) : kind_(kind) {
    if (kind == HookKind::Bare) bare_ = SetWindowsHookExW(WH_CALLWNDPROCRET, BareHook, GetModuleHandleW(nullptr), 0);
    if (kind == HookKind::Quillmere) RegisterHook(target, kEventMessage);
  }
  ~InstalledHook() {
    if (bare_) UnhookWindowsHookEx(bare_);
    if (kind_ == HookKind::Quillmere) UnregisterHook();
  }
  InstalledHook(const InstalledHook &) = delete;
  InstalledHook &operator=(const InstalledHook &) = delete;

 private:
  HookKind kind_;
  HHOOK bare_ = nullptr;
};

// Seconds the application thread spends on one batch of the work.
template <typename Work>
double TimeInApp(DWORD app, Work work) {
  double seconds = 0;
  RunInApp(app, [&] {
    Clock::time_point start = Clock::now();
    work();
    seconds = Seconds(start, Clock::now());
  });
  return seconds;
}

double EnableBatch(HookWorld &w, HookKind kind) {
  InstalledHook hook(kind, w.target);
  return TimeInApp(w.app, [&] {
    for (int i = 0; i < kBatch; ++i) {
      EnableWindow(w.toggled, FALSE);
      EnableWindow(w.toggled, TRUE);
    }
  });
}

double FocusBatch(HookWorld &w, HookKind kind, std::size_t &events) {
  double seconds;
  {
    InstalledHook hook(kind, w.target);
    seconds = TimeInApp(w.app, [&] {
      for (int i = 0; i < kBatch; ++i) SetFocus(i % 2 ? w.first : w.second);
    });
  }
  events += DrainHookEvents(kEventMessage);
  return seconds;
}

double PostBatch(HookWorld &w) {
  double seconds = TimeInApp(w.app, [&] {
    for (int i = 0; i < 2 * kBatch; ++i) PostMessageW(w.target, kPlainMessage, 0, 0);
  });
  DrainHookEvents(kPlainMessage);
  return seconds;
}

void HookCommonPath(benchmark::State &state) {
  HookWorld world;
  double none = 0, bare = 0, quillmere = 0;
  for (auto _ : state) {
    // Interleaved, so that a change of clock speed meets all three alike.
    none += EnableBatch(world, HookKind::None);
    bare += EnableBatch(world, HookKind::Bare);
    double q = EnableBatch(world, HookKind::Quillmere);
    quillmere += q;
    state.SetIterationTime(q);
  }
  const double messages = 2.0 * kBatch * static_cast<double>(state.iterations());
  state.counters["message_ns"] = 1e9 * quillmere / messages;
  state.counters["baseline_ns"] = 1e9 * bare / messages;
  state.counters["nohook_ns"] = 1e9 * none / messages;
  state.counters["ratio"] = quillmere / bare;
  // What each hook procedure adds to a sent message, over no hook at all.
  state.counters["hook_ns"] = 1e9 * (quillmere - none) / messages;
  state.counters["bare_hook_ns"] = 1e9 * (bare - none) / messages;
  state.SetLabel("per WM_ENABLE: Quillmere hook vs bare CallNextHookEx hook");
}

void HookForwardedEvent(benchmark::State &state) {
  HookWorld world;
  double bare = 0, quillmere = 0, post = 0;
  std::size_t events = 0, bareEvents = 0;
  for (auto _ : state) {
    bare += FocusBatch(world, HookKind::Bare, bareEvents);
    double q = FocusBatch(world, HookKind::Quillmere, events);
    quillmere += q;
    post += PostBatch(world);
    state.SetIterationTime(q);
  }
  const double iterations = static_cast<double>(state.iterations());
  const double posts = 2.0 * kBatch * iterations;
  const double forwarded = events ? static_cast<double>(events) : 1.0;
  const double forwardNs = 1e9 * (quillmere - bare) / forwarded;
  const double postNs = 1e9 * post / posts;
  state.counters["event_ns"] = forwardNs;
  state.counters["baseline_ns"] = postNs;
  state.counters["ratio"] = forwardNs / postNs;
  state.counters["events_per_batch"] = static_cast<double>(events) / iterations;
  state.counters["focus_change_ns"] = 1e9 * quillmere / (kBatch * iterations);
  state.SetLabel("per forwarded event (over a bare hook) vs cross-thread PostMessageW");
}

}  // namespace

void RegisterHookBenchmarks() {
  benchmark::RegisterBenchmark("Hook/CommonPath", HookCommonPath)
      ->UseManualTime()
      ->MinTime(1.0)
      ->Unit(benchmark::kMicrosecond);
  benchmark::RegisterBenchmark("Hook/ForwardedEvent", HookForwardedEvent)
      ->UseManualTime()
      ->MinTime(1.0)
      ->Unit(benchmark::kMicrosecond);
}

}  // namespace qbench
