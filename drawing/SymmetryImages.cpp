#include "drawing/SymmetryImages.hpp"

#include <algorithm>
#include <limits>

namespace mirona {

ActiveImages::ActiveImages(const DrawingState& state) {
    const bool sayu = state.SayuFlag == 1;
    const bool joge = state.JogeFlag == 1;
    images_[count_++] = 1;
    if (sayu)
        images_[count_++] = 2;
    if (joge)
        images_[count_++] = 3;
    if (joge && sayu)
        images_[count_++] = 4;
    if (state.NanameFlag == 1)
        for (int k = 5; k <= 8; ++k)
            images_[count_++] = k;
}

namespace {

float mirrorY(std::int16_t H, std::int16_t y) {
    const int d = int{H} - int{y};
    return static_cast<float>(std::clamp<int>(d, std::numeric_limits<std::int16_t>::min(),
                                              std::numeric_limits<std::int16_t>::max()));
}

float mirrorY(std::int16_t H, float y) {
    return static_cast<float>(H) - y;
}

template <class Point> CanvasPoint image(int k, Point p, float W, std::int16_t H) {
    const float x = p.x;
    const auto y = static_cast<float>(p.y);
    switch (k) {
    case 2:
        return {W - x, y};
    case 3:
        return {x, mirrorY(H, p.y)};
    case 4:
        return {W - x, mirrorY(H, p.y)};
    case 5:
        return {y, x};
    case 6:
        return {y, W - x};
    case 7:
        return {mirrorY(H, p.y), x};
    case 8:
        return {mirrorY(H, p.y), W - x};
    default:
        return {x, y};
    }
}

} // namespace

CanvasPoint imageOf(int k, StoredPoint p, float W, std::int16_t H) {
    return image(k, p, W, H);
}
CanvasPoint imageOf(int k, PointerPoint p, float W, std::int16_t H) {
    return image(k, p, W, H);
}

} // namespace mirona
