#pragma once

#include <cstdint>

// What the surface's segments and arcs share (canvas/SurfaceLines.cpp, canvas/SurfaceArcs.cpp):
// the coordinate limit, the length of a reported run, and rounding to a pixel. Private to the
// surface's sources.
namespace mirona::detail {

// Coordinates are clipped or rejected beyond this magnitude: far beyond any canvas, and small
// enough that every product the segments and arcs form fits its integer type.
inline constexpr double kLimit = 1 << 24;

// A slanted segment or an arc reports the rectangle of every run of this many pixels, so that
// the changed rectangles follow the figure instead of spanning its whole extent.
inline constexpr std::int64_t kReportRun = 32;

// v rounded to the nearest whole number, halves to even, for |v| < 2^51: adding 1.5 * 2^52
// leaves no bits for a fraction. The same as std::nearbyint, which on the baseline x86-64
// instruction set is a library call, four to a segment.
inline std::int64_t toPixel(double v) {
    constexpr double kRound = 0x1.8p52;
    return static_cast<std::int64_t>(v + kRound - kRound);
}

} // namespace mirona::detail
