// Undo and redo of one step on a 2048-pixel canvas, beside a plain copy of the canvas's bitmap:
// a full-canvas step (New over a busy picture) and a small stroke.
#include "bench/Registration.hpp"
#include "bench/Scenario.hpp"
#include "canvas/History.hpp"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <string>
#include <vector>

namespace mirona {

namespace {

constexpr int kCanvas = 2048;

// Alternates undo and redo of the last step: a New over a picture of diagonals three pixels
// apart, which leaves no row of any tile empty, or a 20-pixel segment in each of the eight
// images.
void undoRedo(benchmark::State& st, FigureSize size) {
    Surface surface(kCanvas, kCanvas);
    History history(surface);
    history.commit();
    if (size == FigureSize::Large) {
        for (int x = 1 - kCanvas; x < kCanvas; x += 3)
            surface.Line(static_cast<float>(x), 0, static_cast<float>(x + kCanvas - 1), kCanvas - 1,
                         LineOption::Segment);
        history.commit();
        surface.Cls();
    } else {
        for (int k = 0; k < 8; ++k) {
            const auto x = static_cast<float>(100 + 230 * k);
            surface.Line(x, x, x + 20, x + 15, LineOption::Segment);
        }
    }
    history.commit();
    bool back = true;
    for (auto _ : st) {
        if (back)
            history.undo();
        else
            history.redo();
        back = !back;
    }
    st.counters["history_MiB"] = static_cast<double>(history.bytes()) / (1 << 20);
}

void bitmapCopy(benchmark::State& st) {
    const Surface surface(kCanvas, kCanvas);
    Surface copy(kCanvas, kCanvas);
    for (auto _ : st) {
        copy = surface;
        benchmark::DoNotOptimize(&copy);
        benchmark::ClobberMemory();
    }
}

} // namespace

void registerHistoryBenchmarks() {
    for (const FigureSize size : {FigureSize::Small, FigureSize::Large}) {
        const std::string row = "UndoRedo/Step/" + std::to_string(kCanvas) + "/" + sizeName(size);
        benchmark::RegisterBenchmark((row + "/BitmapCopy").c_str(), bitmapCopy)
            ->Unit(benchmark::kMicrosecond)
            ->MeasureProcessCPUTime()
            ->UseRealTime();
        benchmark::RegisterBenchmark((row + "/History").c_str(), undoRedo, size)
            ->Unit(benchmark::kMicrosecond)
            ->MeasureProcessCPUTime()
            ->UseRealTime();
    }
}

} // namespace mirona
