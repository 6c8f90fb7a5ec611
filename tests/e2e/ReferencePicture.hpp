#pragma once

#include "canvas/Surface.hpp"
#include "drawing/MenuChoices.hpp"
#include "drawing/SymmetricDrawing.hpp"

#include <QImage>
#include <QPoint>
#include <vector>

namespace mirona::e2e {

// The picture the program should show: the drawing engine fed the same pointer events and
// menu choices on a canvas of the same size.
class ReferencePicture final {
public:
    explicit ReferencePicture(int size);

    [[nodiscard]] DrawingState& state() { return drawing_.state(); }
    void clear();

    // Press at the first point, moves with the left button through the others, release at
    // the last.
    void stroke(const std::vector<QPoint>& path);
    // Press at `from` and release at `to` with no move between: the finished figure alone.
    void figure(QPoint from, QPoint to);

    [[nodiscard]] QImage image() const;

private:
    Surface surface_;
    SymmetricDrawing drawing_;
};

// Black pixels whose image under one of the active symmetries (about the canvas's centre, for
// a square canvas) is inside the canvas but white.
int asymmetricPixels(const QImage& canvas, const DrawingState& flags);

int blackPixels(const QImage& canvas);

} // namespace mirona::e2e
