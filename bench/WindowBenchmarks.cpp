// The whole event path: pointer events sent to the canvas of a shown Form1 on the offscreen
// platform, each followed by the repaint it asked for; and the resident set over long strokes.
#include "app/Form1.hpp"
#include "bench/Registration.hpp"
#include "bench/Scenario.hpp"

#include <QAction>
#include <QApplication>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QTest>
#include <benchmark/benchmark.h>

namespace mirona {

namespace {

// Counts the canvas's paint events and the pixels they cover.
class PaintCounter final : public QObject {
public:
    void reset() {
        events = 0;
        pixels = 0;
        rects = 0;
    }

    long events = 0;
    double pixels = 0;
    double rects = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            ++events;
            rects += static_cast<QPaintEvent*>(event)->region().rectCount();
            for (const QRect& r : static_cast<QPaintEvent*>(event)->region())
                pixels += static_cast<double>(r.width()) * r.height();
        }
        return QObject::eventFilter(watched, event);
    }
};

// A shown main window whose canvas is n pixels square.
class Window final {
public:
    explicit Window(int n) {
        form_.resize(n, n + 1 + form_.menuBar()->sizeHint().height());
        form_.Form_Load();
        static_cast<void>(QTest::qWaitForWindowExposed(&form_));
        QCoreApplication::processEvents();
        form_.canvas().installEventFilter(&paints);
    }

    [[nodiscard]] bool hasCanvasSize(int n) {
        return form_.canvas().width() == n && form_.canvas().height() == n;
    }

    void press(ToolNumber tool, PointerPoint p) {
        form_.findChild<QAction*>(QString::fromStdString("Menu" + toolName(tool)))->trigger();
        send(QEvent::MouseButtonPress, p, Qt::LeftButton, Qt::LeftButton);
    }
    // A move with the left button held, and the repaint it asked for. Not inlined, so that a
    // profiler can count what one move costs (valgrind --toggle-collect).
    [[gnu::noinline]] void move(PointerPoint p) {
        send(QEvent::MouseMove, p, Qt::NoButton, Qt::LeftButton);
        QCoreApplication::processEvents();
    }
    void release(PointerPoint p) {
        send(QEvent::MouseButtonRelease, p, Qt::LeftButton, Qt::NoButton);
        QCoreApplication::processEvents();
    }

    PaintCounter paints;

private:
    void send(QEvent::Type type, PointerPoint p, Qt::MouseButton button, Qt::MouseButtons buttons) {
        CanvasWidget& canvas = form_.canvas();
        const QPointF local(p.x, p.y);
        QMouseEvent event(type, local, canvas.mapToGlobal(local), button, buttons, Qt::NoModifier);
        QApplication::sendEvent(&canvas, &event);
    }

    Form1 form_;
};

void eventPath(benchmark::State& st, ToolNumber tool, int n, FigureSize size) {
    Window window(n);
    if (!window.hasCanvasSize(n)) {
        st.SkipWithError("the window does not hold a canvas of this size");
        return;
    }
    const Stroke stroke = strokeFor(tool, n, size);
    window.press(tool, stroke.press);
    window.paints.reset();
    std::size_t i = 0;
    for (auto _ : st)
        window.move(stroke.moves[i++ & 1]);
    window.release(stroke.moves[(i - 1) & 1]);
    const auto moves = static_cast<double>(i);
    st.counters["paints_per_move"] = static_cast<double>(window.paints.events) / moves;
    st.counters["painted_px_per_move"] = window.paints.pixels / moves;
    st.counters["rects_per_paint"] =
        window.paints.rects / std::max(1.0, static_cast<double>(window.paints.events));
}

// Start-up, then 100 000 moves of each tool on the 451-pixel canvas; also the growth between
// the first 10 000 moves of a tool and the last, which stays at zero when nothing accumulates.
void memory(benchmark::State& st) {
    constexpr int kN = 451;
    constexpr int kMoves = 100'000;
    constexpr int kSettled = 10'000;
    for (auto _ : st) {
        Window window(kN);
        st.counters["startup_MiB"] = residentMiB();
        double growth = 0;
        for (const ToolNumber tool : kTools) {
            const Stroke stroke = strokeFor(tool, kN, FigureSize::Medium);
            window.press(tool, stroke.press);
            double settled = 0;
            for (int i = 0; i < kMoves; ++i) {
                if (i == kSettled)
                    settled = residentMiB();
                window.move(stroke.moves[i & 1]);
            }
            window.release(stroke.moves[(kMoves - 1) & 1]);
            const double after = residentMiB();
            growth = std::max(growth, after - settled);
            st.counters[toolName(tool) + "_MiB"] = after;
        }
        st.counters["growth_after_10k_MiB"] = growth;
    }
}

} // namespace

void registerEventPathBenchmarks() {
    for (const ToolNumber tool : kTools)
        for (const int n : kCanvasSizes)
            for (const FigureSize size : kFigureSizes)
                benchmark::RegisterBenchmark(("EventPath/" + toolName(tool) + "/" +
                                              std::to_string(n) + "/" + sizeName(size) + "/Form1")
                                                 .c_str(),
                                             eventPath, tool, n, size)
                    ->Unit(benchmark::kMicrosecond)
                    ->MeasureProcessCPUTime()
                    ->UseRealTime();
}

void registerMemoryBenchmark() {
    benchmark::RegisterBenchmark("Memory/451/Form1", memory)->Iterations(1)->Repetitions(1);
}

} // namespace mirona
