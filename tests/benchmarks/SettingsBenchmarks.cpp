// Loading and saving a settings file of 1,000 sections with 10 keys each
// (numbers, booleans, text, with a comment line in every section). The
// baselines are the whole-file read and the replacing write that the
// loader and the writer themselves start and end with, so the ratios are
// what the grammar, the document and the writer cost over the file access.
#include "Benchmarks.h"

#include "BenchSupport.h"
#include "config/INIFile.h"
#include "config/TextFile.h"

#include <benchmark/benchmark.h>

#include <string>

namespace qbench {

namespace {

std::string BigSettings() {
  std::string text;
  for (int s = 0; s < 1000; ++s) {
    text += "[Section" + std::to_string(s) + "]\n";
    text += "; settings of part " + std::to_string(s) + "\n";
    for (int k = 0; k < 10; ++k) {
      std::string key = "Key" + std::to_string(k);
      switch (k % 3) {
        case 0:
          text += key + "=" + std::to_string(s * 10 + k - 500) + "\n";
          break;
        case 1:
          text += key + "=" + (s % 2 ? "true" : "false") + "\n";
          break;
        default:
          text += key + "=some text value " + std::to_string(s) + "\n";
          break;
      }
    }
    text += "\n";
  }
  return text;
}

void SettingsLoad(benchmark::State &state) {
  ScratchDir dir;
  dir.Write("big.ini", BigSettings());
  const std::string path = dir.Path("big.ini");
  double load = 0, read = 0;
  std::size_t sections = 0;
  for (auto _ : state) {
    Clock::time_point t0 = Clock::now();
    {
      INIFile document;
      document.LoadFromFile(path);
      sections = document.sections.size();
    }
    Clock::time_point t1 = Clock::now();
    std::string text;
    ReadTextFile(path, text);
    benchmark::DoNotOptimize(text.data());
    Clock::time_point t2 = Clock::now();
    load += Seconds(t0, t1);
    read += Seconds(t1, t2);
    state.SetIterationTime(Seconds(t0, t1));
  }
  const double n = static_cast<double>(state.iterations());
  state.counters["ms"] = 1e3 * load / n;
  state.counters["baseline_ms"] = 1e3 * read / n;
  state.counters["ratio"] = load / read;
  state.counters["sections"] = static_cast<double>(sections);
}

void SettingsSave(benchmark::State &state) {
  ScratchDir dir;
  dir.Write("big.ini", BigSettings());
  INIFile document;
  document.LoadFromFile(dir.Path("big.ini"));
  const std::string text = document.ToText();
  const std::string out = dir.Path("out.ini"), raw = dir.Path("raw.ini");
  double save = 0, write = 0;
  for (auto _ : state) {
    Clock::time_point t0 = Clock::now();
    document.SaveToFile(out);
    Clock::time_point t1 = Clock::now();
    ReplaceTextFile(raw, text);
    Clock::time_point t2 = Clock::now();
    save += Seconds(t0, t1);
    write += Seconds(t1, t2);
    state.SetIterationTime(Seconds(t0, t1));
  }
  const double n = static_cast<double>(state.iterations());
  state.counters["ms"] = 1e3 * save / n;
  state.counters["baseline_ms"] = 1e3 * write / n;
  state.counters["ratio"] = save / write;
  state.counters["bytes"] = static_cast<double>(text.size());
}

}  // namespace

void RegisterSettingsBenchmarks() {
  benchmark::RegisterBenchmark("Settings/Load1000x10", SettingsLoad)
      ->UseManualTime()
      ->MinTime(1.0)
      ->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("Settings/Save1000x10", SettingsSave)
      ->UseManualTime()
      ->MinTime(1.0)
      ->Unit(benchmark::kMillisecond);
}

}  // namespace qbench
