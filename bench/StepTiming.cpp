// The move steps of the four tools in the eight-image mode on the surface, the Move cases of
// StepBenchmarks.cpp, timed without Google Benchmark so that the same program runs natively and
// as WebAssembly (bench/wasm.sh builds and runs both). Prints one line per case:
// "<tool>/<canvas size>/<figure size> <median microseconds per move>"; then, as
// "<case>/Page", each move followed by what the web page asks for after it (PageBitmap::take:
// comparing the bits, converting the changed pixels and making the rectangles to put), with the
// rectangles and pixels a move hands to the canvas.
#include "bench/Scenario.hpp"
#include "canvas/Surface.hpp"
#include "web/engine/PageBitmap.hpp"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace mirona {
namespace {

struct Handed {
    double rects = 0;
    double pixels = 0;
};

// With `handed`, each move is followed by the page's take(), and what it hands over is counted
// there, per move.
double microsecondsPerMove(ToolNumber tool, int n, const Stroke& stroke, Handed* handed = nullptr) {
    Surface surface(n, n);
    PageBitmap page(surface);
    if (handed != nullptr)
        surface.setShownTiles(page.marks());
    SymmetricDrawing drawing(surface);
    startStroke(drawing, tool, n, stroke.press);
    static_cast<void>(page.take());
    std::size_t step = 0;
    std::size_t taken = 0;
    const auto batch = [&](std::size_t moves) {
        const auto start = std::chrono::steady_clock::now();
        for (std::size_t k = 0; k < moves; ++k) {
            const PointerPoint p = stroke.moves[step++ & 1];
            drawing.Picture1_MouseMove(kLeftButton, 0, p.x, p.y);
            if (handed == nullptr)
                continue;
            ++taken;
            for (const PixelRect& r : page.take().rects) {
                handed->rects += 1;
                handed->pixels += static_cast<double>(r.width()) * r.height();
            }
        }
        return std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start)
            .count();
    };
    // Batches of an even number of moves, doubled until one takes 20 ms; then the median of
    // seven such batches.
    std::size_t moves = 2;
    while (batch(moves) < 20'000)
        moves *= 2;
    std::vector<double> perMove;
    for (int run = 0; run < 7; ++run)
        perMove.push_back(batch(moves) / static_cast<double>(moves));
    std::nth_element(perMove.begin(), perMove.begin() + 3, perMove.end());
    if (handed != nullptr) {
        handed->rects /= static_cast<double>(taken);
        handed->pixels /= static_cast<double>(taken);
    }
    return perMove[3];
}

} // namespace
} // namespace mirona

int main() {
    using namespace mirona;
    for (const ToolNumber tool : kTools)
        for (const int n : kCanvasSizes)
            for (const FigureSize size : kFigureSizes)
                std::printf("%s/%d/%s %.3f\n", toolName(tool).c_str(), n, sizeName(size).c_str(),
                            microsecondsPerMove(tool, n, strokeFor(tool, n, size)));
    for (const ToolNumber tool : kTools)
        for (const int n : kCanvasSizes) {
            Handed handed;
            const double us =
                microsecondsPerMove(tool, n, strokeFor(tool, n, FigureSize::Large), &handed);
            std::printf("%s/%d/large/Page %.3f %.1f rects %.0f pixels\n", toolName(tool).c_str(), n,
                        us, handed.rects, handed.pixels);
        }
    return 0;
}
