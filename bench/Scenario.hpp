#pragma once

#include "drawing/SymmetricDrawing.hpp"

#include <array>
#include <string>

namespace mirona {

// The figures the benchmarks draw: a press and the two pointer positions the moves alternate
// between, so every rubber-band step replaces one preview by another and every freehand step
// draws a segment of the figure's size.
enum class FigureSize : std::uint8_t { Small, Medium, Large };

struct Stroke {
    PointerPoint press;
    std::array<PointerPoint, 2> moves;
};

inline constexpr std::array kTools{ToolNumber::FreeLine, ToolNumber::ContLine, ToolNumber::Box,
                                   ToolNumber::Ellipse};
inline constexpr std::array kFigureSizes{FigureSize::Small, FigureSize::Medium, FigureSize::Large};
inline constexpr std::array kCanvasSizes{451, 2048};

// Small figures are about 20 pixels, medium a quarter of the canvas, large nearly all of it.
Stroke strokeFor(ToolNumber tool, int canvasSize, FigureSize size);
// A press on the canvas and moves 30 000 pixels beyond its right edge.
Stroke offCanvasStroke(ToolNumber tool, int canvasSize);

std::string toolName(ToolNumber tool);
std::string sizeName(FigureSize size);

// Starts a stroke with the tool in the eight-image mode on an n x n canvas: a left press, to
// SymmetricDrawing or to the Editor, which also records the history.
template <class Handlers>
void startStroke(Handlers& drawing, ToolNumber tool, int canvasSize, PointerPoint press) {
    DrawingState& state = drawing.state();
    state.CanvasW = static_cast<float>(canvasSize);
    state.CanvasH = static_cast<std::int16_t>(canvasSize);
    state.ToolNo = static_cast<std::int16_t>(tool);
    state.ChainFlag = 0;
    state.JogeFlag = state.SayuFlag = state.NanameFlag = 1;
    drawing.Picture1_MouseDown(kLeftButton, 0, press.x, press.y);
}

// The resident set of this process, in MiB.
double residentMiB();

} // namespace mirona
