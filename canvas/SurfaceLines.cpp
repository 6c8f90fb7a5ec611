#include "canvas/Surface.hpp"
#include "canvas/SurfaceMath.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace mirona {

using detail::kLimit;
using detail::kReportRun;
using detail::toPixel;

namespace {

std::int64_t floorDiv(std::int64_t a, std::int64_t b) { // b > 0
    return a >= 0 ? a / b : -((-a + b - 1) / b);
}

std::int64_t ceilDiv(std::int64_t a, std::int64_t b) { // b > 0
    return -floorDiv(-a, b);
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

} // namespace

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

} // namespace mirona
