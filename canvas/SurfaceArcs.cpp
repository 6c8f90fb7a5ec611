#include "canvas/Surface.hpp"
#include "canvas/SurfaceMath.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <utility>

namespace mirona {

using detail::kLimit;
using detail::kReportRun;
using detail::toPixel;

namespace {

__extension__ using Wide = __int128;

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

// The steps of an arc, whose pixels are (u(t), t) for t in tLo, tLo + step, ..., tHi: calls
// visit(t, u) for each, and flush(t and u at a run's first step, at its last) after every run of
// kReportRun steps and after the last step.
template <class Int, class Visit, class Flush>
void walkArc(std::int64_t p, std::int64_t q, std::int64_t tLo, std::int64_t tHi, std::int64_t step,
             Visit visit, Flush flush) {
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
        visit(t, u);
        e -= dT;
        dT += dTStep;
        if (--runLeft == 0 || t + step > tHi) {
            flush(firstT, firstU, t, u);
            runLeft = kReportRun;
        }
    }
}

// The quadrants of an arc's step, in the order plus t plus u, plus t minus u, minus t plus u,
// minus t minus u: visit(quadrant, sign of t, sign of u). The pixels on the axes belong to the
// plus quadrants only.
template <class Visit> void forEachQuadrant(std::int64_t t, std::int64_t u, Visit visit) {
    visit(0, 1, 1);
    if (u != 0)
        visit(1, 1, -1);
    if (t != 0) {
        visit(2, -1, 1);
        if (u != 0)
            visit(3, -1, -1);
    }
}

// Whether the arcs' error terms fit 64 bits: |e| stays below 8 a^2 b^2, which fits 63 bits while
// both radii are below 2^14.
bool narrow(std::int64_t a, std::int64_t b) {
    return std::max(a, b) < (std::int64_t{1} << 14);
}

} // namespace

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
    const bool copy = mode_ == DrawMode::CopyPen;
    if (cx - a >= 0 && cx + a < width_ && cy - b >= 0 && cy + b < height_) {
        // Wholly on the canvas, no pixel needs a check against its edges, and every size is drawn
        // from the same offsets: a rubber band draws each of its sizes up to sixteen times.
        Outline& outline = outlineOf(a, b, xEnd, yEnd);
        copy ? paintOutline<true>(outline, cx, cy) : paintOutline<false>(outline, cx, cy);
        return;
    }
    if (narrow(a, b))
        copy ? arcs<std::int64_t, true>(cx, cy, a, b, xEnd, yEnd)
             : arcs<std::int64_t, false>(cx, cy, a, b, xEnd, yEnd);
    else
        copy ? arcs<Wide, true>(cx, cy, a, b, xEnd, yEnd)
             : arcs<Wide, false>(cx, cy, a, b, xEnd, yEnd);
}

template <class Int>
void Surface::recordOutline(Outline& outline, std::int64_t xEnd, std::int64_t yEnd) {
    const std::int64_t step = outline.dotted ? 2 : 1;
    // Pixels and runs as offsets (dx, dy) from the centre, u along x unless transposed. Each
    // quadrant's run spans the pixels of the walk's run, mirrored: where a minus quadrant skips
    // a pixel on an axis, a plus quadrant has that corner. A quadrant's pixels follow one another,
    // so that those of a row that share a word are together.
    std::array<std::vector<std::array<std::int32_t, 2>>, 4> quadrants;
    const auto record = [&]<bool Transposed>(std::int64_t p, std::int64_t q, std::int64_t tEnd) {
        const auto at = [](std::int64_t t, std::int64_t u) {
            return Transposed
                       ? std::array{static_cast<std::int32_t>(t), static_cast<std::int32_t>(u)}
                       : std::array{static_cast<std::int32_t>(u), static_cast<std::int32_t>(t)};
        };
        walkArc<Int>(
            p, q, 0, tEnd, step,
            [&](std::int64_t t, std::int64_t u) {
                forEachQuadrant(t, u, [&](int quadrant, std::int64_t st, std::int64_t su) {
                    quadrants[static_cast<std::size_t>(quadrant)].push_back(at(st * t, su * u));
                });
            },
            [&](std::int64_t t0, std::int64_t u0, std::int64_t t1, std::int64_t u1) {
                for (const std::int64_t st : {1, -1})
                    for (const std::int64_t su : {1, -1}) {
                        const auto [x0, y0] = at(st * t0, su * u0);
                        const auto [x1, y1] = at(st * t1, su * u1);
                        outline.runs.push_back({std::min(x0, x1), std::min(y0, y1),
                                                std::max(x0, x1) + 1, std::max(y0, y1) + 1});
                    }
            });
        for (auto& quadrant : quadrants) {
            outline.pixels.insert(outline.pixels.end(), quadrant.begin(), quadrant.end());
            quadrant.clear();
        }
    };
    record.template operator()<false>(outline.a, outline.b, yEnd);
    record.template operator()<true>(outline.b, outline.a, xEnd);
    outline.bounds = {};
    for (const PixelRect& run : outline.runs)
        outline.bounds = outline.bounds.united(run);
}

Surface::Outline& Surface::outlineOf(std::int64_t a, std::int64_t b, std::int64_t xEnd,
                                     std::int64_t yEnd) {
    const bool dotted = style_ == DrawStyle::Dot;
    for (Outline& outline : outlines_)
        if (outline.a == a && outline.b == b && outline.dotted == dotted && !outline.pixels.empty())
            return outline;
    // The oldest goes: a rubber band's move draws the figures of the pointer and removes those
    // of the move before, each in an upright and a transposed size.
    Outline& outline = outlines_[nextOutline_];
    nextOutline_ = (nextOutline_ + 1) % outlines_.size();
    outline.a = a;
    outline.b = b;
    outline.dotted = dotted;
    outline.pixels.clear();
    outline.runs.clear();
    for (Outline::Placement& placement : outline.placements)
        placement.shift = -1;
    if (narrow(a, b))
        recordOutline<std::int64_t>(outline, xEnd, yEnd);
    else
        recordOutline<Wide>(outline, xEnd, yEnd);
    return outline;
}

const Surface::Outline::Placement& Surface::placementOf(Outline& outline, std::int64_t cx) {
    const std::int64_t shift = cx & 31;
    const std::int64_t columnWords = this->columnWords();
    for (const Outline::Placement& placement : outline.placements)
        if (placement.shift == shift && placement.columnWords == columnWords)
            return placement;
    Outline::Placement& placement = outline.placements[outline.nextPlacement];
    outline.nextPlacement = (outline.nextPlacement + 1) % outline.placements.size();
    placement.shift = shift;
    placement.columnWords = columnWords;
    placement.words.clear();
    // (cx + dx) >> 5 is (cx >> 5) + ((shift + dx) >> 5): the word's offset from the centre's.
    for (const auto& [dx, dy] : outline.pixels) {
        const std::int64_t column = shift + dx;
        const std::int64_t offset = (column >> 5) * columnWords + dy;
        const std::uint32_t bit = 1u << (column & 31);
        if (!placement.words.empty() && placement.words.back().offset == offset)
            placement.words.back().mask |= bit;
        else
            placement.words.push_back({offset, bit});
    }
    return placement;
}

template <bool Copy>
void Surface::paintOutline(Outline& outline, std::int64_t cx, std::int64_t cy) {
    // Each pixel is set once, so the masks of a word's pixels change it as the pixels would.
    std::uint32_t* const centre = words_.data() + wordIndex(cx, cy);
    for (const auto& [offset, mask] : placementOf(outline, cx).words)
        paint<Copy>(centre[offset], mask);
    if (!reporting())
        return;
    // The runs as report would hand them on, the tiles marked all at once.
    const auto x = static_cast<int>(cx);
    const auto y = static_cast<int>(cy);
    for (DirtyTiles* tiles : {tiles_, shownTiles_})
        if (tiles != nullptr)
            tiles->addMoved(outline.runs, outline.bounds, x, y);
    if (listener_)
        for (const PixelRect& r : outline.runs)
            listener_({r.left + x, r.top + y, r.right + x, r.bottom + y});
}

template <class Int, bool Copy>
void Surface::arcs(std::int64_t cx, std::int64_t cy, std::int64_t a, std::int64_t b,
                   std::int64_t xEnd, std::int64_t yEnd) {
    arc<Int, false, Copy>(cx, cy, a, b, yEnd);
    arc<Int, true, Copy>(cx, cy, b, a, xEnd);
}

// An arc not wholly on the canvas: its pixels (u(t), t) for t in 0..tEnd, u along x unless
// transposed, mirrored into four quadrants, where they lie on the canvas. In each quadrant t and
// u are both monotonic along the arc, so the visible pixels of a stretch of it are one run,
// whose first and last pixels span the rectangle it changed.
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
    // Each quadrant's run is what of it is on the canvas.
    struct Run {
        std::int64_t firstT = 0, firstU = 0, lastT = 0, lastU = 0;
        bool any = false;
    };
    std::array<Run, 4> runs;
    walkArc<Int>(
        p, q, tLo, tHi, dotted ? 2 : 1,
        [&](std::int64_t t, std::int64_t u) {
            forEachQuadrant(t, u, [&](int quadrant, std::int64_t st, std::int64_t su) {
                const std::int64_t tc = ct + st * t;
                const std::int64_t uc = cu + su * u;
                // One unsigned comparison per axis also rejects negative coordinates.
                if (static_cast<std::uint64_t>(tc) > static_cast<std::uint64_t>(tMax) ||
                    static_cast<std::uint64_t>(uc) > static_cast<std::uint64_t>(uMax))
                    return;
                const std::int64_t x = Transposed ? tc : uc;
                paint<Copy>(words[wordIndex(columnWords, x, Transposed ? uc : tc)], 1u << (x & 31));
                Run& run = runs[static_cast<std::size_t>(quadrant)];
                if (!run.any) {
                    run.firstT = tc;
                    run.firstU = uc;
                    run.any = true;
                }
                run.lastT = tc;
                run.lastU = uc;
            });
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
