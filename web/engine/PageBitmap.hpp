#pragma once

#include "canvas/DirtyTiles.hpp"
#include "canvas/Surface.hpp"

#include <cstddef>
#include <cstdint>
#include <memory>
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
    // Where the surface marks the pixels it may have changed (Surface::setShownTiles).
    [[nodiscard]] DirtyTiles* marks() { return &marked_; }

    struct Changes {
        bool fillWhite = false;
        std::vector<PixelRect> rects;
    };
    // What changed since the last call, the RGBA pixels brought up to date under it; the
    // rectangles lie inside the canvas.
    [[nodiscard]] Changes take();

    // width x height pixels, equal to what the canvas shows inside every rectangle take() has
    // returned (elsewhere they may be anything).
    [[nodiscard]] const std::uint8_t* rgba() const {
        return reinterpret_cast<const std::uint8_t*>(rgba_.get());
    }

private:
    static constexpr int kCell = 3;             // the pixels of a byte of bits: 8 x 8 cells
    static constexpr int kHanded = 4;           // tiles of 16 x 16 pixels
    static constexpr std::size_t kLookBack = 8; // rectangles a band may join

    static constexpr int kBand = 32; // rows made white together

    // Makes the RGBA rows [top, bottom) show what shown_ says, where they were left unwritten.
    void fillBands(int top, int bottom);

    const Surface& surface_;
    DirtyTiles marked_{kCell};
    // Where pixels changed: on 8 x 8 cells an outline's bands joined into more rectangles of more
    // pixels.
    DirtyTiles changed_{kHanded};
    // The bits the canvas shows, as the surface holds its own.
    std::vector<std::uint32_t> shown_;
    std::vector<Surface::ChangedWord> words_; // take()'s, kept for their memory
    // Written a band of rows at a time, when the band first changes or is handed over: a new
    // picture's 16 MiB at 2048 px are not written all at once, and where it stays white, never.
    // Where a band is unwritten its bits in shown_ are all white.
    std::unique_ptr<std::uint32_t[]> rgba_;
    std::size_t capacity_ = 0;
    std::vector<bool> written_; // by band
    bool fillWhite_ = true;
};

} // namespace mirona
