#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

namespace mirona {

// A position as the pointer delivered it, unrounded.
struct PointerPoint {
    float x = 0;
    float y = 0;
};

// A position as the drawing state keeps it: x exact, y a 16-bit whole pixel.
struct StoredPoint {
    float x = 0;
    std::int16_t y = 0;
};

// A position handed to the canvas.
struct CanvasPoint {
    float x = 0;
    float y = 0;
    friend bool operator==(const CanvasPoint&, const CanvasPoint&) = default;
};

// Rounds a pointer y to the nearest 16-bit integer, halves to even. Values beyond the 16-bit
// range (only tens of thousands of pixels off the canvas) saturate; NaN becomes 0.
inline std::int16_t storeY(float y) {
    if (std::isnan(y))
        return 0;
    constexpr float lo = std::numeric_limits<std::int16_t>::min();
    constexpr float hi = std::numeric_limits<std::int16_t>::max();
    if (y <= lo)
        return std::numeric_limits<std::int16_t>::min();
    if (y >= hi)
        return std::numeric_limits<std::int16_t>::max();
    return static_cast<std::int16_t>(std::nearbyint(y)); // default rounding: half to even
}

// Tool numbers of the drawing menu.
enum class ToolNumber : std::int16_t { FreeLine = 0, ContLine = 1, Box = 2, Ellipse = 3 };

// Everything the pointer handlers, the tools and the menus share, for the life of the window.
// Flags hold 0 or 1 and count as on only when they equal 1.
struct DrawingState {
    float CanvasW = 0;
    std::int16_t CanvasH = 0;
    float AnchorX = 0;
    std::int16_t AnchorY = 0;
    float LastX = 0;
    std::int16_t LastY = 0;
    std::int16_t ToolNo = 0;
    std::int16_t ChainFlag = 0;
    std::int16_t JogeFlag = 1;
    std::int16_t SayuFlag = 1;
    std::int16_t NanameFlag = 1;

    [[nodiscard]] StoredPoint anchor() const { return {AnchorX, AnchorY}; }
    [[nodiscard]] StoredPoint last() const { return {LastX, LastY}; }
    void setAnchor(PointerPoint p) {
        AnchorX = p.x;
        AnchorY = storeY(p.y);
    }
    void setLast(PointerPoint p) {
        LastX = p.x;
        LastY = storeY(p.y);
    }
};

} // namespace mirona
