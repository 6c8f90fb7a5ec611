#pragma once

#include "canvas/DirtyTiles.hpp"
#include "canvas/Surface.hpp"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace mirona {

// What the page's canvas shows of a surface, and what to hand it after a change: the surface's
// pixels as RGBA bytes, row by row, converted only where their bits changed, and a few
// rectangles covering every changed pixel. The page puts each rectangle of the RGBA pixels on its
// canvas, and a call there costs about as much as copying kRectCost pixels: along an outline,
// rectangles are joined wherever that copies fewer pixels than another call would cost.
class PageBitmap final {
public:
    static constexpr int kRectCost = 8192;

    explicit PageBitmap(const Surface& surface);

    // After the surface's resize, or to show it all again: the canvas is taken to show nothing
    // but white, and take() asks for it to be filled white before its rectangles are put.
    void reset();
    // Pixels the surface may have changed.
    void mark(const PixelRect& r) { marked_.add(r); }

    struct Changes {
        bool fillWhite = false;
        std::vector<PixelRect> rects;
    };
    // What changed since the last call, the RGBA pixels brought up to date under it; the
    // rectangles lie inside the canvas.
    [[nodiscard]] Changes take();

    // width x height pixels, kept equal to the surface wherever take() has reported.
    [[nodiscard]] const std::uint8_t* rgba() const {
        return reinterpret_cast<const std::uint8_t*>(rgba_.data());
    }

private:
    static constexpr int kCell = 3;              // the pixels of a byte of bits: 8 x 8 cells
    static constexpr std::size_t kLookBack = 8; // rectangles a band may join

    const Surface& surface_;
    DirtyTiles marked_{kCell};
    DirtyTiles changed_{kCell};
    // The bits the canvas shows, 32 pixels a word, a column of words after another.
    std::vector<std::uint32_t> shown_;
    std::vector<std::uint32_t> rgba_;
    bool fillWhite_ = true;
};

} // namespace mirona
