#pragma once

#include "canvas/Canvas.hpp"
#include "canvas/DirtyTiles.hpp"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace mirona {

// The canvas's persistent bitmap and its rasteriser.
//
// The picture is black and white, held as one bit a pixel (set for black) in 32-bit words, each
// a row of 32 pixels, the first in its lowest bit: a 2048-pixel canvas takes 512 KiB, which stays
// in the processor's cache while a figure is drawn. The words lie in columns 32 pixels wide, top
// to bottom, one column after the other: a steep line or arc, whose every pixel is on a row of
// its own, touches two cache lines in 32 rows, as a flat one does in 32 columns. Front ends turn
// the bits into display pixels where they show them (displayRow), and Image() gives the whole
// picture as colour words. Every call sets each pixel at most once, so a figure drawn twice with
// the not-merge pen leaves the bitmap as it was; the same call always sets the same pixels; a
// dotted figure's pixels are a subset of the solid figure's. Coordinates are clipped before
// rasterising, so the cost of a call is bounded by the visible part of its figure, whatever the
// coordinates are (NaN rejects the figure). Every call that can change pixels reports what it
// changed to the change listener, as a few rectangles that follow the figure: one per side of a
// box, one per run of pixels along a slanted segment or an arc.
class Surface final : public Canvas {
public:
    static constexpr std::uint32_t kWhite = 0xFFFFFFFFu;
    static constexpr std::uint32_t kBlack = 0xFF000000u;

    using ChangeListener = std::function<void(const PixelRect&)>;
    using ResizeListener = std::function<void()>;

    Surface(int width, int height);

    // Gives the bitmap a new size, all white, and tells the resize listener, before the change
    // listener hears of the whole new area. Sizes below 1 become 1.
    void resize(int width, int height);

    [[nodiscard]] int width() const { return width_; }
    [[nodiscard]] int height() const { return height_; }
    // kBlack where bit i of the bits is set, else kWhite.
    [[nodiscard]] static constexpr std::uint32_t colourOf(std::uint32_t bits, int i) {
        return (bits >> i & 1u) != 0 ? kBlack : kWhite;
    }
    // kBlack or kWhite.
    [[nodiscard]] std::uint32_t pixel(int x, int y) const {
        return colourOf(words_[wordIndex(x, y)], x & 31);
    }
    // The persistent bitmap as 0xAARRGGBB words (alpha always 0xFF), row by row: a copy.
    [[nodiscard]] std::vector<std::uint32_t> Image() const;
    // The pixels left to right - 1 of row y as such words, into out. As kBlack and kWhite read
    // the same in either byte order, they are also the bytes R, G, B, A of a web canvas.
    void displayRow(int y, int left, int right, std::uint32_t* out) const;
    // The eight pixels of a byte of bits as such words, the first in its lowest bit, into out.
    static void eightPixels(std::uint32_t byte, std::uint32_t* out);
    // Where display pixels go, at any number of them a canvas pixel: canvas column x shows as
    // the device columns columns[x] to columns[x + 1] - 1, and row y as the device rows rows[y]
    // to rows[y + 1] - 1, of an image whose pixel (0, 0) is `pixels`, its rows `stride` words
    // apart. columns and rows hold width + 1 and height + 1 rising values.
    struct DisplayGrid {
        std::uint32_t* pixels = nullptr;
        std::ptrdiff_t stride = 0;
        std::span<const int> columns;
        std::span<const int> rows;
    };
    // The pixels of the rectangles as such words, each as its block of device pixels on the
    // grid, but only around where their bits differ from `shown`: a copy of bits() that says
    // what the image showed when last written, and that the call keeps up to date. With `all`,
    // every pixel of the rectangles is written, whatever `shown` says. Nothing outside their
    // device pixels is written; inside them, at least every pixel that changed. Along a thin
    // outline nearly all of a repainted rectangle shows what it showed, and comparing bits costs
    // far less than writing display pixels.
    void displayChanges(std::span<const PixelRect> rects, std::span<std::uint32_t> shown,
                        const DisplayGrid& grid, bool all = false) const;
    // A word of the bits that differs from what a `shown` copy held: its first canvas column, its
    // row, its bits changed inside the rectangle looked at, and the word now.
    struct ChangedWord {
        int x;
        int y;
        std::uint32_t changed;
        std::uint32_t now;
    };
    // The words of the rectangles whose bits differ from `shown`, compared as displayChanges
    // compares them and set there as it sets them, into `out` (cleared first): for a front end
    // that writes the changed pixels in its own way.
    void changedWords(std::span<const PixelRect> rects, std::span<std::uint32_t> shown,
                      std::vector<ChangedWord>& out) const;
    // The bits, whose size a `shown` copy takes.
    [[nodiscard]] std::span<const std::uint32_t> bits() const { return words_; }

    // The black pixels among the 32 of row y from column x, a multiple of 32, as bits: bit i is
    // the pixel at x + i. Pixels beyond the right edge count as white.
    [[nodiscard]] std::uint32_t blackMask(int x, int y) const { return words_[wordIndex(x, y)]; }
    // Inverts the pixels of a band of `blocks` 32-pixel-wide blocks side by side, whose top-left
    // corner (left, top) is a multiple of 32 on both axes, where their masks have a set bit:
    // masksOf(j) points at the masks of block j from the left, `rows` words (at most 32) top to
    // bottom, as blackMask gives them. Reports the band. Bits beyond the bitmap must be clear.
    // For putting back an earlier picture, whose pixels are black or white too.
    template <class MasksOf>
    void invertMasked(int left, int top, int blocks, int rows, MasksOf masksOf) {
        for (int j = 0; j < blocks; ++j) {
            std::uint32_t* const block = words_.data() + wordIndex(left + 32 * j, top);
            const std::uint32_t* const masks = masksOf(j);
            for (int r = 0; r < rows; ++r)
                block[r] ^= masks[r];
        }
        report({left, top, std::min(left + 32 * blocks, width_), top + rows});
    }

    [[nodiscard]] DrawMode drawMode() const { return mode_; }
    [[nodiscard]] DrawStyle drawStyle() const { return style_; }

    // Called during each drawing call with rectangles that together cover every pixel the call
    // set, each of them spanned by such pixels (so never empty).
    void setChangeListener(ChangeListener listener) { listener_ = std::move(listener); }
    // Called after every resize, whoever asked for it (New, or an undo or redo across one), so
    // that what shows the bitmap can follow its size.
    void setResizeListener(ResizeListener listener) { resized_ = std::move(listener); }
    // Also marks every rectangle it reports on these tiles (none: nullptr), directly rather
    // than through a listener, as that happens on every drawing call: the undo history's record
    // of what changed since its last step.
    void setChangeTiles(DirtyTiles* tiles) { tiles_ = tiles; }
    // And on these (none: nullptr): a front end's record of what to show again, so that its
    // listener need not mark each rectangle itself.
    void setShownTiles(DirtyTiles* tiles) { shownTiles_ = tiles; }

    void Cls() override;
    void Line(float x1, float y1, float x2, float y2, LineOption option) override;
    void Circle(float cx, float cy, float radius, float aspect) override;
    void setDrawMode(DrawMode mode) override { mode_ = mode; }
    void setDrawStyle(DrawStyle style) override { style_ = style; }

private:
    void segment(std::int64_t x1, std::int64_t y1, std::int64_t x2, std::int64_t y2,
                 std::int64_t phase);
    // The pixels of a slanted segment: `count` pixels from (x, y), `major` along the major axis
    // a pixel, a minor step of `minor` whenever e reaches 2n after growing by de.
    struct Slant {
        std::int64_t x, y, count, major, minor, e, de, twoN;
    };
    template <bool XMajor, bool Gather, bool Copy> void slant(Slant s);
    void box(std::int64_t x1, std::int64_t y1, std::int64_t x2, std::int64_t y2);
    void ellipse(std::int64_t cx, std::int64_t cy, std::int64_t a, std::int64_t b);
    // An ellipse's pixels, as offsets from its centre, each quadrant's along its arcs, and the
    // runs of them to report, for the semi-axes and style they were recorded for (none recorded:
    // no pixels).
    struct Outline {
        std::int64_t a = 0;
        std::int64_t b = 0;
        bool dotted = false;
        std::vector<std::array<std::int32_t, 2>> pixels;
        std::vector<PixelRect> runs;
        PixelRect bounds; // of the runs
        // The pixels as the words they change, offsets from the centre's word with its mask, for
        // a centre `shift` columns into its word and columns `columnWords` words apart (none
        // placed: a shift of -1). A quadrant's pixels of a row in one word are one mask.
        struct Placement {
            std::int64_t shift = -1;
            std::int64_t columnWords = 0;
            struct Word {
                std::int64_t offset;
                std::uint32_t mask;
            };
            std::vector<Word> words;
        };
        // A rubber band's move draws each size at two columns within a word in the eight-image
        // mode (a centre and its mirror image), up to four in others.
        std::array<Placement, 4> placements;
        std::size_t nextPlacement = 0;
    };
    // The outline of semi-axes a and b in the style in force, whose arcs end at xEnd and yEnd,
    // recorded unless it is one of the last few.
    Outline& outlineOf(std::int64_t a, std::int64_t b, std::int64_t xEnd, std::int64_t yEnd);
    template <class Int>
    static void recordOutline(Outline& outline, std::int64_t xEnd, std::int64_t yEnd);
    // The outline's words for a centre in column cx, placed unless it is one of the last few.
    const Outline::Placement& placementOf(Outline& outline, std::int64_t cx);
    // Draws an outline about (cx, cy), where all of it lies on the canvas.
    template <bool Copy> void paintOutline(Outline& outline, std::int64_t cx, std::int64_t cy);
    // Int holds the arcs' error terms: 64 bits for radii within a canvas's reach, else 128.
    template <class Int, bool Copy>
    void arcs(std::int64_t cx, std::int64_t cy, std::int64_t a, std::int64_t b, std::int64_t xEnd,
              std::int64_t yEnd);
    template <class Int, bool Transposed, bool Copy>
    void arc(std::int64_t cx, std::int64_t cy, std::int64_t p, std::int64_t q, std::int64_t tEnd);
    // The words between columns: the height and a cache line more, since columns a power of two
    // of lines apart would share the cache's sets and a row across the picture would evict itself.
    [[nodiscard]] std::int64_t columnWords() const { return height_ + 16; }
    // The word of pixel (x, y), with columns `columnWords` words apart.
    [[nodiscard]] static std::size_t wordIndex(std::int64_t columnWords, std::int64_t x,
                                               std::int64_t y) {
        return static_cast<std::size_t>((x >> 5) * columnWords + y);
    }
    [[nodiscard]] std::size_t wordIndex(std::int64_t x, std::int64_t y) const {
        return wordIndex(columnWords(), x, y);
    }
    // Sets (copy pen) or inverts (not-merge pen) the pixels of mask in a word.
    template <bool Copy> static void paint(std::uint32_t& word, std::uint32_t mask) {
        word = Copy ? word | mask : word ^ mask;
    }
    void paintMask(std::size_t index, std::uint32_t mask) {
        if (mode_ == DrawMode::CopyPen)
            paint<true>(words_[index], mask);
        else
            paint<false>(words_[index], mask);
    }
    // Calls write(x, y, changed, now, partial) for each word of the rectangles whose bits differ
    // from `shown` there (every word with `all`), after setting them in `shown`: the word's first
    // column x, its row y, the bits changed (all of those inside with `all`), the word now, and
    // its bits inside the rectangle whose byte is not wholly inside it.
    template <class Write>
    void forEachChange(std::span<const PixelRect> rects, std::span<std::uint32_t> shown, bool all,
                       Write write) const;
    // Upright segments on the canvas, the pixels first to last or every other one of them.
    void row(std::int64_t y, std::int64_t first, std::int64_t last, bool dotted);
    void column(std::int64_t x, std::int64_t first, std::int64_t last, bool dotted);
    // Whether anything hears of changes.
    [[nodiscard]] bool reporting() const {
        return listener_ || tiles_ != nullptr || shownTiles_ != nullptr;
    }
    // Defined here, as slanted segments and arcs call them for every run of pixels.
    void report(const PixelRect& changed) const {
        if (changed.isEmpty())
            return;
        if (tiles_ != nullptr)
            tiles_->add(changed);
        if (shownTiles_ != nullptr)
            shownTiles_->add(changed);
        if (listener_)
            listener_(changed);
    }
    // Reports the rectangle spanned by two pixels.
    void reportRun(std::int64_t x0, std::int64_t y0, std::int64_t x1, std::int64_t y1) const {
        if (!reporting())
            return;
        const auto [left, right] = std::minmax(x0, x1);
        const auto [top, bottom] = std::minmax(y0, y1);
        report({static_cast<int>(left), static_cast<int>(top), static_cast<int>(right) + 1,
                static_cast<int>(bottom) + 1});
    }

    int width_ = 1;
    int height_ = 1;
    std::vector<std::uint32_t> words_;
    DrawMode mode_ = DrawMode::CopyPen;
    DrawStyle style_ = DrawStyle::Solid;
    ChangeListener listener_;
    ResizeListener resized_;
    DirtyTiles* tiles_ = nullptr;
    DirtyTiles* shownTiles_ = nullptr;
    // A rubber band's move draws four sizes: the pointer's and the last move's, upright and
    // transposed.
    std::array<Outline, 4> outlines_;
    std::size_t nextOutline_ = 0;
};

} // namespace mirona
