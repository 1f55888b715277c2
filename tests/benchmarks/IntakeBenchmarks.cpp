// The intake of one forwarded event, and the memory of the record map, as
// the number of managed windows grows.
//
// Two main windows are made in the benchmark thread, each a real MainWindow
// with its own shade manager, both holding every top-level window of the
// desktop: one runs a script with five filters (the fifth lets the window
// pass) and plain shade and unshade handlers, the other an empty script.
// One event is what the main window does with a WM_HOOKEVENT: look at the
// page, hand its event to the event table, release the page. The page is allocated and
// filled outside the timed part, as the hook library would have done.
// Every iteration is a focus change away from a managed window (shaded)
// and back (unshaded), on windows spread over the whole map, first for the
// scripted main window and then for the empty one.
//
// The windows are real windows of one application, created hidden in one
// go on the application's thread; the 100,000 take a few seconds, once,
// and the smaller sizes reuse the first windows of the same application.
//
// Memory: a fresh ShadeManager is given the first N windows with AddWindow
// while the counting operator new is on; the net growth, divided by N, is
// what the record map and the records take per window (map nodes, records
// and their shared-pointer counts). The interpreter's own objects are not
// in it: the manager keeps none per window.
#include "Benchmarks.h"

#include "BenchSupport.h"
#include "shade/ShadeManager.h"
#include "shell/MainWindow.h"

#include <benchmark/benchmark.h>
#include <malloc.h>
#include <winsim/driver.h>

#include <cstdio>
#include <memory>

using namespace winsim::driver;

namespace qbench {

namespace {

// Five filters, the last one deciding, and handlers that do nothing.
const std::string kFiveFilters = FiveFilterScript("    return True\n", "    return True\n");

const char kEmpty[] =
    "def configure():\n"
    "    return ([],)\n";

// One application holding hidden, enabled top-level windows, grown on demand.
struct WindowPool {
  DWORD app = 0;
  std::vector<HWND> windows;
  HWND elsewhere = nullptr;  // the window that takes the focus

  void Grow(std::size_t count) {
    if (!app) {
      app = StartApp("managed-windows");
      NewWindow newWindow;
      newWindow.title = L"Elsewhere";
      elsewhere = CreateAppWindow(app, newWindow);
    }
    if (windows.size() >= count) return;
    Clock::time_point start = Clock::now();
    std::size_t before = windows.size();
    RunInApp(app, [&] {
      while (windows.size() < count) {
        wchar_t title[32];
        std::swprintf(title, 32, L"Managed %zu", windows.size());
        windows.push_back(CreateWindowExW(0, L"SimAppWindow", title, WS_OVERLAPPEDWINDOW, 100, 100, 400, 300, nullptr,
                                          nullptr, GetModuleHandleW(nullptr), nullptr));
      }
    });
    std::fprintf(stderr, "created %zu windows in %.2f s\n", count - before, Seconds(start, Clock::now()));
  }
};

WindowPool &Pool() {
  static WindowPool pool;
  return pool;
}

// Two main windows over the pool's first N windows, kept until a world of
// another size is asked for.
struct IntakeWorld {
  std::size_t size;
  ScratchDir dir;
  std::unique_ptr<MainWindow> scripted, empty;

  explicit IntakeWorld(std::size_t n) : size(n) {
    Pool().Grow(n);
    dir.Write("five.py", kFiveFilters);
    dir.Write("empty.py", kEmpty);
    // The hook is not part of this measurement: each window installs it and
    // it is removed again, so that the next may install it. Events it
    // forwarded while the windows were made are handled and their pages
    // released.
    scripted = Make("five.py");
    UnregisterHook();
    empty = Make("empty.py");
    UnregisterHook();
    MSG msg;
    while (PeekMessageW(&msg, nullptr, WM_HOOKEVENT, WM_HOOKEVENT, PM_REMOVE)) DispatchMessageW(&msg);
  }

  std::unique_ptr<MainWindow> Make(const char *script) {
    dir.Write("quillmere.ini", SettingsText(script));
    auto window = std::make_unique<MainWindow>(GetModuleHandleW(nullptr));
    window->RegisterWindowClass();
    window->Create(L"Quillmere bench");
    return window;
  }

  ~IntakeWorld() {
    for (auto *w : {&scripted, &empty}) {
      DestroyWindow((*w)->GetWindow());
      w->reset();
    }
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message != WM_QUIT) DispatchMessageW(&msg);
    }
  }
};

// A world per size: the 100,000-window pool is made once, and the main
// windows of one size are kept for all the runs of that size.
std::unique_ptr<IntakeWorld> world;

IntakeWorld &World(std::size_t n) {
  if (!world || world->size != n) {
    world.reset();
    world.reset(new IntakeWorld(n));
  }
  return *world;
}

// Seconds for one event: the page, then what HandleHookEvent does with it.
double Intake(MainWindow &main, UINT message, HWND window, HWND other) {
  HookEventRecord record{0, 0, reinterpret_cast<WPARAM>(other), message, window};
  void *page = VirtualAllocEx(GetCurrentProcess(), nullptr, kHookEventPageSize, MEM_COMMIT, PAGE_READWRITE);
  WriteProcessMemory(GetCurrentProcess(), page, &record, sizeof record, nullptr);

  const DWORD queued = GetTickCount();  // long after the main window's start
  Clock::time_point start = Clock::now();
  main.HandleHookEvent(reinterpret_cast<LPARAM>(page), queued);  // checks, handles and releases the page
  return Seconds(start, Clock::now());
}

void IntakeFocusChange(benchmark::State &state) {
  const std::size_t n = static_cast<std::size_t>(state.range(0));
  IntakeWorld &world = World(n);
  const std::vector<HWND> &windows = Pool().windows;
  HWND elsewhere = Pool().elsewhere;
  // Up to 64 windows spread evenly over the map.
  std::vector<HWND> used;
  const std::size_t step = n > 64 ? n / 64 : 1;
  for (std::size_t i = 0; i < n; i += step) used.push_back(windows[i]);

  double scripted = 0, empty = 0;
  std::size_t shaded = 0, next = 0;
  for (auto _ : state) {
    HWND w = used[next++ % used.size()];
    double t = Intake(*world.scripted, WM_KILLFOCUS, w, elsewhere);
    WindowRecordPtr record = world.scripted->GetShadeManager()->FindRecord(w);
    if (record && record->shaded) ++shaded;
    t += Intake(*world.scripted, WM_SETFOCUS, w, elsewhere);
    scripted += t;
    state.SetIterationTime(t);
    empty += Intake(*world.empty, WM_KILLFOCUS, w, elsewhere);
    empty += Intake(*world.empty, WM_SETFOCUS, w, elsewhere);
  }
  const double events = 2.0 * static_cast<double>(state.iterations());
  state.counters["event_ns"] = 1e9 * scripted / events;
  state.counters["baseline_ns"] = 1e9 * empty / events;
  state.counters["ratio"] = scripted / empty;
  state.counters["managed"] = static_cast<double>(world.scripted->GetShadeManager()->Records().size());
  // Every focus change must have shaded its window, or the figure is not
  // the one it claims to be.
  state.counters["shaded_share"] = static_cast<double>(shaded) / static_cast<double>(state.iterations());
}

void RecordMemory(benchmark::State &state) {
  const std::size_t n = static_cast<std::size_t>(state.range(0));
  Pool().Grow(n);
  const std::vector<HWND> &windows = Pool().windows;
  for (auto _ : state) {
    auto manager = std::make_unique<ShadeManager>();
    struct mallinfo2 before = mallinfo2();
    heap::Reset();
    heap::Enable(true);
    for (std::size_t i = 0; i < n; ++i) manager->AddWindow(windows[i]);
    heap::Enable(false);
    struct mallinfo2 after = mallinfo2();
    const double count = static_cast<double>(manager->Records().size());
    state.counters["bytes_per_window"] = static_cast<double>(heap::LiveBytes()) / count;
    state.counters["blocks_per_window"] = static_cast<double>(heap::LiveBlocks()) / count;
    state.counters["mallinfo_bytes_per_window"] = static_cast<double>(after.uordblks + after.hblkhd) -
                                                  static_cast<double>(before.uordblks + before.hblkhd);
    state.counters["mallinfo_bytes_per_window"] = state.counters["mallinfo_bytes_per_window"] / count;
    // What a window's entry holds as data: the key and the record itself.
    const double payload = sizeof(HWND) + sizeof(WindowRecord);
    state.counters["payload_bytes"] = payload;
    state.counters["ratio"] = static_cast<double>(heap::LiveBytes()) / count / payload;
    state.counters["managed"] = count;
  }
}

}  // namespace

void ReleaseIntakeWorld() { world.reset(); }

void RegisterIntakeBenchmarks() {
  for (long n : {10L, 1000L, 100000L})
    benchmark::RegisterBenchmark("Intake/FocusChange", IntakeFocusChange)
        ->Arg(n)
        ->UseManualTime()
        ->MinTime(1.0)
        ->Unit(benchmark::kMicrosecond);
  for (long n : {10L, 100L, 1000L, 10000L, 100000L})
    benchmark::RegisterBenchmark("Memory/RecordMap", RecordMemory)->Arg(n)->Iterations(1);
}

}  // namespace qbench
