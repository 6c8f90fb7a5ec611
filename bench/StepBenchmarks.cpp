// The move steps and commits of the four tools in the eight-image mode, drawn by the surface
// (without and with the undo history recording), and by QPainter (the baseline), and the move
// steps with the pointer far off the canvas.
#include "bench/QPainterCanvas.hpp"
#include "bench/Registration.hpp"
#include "bench/Scenario.hpp"
#include "canvas/Surface.hpp"
#include "drawing/Editor.hpp"

#include <array>
#include <benchmark/benchmark.h>
#include <memory>
#include <optional>

namespace mirona {

namespace {

// The engines: the surface, the surface behind the editor that records every change in the
// undo history (each release commits a step), and QPainter with the solid pen throughout (the
// canvas stays in copy pen and solid style) or with the tools' own inverting dotted pen.
enum class Engine : std::uint8_t { Surface, SurfaceHistory, QPainterSolid, QPainterInvertDot };

std::string engineName(Engine engine) {
    constexpr std::array<const char*, 4> kNames{"Surface", "SurfaceHistory", "QPainterSolid",
                                                "QPainterInvertDot"};
    return kNames.at(static_cast<std::size_t>(engine));
}

// A canvas of one engine, with the drawing frame on it.
class Bench final {
public:
    Bench(Engine engine, int n) : surface_(n, n), image_(n, n, QImage::Format_RGB32) {
        image_.fill(Qt::white);
        Canvas* canvas = &surface_;
        if (engine == Engine::QPainterSolid || engine == Engine::QPainterInvertDot)
            canvas = &painterCanvas_.emplace(image_, engine == Engine::QPainterSolid
                                                         ? QPainterCanvas::Pen::SolidOnly
                                                         : QPainterCanvas::Pen::AsSet);
        if (engine == Engine::SurfaceHistory) {
            editor_ = std::make_unique<Editor>(surface_);
            surface_.setChangeListener([this](const PixelRect& r) { editor_->noteChanged(r); });
            editor_->newPicture(n, n);
        } else {
            drawing_ = std::make_unique<SymmetricDrawing>(*canvas);
        }
    }

    // Calls f with the pointer handlers: the editor's or the plain drawing's.
    template <class F> void withHandlers(F&& f) {
        if (editor_)
            f(*editor_);
        else
            f(*drawing_);
    }

    // Runs f() as one pointer event, which opens a painter on the image for QPainter.
    template <class F> void event(F&& f) {
        if (painterCanvas_)
            painterCanvas_->begin();
        f();
        if (painterCanvas_)
            painterCanvas_->end();
    }

private:
    Surface surface_;
    QImage image_;
    std::optional<QPainterCanvas> painterCanvas_;
    std::unique_ptr<SymmetricDrawing> drawing_;
    std::unique_ptr<Editor> editor_;
};

void moves(benchmark::State& st, Engine engine, ToolNumber tool, int n, const Stroke& stroke) {
    Bench bench(engine, n);
    bench.withHandlers([&](auto& drawing) {
        startStroke(drawing, tool, n, stroke.press);
        std::size_t i = 0;
        for (auto _ : st) {
            const PointerPoint p = stroke.moves[i++ & 1];
            bench.event([&] { drawing.Picture1_MouseMove(kLeftButton, 0, p.x, p.y); });
        }
    });
}

// The release after a last preview at the far point: each iteration restores the stroke state,
// since the continuous line's release moves the chain's vertex.
void commits(benchmark::State& st, Engine engine, ToolNumber tool, int n, const Stroke& stroke) {
    Bench bench(engine, n);
    bench.withHandlers([&](auto& drawing) {
        startStroke(drawing, tool, n, stroke.press);
        const PointerPoint p = stroke.moves[0];
        bench.event([&] { drawing.Picture1_MouseMove(kLeftButton, 0, p.x, p.y); });
        const DrawingState before = drawing.state();
        for (auto _ : st) {
            drawing.state() = before;
            bench.event([&] { drawing.Picture1_MouseUp(kLeftButton, 0, p.x, p.y); });
        }
    });
}

// The release and then the undo step the editor makes of the stroke once the program is idle:
// the comparison of every tile the stroke touched with the picture before it.
void settles(benchmark::State& st, ToolNumber tool, int n, const Stroke& stroke) {
    Surface surface(n, n);
    Editor editor(surface);
    surface.setChangeListener([&](const PixelRect& r) { editor.noteChanged(r); });
    editor.newPicture(n, n);
    startStroke(editor, tool, n, stroke.press);
    const PointerPoint p = stroke.moves[0];
    editor.Picture1_MouseMove(kLeftButton, 0, p.x, p.y);
    const DrawingState before = editor.state();
    for (auto _ : st) {
        editor.state() = before;
        editor.Picture1_MouseUp(kLeftButton, 0, p.x, p.y);
        editor.settle();
    }
}

} // namespace

void registerStepBenchmarks() {
    for (const ToolNumber tool : kTools)
        for (const int n : kCanvasSizes)
            for (const FigureSize size : kFigureSizes)
                for (const Engine engine : {Engine::Surface, Engine::SurfaceHistory,
                                            Engine::QPainterSolid, Engine::QPainterInvertDot}) {
                    const std::string row =
                        toolName(tool) + "/" + std::to_string(n) + "/" + sizeName(size) + "/";
                    const Stroke stroke = strokeFor(tool, n, size);
                    benchmark::RegisterBenchmark(("Move/" + row + engineName(engine)).c_str(),
                                                 moves, engine, tool, n, stroke)
                        ->Unit(benchmark::kMicrosecond)
                        ->MeasureProcessCPUTime()
                        ->UseRealTime();
                    // The release draws solid whatever the pen before it.
                    if (tool != ToolNumber::FreeLine && engine != Engine::QPainterInvertDot)
                        benchmark::RegisterBenchmark(("Commit/" + row + engineName(engine)).c_str(),
                                                     commits, engine, tool, n, stroke)
                            ->Unit(benchmark::kMicrosecond)
                            ->MeasureProcessCPUTime()
                            ->UseRealTime();
                }
    for (const ToolNumber tool : kTools)
        for (const int n : kCanvasSizes)
            for (const FigureSize size : kFigureSizes)
                if (tool != ToolNumber::FreeLine)
                    benchmark::RegisterBenchmark(("Settle/" + toolName(tool) + "/" +
                                                  std::to_string(n) + "/" + sizeName(size) +
                                                  "/SurfaceHistory")
                                                     .c_str(),
                                                 settles, tool, n, strokeFor(tool, n, size))
                        ->Unit(benchmark::kMicrosecond)
                        ->MeasureProcessCPUTime()
                        ->UseRealTime();
    for (const ToolNumber tool : kTools)
        for (const int n : kCanvasSizes)
            benchmark::RegisterBenchmark(
                ("OffCanvas/" + toolName(tool) + "/" + std::to_string(n) + "/Surface").c_str(),
                moves, Engine::Surface, tool, n, offCanvasStroke(tool, n))
                ->Unit(benchmark::kMicrosecond)
                ->MeasureProcessCPUTime()
                ->UseRealTime();
}

} // namespace mirona
