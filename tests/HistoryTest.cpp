#include "canvas/History.hpp"

#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <numeric>
#include <string_view>
#include <vector>

namespace mirona {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes saved(const History& history) {
    SnapshotWriter out;
    history.save(out);
    return out.take();
}

Bytes savedStep(const History& history, std::size_t i) {
    SnapshotWriter out;
    history.saveStep(out, i);
    return out.take();
}

bool restore(History& history, const Bytes& bytes) {
    SnapshotReader in(bytes);
    return history.restore(in, 2);
}

std::size_t digest(const Surface& surface) {
    const auto image = surface.Image();
    return std::hash<std::string_view>{}(
        {reinterpret_cast<const char*>(image.data()), image.size() * sizeof(image[0])});
}

// New over a busy 2048-pixel picture, over and over: the last hundred full-canvas steps fit
// the budget, the oldest go, and undoing all that is held gives back the picture before the
// oldest step kept.
TEST(HistoryTest, KeepsAHundredFullCanvasStepsWithinItsBudget) {
    constexpr int n = 2048;
    constexpr int kSteps = 130;
    Surface surface(n, n);
    History history(surface);
    history.commit();
    std::vector<std::size_t> pictures{digest(surface)};
    for (int i = 0; i < kSteps; ++i) {
        if (i % 2 == 0) {
            // Diagonals three pixels apart, shifted each time: no row of any tile is empty.
            for (int x = 1 - n + i % 3; x < n; x += 3)
                surface.Line(static_cast<float>(x), 0, static_cast<float>(x + n - 1), n - 1,
                             LineOption::Segment);
        } else {
            surface.Cls();
        }
        ASSERT_TRUE(history.commit());
        ASSERT_LE(history.bytes(), History::kDefaultBudget);
        pictures.push_back(digest(surface));
    }
    EXPECT_GE(history.steps(), 100u);
    EXPECT_LT(history.steps(), static_cast<std::size_t>(kSteps)) << "the oldest steps went";
    while (history.undo()) {
    }
    EXPECT_EQ(digest(surface), pictures[kSteps - history.steps()]);
}

// Restored into a smaller budget, a history keeps the longest run of its steps that fits, or one
// step: it drops the undoable steps oldest first, and the redo tail from its far end only once
// no undoable step is left.
TEST(HistoryTest, RestoreDropsTheOldestStepsBeyondTheBudget) {
    Surface surface(96, 64);
    History history(surface);
    history.commit();
    for (int i = 0; i < 12; ++i) {
        surface.Line(static_cast<float>(i * 7), 0, static_cast<float>(95 - i * 11), 63,
                     LineOption::Segment);
        ASSERT_TRUE(history.commit());
    }
    for (int i = 0; i < 4; ++i)
        history.undo();
    const std::size_t n = history.steps();
    const std::size_t done = history.undoable();
    std::vector<std::size_t> sizes;
    for (std::size_t i = 0; i < n; ++i)
        sizes.push_back(savedStep(history, i).size());
    const std::size_t picture = history.bytes() - std::accumulate(sizes.begin(), sizes.end(), 0u);
    const Bytes bytes = saved(history);
    for (std::size_t budget = picture; budget <= history.bytes(); budget += 41) {
        Surface other(1, 1);
        History copy(other, budget);
        ASSERT_TRUE(restore(copy, bytes));
        ASSERT_EQ(digest(other), digest(surface));
        std::size_t first = 0;
        while (history.serial(first) != copy.serial(0))
            ++first;
        const std::size_t last = first + copy.steps();
        for (std::size_t i = first; i < last; ++i)
            ASSERT_EQ(copy.serial(i - first), history.serial(i));
        ASSERT_EQ(copy.undoable(), done - first);
        ASSERT_TRUE(copy.bytes() <= budget || copy.steps() == 1);
        ASSERT_TRUE(last == n || first == done);
        if (last < n || first > 0) {
            ASSERT_GT(copy.bytes() + sizes[last < n ? last : first - 1], budget);
        }
    }
}

// Steps that alternate one tile can be repeated: a snapshot with one step more than the limit,
// made by hand, loses its oldest.
TEST(HistoryTest, RestoreDropsTheOldestStepsBeyondTheStepLimit) {
    Surface surface(32, 32);
    History history(surface);
    history.commit();
    for (std::size_t i = 0; i < History::kMaxSteps; ++i) {
        surface.Line(1, 1, 20, static_cast<float>(i % 2 * 10), LineOption::Segment);
        surface.Cls();
        surface.Line(1, 1, 20, static_cast<float>(i % 2 * 10), LineOption::Segment);
        ASSERT_TRUE(history.commit());
    }
    Bytes last = savedStep(history, History::kMaxSteps - 1);
    history.undo();
    SnapshotWriter head;
    history.saveHead(head);
    Bytes bytes = head.take();
    const std::uint32_t counts[] = {History::kMaxSteps + 1, History::kMaxSteps + 1,
                                    History::kMaxSteps + 2};
    std::memcpy(bytes.data() + bytes.size() - sizeof counts, counts, sizeof counts);
    const std::uint32_t serial = History::kMaxSteps + 1;
    std::memcpy(last.data(), &serial, sizeof serial);
    for (std::size_t i = 0; i < History::kMaxSteps; ++i) {
        const Bytes step = savedStep(history, i);
        bytes.insert(bytes.end(), step.begin(), step.end());
    }
    bytes.insert(bytes.end(), last.begin(), last.end());
    Surface other(1, 1);
    History copy(other);
    ASSERT_TRUE(restore(copy, bytes));
    EXPECT_EQ(copy.steps(), History::kMaxSteps);
    EXPECT_EQ(copy.undoable(), History::kMaxSteps);
    EXPECT_EQ(copy.serial(0), 2u);
    EXPECT_EQ(digest(other), digest(surface));
}

// A picture with a side over the limit takes with it the steps on its far side from the kept
// picture; as the kept picture it makes the snapshot refused.
TEST(HistoryTest, RestoreDropsStepsToPicturesTooLarge) {
    Surface surface(40, 40);
    History history(surface);
    history.commit();
    for (const auto& [w, h] :
         {std::pair{40, 40}, {9000, 1}, {50, 40}, {60, 40}, {1, 9000}, {30, 30}}) {
        surface.resize(w, h);
        surface.Line(0, 0, 29, 29, LineOption::Segment);
        ASSERT_TRUE(history.commit());
    }
    history.undo();
    history.undo();
    Surface other(1, 1);
    History copy(other);
    ASSERT_TRUE(restore(copy, saved(history)));
    EXPECT_EQ(copy.steps(), 1u);
    EXPECT_EQ(copy.undoable(), 1u);
    EXPECT_EQ(copy.serial(0), history.serial(3));
    history.undo();
    history.undo();
    EXPECT_FALSE(restore(copy, saved(history)));
    EXPECT_EQ(copy.serial(0), history.serial(3));
}

} // namespace
} // namespace mirona
