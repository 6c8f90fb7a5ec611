#include "canvas/History.hpp"

#include <algorithm>
#include <utility>

namespace mirona {

namespace {

bool isBlank(const std::array<std::uint32_t, DirtyTiles::kTile>& bits) {
    return std::all_of(bits.begin(), bits.end(), [](std::uint32_t row) { return row == 0; });
}

} // namespace

History::History(Surface& surface, std::size_t budgetBytes)
    : surface_(surface), budget_(budgetBytes) {
    surface_.setChangeTiles(&touched_);
}

History::~History() {
    surface_.setChangeTiles(nullptr);
}

void History::resetTo(Size size) {
    size_ = size;
    picture_.assign(static_cast<std::size_t>(columns()) * rowsOf(size), Bits{});
    touched_.resize(size.width, size.height);
}

std::vector<History::Tile> History::blackTiles() const {
    std::vector<Tile> tiles;
    for (std::size_t i = 0; i < picture_.size(); ++i)
        if (!isBlank(picture_[i]))
            tiles.push_back({static_cast<std::uint32_t>(i), picture_[i]});
    return tiles;
}

std::vector<History::Tile> History::takePicture() {
    resetTo({surface_.width(), surface_.height()});
    const int columns = this->columns();
    for (std::size_t i = 0; i < picture_.size(); ++i) {
        const int left = static_cast<int>(i) % columns * kTile;
        const int top = static_cast<int>(i) / columns * kTile;
        const int rows = std::min(kTile, size_.height - top);
        for (int r = 0; r < rows; ++r)
            picture_[i][r] = surface_.blackMask(left, top + r);
    }
    return blackTiles();
}

bool History::commit() {
    const Size now{surface_.width(), surface_.height()};
    if (size_ == Size{}) {
        takePicture();
        return false;
    }
    if (now != size_) {
        Step step{0, size_, now, blackTiles(), {}};
        step.blackAfter = takePicture();
        push(std::move(step));
        return true;
    }
    Step step{0, size_, now, takeChanges(), {}};
    if (step.flips.empty())
        return false;
    push(std::move(step));
    return true;
}

std::vector<std::uint32_t> History::picture() const {
    const auto width = static_cast<std::size_t>(size_.width);
    std::vector<std::uint32_t> image(width * static_cast<std::size_t>(size_.height));
    for (int y = 0; y < size_.height; ++y)
        for (int x = 0; x < size_.width; ++x)
            image[static_cast<std::size_t>(y) * width + static_cast<std::size_t>(x)] =
                Surface::colourOf(
                    picture_[static_cast<std::size_t>(y / kTile * columns() + x / kTile)]
                            [static_cast<std::size_t>(y % kTile)],
                    x % kTile);
    return image;
}

void History::revert() {
    // Taking the changes on and flipping them back leaves the kept picture as it was and puts
    // it back on the surface.
    flip(takeChanges());
    touched_.resize(size_.width, size_.height);
}

std::vector<History::Tile> History::takeChanges() {
    std::vector<Tile> changes;
    const int columns = this->columns();
    for (const PixelRect& r : touched_.take()) {
        // The rectangles are made of whole tiles, clipped at the right and bottom edges.
        for (int top = r.top; top < r.bottom; top += kTile) {
            const int rows = std::min(kTile, r.bottom - top);
            for (int left = r.left; left < r.right; left += kTile) {
                const auto index = static_cast<std::uint32_t>(top / kTile * columns + left / kTile);
                Bits& kept = picture_[index];
                Bits changed{};
                for (int row = 0; row < rows; ++row)
                    changed[row] = surface_.blackMask(left, top + row) ^ kept[row];
                if (isBlank(changed))
                    continue;
                for (int row = 0; row < rows; ++row)
                    kept[row] ^= changed[row];
                changes.push_back({index, changed});
            }
        }
    }
    // In order, so that undo and redo find the tiles side by side in each row of tiles.
    std::sort(changes.begin(), changes.end(),
              [](const Tile& a, const Tile& b) { return a.index < b.index; });
    return changes;
}

void History::push(Step step) {
    while (steps_.size() > done_) {
        stepBytes_ -= steps_.back().bytes();
        steps_.pop_back();
    }
    step.serial = nextSerial_++;
    stepBytes_ += step.bytes();
    steps_.push_back(std::move(step));
    done_ = steps_.size();
    while (steps_.size() > 1 && (steps_.size() > kMaxSteps || bytes() > budget_)) {
        stepBytes_ -= steps_.front().bytes();
        steps_.pop_front();
        --done_;
    }
}

void History::flip(const std::vector<Tile>& tiles) {
    const auto columns = static_cast<std::uint32_t>(this->columns());
    for (std::size_t first = 0; first < tiles.size();) {
        // Tiles side by side in one row of tiles go to the surface as one band.
        std::size_t end = first + 1;
        while (end < tiles.size() && tiles[end].index == tiles[end - 1].index + 1 &&
               tiles[end].index % columns != 0)
            ++end;
        for (std::size_t j = first; j < end; ++j) {
            // A copy, which the compiler knows not to alias the kept picture.
            const Bits bits = tiles[j].bits;
            Bits& kept = picture_[tiles[j].index];
            for (std::size_t r = 0; r < kTile; ++r)
                kept[r] ^= bits[r];
        }
        const int left = static_cast<int>(tiles[first].index % columns) * kTile;
        const int top = static_cast<int>(tiles[first].index / columns) * kTile;
        surface_.invertMasked(
            left, top, static_cast<int>(end - first), std::min(kTile, size_.height - top),
            [&](int j) { return tiles[first + static_cast<std::size_t>(j)].bits.data(); });
        first = end;
    }
}

void History::paintAfresh(Size size, const std::vector<Tile>& black) {
    surface_.resize(size.width, size.height);
    resetTo(size);
    flip(black);
}

void History::apply(const Step& step, bool forward) {
    if (step.before == step.after)
        flip(step.flips);
    else if (forward)
        paintAfresh(step.after, step.blackAfter);
    else
        paintAfresh(step.before, step.flips);
    // What was just put back is the kept picture already: nothing to compare at the next commit.
    touched_.resize(size_.width, size_.height);
}

bool History::undo() {
    commit();
    if (done_ == 0)
        return false;
    apply(steps_[--done_], false);
    return true;
}

bool History::redo() {
    commit();
    if (done_ == steps_.size())
        return false;
    apply(steps_[done_++], true);
    return true;
}

void History::write(SnapshotWriter& out, Size size) {
    out.put(static_cast<std::uint32_t>(size.width));
    out.put(static_cast<std::uint32_t>(size.height));
}

void History::write(SnapshotWriter& out, const std::vector<Tile>& tiles) {
    out.put(static_cast<std::uint32_t>(tiles.size()));
    for (const Tile& tile : tiles) {
        out.put(tile.index);
        out.putAll(std::span<const std::uint32_t>(tile.bits));
    }
}

bool History::read(SnapshotReader& in, Size& size) {
    const auto width = in.get<std::uint32_t>();
    const auto height = in.get<std::uint32_t>();
    const auto fits = [](std::uint32_t side) { return side >= 1 && side <= kMaxReadSide; };
    if (!in.ok() || !fits(width) || !fits(height))
        return false;
    size = {static_cast<int>(width), static_cast<int>(height)};
    return true;
}

bool History::read(SnapshotReader& in, Size size, std::vector<Tile>& tiles) {
    const auto count = in.get<std::uint32_t>();
    if (!in.has(std::uint64_t{count} * kTileBytes))
        return false;
    const auto columns = static_cast<std::uint32_t>(columnsOf(size));
    const auto tileRows = static_cast<std::uint32_t>(rowsOf(size));
    tiles.resize(count);
    for (std::uint32_t i = 0; i < count; ++i) {
        Tile& tile = tiles[i];
        tile.index = in.get<std::uint32_t>();
        in.getAll(std::span<std::uint32_t>(tile.bits));
        if (tile.index >= columns * tileRows || (i > 0 && tile.index <= tiles[i - 1].index))
            return false;
        // The pixels of the tile that lie inside the picture.
        const int width =
            std::min(kTile, size.width - static_cast<int>(tile.index % columns) * kTile);
        const int rows =
            std::min(kTile, size.height - static_cast<int>(tile.index / columns) * kTile);
        const std::uint32_t outside = width == kTile ? 0 : ~std::uint32_t{0} << width;
        for (int r = 0; r < kTile; ++r)
            if ((tile.bits[r] & (r < rows ? outside : ~std::uint32_t{0})) != 0)
                return false;
    }
    return in.ok();
}

bool History::read(SnapshotReader& in, int version, Step& step) {
    if (version >= 2)
        step.serial = in.get<std::uint32_t>();
    return read(in, step.before) && read(in, step.after) && read(in, step.before, step.flips) &&
           (step.before == step.after || read(in, step.after, step.blackAfter));
}

void History::saveHead(SnapshotWriter& out) const {
    const auto black = static_cast<std::size_t>(
        std::count_if(picture_.begin(), picture_.end(), [](const Bits& b) { return !isBlank(b); }));
    out.reserve(6 * sizeof(std::uint32_t) + black * kTileBytes);
    write(out, size_);
    out.put(static_cast<std::uint32_t>(black));
    for (std::size_t i = 0; i < picture_.size(); ++i)
        if (!isBlank(picture_[i])) {
            out.put(static_cast<std::uint32_t>(i));
            out.putAll(std::span<const std::uint32_t>(picture_[i]));
        }
    out.put(static_cast<std::uint32_t>(steps_.size()));
    out.put(static_cast<std::uint32_t>(done_));
    out.put(nextSerial_);
}

void History::saveStep(SnapshotWriter& out, std::size_t i) const {
    const Step& step = steps_[i];
    out.reserve(step.bytes());
    out.put(step.serial);
    write(out, step.before);
    write(out, step.after);
    write(out, step.flips);
    if (step.before != step.after)
        write(out, step.blackAfter);
}

void History::save(SnapshotWriter& out) const {
    saveHead(out);
    out.reserve(stepBytes_);
    for (std::size_t i = 0; i < steps_.size(); ++i)
        saveStep(out, i);
}

bool History::restore(SnapshotReader& in, int version) {
    Size size;
    std::vector<Tile> black;
    if (!read(in, size) || !fits(size) || !read(in, size, black))
        return false;
    const auto count = in.get<std::uint32_t>();
    const auto done = in.get<std::uint32_t>();
    std::uint32_t nextSerial = count + 1;
    if (version >= 2)
        nextSerial = in.get<std::uint32_t>();
    // Every step takes at least its sizes and a count: a count beyond the bytes is damage.
    if (!in.ok() || done > count || !in.has(std::uint64_t{count} * 5 * sizeof(std::uint32_t)))
        return false;
    std::deque<Step> steps;
    for (std::uint32_t i = 0; i < count; ++i) {
        Step step;
        if (!read(in, version, step) || (i > 0 && steps.back().after != step.before))
            return false;
        if (version < 2)
            step.serial = i + 1;
        else if (step.serial >= nextSerial || (i > 0 && step.serial <= steps.back().serial))
            return false;
        steps.push_back(std::move(step));
    }
    // The kept picture lies after the last step done and before the first to redo.
    if (!in.atEnd() || (done > 0 && steps[done - 1].after != size) ||
        (done < count && steps[done].before != size))
        return false;

    // Steps to pictures too large to show go: those before the kept picture with all older
    // ones, those after it with all newer ones.
    std::size_t first = 0;
    std::size_t last = count;
    for (std::size_t i = 0; i < done; ++i)
        if (!fits(steps[i].before))
            first = i + 1;
    for (std::size_t i = count; i > done; --i)
        if (!fits(steps[i - 1].after))
            last = i - 1;
    std::size_t stepBytes = 0;
    for (std::size_t i = first; i < last; ++i)
        stepBytes += steps[i].bytes();
    const std::size_t pictureBytes =
        static_cast<std::size_t>(columnsOf(size)) * rowsOf(size) * kBitsBytes;
    while (last - first > 1 && (last - first > kMaxSteps || stepBytes + pictureBytes > budget_))
        stepBytes -= (first < done ? steps[first++] : steps[--last]).bytes();
    steps.erase(steps.begin() + static_cast<std::ptrdiff_t>(last), steps.end());
    steps.erase(steps.begin(), steps.begin() + static_cast<std::ptrdiff_t>(first));

    steps_ = std::move(steps);
    done_ = done - first;
    stepBytes_ = stepBytes;
    nextSerial_ = nextSerial;
    paintAfresh(size, black);
    touched_.resize(size_.width, size_.height);
    return true;
}

} // namespace mirona
