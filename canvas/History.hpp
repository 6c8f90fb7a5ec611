#pragma once

#include "canvas/DirtyTiles.hpp"
#include "canvas/Snapshot.hpp"
#include "canvas/Surface.hpp"

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

namespace mirona {

// The undo history of a surface whose pixels are black or white.
//
// The history keeps the picture as it was at the last commit, one bit a pixel in square tiles,
// and has the surface mark the tiles drawn on since. commit() makes what differs one step: on a
// canvas of the same size, the pixels that changed colour, so that undo and redo are the same
// flip and cost what the step changed; across a change of size, the black pixels of the picture
// before and after. Tiles without a pixel to keep cost nothing. Past the budget or the
// step limit the oldest steps go; the newest step is always kept. Each step has a serial number,
// never given to another step of the same history, also across save() and restore(), so that
// storage can keep each step once under its number and write only the new ones.
class History final {
public:
    static constexpr std::size_t kDefaultBudget = std::size_t{64} << 20;
    static constexpr std::size_t kMaxSteps = 1000;
    // The largest side of a picture that restore() takes.
    static constexpr int kMaxSide = 8192;
    // The largest side restore() reads in a step, which it then drops.
    static constexpr int kMaxReadSide = 1 << 20;

    // The history of this surface, which must outlive it.
    explicit History(Surface& surface, std::size_t budgetBytes = kDefaultBudget);
    ~History();
    History(const History&) = delete;
    History& operator=(const History&) = delete;

    // Makes whatever differs between the surface and the picture of the last commit one step,
    // which drops the steps that could be redone; where nothing differs, no step is made. The
    // first commit only takes the surface's picture as the start. Returns whether a step was
    // made.
    bool commit();

    // Puts the surface back as it was at the last commit, where it has been drawn on since,
    // without making a step. The surface must still have the size of that commit.
    void revert();

    // Commit, then put the surface back as it was before the last step (undo) or after the
    // step last undone (redo), resizing it where the step changed its size. What changes is
    // reported through the surface's change listener. Return whether there was a step.
    bool undo();
    bool redo();

    // A snapshot of the history is a head followed by one record per step, oldest first.
    // saveHead() writes the head: the kept picture (the surface's own after a commit), the number
    // of steps and how many can be undone, and the serial the next step will take. saveStep()
    // writes step i's record: its serial and its pictures; a step's record never changes. save()
    // writes the head and every record.
    void saveHead(SnapshotWriter& out) const;
    void saveStep(SnapshotWriter& out, std::size_t i) const;
    void save(SnapshotWriter& out) const;
    // Reads what save() wrote, as the rest of `in`; version 1 of the format had no serials, and
    // its steps are numbered from 1. Where that is whole and consistent (the kept picture's sides
    // from 1 to kMaxSide, each picture's tiles in order, inside it and with no pixel past its
    // edges, steps that follow one another and the kept picture, serials rising and below the
    // next), the history becomes it and the surface its kept picture, reported through the
    // change listener, and no step is made. Steps beyond the limits are dropped rather than the
    // whole refused: the undoable ones up to any picture with a side over kMaxSide and the redo
    // tail from any such picture on, then, over the step limit or the budget, the undoable ones
    // oldest first and after them the redo tail from its far end, keeping one step at least.
    // Otherwise nothing changes and it returns false.
    bool restore(SnapshotReader& in, int version);

    // The kept picture as Surface::Image() gives a surface's: 0xAARRGGBB words, row by row, at
    // the size of the last commit.
    [[nodiscard]] std::vector<std::uint32_t> picture() const;

    // The steps held, and how many of them can be undone; the rest can be redone.
    [[nodiscard]] std::size_t steps() const { return steps_.size(); }
    [[nodiscard]] std::size_t undoable() const { return done_; }
    // Step i's serial; the oldest step is 0.
    [[nodiscard]] std::uint32_t serial(std::size_t i) const { return steps_[i].serial; }
    // What the steps and the kept picture hold, counted the same in every build: the steps' bytes
    // in a snapshot and the kept picture's tiles.
    [[nodiscard]] std::size_t bytes() const { return stepBytes_ + picture_.size() * kBitsBytes; }

private:
    static constexpr int kTile = DirtyTiles::kTile;
    static_assert(kTile == 32, "a tile row is one 32-bit mask");
    // A tile's pixels, a row a word: bit i of word r is the pixel at column i, row r.
    using Bits = std::array<std::uint32_t, kTile>;
    static constexpr std::size_t kBitsBytes = sizeof(std::uint32_t) * kTile;
    // A tile in a snapshot: its index, then its bits.
    static constexpr std::size_t kTileBytes = sizeof(std::uint32_t) + kBitsBytes;
    // A step in a snapshot, beside its tiles: the serial, the two sizes and a count of tiles, and
    // another count across a change of size.
    static constexpr std::size_t kStepBytes = 6 * sizeof(std::uint32_t);
    struct Tile {
        std::uint32_t index; // row * columns + column
        Bits bits;
    };
    struct Size {
        int width = 0;
        int height = 0;
        friend bool operator==(const Size&, const Size&) = default;
    };
    struct Step {
        std::uint32_t serial = 0;
        Size before;
        Size after;
        // Same size: the pixels that changed colour. A new size: the black pixels before.
        std::vector<Tile> flips;
        // A new size only: the black pixels after.
        std::vector<Tile> blackAfter;
        // Its record's bytes in a snapshot.
        [[nodiscard]] std::size_t bytes() const {
            return kStepBytes + (before == after ? 0 : sizeof(std::uint32_t)) +
                   (flips.size() + blackAfter.size()) * kTileBytes;
        }
    };

    [[nodiscard]] int columns() const { return columnsOf(size_); }
    static int columnsOf(Size size) { return (size.width + kTile - 1) / kTile; }
    static int rowsOf(Size size) { return (size.height + kTile - 1) / kTile; }
    static bool fits(Size size) { return size.width <= kMaxSide && size.height <= kMaxSide; }
    static void write(SnapshotWriter& out, Size size);
    static void write(SnapshotWriter& out, const std::vector<Tile>& tiles);
    // Whole numbers from 1 to kMaxReadSide.
    static bool read(SnapshotReader& in, Size& size);
    // Tiles of a picture of this size, in order, with no pixel past its edges.
    static bool read(SnapshotReader& in, Size size, std::vector<Tile>& tiles);
    // A step as saveStep() writes it, or as version 1 did without the serial.
    static bool read(SnapshotReader& in, int version, Step& step);
    void resetTo(Size size);
    [[nodiscard]] std::vector<Tile> blackTiles() const;
    // The tiles drawn on since the last commit that differ from the kept picture, in order;
    // the kept picture takes them on.
    std::vector<Tile> takeChanges();
    // Takes the surface's picture as the kept one and returns its black tiles.
    std::vector<Tile> takePicture();
    // Flips the tiles' pixels on the surface and in the kept picture; the tiles are in order.
    void flip(const std::vector<Tile>& tiles);
    // Resizes the surface, white, and draws the tiles' black pixels on it.
    void paintAfresh(Size size, const std::vector<Tile>& black);
    // Puts the step's picture after (forward) or before it on the surface.
    void apply(const Step& step, bool forward);
    void push(Step step);

    Surface& surface_;
    std::size_t budget_;
    Size size_;                 // of the kept picture; 0 x 0 before the first commit
    std::vector<Bits> picture_; // the kept picture, tile by tile
    DirtyTiles touched_;
    std::deque<Step> steps_;
    std::size_t done_ = 0; // steps_[0, done_) can be undone, the rest redone
    std::size_t stepBytes_ = 0;
    std::uint32_t nextSerial_ = 1;
};

} // namespace mirona
