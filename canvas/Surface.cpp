#include "canvas/Surface.hpp"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace mirona {

Surface::Surface(int width, int height) {
    resize(width, height);
}

void Surface::resize(int width, int height) {
    width_ = std::max(1, width);
    height_ = std::max(1, height);
    words_.assign(static_cast<std::size_t>((width_ + 31) / 32 * columnWords()), 0);
    if (resized_)
        resized_();
    report({0, 0, width_, height_});
}

void Surface::Cls() {
    std::fill(words_.begin(), words_.end(), 0u);
    report({0, 0, width_, height_});
}

std::vector<std::uint32_t> Surface::Image() const {
    std::vector<std::uint32_t> image(static_cast<std::size_t>(width_) * height_);
    for (int y = 0; y < height_; ++y)
        displayRow(y, 0, width_, image.data() + static_cast<std::size_t>(y) * width_);
    return image;
}

namespace {

static_assert(std::endian::native == std::endian::little, "a word's bytes in pixel order");

} // namespace

// The eight pixels of a byte of bits, the first in its lowest bit: copied from a table of 8 KiB,
// two loads and two stores, where building them from the bits took a dozen instructions.
void Surface::eightPixels(std::uint32_t byte, std::uint32_t* out) {
    static constexpr auto kBytePixels = [] {
        std::array<std::array<std::uint32_t, 8>, 256> pixels{};
        for (std::size_t b = 0; b < pixels.size(); ++b)
            for (std::size_t i = 0; i < 8; ++i)
                pixels[b][i] =
                    Surface::colourOf(static_cast<std::uint32_t>(b), static_cast<int>(i));
        return pixels;
    }();
    std::memcpy(out, kBytePixels[byte].data(), sizeof(std::uint32_t) * 8);
}

void Surface::displayRow(int y, int left, int right, std::uint32_t* out) const {
    const auto word = [&](int x) { return words_[wordIndex(x, y)]; };
    const auto single = [&](int x) { return colourOf(word(x), x & 31); };
    int x = left;
    for (; x < right && (x & 7) != 0; ++x)
        *out++ = single(x);
    for (; x + 8 <= right; x += 8, out += 8)
        eightPixels(word(x) >> (x & 24) & 0xFFu, out);
    for (; x < right; ++x)
        *out++ = single(x);
}

template <class Write>
void Surface::forEachChange(std::span<const PixelRect> rects, std::span<std::uint32_t> shown,
                            bool all, Write write) const {
    for (const PixelRect& r : rects) {
        if (r.isEmpty())
            continue;
        // Column by column of words, whose rows follow one another in the bits.
        const int words = ((r.right - 1) >> 5) - (r.left >> 5) + 1;
        for (int j = 0; j < words; ++j) {
            std::uint32_t inside = j == 0 ? ~0u << (r.left & 31) : ~0u;
            if (j + 1 == words)
                inside &= ~0u >> (31 - ((r.right - 1) & 31));
            const int x = (r.left & ~31) + 32 * j;
            const std::size_t first = wordIndex(x, 0);
            const std::uint32_t* const bits = words_.data() + first;
            std::uint32_t* const shownBits = shown.data() + first;
            const std::uint32_t written = all ? inside : 0u;
            std::uint32_t partial = inside;
            for (int i = 0; i < 32; i += 8)
                if ((inside >> i & 0xFFu) == 0xFFu)
                    partial &= ~(0xFFu << i);
            int y = r.top;
#if defined(__SSE2__)
            // Four rows at once, looked at further only where one of them changed: along a thin
            // outline most are the same.
            if (!all) {
                const __m128i within = _mm_set1_epi32(static_cast<int>(inside));
                for (; y + 4 <= r.bottom; y += 4) {
                    const __m128i now = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bits + y));
                    auto* const at = reinterpret_cast<__m128i*>(shownBits + y);
                    const __m128i was = _mm_loadu_si128(at);
                    const __m128i changed = _mm_and_si128(_mm_xor_si128(now, was), within);
                    // A bit for each row whose word changed.
                    auto rows =
                        static_cast<unsigned>(_mm_movemask_ps(_mm_castsi128_ps(
                                                  _mm_cmpeq_epi32(changed, _mm_setzero_si128()))) ^
                                              0xF);
                    if (rows == 0)
                        continue;
                    _mm_storeu_si128(at, _mm_xor_si128(was, changed));
                    alignas(16) std::array<std::uint32_t, 4> changedRows;
                    _mm_store_si128(reinterpret_cast<__m128i*>(changedRows.data()), changed);
                    for (; rows != 0; rows &= rows - 1) {
                        const int k = std::countr_zero(rows);
                        write(x, y + k, changedRows[static_cast<std::size_t>(k)], bits[y + k],
                              partial);
                    }
                }
            }
#endif
            for (; y < r.bottom; ++y) {
                const std::uint32_t now = bits[y];
                const std::uint32_t changed = (now ^ shownBits[y]) & inside;
                shownBits[y] ^= changed;
                if ((changed | written) != 0)
                    write(x, y, changed | written, now, partial);
            }
        }
    }
}

void Surface::changedWords(std::span<const PixelRect> rects, std::span<std::uint32_t> shown,
                           std::vector<ChangedWord>& out) const {
    out.clear();
    forEachChange(rects, shown, false,
                  [&](int x, int y, std::uint32_t changed, std::uint32_t now, std::uint32_t) {
                      out.push_back({x, y, changed, now});
                  });
}

void Surface::displayChanges(std::span<const PixelRect> rects, std::span<std::uint32_t> shown,
                             const DisplayGrid& grid, bool all) const {
    const int* const columns = grid.columns.data();
    const int* const rows = grid.rows.data();
    const std::ptrdiff_t stride = grid.stride;
    // One device pixel a canvas pixel: the spans of a scale below or above 1 would shorten or
    // lengthen the whole.
    if (columns[width_] - columns[0] == width_ && rows[height_] - rows[0] == height_) {
        // There canvas pixel (x, y) is origin[y * stride + x].
        std::uint32_t* const origin = grid.pixels + rows[0] * stride + columns[0];
        forEachChange(
            rects, shown, all,
            [&](int x, int y, std::uint32_t changed, std::uint32_t now, std::uint32_t partial) {
                std::uint32_t* const pixels = origin + y * stride + x;
                // Eight pixels at once wherever one of them changed and the byte lies
                // inside the rectangle: a loop over single bits would end at a
                // different count in nearly every word, and the processor would
                // mispredict its end each time. The unchanged pixels of the byte show
                // what they show already. Along an outline a word mostly has one
                // changed byte: only those are visited.
                for (std::uint32_t bytes = changed & ~partial; bytes != 0;) {
                    const int i = std::countr_zero(bytes) & ~7;
                    eightPixels(now >> i & 0xFFu, pixels + i);
                    bytes &= ~(0xFFu << i);
                }
                for (std::uint32_t bits = changed & partial; bits != 0; bits &= bits - 1) {
                    const int bit = std::countr_zero(bits);
                    pixels[bit] = colourOf(now, bit);
                }
            });
        return;
    }
    // Otherwise only the changed pixels, each filled as its block of device pixels, each device
    // row of it alike. Spans over the unchanged pixels between them, four device pixels a store,
    // took more instructions below 200 % and wrote half as many bytes again at 300 %; runs of
    // changed pixels cost more instructions than they saved.
    int fewest = columns[1] - columns[0]; // device columns of a canvas column
    int most = fewest;
    for (int x = 1; x < width_; ++x) {
        fewest = std::min(fewest, columns[x + 1] - columns[x]);
        most = std::max(most, columns[x + 1] - columns[x]);
    }
    forEachChange(
        rects, shown, all,
        // Inline, as it runs for every changed word.
        [&](int x, int y, std::uint32_t changed, std::uint32_t now, std::uint32_t)
            __attribute__((always_inline)) {
                std::uint32_t* const top = grid.pixels + rows[y] * stride;
                const int deviceRows = rows[y + 1] - rows[y];
                const int* const edges = columns + x;
                // Rows device rows (deviceRows where Rows is 0), a row of `Pair`'s pixels
                // or up to twice as many as two stores that overlap where they are fewer:
                // fewer stores wait for the image's cache lines.
                const auto blocks = [&]<class Pair, int Rows>() {
                    constexpr int kPair = sizeof(Pair) / sizeof(std::uint32_t);
                    for (std::uint32_t bits = changed; bits != 0; bits &= bits - 1) {
                        const int bit = std::countr_zero(bits);
                        const std::uint32_t colour = colourOf(now, bit);
                        const int count = edges[bit + 1] - edges[bit];
                        std::uint32_t* at = top + edges[bit];
                        if constexpr (Rows == 0) {
                            for (int j = 0; j < deviceRows; ++j, at += stride)
                                std::fill_n(at, count, colour);
                        } else {
                            const auto pair =
                                static_cast<Pair>(Pair{colour} << (32 * (kPair - 1)) | colour);
                            for (int j = 0; j < Rows; ++j, at += stride) {
                                std::memcpy(at, &pair, sizeof pair);
                                std::memcpy(at + count - kPair, &pair, sizeof pair);
                            }
                        }
                    }
                };
                // The rows unrolled: one or two of them below 200 %, two or three from
                // 200 % to 300 %.
                if (fewest >= 1 && most <= 2 && deviceRows == 1)
                    blocks.template operator()<std::uint32_t, 1>();
                else if (fewest >= 1 && most <= 2 && deviceRows == 2)
                    blocks.template operator()<std::uint32_t, 2>();
                else if (fewest >= 2 && most <= 4 && deviceRows == 2)
                    blocks.template operator()<std::uint64_t, 2>();
                else if (fewest >= 2 && most <= 4 && deviceRows == 3)
                    blocks.template operator()<std::uint64_t, 3>();
                else if (fewest >= 2 && most <= 4 && deviceRows == 4)
                    blocks.template operator()<std::uint64_t, 4>();
                else
                    blocks.template operator()<std::uint32_t, 0>();
            });
}

} // namespace mirona
