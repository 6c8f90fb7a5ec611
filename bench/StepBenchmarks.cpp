// The move steps and commits of the four tools in the eight-image mode, drawn by the surface and
// by QPainter (the baseline); the same on a shown surface without and with the undo history
// recording; the undo step made after a release; and the move steps with the pointer far off
// the canvas.
#include "bench/QPainterCanvas.hpp"
#include "bench/Registration.hpp"
#include "bench/Scenario.hpp"
#include "canvas/DirtyTiles.hpp"
#include "canvas/Surface.hpp"
#include "drawing/Editor.hpp"

#include <array>
#include <benchmark/benchmark.h>
#include <memory>
#include <optional>

namespace mirona {

namespace {

// The engines: the surface alone; the surface as a window shows it, its changes marked on
// tiles and taken after each event, without and with the editor recording them for undo; and
// QPainter with the solid pen throughout (the canvas stays in copy pen and solid style) or with
// the tools' own inverting dotted pen.
enum class Engine : std::uint8_t { Surface, Shown, ShownHistory, QPainterSolid, QPainterInvertDot };

std::string engineName(Engine engine) {
    constexpr std::array<const char*, 5> kNames{"Surface", "Shown", "ShownHistory", "QPainterSolid",
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
        if (engine == Engine::Shown || engine == Engine::ShownHistory) {
            shown_.emplace().resize(n, n);
            surface_.setChangeListener([this](const PixelRect& r) { shown_->add(r); });
        }
        if (engine == Engine::ShownHistory) {
            editor_ = std::make_unique<Editor>(surface_);
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

    // Runs f() as one pointer event, which opens a painter on the image for QPainter and takes
    // the changed tiles to repaint for a shown surface.
    template <class F> void event(F&& f) {
        if (painterCanvas_)
            painterCanvas_->begin();
        f();
        if (painterCanvas_)
            painterCanvas_->end();
        if (shown_)
            benchmark::DoNotOptimize(shown_->take());
    }

private:
    Surface surface_;
    QImage image_;
    std::optional<QPainterCanvas> painterCanvas_;
    std::optional<DirtyTiles> shown_;
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
    const auto add = [](const std::string& name, auto&&... args) {
        benchmark::RegisterBenchmark(name.c_str(), args...)
            ->Unit(benchmark::kMicrosecond)
            ->MeasureProcessCPUTime()
            ->UseRealTime();
    };
    for (const ToolNumber tool : kTools)
        for (const int n : kCanvasSizes)
            for (const FigureSize size : kFigureSizes) {
                const std::string row =
                    toolName(tool) + "/" + std::to_string(n) + "/" + sizeName(size) + "/";
                const Stroke stroke = strokeFor(tool, n, size);
                // The freehand tool's release draws nothing; the release draws solid whatever
                // the pen before it.
                const bool releaseDraws = tool != ToolNumber::FreeLine;
                for (const Engine engine :
                     {Engine::Surface, Engine::QPainterSolid, Engine::QPainterInvertDot}) {
                    add("Move/" + row + engineName(engine), moves, engine, tool, n, stroke);
                    if (releaseDraws && engine != Engine::QPainterInvertDot)
                        add("Commit/" + row + engineName(engine), commits, engine, tool, n, stroke);
                }
                for (const Engine engine : {Engine::Shown, Engine::ShownHistory}) {
                    add("RecordMove/" + row + engineName(engine), moves, engine, tool, n, stroke);
                    if (releaseDraws)
                        add("RecordCommit/" + row + engineName(engine), commits, engine, tool, n,
                            stroke);
                }
                if (releaseDraws)
                    add("Settle/" + row + "History", settles, tool, n, stroke);
            }
    for (const ToolNumber tool : kTools)
        for (const int n : kCanvasSizes)
            add("OffCanvas/" + toolName(tool) + "/" + std::to_string(n) + "/Surface", moves,
                Engine::Surface, tool, n, offCanvasStroke(tool, n));
}

} // namespace mirona
