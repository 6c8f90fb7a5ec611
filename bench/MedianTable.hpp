#pragma once

#include <benchmark/benchmark.h>
#include <map>
#include <string>
#include <vector>

namespace mirona {

// The console output, followed by one Markdown table per group of benchmarks: a row per name
// without its last part (the engine), a column of median CPU times per engine, and the ratio of
// every other engine's time to the first engine's ("x faster"). The memory group is listed with
// its counters. Without repetitions the single run stands in for the median.
class MedianTable final : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& reports) override;
    void Finalize() override;

private:
    struct Result {
        double micros = 0;
        benchmark::UserCounters counters;
    };
    std::vector<std::string> order_;
    std::map<std::string, Result> results_;
};

} // namespace mirona
