// End to end: an application's window loses the keyboard focus to another
// application, and the time until that window's own thread sees it rolled
// up to its caption bar; and back. The program runs as it does for the
// user: a MainWindow made on a thread of the program's process, with the
// global hook installed by its first showing and a script of five filters
// whose shade handlers call Quillmere.doShadeWindow.
//
// Both ends are taken on the application's thread, with one clock: the
// start when its window procedure handles WM_KILLFOCUS (or WM_SETFOCUS on
// the way back), the end when it handles the WM_WINDOWPOSCHANGED that
// leaves the window at caption height (or at its full height again). In
// between: the hook, the post, the program's message loop, the intake,
// the filters and handlers, and the sizing sent back to the application.
//
// Baseline, between the same two threads: the application's window
// procedure posts a message to the program's main window, the program's
// message loop takes it and posts a reply, and the application takes the
// reply. Timed from the first post's handler to the reply's handler.
#include "Benchmarks.h"

#include "BenchSupport.h"
#include "shell/MainWindow.h"
#include "shell/resource.h"
#include "support/TestWindowClass.h"

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <benchmark/benchmark.h>
#include <winsim/driver.h>

#include <atomic>
#include <memory>
#include <thread>

using namespace winsim::driver;

namespace qbench {

namespace {

const UINT kTrigger = WM_APP + 1;  // to the application: start a round trip
const UINT kPing = WM_APP + 2;     // application to program
const UINT kPong = WM_APP + 3;     // program to application

// Five filters, the last one deciding, and handlers that roll the window.
const std::string kScript = "import Quillmere\n" + FiveFilterScript("    Quillmere.doShadeWindow(h, 1)\n",
                                                                    "    Quillmere.doShadeWindow(h, 0)\n");

enum class Expect { Nothing, RolledUp, RolledDown, Reply };

// What the observed window's procedure sees, on the application's thread.
struct Observation {
  std::atomic<HWND> window{nullptr};
  std::atomic<HWND> program{nullptr};
  std::atomic<Expect> expect{Expect::Nothing};
  std::atomic<long> fullHeight{0};
  std::atomic<long long> start{0}, end{0};
  std::atomic<bool> done{false};
};
Observation g_seen;

long long Now() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch()).count();
}

LRESULT CALLBACK ObservedProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (h == g_seen.window.load()) {
    Expect expect = g_seen.expect.load();
    switch (m) {
      case WM_KILLFOCUS:
        if (expect == Expect::RolledUp) g_seen.start = Now();
        break;
      case WM_SETFOCUS:
        if (expect == Expect::RolledDown) g_seen.start = Now();
        break;
      case WM_WINDOWPOSCHANGED: {
        RECT r;
        GetWindowRect(h, &r);
        long height = r.bottom - r.top;
        if ((expect == Expect::RolledUp && height < g_seen.fullHeight) ||
            (expect == Expect::RolledDown && height == g_seen.fullHeight)) {
          g_seen.end = Now();
          g_seen.done = true;
        }
        break;
      }
      case kTrigger:
        g_seen.start = Now();
        PostMessageW(g_seen.program.load(), kPing, 0, reinterpret_cast<LPARAM>(h));
        return 0;
      case kPong:
        g_seen.end = Now();
        g_seen.done = true;
        return 0;
      default:
        break;
    }
  }
  return DefWindowProcW(h, m, w, l);
}

// The program: a MainWindow and its message loop on a thread of the
// program's process, which also answers the baseline's posts.
class ProgramThread {
 public:
  ProgramThread() {
    thread_ = std::thread([this] { Run(); });
    while (!main_.load() && !failed_.load()) std::this_thread::yield();
  }
  ~ProgramThread() {
    if (HWND main = main_.load()) ChooseMenuCommand(main, IDM_EXIT);
    thread_.join();
  }
  ProgramThread(const ProgramThread &) = delete;
  ProgramThread &operator=(const ProgramThread &) = delete;
  HWND Main() const { return main_.load(); }

 private:
  void Run() {
    PyGILState_STATE gil = PyGILState_Ensure();
    {
      MainWindow window(GetModuleHandleW(nullptr));
      window.RegisterWindowClass();
      if (window.Create(L"Quillmere bench")) {
        main_ = window.GetWindow();
        MSG msg;
        while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
          if (msg.message == kPing) {
            PostMessageW(reinterpret_cast<HWND>(msg.lParam), kPong, 0, 0);
            continue;
          }
          TranslateMessage(&msg);
          DispatchMessageW(&msg);
        }
      } else {
        failed_ = true;
      }
    }
    PyGILState_Release(gil);
  }

  std::thread thread_;
  std::atomic<HWND> main_{nullptr};
  std::atomic<bool> failed_{false};
};

// One observed event: the trigger, then everything handled; the sample in
// microseconds, or a negative value when the expected end never came.
template <typename Trigger>
double Observe(Expect expect, Trigger trigger) {
  g_seen.done = false;
  g_seen.start = 0;
  g_seen.end = 0;
  g_seen.expect = expect;
  trigger();
  WaitAllIdle();
  g_seen.expect = Expect::Nothing;
  if (!g_seen.done.load()) return -1;
  return static_cast<double>(g_seen.end.load() - g_seen.start.load()) / 1000.0;
}

void EndToEndFocusChange(benchmark::State &state) {
  ScratchDir dir;
  dir.Write("script.py", kScript);
  dir.Write("quillmere.ini", SettingsText("script.py"));

  DWORD observed = StartApp("observed");
  DWORD other = StartApp("other");
  HWND w = nullptr;
  RunInApp(observed, [&] {
    w = CreateWindowExW(0, RegisterTestClass(L"QuillmereBenchObserved", ObservedProc), L"Managed window",
                        WS_OVERLAPPEDWINDOW, 100, 100, 400, 300, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ShowWindow(w, SW_SHOWNA);
  });
  NewWindow newWindow;
  newWindow.title = L"Other application";
  HWND v = CreateAppWindow(other, newWindow);
  g_seen.window = w;
  g_seen.fullHeight = ReadWindow(w).rect.bottom - ReadWindow(w).rect.top;

  std::vector<double> shade, unshade, roundTrip;
  std::size_t missed = 0;
  {
    InterpreterHandOver handOver;
    ProgramThread program;
    g_seen.program = program.Main();
    WaitAllIdle();
    ClickFocus(w);
    WaitAllIdle();
    for (auto _ : state) {
      double up = Observe(Expect::RolledUp, [&] { ClickFocus(v); });
      double down = Observe(Expect::RolledDown, [&] { ClickFocus(w); });
      double trip = Observe(Expect::Reply, [&] { PostMessageW(w, kTrigger, 0, 0); });
      if (up < 0 || down < 0 || trip < 0) {
        ++missed;
        state.SetIterationTime(0);
        continue;
      }
      shade.push_back(up);
      unshade.push_back(down);
      roundTrip.push_back(trip);
      state.SetIterationTime((up + down) / 2e6);
    }
  }
  g_seen.window = nullptr;
  StopApp(observed);
  StopApp(other);

  std::vector<double> events(shade);
  events.insert(events.end(), unshade.begin(), unshade.end());
  const double median = Quantile(events, 0.5), baseline = Quantile(roundTrip, 0.5);
  state.counters["median_us"] = median;
  state.counters["p99_us"] = Quantile(events, 0.99);
  state.counters["shade_median_us"] = Quantile(shade, 0.5);
  state.counters["shade_p99_us"] = Quantile(shade, 0.99);
  state.counters["unshade_median_us"] = Quantile(unshade, 0.5);
  state.counters["unshade_p99_us"] = Quantile(unshade, 0.99);
  state.counters["baseline_median_us"] = baseline;
  state.counters["baseline_p99_us"] = Quantile(roundTrip, 0.99);
  state.counters["ratio"] = baseline > 0 ? median / baseline : 0;
  state.counters["missed"] = static_cast<double>(missed);
}

}  // namespace

void RegisterEndToEndBenchmarks() {
  benchmark::RegisterBenchmark("EndToEnd/FocusChange", EndToEndFocusChange)
      ->UseManualTime()
      ->Iterations(400)
      ->Unit(benchmark::kMicrosecond);
}

}  // namespace qbench
