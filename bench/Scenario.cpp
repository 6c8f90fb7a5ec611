#include "bench/Scenario.hpp"

#include <cmath>
#include <fstream>
#include <unistd.h>

namespace mirona {

namespace {

float extent(int n, FigureSize size) {
    switch (size) {
    case FigureSize::Small:
        return 20;
    case FigureSize::Medium:
        return static_cast<float>(n / 4);
    case FigureSize::Large:
        break;
    }
    return static_cast<float>(n - n / 16);
}

Stroke alternating(ToolNumber tool, PointerPoint press, PointerPoint far) {
    // Freehand steps go back and forth; rubber bands wobble by a pixel around the far point.
    const PointerPoint second =
        tool == ToolNumber::FreeLine ? press : PointerPoint{far.x + 1, far.y + 1};
    return {press, {far, second}};
}

} // namespace

Stroke strokeFor(ToolNumber tool, int canvasSize, FigureSize size) {
    const auto n = static_cast<float>(canvasSize);
    const float e = extent(canvasSize, size);
    const bool large = size == FigureSize::Large;
    if (tool == ToolNumber::Ellipse) {
        // Centred so that the large ellipse nearly fills the canvas; the semi-axes are 4 : 3.
        const PointerPoint centre = large
                                        ? PointerPoint{std::floor(n / 2) - 3, std::floor(n / 2) + 2}
                                        : PointerPoint{std::floor(n / 4), std::floor(n / 3)};
        const float r = e / 2;
        return alternating(tool, centre,
                           {centre.x + std::round(0.8F * r), centre.y + std::round(0.6F * r)});
    }
    const PointerPoint start = large ? PointerPoint{std::floor(n / 32), std::floor(n / 32)}
                                     : PointerPoint{std::floor(n / 8), std::floor(n / 6)};
    return alternating(tool, start, {start.x + e, start.y + std::round(0.75F * e)});
}

Stroke offCanvasStroke(ToolNumber tool, int canvasSize) {
    const auto n = static_cast<float>(canvasSize);
    return alternating(tool, {std::floor(n / 3), std::floor(n / 4)},
                       {n - 1 + 30000, std::floor(n / 2)});
}

std::string toolName(ToolNumber tool) {
    constexpr std::array<const char*, 4> kNames{"FreeLine", "ContLine", "Box", "Ellipse"};
    return kNames.at(static_cast<std::size_t>(tool));
}

std::string sizeName(FigureSize size) {
    constexpr std::array<const char*, 3> kNames{"small", "medium", "large"};
    return kNames.at(static_cast<std::size_t>(size));
}

double residentMiB() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0;
    long resident = 0;
    statm >> pages >> resident;
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) /
           (1024.0 * 1024.0);
}

} // namespace mirona
