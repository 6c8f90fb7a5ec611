// Undo and redo of one step on a 2048-pixel canvas, beside a plain copy of the canvas's bitmap:
// a full-canvas step (New over a busy picture) and a small stroke. And what the engine does for
// a store: the whole snapshot, beside the head and the newest step's record, which is all the
// page writes once the older steps are stored.
#include "bench/Registration.hpp"
#include "bench/Scenario.hpp"
#include "canvas/History.hpp"
#include "drawing/Editor.hpp"

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

// A picture of `steps` freehand strokes in the eight images, each one step, spread over the
// canvas, short enough that each still blackens some pixels; then a whole snapshot, or the head
// and the newest step.
void store(benchmark::State& st, int canvas, int steps, bool whole) {
    Surface surface(1, 1);
    Editor editor(surface);
    editor.newPicture(canvas, canvas);
    const float reach = static_cast<float>(canvas) / 40;
    const int half = canvas / 2;
    std::uint32_t h = 1;
    for (int i = 0; static_cast<int>(editor.stepCount()) < steps && i < 100 * steps; ++i) {
        h = h * 1664525u + 1013904223u;
        const auto x = static_cast<float>(h % 65536 % half);
        const auto y = static_cast<float>(h / 65536 % half);
        editor.Picture1_MouseDown(kLeftButton, 0, x, y);
        editor.Picture1_MouseMove(kLeftButton, 0, x + reach * static_cast<float>(i % 5), y + reach);
        editor.Picture1_MouseUp(kLeftButton, 0, x + reach * 2,
                                y + reach * static_cast<float>(i % 3));
        editor.settle();
    }
    std::size_t bytes = 0;
    for (auto _ : st) {
        if (whole) {
            bytes = editor.snapshot().size();
        } else {
            bytes = editor.snapshotHead().size();
            bytes += editor.stepBytes(editor.stepCount() - 1).size();
        }
        benchmark::ClobberMemory();
    }
    st.counters["steps"] = static_cast<double>(editor.stepCount());
    st.counters["stored_KiB"] = static_cast<double>(bytes) / 1024;
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
    for (const int canvas : {451, kCanvas})
        for (const int steps : {100, 1000}) {
            const std::string row =
                "Store/Snapshot/" + std::to_string(canvas) + "/" + std::to_string(steps);
            for (const bool whole : {true, false})
                benchmark::RegisterBenchmark((row + (whole ? "/Whole" : "/HeadAndStep")).c_str(),
                                             store, canvas, steps, whole)
                    ->Unit(benchmark::kMicrosecond)
                    ->MeasureProcessCPUTime()
                    ->UseRealTime();
        }
}

} // namespace mirona
