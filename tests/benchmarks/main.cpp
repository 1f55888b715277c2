// The benchmark program: one interpreter for the whole run (as the program
// has), the families in a fixed order, and a quick exit at the end.
#include "Benchmarks.h"

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <benchmark/benchmark.h>
#include <winsim/driver.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char **argv) {
  Py_InitializeEx(0);
  // Cheap and small worlds first; the intake builds up to 100,000 windows
  // and keeps them to the end.
  qbench::RegisterHookBenchmarks();
  qbench::RegisterSettingsBenchmarks();
  qbench::RegisterEndToEndBenchmarks();
  qbench::RegisterIntakeBenchmarks();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  qbench::ReleaseIntakeWorld();
  std::fflush(nullptr);
  // Ending the application that holds the 100,000 windows would destroy
  // them one by one; the process ends here instead.
  std::_Exit(0);
}
