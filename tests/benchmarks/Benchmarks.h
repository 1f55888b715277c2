// The benchmark families, registered by main in the order they run.
#ifndef QUILLMERE_TESTS_BENCHMARKS_BENCHMARKS_H
#define QUILLMERE_TESTS_BENCHMARKS_BENCHMARKS_H

namespace qbench {

void RegisterHookBenchmarks();
void RegisterSettingsBenchmarks();
void RegisterEndToEndBenchmarks();
void RegisterIntakeBenchmarks();
// Ends the main windows of the intake runs and leaves their directory.
void ReleaseIntakeWorld();

}  // namespace qbench

#endif
