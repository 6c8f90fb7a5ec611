#include "canvas/Surface.hpp"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <utility>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace mirona {

namespace {

// Coordinates are clipped or rejected beyond this magnitude: far beyond any canvas, and small
// enough that every product below fits its integer type.
constexpr double kLimit = 1 << 24;

// A slanted segment or an arc reports the rectangle of every run of this many pixels, so that
// the changed rectangles follow the figure instead of spanning its whole extent.
constexpr std::int64_t kReportRun = 32;

__extension__ using Wide = __int128;

std::int64_t floorDiv(std::int64_t a, std::int64_t b) { // b > 0
    return a >= 0 ? a / b : -((-a + b - 1) / b);
}

std::int64_t ceilDiv(std::int64_t a, std::int64_t b) { // b > 0
    return -floorDiv(-a, b);
}

// v rounded to the nearest whole number, halves to even, for |v| < 2^51: adding 1.5 * 2^52
// leaves no bits for a fraction. The same as std::nearbyint, which on the baseline x86-64
// instruction set is a library call, four to a segment.
std::int64_t toPixel(double v) {
    constexpr double kRound = 0x1.8p52;
    return static_cast<std::int64_t>(v + kRound - kRound);
}

// Clips the segment to the square [-kLimit, kLimit]^2 (Liang-Barsky); false when nothing is left.
bool clipToLimit(double& x1, double& y1, double& x2, double& y2) {
    // Nearly every segment lies inside already: no division for it.
    const auto inside = [](double v) { return std::fabs(v) <= kLimit; };
    if (inside(x1) && inside(y1) && inside(x2) && inside(y2))
        return true;
    const double dx = x2 - x1;
    const double dy = y2 - y1;
    double t0 = 0.0;
    double t1 = 1.0;
    const auto edge = [&](double p, double q) {
        if (p == 0.0)
            return q >= 0.0;
        const double r = q / p;
        if (p < 0.0)
            t0 = std::max(t0, r);
        else
            t1 = std::min(t1, r);
        return t0 <= t1;
    };
    if (!(edge(-dx, x1 + kLimit) && edge(dx, kLimit - x1) && edge(-dy, y1 + kLimit) &&
          edge(dy, kLimit - y1)))
        return false;
    const double sx = x1;
    const double sy = y1;
    if (t1 < 1.0) {
        x2 = sx + t1 * dx;
        y2 = sy + t1 * dy;
    }
    if (t0 > 0.0) {
        x1 = sx + t0 * dx;
        y1 = sy + t0 * dy;
    }
    // Rounding can leave a hair outside; the clamp keeps the integer arithmetic in range.
    for (double* v : {&x1, &y1, &x2, &y2})
        *v = std::clamp(*v, -kLimit, kLimit);
    return true;
}

double finiteOr(double v, double bound) {
    return std::isinf(v) ? std::copysign(bound, v) : v;
}

// u(t) of the quarter ellipse with semi-axis p along u and q along t: the largest u >= 0 with
// u == 0 or (2u - 1)^2 q^2 <= 4 p^2 (q^2 - t^2), i.e. p * sqrt(1 - t^2/q^2) rounded half up.
bool within(std::int64_t u, Wide q2, Wide rhs) {
    const Wide d = 2 * static_cast<Wide>(u) - 1;
    return d * d * q2 <= rhs;
}

std::int64_t ordinate(std::int64_t p, std::int64_t q, std::int64_t t) {
    const Wide q2 = static_cast<Wide>(q) * q;
    const Wide rhs = 4 * static_cast<Wide>(p) * p * (q2 - static_cast<Wide>(t) * t);
    const double ratio = static_cast<double>(t) / static_cast<double>(q);
    std::int64_t u = std::clamp<std::int64_t>(
        toPixel(static_cast<double>(p) * std::sqrt(std::max(0.0, 1.0 - ratio * ratio))), 0, p);
    while (u < p && within(u + 1, q2, rhs))
        ++u;
    while (u > 0 && !within(u, q2, rhs))
        --u;
    return u;
}

} // namespace

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

void Surface::report(const PixelRect& changed) const {
    if (changed.isEmpty())
        return;
    if (tiles_ != nullptr)
        tiles_->add(changed);
    if (listener_)
        listener_(changed);
}

void Surface::reportRun(std::int64_t x0, std::int64_t y0, std::int64_t x1, std::int64_t y1) const {
    if (!listener_ && tiles_ == nullptr)
        return;
    const auto [left, right] = std::minmax(x0, x1);
    const auto [top, bottom] = std::minmax(y0, y1);
    report({static_cast<int>(left), static_cast<int>(top), static_cast<int>(right) + 1,
            static_cast<int>(bottom) + 1});
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

// The eight pixels of a byte of bits, the first in its lowest bit.
void eightPixels(std::uint32_t byte, std::uint32_t* out) {
#if defined(__SSE2__)
    // Four pixels a register: each lane all ones where its bit is set, which turns white black.
    const __m128i low = _mm_set_epi32(8, 4, 2, 1);
    const __m128i high = _mm_set_epi32(128, 64, 32, 16);
    const __m128i colour = _mm_set1_epi32(0x00FFFFFF);
    const __m128i white = _mm_set1_epi32(static_cast<int>(Surface::kWhite));
    const __m128i bits = _mm_set1_epi32(static_cast<int>(byte));
    const __m128i first = _mm_cmpeq_epi32(_mm_and_si128(bits, low), low);
    const __m128i second = _mm_cmpeq_epi32(_mm_and_si128(bits, high), high);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out),
                     _mm_xor_si128(white, _mm_and_si128(first, colour)));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4),
                     _mm_xor_si128(white, _mm_and_si128(second, colour)));
#else
    static constexpr auto kBytePixels = [] {
        std::array<std::array<std::uint32_t, 8>, 256> pixels{};
        for (std::size_t b = 0; b < pixels.size(); ++b)
            for (std::size_t i = 0; i < 8; ++i)
                pixels[b][i] =
                    Surface::colourOf(static_cast<std::uint32_t>(b), static_cast<int>(i));
        return pixels;
    }();
    std::memcpy(out, kBytePixels[byte].data(), sizeof(std::uint32_t) * 8);
#endif
}

// `count` device pixels of a row, pixel i showing the bit bitOf[i] of `now`: four at a time, the
// last four overlapping those before them where the count is no multiple of four.
void spanPixels(std::uint32_t now, const std::uint32_t* bitOf, std::uint32_t* out, int count) {
#if defined(__SSE2__)
    if (count >= 4) {
        const __m128i word = _mm_set1_epi32(static_cast<int>(now));
        const __m128i colour = _mm_set1_epi32(0x00FFFFFF);
        const __m128i white = _mm_set1_epi32(static_cast<int>(Surface::kWhite));
        const auto four = [&](int i) {
            const __m128i bit = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bitOf + i));
            const __m128i clear = _mm_cmpeq_epi32(_mm_and_si128(word, bit), _mm_setzero_si128());
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i),
                             _mm_xor_si128(white, _mm_andnot_si128(clear, colour)));
        };
        int i = 0;
        for (; i + 4 < count; i += 4)
            four(i);
        four(count - 4);
        return;
    }
#endif
    for (int i = 0; i < count; ++i)
        out[i] = (now & bitOf[i]) != 0 ? Surface::kBlack : Surface::kWhite;
}

} // namespace

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

void Surface::displayChanges(std::span<const PixelRect> rects, std::span<std::uint32_t> shown,
                             const DisplayGrid& grid, bool all) const {
    // First the words are compared, with no branch on what they hold, so that the processor can
    // fetch many rows' words at once; then the changed pixels are written.
    struct Change {
        int x; // the word's first canvas column, which may lie left of the rectangle
        int y;
        std::uint32_t changed;
        std::uint32_t now;
        std::uint32_t inside; // the word's pixels inside the rectangle
    };
    std::array<Change, 64> changes;
    std::size_t count = 0;
    const int* const columns = grid.columns.data();
    const int* const rows = grid.rows.data();
    // One device pixel a canvas pixel: the spans of a scale below or above 1 would shorten or
    // lengthen the whole.
    const bool unit = columns[width_] - columns[0] == width_ && rows[height_] - rows[0] == height_;
    const auto write = [&] {
        for (std::size_t c = 0; c < count; ++c) {
            const Change& change = changes[c];
            if (unit) {
                std::uint32_t* const pixels =
                    grid.pixels + static_cast<std::ptrdiff_t>(rows[change.y]) * grid.stride +
                    columns[change.x];
                // Eight pixels at once wherever one of them changed and the byte lies inside the
                // rectangle: a loop over single bits would end at a different count in nearly
                // every word, and the processor would mispredict its end each time. The
                // unchanged pixels of the byte show what they show already.
                std::uint32_t single = 0;
                for (int i = 0; i < 32; i += 8) {
                    if ((change.changed >> i & 0xFFu) == 0)
                        continue;
                    if ((change.inside >> i & 0xFFu) == 0xFFu)
                        eightPixels(change.now >> i & 0xFFu, pixels + i);
                    else
                        single |= change.changed & 0xFFu << i;
                }
                for (; single != 0; single &= single - 1) {
                    const int bit = std::countr_zero(single);
                    pixels[bit] = colourOf(change.now, bit);
                }
                continue;
            }
            // Otherwise the device pixels from the first changed pixel's to the last's, each
            // device row of the canvas row alike: every canvas pixel as its whole block.
            const int first = change.x + std::countr_zero(change.changed);
            const int end = change.x + 32 - std::countl_zero(change.changed);
            const int left = columns[first];
            const std::uint32_t* const bitOf = grid.columnBits.data() + (left - columns[0]);
            for (int y = rows[change.y]; y < rows[change.y + 1]; ++y)
                spanPixels(change.now, bitOf,
                           grid.pixels + static_cast<std::ptrdiff_t>(y) * grid.stride + left,
                           columns[end] - left);
        }
        count = 0;
    };
    // Rows top to bottom - 1 of the words from column x, which the mask `inside` limits to the
    // rectangle.
    const auto compare = [&](int x, std::uint32_t inside, int top, int bottom) {
        const std::size_t first = wordIndex(x, 0);
        const std::uint32_t* const bits = words_.data() + first;
        std::uint32_t* const shownBits = shown.data() + first;
        const std::uint32_t written = all ? inside : 0u;
        int y = top;
#if defined(__SSE2__)
        // Four rows at once, looked at further only where one of them changed: along a thin
        // outline most are the same.
        if (!all) {
            const __m128i within = _mm_set1_epi32(static_cast<int>(inside));
            for (; y + 4 <= bottom; y += 4) {
                const __m128i now = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bits + y));
                auto* const at = reinterpret_cast<__m128i*>(shownBits + y);
                const __m128i was = _mm_loadu_si128(at);
                const __m128i changed = _mm_and_si128(_mm_xor_si128(now, was), within);
                if (_mm_movemask_epi8(_mm_cmpeq_epi32(changed, _mm_setzero_si128())) == 0xFFFF)
                    continue;
                _mm_storeu_si128(at, _mm_xor_si128(was, changed));
                alignas(16) std::array<std::uint32_t, 4> changedRows;
                _mm_store_si128(reinterpret_cast<__m128i*>(changedRows.data()), changed);
                if (count + 4 > changes.size())
                    write();
                for (int k = 0; k < 4; ++k) {
                    changes[count] = {x, y + k, changedRows[k], bits[y + k], inside};
                    count += changedRows[k] != 0 ? 1 : 0;
                }
            }
        }
#endif
        for (; y < bottom; ++y) {
            const std::uint32_t now = bits[y];
            const std::uint32_t changed = (now ^ shownBits[y]) & inside;
            shownBits[y] ^= changed;
            if (count == changes.size())
                write();
            changes[count] = {x, y, changed | written, now, inside};
            count += (changed | written) != 0 ? 1 : 0;
        }
    };
    for (const PixelRect& r : rects) {
        if (r.isEmpty())
            continue;
        // Column by column of words, whose rows follow one another in the bits.
        const int words = ((r.right - 1) >> 5) - (r.left >> 5) + 1;
        for (int j = 0; j < words; ++j) {
            std::uint32_t inside = j == 0 ? ~0u << (r.left & 31) : ~0u;
            if (j + 1 == words)
                inside &= ~0u >> (31 - ((r.right - 1) & 31));
            compare((r.left & ~31) + 32 * j, inside, r.top, r.bottom);
        }
    }
    write();
}

void Surface::Line(float x1, float y1, float x2, float y2, LineOption option) {
    double ax = x1, ay = y1, bx = x2, by = y2;
    if (std::isnan(ax) || std::isnan(ay) || std::isnan(bx) || std::isnan(by))
        return;
    if (option == LineOption::Box) {
        // Moving a corner along its own axes beyond the canvas changes no visible pixel.
        const auto c = [](double v) { return toPixel(std::clamp(v, -kLimit, kLimit)); };
        box(c(ax), c(ay), c(bx), c(by));
    } else {
        ax = finiteOr(ax, 2 * kLimit);
        ay = finiteOr(ay, 2 * kLimit);
        bx = finiteOr(bx, 2 * kLimit);
        by = finiteOr(by, 2 * kLimit);
        if (clipToLimit(ax, ay, bx, by))
            segment(toPixel(ax), toPixel(ay), toPixel(bx), toPixel(by), 0);
    }
}

// Pixel i (0..n) of the segment sits i steps along the major axis from the first point, and
// floor((2ik + n) / 2n) steps along the minor one (k = minor extent): the minor offset rounded
// half up. Only the visible range of i is walked. Dotted figures take the i with i + phase even.
void Surface::segment(std::int64_t x1, std::int64_t y1, std::int64_t x2, std::int64_t y2,
                      std::int64_t phase) {
    const bool xMajor = std::llabs(x2 - x1) >= std::llabs(y2 - y1);
    const std::int64_t m1 = xMajor ? x1 : y1;
    const std::int64_t q1 = xMajor ? y1 : x1;
    const std::int64_t dm = xMajor ? x2 - x1 : y2 - y1;
    const std::int64_t dq = xMajor ? y2 - y1 : x2 - x1;
    const std::int64_t n = std::llabs(dm);
    const std::int64_t k = std::llabs(dq);
    const std::int64_t sm = dm < 0 ? -1 : 1;
    const std::int64_t sq = dq < 0 ? -1 : 1;
    const std::int64_t mMax = (xMajor ? width_ : height_) - 1;
    const std::int64_t qMax = (xMajor ? height_ : width_) - 1;

    std::int64_t lo =
        sm > 0 ? std::max<std::int64_t>(0, -m1) : std::max<std::int64_t>(0, m1 - mMax);
    std::int64_t hi = sm > 0 ? std::min(n, mMax - m1) : std::min(n, m1);
    const std::int64_t fLo = sq > 0 ? -q1 : q1 - qMax;
    const std::int64_t fHi = sq > 0 ? qMax - q1 : q1;
    if (n == 0 || k == 0) {
        if (fLo > 0 || fHi < 0)
            return;
    } else if (fLo > 0 || fHi < k) { // the minor axis leaves the canvas
        lo = std::max(lo, ceilDiv(2 * n * fLo - n, 2 * k));
        hi = std::min(hi, ceilDiv(2 * n * (fHi + 1) - n, 2 * k) - 1);
    }
    const bool dotted = style_ == DrawStyle::Dot;
    if (dotted && ((lo + phase) & 1) != 0)
        ++lo;
    if (lo > hi)
        return;
    const std::int64_t step = dotted ? 2 : 1;
    if (dotted)
        hi -= (hi - lo) & 1;

    const std::int64_t twoN = 2 * (n == 0 ? 1 : n);
    // Most segments start on the canvas: no division for them.
    const std::int64_t f = lo == 0 ? 0 : floorDiv(2 * lo * k + n, twoN);
    std::int64_t e = 2 * lo * k + n - f * twoN; // e == (2ik + n) mod 2n
    const std::int64_t mLo = m1 + lo * sm;
    const std::int64_t qLo = q1 + sq * f;
    if (k == 0) {
        const std::int64_t mHi = m1 + hi * sm;
        const std::int64_t first = std::min(mLo, mHi);
        const std::int64_t last = std::max(mLo, mHi);
        if (xMajor)
            row(qLo, first, last, dotted);
        else
            column(qLo, first, last, dotted);
        return;
    }
    const Slant slanted{xMajor ? mLo : qLo,
                        xMajor ? qLo : mLo,
                        (dotted ? (hi - lo) >> 1 : hi - lo) + 1,
                        step * sm,
                        sq,
                        e,
                        step * 2 * k,
                        twoN};
    const bool copy = mode_ == DrawMode::CopyPen;
    // Rows of four pixels or more on average are worth gathering.
    const bool gather = n >= 4 * k * step;
    if (!xMajor)
        copy ? slant<false, false, true>(slanted) : slant<false, false, false>(slanted);
    else if (gather)
        copy ? slant<true, true, true>(slanted) : slant<true, true, false>(slanted);
    else
        copy ? slant<true, false, true>(slanted) : slant<true, false, false>(slanted);
}

// A rectangle is reported for every run of kReportRun pixels, so that the rectangles follow the
// segment. Along x, where rows are long enough, the pixels of a row gather in their word, which is
// stored when the row or the word changes; otherwise every pixel is stored into its word. The
// loops keep few values alive, so that a compiler with fewer registers to spare (WebAssembly's)
// need not keep any of them in memory: the word's index comes from x and y at each pixel, and a
// run ends where the major coordinate reaches its last pixel.
template <bool XMajor, bool Gather, bool Copy> void Surface::slant(Slant s) {
    static_assert(XMajor || !Gather, "only a row's pixels gather");
    std::uint32_t* const words = words_.data();
    const std::int64_t columnWords = this->columnWords();
    std::int64_t x = s.x;
    std::int64_t y = s.y;
    std::int64_t e = s.e;
    std::int64_t& major = XMajor ? x : y;
    std::int64_t& minor = XMajor ? y : x;
    std::uint32_t mask = 0; // gathering: the current word's pixels not yet stored
    const auto advance = [&] {
        const std::int64_t column = x & ~31;
        major += s.major;
        e += s.de;
        if constexpr (Gather) {
            if (e < s.twoN && (x & ~31) == column)
                return;
            paint<Copy>(words[wordIndex(columnWords, column, y)], mask);
            mask = 0;
        }
        // Back to 0 <= e < 2n: de <= 4n, so at most two minor steps.
        if (e >= s.twoN) {
            e -= s.twoN;
            minor += s.minor;
            if (e >= s.twoN) {
                e -= s.twoN;
                minor += s.minor;
            }
        }
    };
    for (std::int64_t left = s.count;;) {
        const std::int64_t runX = x;
        const std::int64_t runY = y;
        const std::int64_t run = std::min(kReportRun, left);
        const std::int64_t last = major + (run - 1) * s.major;
        for (;;) {
            if constexpr (Gather)
                mask |= 1u << (x & 31);
            else
                paint<Copy>(words[wordIndex(columnWords, x, y)], 1u << (x & 31));
            if (major == last)
                break;
            advance();
        }
        reportRun(runX, runY, x, y);
        left -= run;
        if (left == 0)
            break;
        advance();
    }
    if constexpr (Gather)
        paint<Copy>(words[wordIndex(columnWords, x, y)], mask);
}

// A word at a time: the pixels first to last of row y, or every other one from the first.
void Surface::row(std::int64_t y, std::int64_t first, std::int64_t last, bool dotted) {
    const std::uint32_t pattern = !dotted ? ~0u : (first & 1) != 0 ? 0xAAAAAAAAu : 0x55555555u;
    for (std::int64_t word = first >> 5; word <= last >> 5; ++word) {
        std::uint32_t mask = pattern;
        if (word == first >> 5)
            mask &= ~0u << (first & 31);
        if (word == last >> 5)
            mask &= ~0u >> (31 - (last & 31));
        paintMask(wordIndex(word << 5, y), mask);
    }
    reportRun(first, y, last, y);
}

// Down a column of words: the pixels first to last of column x, or every other one from the first.
void Surface::column(std::int64_t x, std::int64_t first, std::int64_t last, bool dotted) {
    const std::uint32_t bit = 1u << (x & 31);
    const std::int64_t step = dotted ? 2 : 1;
    if (mode_ == DrawMode::CopyPen)
        for (std::int64_t y = first; y <= last; y += step)
            paint<true>(words_[wordIndex(x, y)], bit);
    else
        for (std::int64_t y = first; y <= last; y += step)
            paint<false>(words_[wordIndex(x, y)], bit);
    reportRun(x, first, x, last);
}

// The outline walks from the first corner along its row to the second corner's column, then
// along that column, back along the other row and up the first column: each pixel once, and
// the dotted pattern counted around the whole outline.
void Surface::box(std::int64_t x1, std::int64_t y1, std::int64_t x2, std::int64_t y2) {
    const std::int64_t w = std::llabs(x2 - x1);
    const std::int64_t h = std::llabs(y2 - y1);
    if (w == 0 || h == 0) {
        segment(x1, y1, x2, y2, 0);
        return;
    }
    const std::int64_t sx = x2 > x1 ? 1 : -1;
    const std::int64_t sy = y2 > y1 ? 1 : -1;
    segment(x1, y1, x2 - sx, y1, 0);
    segment(x2, y1, x2, y2 - sy, w);
    segment(x2, y2, x1 + sx, y2, w + h);
    segment(x1, y2, x1, y1 + sy, 2 * w + h);
}

void Surface::Circle(float cx, float cy, float radius, float aspect) {
    if (std::isnan(aspect))
        return;
    const auto [a, b] = semiAxes(radius, aspect);
    const auto inRange = [](double v) { return std::fabs(v) <= kLimit; }; // false for NaN
    if (!(inRange(a) && inRange(b) && inRange(cx) && inRange(cy)))
        return;
    ellipse(toPixel(cx), toPixel(cy), toPixel(a), toPixel(b));
}

// A quarter of the outline is two arcs: the rows from the widest point down to about where the
// outline passes 45 degrees take one pixel each, and so do the columns from the top to there.
// The quarter is mirrored into the other three without repeating pixels on the axes.
void Surface::ellipse(std::int64_t cx, std::int64_t cy, std::int64_t a, std::int64_t b) {
    if (a == 0 && b == 0)
        return;
    if (a == 0 || b == 0) {
        segment(cx - a, cy - b, cx + a, cy + b, 0);
        return;
    }
    const Wide a2 = static_cast<Wide>(a) * a;
    const Wide b2 = static_cast<Wide>(b) * b;
    // yS: the largest y with y^2 (a^2 + b^2) <= b^4, where the slope passes 45 degrees.
    auto yS = static_cast<std::int64_t>(static_cast<double>(b2) /
                                        std::sqrt(static_cast<double>(a2 + b2)));
    while (static_cast<Wide>(yS + 1) * (yS + 1) * (a2 + b2) <= b2 * b2)
        ++yS;
    while (yS > 0 && static_cast<Wide>(yS) * yS * (a2 + b2) > b2 * b2)
        --yS;
    // The columns end left of the last row's pixel; the rows go on down to the one above the
    // last column's pixel, so that the two arcs meet without a gap and without sharing a pixel.
    const std::int64_t xEnd = std::max<std::int64_t>(ordinate(a, b, yS) - 1, 0);
    const std::int64_t yEnd = std::max(yS, ordinate(b, a, xEnd) - 1);
    // |e| stays below 8 a^2 b^2, which fits 63 bits while both radii are below 2^14.
    const bool narrow = std::max(a, b) < (std::int64_t{1} << 14);
    const bool copy = mode_ == DrawMode::CopyPen;
    if (narrow)
        copy ? arcs<std::int64_t, true>(cx, cy, a, b, xEnd, yEnd)
             : arcs<std::int64_t, false>(cx, cy, a, b, xEnd, yEnd);
    else
        copy ? arcs<Wide, true>(cx, cy, a, b, xEnd, yEnd)
             : arcs<Wide, false>(cx, cy, a, b, xEnd, yEnd);
}

template <class Int, bool Copy>
void Surface::arcs(std::int64_t cx, std::int64_t cy, std::int64_t a, std::int64_t b,
                   std::int64_t xEnd, std::int64_t yEnd) {
    arc<Int, false, Copy>(cx, cy, a, b, yEnd);
    arc<Int, true, Copy>(cx, cy, b, a, xEnd);
}

// Pixels (u(t), t) for t in 0..tEnd, u along x unless transposed, mirrored into four quadrants.
// In each quadrant t and u are both monotonic along the arc, so the visible pixels of a stretch
// of it are one run, whose first and last pixels span the rectangle it changed.
template <class Int, bool Transposed, bool Copy>
void Surface::arc(std::int64_t cx, std::int64_t cy, std::int64_t p, std::int64_t q,
                  std::int64_t tEnd) {
    const std::int64_t ct = Transposed ? cx : cy;
    const std::int64_t cu = Transposed ? cy : cx;
    const std::int64_t tMax = (Transposed ? width_ : height_) - 1;
    const std::int64_t uMax = (Transposed ? height_ : width_) - 1;
    // Only the t whose row (or column) ct + t or ct - t lies on the canvas.
    std::int64_t tLo = tEnd + 1;
    std::int64_t tHi = -1;
    for (const auto& [lo, hi] : {std::pair{-ct, tMax - ct}, std::pair{ct - tMax, ct}}) {
        if (std::max<std::int64_t>(lo, 0) <= std::min(hi, tEnd)) {
            tLo = std::min(tLo, std::max<std::int64_t>(lo, 0));
            tHi = std::max(tHi, std::min(hi, tEnd));
        }
    }
    const bool dotted = style_ == DrawStyle::Dot;
    if (dotted && (tLo & 1) != 0)
        ++tLo;
    if (tLo > tHi)
        return;
    const std::int64_t step = dotted ? 2 : 1;

    const Int q2 = static_cast<Int>(q) * q;
    const Int p4 = 4 * static_cast<Int>(p) * p;
    std::int64_t u = ordinate(p, q, tLo);
    const Int d = 2 * static_cast<Int>(u) - 1;
    // e == 4 p^2 (q^2 - t^2) - (2u - 1)^2 q^2: u is within the outline at t while e >= 0.
    Int e = p4 * (q2 - static_cast<Int>(tLo) * tLo) - d * d * q2;
    // dT == e(t) - e(t + step): what e loses at the next t.
    Int dT = p4 * (2 * static_cast<Int>(tLo) * step + step * step);
    const Int dTStep = 2 * p4 * step * step;
    // dU == e(u - 1) - e(u) == 8 q^2 (u - 1): what e gains when u steps down.
    Int dU = 8 * q2 * (u - 1);
    const Int dUStep = 8 * q2;

    const auto rect = [](std::int64_t t0, std::int64_t u0, std::int64_t t1, std::int64_t u1) {
        const auto [tLow, tHigh] = std::minmax(t0, t1);
        const auto [uLow, uHigh] = std::minmax(u0, u1);
        return Transposed ? PixelRect{static_cast<int>(tLow), static_cast<int>(uLow),
                                      static_cast<int>(tHigh) + 1, static_cast<int>(uHigh) + 1}
                          : PixelRect{static_cast<int>(uLow), static_cast<int>(tLow),
                                      static_cast<int>(uHigh) + 1, static_cast<int>(tHigh) + 1};
    };
    std::uint32_t* const words = words_.data();
    const std::int64_t columnWords = this->columnWords();
    const auto paintAt = [&](std::int64_t tc, std::int64_t uc) {
        const std::int64_t x = Transposed ? tc : uc;
        paint<Copy>(words[wordIndex(columnWords, x, Transposed ? uc : tc)], 1u << (x & 31));
    };
    // The quadrants, in the order plus t plus u, plus t minus u, minus t plus u, minus t minus u.
    // The pixels on the axes belong to the plus quadrants only.
    // Each run of kReportRun steps ends with flush(t and u at its first step, at its last).
    const auto walk = [&](auto visit, auto flush) {
        std::int64_t runLeft = kReportRun;
        std::int64_t firstT = tLo;
        std::int64_t firstU = u;
        for (std::int64_t t = tLo; t <= tHi; t += step) {
            while (u > 0 && e < 0) {
                e += dU;
                dU -= dUStep;
                --u;
            }
            if (runLeft == kReportRun) {
                firstT = t;
                firstU = u;
            }
            visit(0, ct + t, cu + u);
            if (u != 0)
                visit(1, ct + t, cu - u);
            if (t != 0) {
                visit(2, ct - t, cu + u);
                if (u != 0)
                    visit(3, ct - t, cu - u);
            }
            e -= dT;
            dT += dTStep;
            if (--runLeft == 0 || t + step > tHi) {
                flush(firstT, firstU, t, u);
                runLeft = kReportRun;
            }
        }
    };
    if (ct - tHi >= 0 && ct + tHi <= tMax && cu - p >= 0 && cu + p <= uMax) {
        // All of the arc is on the canvas: nothing to check at each pixel, and each quadrant's
        // run spans the pixels of the walk's run, mirrored. Where a minus quadrant skips a pixel
        // on an axis, a plus quadrant has set that corner.
        walk([&](int, std::int64_t tc, std::int64_t uc) { paintAt(tc, uc); },
             [&](std::int64_t t0, std::int64_t u0, std::int64_t t1, std::int64_t u1) {
                 for (const std::int64_t st : {1, -1})
                     for (const std::int64_t su : {1, -1})
                         report(rect(ct + st * t0, cu + su * u0, ct + st * t1, cu + su * u1));
             });
        return;
    }
    // Otherwise each quadrant's run is what of it is on the canvas.
    struct Run {
        std::int64_t firstT = 0, firstU = 0, lastT = 0, lastU = 0;
        bool any = false;
    };
    std::array<Run, 4> runs;
    walk(
        [&](int quadrant, std::int64_t tc, std::int64_t uc) {
            // One unsigned comparison per axis also rejects negative coordinates.
            if (static_cast<std::uint64_t>(tc) > static_cast<std::uint64_t>(tMax) ||
                static_cast<std::uint64_t>(uc) > static_cast<std::uint64_t>(uMax))
                return;
            paintAt(tc, uc);
            Run& run = runs[static_cast<std::size_t>(quadrant)];
            if (!run.any) {
                run.firstT = tc;
                run.firstU = uc;
                run.any = true;
            }
            run.lastT = tc;
            run.lastU = uc;
        },
        [&](std::int64_t, std::int64_t, std::int64_t, std::int64_t) {
            for (Run& run : runs) {
                if (run.any)
                    report(rect(run.firstT, run.firstU, run.lastT, run.lastU));
                run.any = false;
            }
        });
}

} // namespace mirona
