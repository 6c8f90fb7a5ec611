#pragma once

#include "canvas/DirtyTiles.hpp"
#include "canvas/Surface.hpp"

#include <QImage>
#include <QPoint>
#include <QPointF>
#include <QRect>
#include <QRegion>
#include <QSize>
#include <QWidget>
#include <cstdint>
#include <span>
#include <vector>

namespace mirona {

// Shows a Surface and turns pointer input into canvas events.
//
// The widget has no frame: its size is the bitmap's size, or less where it has less room
// (setArea). Positions are whole canvas pixels from the top-left corner; after a press the widget
// keeps the pointer, so moves and the release arrive also from outside it. Buttons are a mask (1
// left, 2 right, 4 middle), the changed button for a press or release and all buttons held for a
// move; shift is a mask (1 Shift, 2 Ctrl, 4 Alt). Only what the surface reports as changed is
// repainted: its rectangles are gathered on a grid of tiles while the code that draws runs, and
// the dirty tiles are handed to Qt as one region at the end of the pointer event, or when the
// event loop next gets control.
// The surface's bits become display pixels only where a paint event shows them: in place in the
// window's image at any scale, only where they differ from what it shows, or else a strip at a
// time through a small buffer. In place, each pixel of the image shows the canvas pixel under its
// centre, a centre on an edge the pixel above or to the left: the device pixels of a canvas
// pixel are those Qt sends to the screen for it.
class CanvasWidget final : public QWidget {
    Q_OBJECT

public:
    explicit CanvasWidget(QWidget* parent = nullptr);

    [[nodiscard]] Surface& surface() { return surface_; }
    [[nodiscard]] const Surface& surface() const { return surface_; }

    // The bitmap as an image, RGB32.
    [[nodiscard]] QImage image() const;
    // Such pixels as Surface::Image() gives, width x height of them, as an image, RGB32.
    [[nodiscard]] static QImage imageOf(std::span<const std::uint32_t> pixels, int width,
                                        int height);

    // The room the widget has; none (an invalid size) at first. Where the canvas is larger, the
    // widget shows the whole of it scaled down to fit, keeping its proportions: each device pixel
    // is the grey of the share of black among the canvas pixels under it, and pointer positions
    // are those of the canvas pixel under the pointer.
    void setArea(QSize area);
    // The device pixels of deviceRect as the widget shows a canvas scaled down, at `ratio` of
    // them a widget pixel: each the same whatever rectangle it is asked for in.
    [[nodiscard]] QImage view(QRect deviceRect, qreal ratio) const;

signals:
    void MouseDown(qint16 button, qint16 shift, float x, float y);
    void MouseMove(qint16 button, qint16 shift, float x, float y);
    void MouseUp(qint16 button, qint16 shift, float x, float y);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    // Fits the widget to the bitmap's size, which the surface calls for whenever it is resized.
    void fitToSurface();
    // The widget's size for the canvas in the area, and whether that is smaller than the canvas.
    [[nodiscard]] QSize viewSize() const;
    [[nodiscard]] bool scaledDown() const;
    // The canvas pixel under a widget position, and the widget pixels a canvas rectangle is under.
    [[nodiscard]] QPointF toCanvas(QPointF p) const;
    [[nodiscard]] QRect toView(const PixelRect& r) const;
    void paintScaledDown(const QRegion& region);
    // Writes into the window's image, whose point `at` (in window pixels) is the widget's corner.
    void paintInPlace(QImage& image, QPoint at, const QRegion& region);
    // Called for each change the surface reports, once it has marked it on changed_.
    void noteChange();
    void updateChanged();
    // Runs emitEvent, then hands what it changed to Qt at once.
    template <class Emit> void deliver(Emit&& emitEvent);

    Surface surface_;
    QSize area_;
    // Finer than the history's tiles: along a thin outline, fewer pixels to compare.
    DirtyTiles changed_{3};
    // The tiles handed to Qt to repaint, as coarse as the history's: Qt's work for a region,
    // scaling it for the screen at every scale but 1, grows with its rectangles.
    DirtyTiles repaint_;
    // What changed since the window's image was last written in place, on the finer tiles:
    // once the image is known, nothing else can differ from what it shows.
    std::vector<PixelRect> pending_;
    static constexpr std::size_t kMaxPending = std::size_t{1} << 16;
    bool updatePending_ = false; // an update is queued for changes made outside pointer events
    bool delivering_ = false;    // a pointer event is being delivered
    std::vector<std::uint32_t> strip_; // display pixels of the strip being painted
    // Which pixels of which image, at which place and scale, shown_ describes, for a canvas of
    // which size.
    struct ShownIn {
        const uchar* pixels = nullptr;
        QSize size;
        qsizetype bytesPerLine = 0;
        QPoint at;
        qreal ratio = 0;
        int width = 0;
        int height = 0;
        bool operator==(const ShownIn&) const = default;
    };
    ShownIn shownIn_;
    // The bits as that image shows them, where shownKnown_.
    std::vector<std::uint32_t> shown_;
    bool shownKnown_ = false;
    // The image's device columns and rows of each canvas column and row (Surface::DisplayGrid),
    // for shownIn_.
    std::vector<int> columns_;
    std::vector<int> rows_;
    QRect inImage_;                // the canvas pixels whose device pixels all lie in the image
    std::vector<PixelRect> rects_; // the rectangles of the paint being written
};

} // namespace mirona
