#include "canvas/CanvasWidget.hpp"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QRegion>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace mirona {

namespace {

constexpr Qt::MouseButtons kCanvasButtons = Qt::LeftButton | Qt::RightButton | Qt::MiddleButton;

// Qt's left, right and middle button flags are the bits 1, 2 and 4 of the canvas mask.
qint16 buttonMask(Qt::MouseButtons buttons) {
    return static_cast<qint16>((buttons & kCanvasButtons).toInt());
}

qint16 shiftMask(Qt::KeyboardModifiers modifiers) {
    return static_cast<qint16>((modifiers.testFlag(Qt::ShiftModifier) ? 1 : 0) |
                               (modifiers.testFlag(Qt::ControlModifier) ? 2 : 0) |
                               (modifiers.testFlag(Qt::AltModifier) ? 4 : 0));
}

// Scaled screens may report fractions; the drawing works in whole pixels.
QPointF canvasPixel(const QMouseEvent* event) {
    const QPointF p = event->position();
    return {std::floor(p.x()), std::floor(p.y())};
}

} // namespace

CanvasWidget::CanvasWidget(QWidget* parent) : QWidget(parent), surface_(1, 1) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAccessibleName(QStringLiteral("キャンバス"));
    surface_.setChangeListener([this](const PixelRect& r) { markChanged(r); });
    surface_.setResizeListener([this] { fitToSurface(); });
    fitToSurface();
}

void CanvasWidget::fitToSurface() {
    resize(surface_.width(), surface_.height());
    changed_.resize(surface_.width(), surface_.height());
    update();
}

QImage CanvasWidget::image() const {
    const std::vector<std::uint32_t> pixels = surface_.Image();
    QImage image(surface_.width(), surface_.height(), QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        std::memcpy(image.scanLine(y), pixels.data() + static_cast<std::size_t>(y) * image.width(),
                    static_cast<std::size_t>(image.width()) * 4);
    return image;
}

void CanvasWidget::markChanged(const PixelRect& r) {
    changed_.add(r);
    // Pointer events flush their changes themselves when they end.
    if (delivering_ || updatePending_)
        return;
    updatePending_ = true;
    QMetaObject::invokeMethod(this, &CanvasWidget::updateChanged, Qt::QueuedConnection);
}

void CanvasWidget::updateChanged() {
    updatePending_ = false;
    if (changed_.isEmpty())
        return;
    std::vector<QRect> rects;
    for (const PixelRect& r : changed_.take())
        rects.emplace_back(r.left, r.top, r.width(), r.height());
    QRegion region;
    region.setRects(rects.data(), static_cast<int>(rects.size()));
    update(region);
}

template <class Emit> void CanvasWidget::deliver(Emit&& emitEvent) {
    delivering_ = true;
    emitEvent();
    delivering_ = false;
    updateChanged();
}

void CanvasWidget::paintEvent(QPaintEvent* event) {
    const QRect canvas(0, 0, surface_.width(), surface_.height());
    // Where the widget is painted into an image of 32-bit pixels, a whole number of them to a
    // canvas pixel (the window's backing store at 100 %, 200 %, ...), the bits become its pixels
    // in place: no buffer, no copy, no scaling by QPainter.
    QPoint offset;
    QPaintDevice* device = redirected(&offset);
    if (device != nullptr && device->devType() == QInternal::Image) {
        auto& image = *static_cast<QImage*>(device);
        const qreal ratio = image.devicePixelRatio();
        const int scale = qRound(ratio);
        if (image.depth() == 32 && scale >= 1 && ratio == scale) {
            paintInPlace(image, -offset, scale, event->region());
            return;
        }
        shown_.clear(); // painted below by other means
    }
    // Strips of at most this many pixels keep the buffer small, whatever the canvas.
    constexpr int kStripPixels = 1 << 16;
    QPainter painter(this);
    for (const QRect& dirty : event->region()) {
        const QRect r = dirty & canvas;
        // One rectangle at a time: with a rectangular clip Qt copies the pixels row by row,
        // while under the event's many-rectangle clip it blends them one by one.
        painter.setClipRect(r);
        const int stripRows = std::max(1, kStripPixels / r.width());
        for (int top = r.top(); top <= r.bottom(); top += stripRows) {
            const int rows = std::min(stripRows, r.bottom() + 1 - top);
            // Grown only: what a strip leaves in it is overwritten before it is shown.
            const auto pixels = static_cast<std::size_t>(r.width()) * rows;
            if (strip_.size() < pixels)
                strip_.resize(pixels);
            for (int i = 0; i < rows; ++i)
                surface_.displayRow(top + i, r.left(), r.right() + 1,
                                    strip_.data() + static_cast<std::size_t>(i) * r.width());
            painter.drawImage(QPoint(r.left(), top),
                              QImage(reinterpret_cast<const uchar*>(strip_.data()), r.width(), rows,
                                     r.width() * 4, QImage::Format_RGB32));
        }
    }
}

void CanvasWidget::paintInPlace(QImage& image, QPoint at, int scale, const QRegion& region) {
    // The same pixels at the same place still hold what was written into them: Qt paints nothing
    // else under an opaque widget, and gives the window new pixels, of a new size, when its size
    // changes. (At a scale other than 1 Qt wraps them in a new QImage for every paint.) An image
    // with alpha is cleared before each paint.
    const ShownIn target{image.constBits(), image.size(),     image.bytesPerLine(), at, scale,
                         surface_.width(),  surface_.height()};
    uchar* const pixels = image.bits();
    if (target != shownIn_ || image.hasAlphaChannel()) {
        shownIn_ = target;
        shown_.clear();
    }
    // Only the part of the canvas inside the image: a window made smaller than the canvas cuts
    // it off.
    const QRect canvas = QRect(0, 0, surface_.width(), surface_.height()) &
                         QRect(-at, QSize(image.width() / scale, image.height() / scale));
    const bool known = !shown_.empty();
    if (!known && !image.hasAlphaChannel() && (QRegion(canvas) - region).isEmpty())
        shown_.assign(surface_.bits().begin(), surface_.bits().end());
    const qsizetype stride = image.bytesPerLine() / 4;
    // The first image pixel of canvas pixel (x, y).
    const auto pixel = [&](int x, int y) {
        return reinterpret_cast<std::uint32_t*>(pixels) + (at.y() + y) * scale * stride +
               (at.x() + x) * scale;
    };
    for (const QRect& dirty : region) {
        const QRect r = dirty & canvas;
        if (r.isEmpty())
            continue;
        if (known) {
            surface_.displayChanges({r.left(), r.top(), r.right() + 1, r.bottom() + 1}, shown_,
                                    pixel(r.left(), r.top()), stride, scale);
            continue;
        }
        for (int y = r.top(); y <= r.bottom(); ++y) {
            if (scale == 1) {
                surface_.displayRow(y, r.left(), r.right() + 1, pixel(r.left(), y));
                continue;
            }
            if (strip_.size() < static_cast<std::size_t>(r.width()))
                strip_.resize(static_cast<std::size_t>(r.width()));
            surface_.displayRow(y, r.left(), r.right() + 1, strip_.data());
            for (int dy = 0; dy < scale; ++dy) {
                std::uint32_t* const row = pixel(r.left(), y) + dy * stride;
                for (int x = 0; x < r.width(); ++x)
                    std::fill_n(row + x * scale, scale, strip_[static_cast<std::size_t>(x)]);
            }
        }
    }
}

void CanvasWidget::mousePressEvent(QMouseEvent* event) {
    if (!(event->button() & kCanvasButtons))
        return;
    const QPointF p = canvasPixel(event);
    deliver([&] {
        emit MouseDown(buttonMask(event->button()), shiftMask(event->modifiers()),
                       static_cast<float>(p.x()), static_cast<float>(p.y()));
    });
}

void CanvasWidget::mouseMoveEvent(QMouseEvent* event) {
    const QPointF p = canvasPixel(event);
    deliver([&] {
        emit MouseMove(buttonMask(event->buttons()), shiftMask(event->modifiers()),
                       static_cast<float>(p.x()), static_cast<float>(p.y()));
    });
}

void CanvasWidget::mouseReleaseEvent(QMouseEvent* event) {
    if (!(event->button() & kCanvasButtons))
        return;
    const QPointF p = canvasPixel(event);
    deliver([&] {
        emit MouseUp(buttonMask(event->button()), shiftMask(event->modifiers()),
                     static_cast<float>(p.x()), static_cast<float>(p.y()));
    });
}

} // namespace mirona
