// mirona_bench: the speed and memory benchmarks of the canvas and the drawing tools. Runs with a
// QApplication on the offscreen platform unless QT_QPA_PLATFORM says otherwise, and ends with
// tables of the medians (see bench/README.md).
#include "bench/MedianTable.hpp"
#include "bench/Registration.hpp"

#include <QApplication>
#include <benchmark/benchmark.h>

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    // The memory case first, so that it starts from a fresh program.
    mirona::registerMemoryBenchmark();
    mirona::registerStepBenchmarks();
    mirona::registerEventPathBenchmarks();
    mirona::registerHistoryBenchmarks();
    mirona::registerOpenBenchmarks();
    mirona::MedianTable table;
    benchmark::RunSpecifiedBenchmarks(&table);
    benchmark::Shutdown();
    return 0;
}
