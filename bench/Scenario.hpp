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

// Starts a stroke with the tool in the eight-image mode on an n x n canvas: a left press.
void startStroke(SymmetricDrawing& drawing, ToolNumber tool, int canvasSize, PointerPoint press);

// The resident set of this process, in MiB.
double residentMiB();

} // namespace mirona
