// Shared pieces of the benchmarks: a count of the heap bytes that C++ code
// holds, a scratch working directory, handing the interpreter to another
// thread, and order statistics of samples.
#ifndef QUILLMERE_TESTS_BENCHMARKS_BENCHSUPPORT_H
#define QUILLMERE_TESTS_BENCHMARKS_BENCHSUPPORT_H

#include <windows.h>

#include <chrono>
#include <cstddef>
#include <string>
#include <vector>

namespace qbench {

using Clock = std::chrono::steady_clock;

inline double Seconds(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration<double>(to - from).count();
}

// Heap bytes held through operator new, counted only while enabled. Sizes
// are the allocator's usable sizes (what each block really occupies, less
// the allocator's own 8-byte header), so the count is the footprint, not
// the requested total. A block freed while counting is enabled is
// subtracted, so the count over a window of time is the net growth.
namespace heap {
void Enable(bool on);
long long LiveBytes();   // net usable bytes since the last Reset
long long LiveBlocks();  // net blocks since the last Reset
void Reset();
}  // namespace heap

// A fresh directory under /tmp that becomes the working directory for the
// object's life (the program reads its settings from there).
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir &) = delete;
  ScratchDir &operator=(const ScratchDir &) = delete;

  void Write(const std::string &name, const std::string &text) const;
  std::string Path(const std::string &name) const { return dir_ + "/" + name; }

 private:
  std::string dir_;
  std::string previous_;
};

// The settings file the program reads at start, naming the script file.
std::string SettingsText(const std::string &scriptName);

// A script with five filters, of which only the last lets a window titled
// "Managed..." pass, and the given bodies of onShade and onUnshade.
std::string FiveFilterScript(const std::string &onShadeBody, const std::string &onUnshadeBody);

// The p-th quantile (0..1) of the samples, by the nearest-rank rule.
double Quantile(std::vector<double> samples, double p);

// The interpreter belongs to the main thread; a program thread takes it
// for its whole life while the main thread leaves it alone.
class InterpreterHandOver {
 public:
  InterpreterHandOver();   // main thread: release
  ~InterpreterHandOver();  // main thread: take back
  InterpreterHandOver(const InterpreterHandOver &) = delete;
  InterpreterHandOver &operator=(const InterpreterHandOver &) = delete;

 private:
  void *saved_;
};

// Takes every message posted to the calling thread and releases the pages
// of hook events among them. Returns how many hook events there were.
std::size_t DrainHookEvents(UINT eventMessage);

}  // namespace qbench

#endif
