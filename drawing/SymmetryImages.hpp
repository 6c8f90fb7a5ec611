#pragma once

#include "drawing/DrawingState.hpp"

#include <array>
#include <cstdint>

namespace mirona {

// The images to draw, numbered 1 to 8 in drawing order: 1 always; 2 with SayuFlag (left-right
// mirror); 3 with JogeFlag (up-down mirror); 4 with both (half turn); 5 to 8 with NanameFlag
// (the diagonal mirror of 1 to 4).
class ActiveImages final {
public:
    explicit ActiveImages(const DrawingState& state);

    [[nodiscard]] const int* begin() const { return images_.data(); }
    [[nodiscard]] const int* end() const { return images_.data() + count_; }
    [[nodiscard]] int size() const { return count_; }

private:
    std::array<int, 8> images_{};
    int count_ = 0;
};

// Image k (1 to 8) of a point about a W x H canvas: 2 (W - x, y), 3 (x, H - y), 4 both, and
// 5 to 8 the images 1 to 4 with x and y swapped. H - y of a stored point is taken in 16 bits,
// saturated; of a pointer point in float, unrounded.
CanvasPoint imageOf(int k, StoredPoint p, float W, std::int16_t H);
CanvasPoint imageOf(int k, PointerPoint p, float W, std::int16_t H);

// For each active image k in order, calls draw(k).
template <class Draw> void forEachImage(const DrawingState& state, Draw&& draw) {
    for (int k : ActiveImages(state))
        draw(k);
}

} // namespace mirona
