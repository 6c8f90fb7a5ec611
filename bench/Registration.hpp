#pragma once

namespace mirona {

// Each registers one group of the suite's benchmarks. Names are
// "<group>/<tool>/<canvas size>[/<figure size>]/<engine>"; the median table pairs the engines
// of one row. Times are wall-clock, and the CPU time is the whole process's: QPainter hands
// parts of its work to helper threads, which a thread's own CPU time would leave out.
void registerMemoryBenchmark();
void registerStepBenchmarks();
void registerEventPathBenchmarks();
void registerHistoryBenchmarks();
void registerOpenBenchmarks();

} // namespace mirona
