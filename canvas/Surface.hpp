#pragma once

#include "canvas/Canvas.hpp"

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace mirona {

// The canvas's persistent bitmap and its rasteriser.
//
// Pixels are 0xAARRGGBB words (alpha always 0xFF), row by row, so a toolkit can show the buffer
// as it is. Every call sets each pixel at most once, so a figure drawn twice with the not-merge
// pen leaves the bitmap as it was; the same call always sets the same pixels; a dotted figure's
// pixels are a subset of the solid figure's. Coordinates are clipped before rasterising, so the
// cost of a call is bounded by the visible part of its figure, whatever the coordinates are
// (NaN rejects the figure). Every call that can change pixels reports what it changed to the
// change listener, as a few rectangles that follow the figure: one per side of a box, one per
// run of pixels along a slanted segment or an arc.
class Surface final : public Canvas {
public:
    static constexpr std::uint32_t kWhite = 0xFFFFFFFFu;
    static constexpr std::uint32_t kBlack = 0xFF000000u;

    using ChangeListener = std::function<void(const PixelRect&)>;

    Surface(int width, int height);

    // Gives the bitmap a new size, all white. Sizes below 1 become 1.
    void resize(int width, int height);

    [[nodiscard]] int width() const { return width_; }
    [[nodiscard]] int height() const { return height_; }
    [[nodiscard]] std::uint32_t pixel(int x, int y) const {
        return pixels_[static_cast<std::size_t>(y) * width_ + x];
    }
    // The persistent bitmap, row by row.
    [[nodiscard]] std::span<const std::uint32_t> Image() const { return pixels_; }

    // The black pixels among the 32 of row y from column x, as bits: bit i is the pixel at
    // x + i. Pixels beyond the right edge count as white.
    [[nodiscard]] std::uint32_t blackMask(int x, int y) const;
    // Inverts the pixels of a band of `blocks` 32-pixel-wide blocks side by side, whose top-left
    // corner is (left, top), where masks has a set bit: masks holds the band's rows top to
    // bottom, each as a word a block from left to right, as blackMask gives them. Reports the
    // band. Bits beyond the bitmap must be clear. For putting back an earlier picture, whose
    // pixels are black or white too.
    void invertMasked(int left, int top, int blocks, std::span<const std::uint32_t> masks);

    [[nodiscard]] DrawMode drawMode() const { return mode_; }
    [[nodiscard]] DrawStyle drawStyle() const { return style_; }

    // Called during each drawing call with rectangles that together cover every pixel the call
    // set, each of them spanned by such pixels (so never empty).
    void setChangeListener(ChangeListener listener) { listener_ = std::move(listener); }

    void Cls() override;
    void Line(float x1, float y1, float x2, float y2, LineOption option) override;
    void Circle(float cx, float cy, float radius, float aspect) override;
    void setDrawMode(DrawMode mode) override { mode_ = mode; }
    void setDrawStyle(DrawStyle style) override { style_ = style; }

private:
    void segment(std::int64_t x1, std::int64_t y1, std::int64_t x2, std::int64_t y2,
                 std::int64_t phase);
    void box(std::int64_t x1, std::int64_t y1, std::int64_t x2, std::int64_t y2);
    void ellipse(std::int64_t cx, std::int64_t cy, std::int64_t a, std::int64_t b);
    void arc(std::int64_t cx, std::int64_t cy, std::int64_t p, std::int64_t q, std::int64_t tEnd,
             bool transposed);
    void paint(std::uint32_t& px) const {
        px = mode_ == DrawMode::CopyPen ? kBlack : px ^ 0x00FFFFFFu;
    }
    void report(const PixelRect& changed) const;
    // Reports the rectangle spanned by the pixels at two offsets into the bitmap.
    void reportRun(std::int64_t first, std::int64_t last) const;

    int width_ = 1;
    int height_ = 1;
    std::vector<std::uint32_t> pixels_;
    DrawMode mode_ = DrawMode::CopyPen;
    DrawStyle style_ = DrawStyle::Solid;
    ChangeListener listener_;
};

} // namespace mirona
