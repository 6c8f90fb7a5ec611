#pragma once

#include <benchmark/benchmark.h>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace mirona {

// The console output, followed by one Markdown table per group of benchmarks: a row per name
// without its last part (the engine), a column of median wall-clock times per engine, and the ratio
// of every other engine's time to the first engine's, then the counters. Cases run once (the memory
// case) show only their counters. Without repetitions the single run stands in for the median.
class MedianTable final : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& reports) override;
    void Finalize() override;

private:
    void printGroup(const std::string& group);

    struct Result {
        double micros = 0;
        benchmark::UserCounters counters;
        bool oneShot = false; // a single iteration, whose time is no figure per call
    };
    // Names in the order of registration, whatever order the runs came in.
    std::map<std::int64_t, std::string> order_;
    std::map<std::string, Result> results_;
};

} // namespace mirona
