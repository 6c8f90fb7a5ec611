#pragma once

namespace mirona {

// Each registers one group of the suite's benchmarks. Names are
// "<group>/<tool>/<canvas size>[/<figure size>]/<engine>"; the median table pairs the engines
// of one row.
void registerMemoryBenchmark();
void registerStepBenchmarks();
void registerEventPathBenchmarks();

} // namespace mirona
