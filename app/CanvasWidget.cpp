#include "app/CanvasWidget.hpp"

#include "app/QtText.hpp"
#include "texts/Texts.hpp"

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

} // namespace

CanvasWidget::CanvasWidget(QWidget* parent) : QWidget(parent), surface_(1, 1) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAccessibleName(qtText(textOf("Canvas")));
    // The surface marks what changed on the tiles itself; the widget only asks for a repaint.
    surface_.setShownTiles(&changed_);
    surface_.setChangeListener([this](const PixelRect&) { noteChange(); });
    surface_.setResizeListener([this] { fitToSurface(); });
    fitToSurface();
}

void CanvasWidget::fitToSurface() {
    resize(viewSize());
    changed_.resize(surface_.width(), surface_.height());
    repaint_.resize(surface_.width(), surface_.height());
    update();
}

QImage CanvasWidget::image() const {
    return imageOf(surface_.Image(), surface_.width(), surface_.height());
}

QImage CanvasWidget::imageOf(std::span<const std::uint32_t> pixels, int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        std::memcpy(image.scanLine(y), pixels.data() + static_cast<std::size_t>(y) * image.width(),
                    static_cast<std::size_t>(image.width()) * 4);
    return image;
}

void CanvasWidget::noteChange() {
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
    QRegion region;
    if (scaledDown()) { // scaled down, the rectangles of neighbouring tiles overlap
        for (const PixelRect& r : changed_.take())
            region += toView(r);
        update(region);
        return;
    }
    const std::vector<PixelRect> changed = changed_.take();
    for (const PixelRect& r : changed)
        repaint_.add(r);
    // Kept only while the image is known, and not beyond a bound while the window paints
    // nothing (hidden): then every pixel Qt repaints is written.
    if (shownKnown_ && pending_.size() + changed.size() <= kMaxPending)
        pending_.insert(pending_.end(), changed.begin(), changed.end());
    else
        shownKnown_ = false;
    for (const PixelRect& r : repaint_.take())
        rects.emplace_back(r.left, r.top, r.width(), r.height());
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
    if (scaledDown()) {
        shownIn_ = {}; // the window's image no longer shows the bits one to one
        paintScaledDown(event->region());
        return;
    }
    const QRect canvas(0, 0, surface_.width(), surface_.height());
    // Where the widget is painted into an image of 32-bit pixels whose words kWhite and kBlack
    // show white and black (the window's backing store at any scale), the bits become its pixels
    // in place: no buffer, no copy, no scaling by QPainter.
    QPoint offset;
    QPaintDevice* device = redirected(&offset);
    if (device != nullptr && device->devType() == QInternal::Image) {
        auto& image = *static_cast<QImage*>(device);
        switch (image.format()) {
        case QImage::Format_RGB32:
        case QImage::Format_ARGB32:
        case QImage::Format_ARGB32_Premultiplied:
        case QImage::Format_RGBX8888:
        case QImage::Format_RGBA8888:
        case QImage::Format_RGBA8888_Premultiplied:
            if (image.devicePixelRatio() > 0) {
                paintInPlace(image, -offset, event->region());
                return;
            }
            break;
        default:
            break;
        }
        shownKnown_ = false; // painted below by other means
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

void CanvasWidget::paintInPlace(QImage& image, QPoint at, const QRegion& region) {
    // The same pixels at the same place still hold what was written into them: Qt paints nothing
    // else under an opaque widget, and gives the window new pixels, of a new size, when its size
    // changes. (At a scale other than 1 Qt wraps them in a new QImage for every paint.) An image
    // with alpha is cleared before each paint.
    const qreal ratio = image.devicePixelRatio();
    const ShownIn target{image.constBits(), image.size(),     image.bytesPerLine(), at, ratio,
                         surface_.width(),  surface_.height()};
    uchar* const pixels = image.bits();
    if (target != shownIn_) {
        shownIn_ = target;
        shownKnown_ = false;
        shown_.resize(surface_.bits().size());
        // A window pixel spans Qt's rounding of its edges times the ratio, as Qt sends the
        // window's changed area to the screen and fills rectangles.
        const auto edges = [&](std::vector<int>& out, int origin, int n) {
            out.resize(static_cast<std::size_t>(n) + 1);
            for (int i = 0; i <= n; ++i)
                out[static_cast<std::size_t>(i)] = qRound((origin + i) * ratio);
        };
        edges(columns_, at.x(), surface_.width());
        edges(rows_, at.y(), surface_.height());
        // Only the part of the canvas inside the image: a window made smaller than the canvas
        // cuts it off.
        const auto inside = [](const std::vector<int>& edge, int size) {
            const auto first = std::lower_bound(edge.begin(), edge.end(), 0);
            const auto end = std::upper_bound(first, edge.end(), size);
            return std::pair(static_cast<int>(first - edge.begin()),
                             std::max(0, static_cast<int>(end - edge.begin()) - 1));
        };
        const auto [left, right] = inside(columns_, image.width());
        const auto [top, bottom] = inside(rows_, image.height());
        inImage_ = QRect(QPoint(left, top), QPoint(right - 1, bottom - 1));
    }
    // Until a paint has covered the whole canvas in the image, and always for an image with
    // alpha, every pixel painted is written; otherwise only what changed since the last paint
    // is compared, whatever Qt repaints.
    const bool all = !shownKnown_ || image.hasAlphaChannel();
    const Surface::DisplayGrid grid{reinterpret_cast<std::uint32_t*>(pixels),
                                    image.bytesPerLine() / 4, columns_, rows_};
    const PixelRect in{inImage_.left(), inImage_.top(), inImage_.right() + 1,
                       inImage_.bottom() + 1};
    const auto clip = [&](const PixelRect& r) {
        const PixelRect c{std::max(r.left, in.left), std::max(r.top, in.top),
                          std::min(r.right, in.right), std::min(r.bottom, in.bottom)};
        if (!c.isEmpty())
            rects_.push_back(c);
    };
    rects_.clear();
    if (all)
        for (const QRect& r : region)
            clip({r.left(), r.top(), r.right() + 1, r.bottom() + 1});
    else
        std::for_each(pending_.begin(), pending_.end(), clip);
    pending_.clear();
    surface_.displayChanges(rects_, shown_, grid, all);
    if (all)
        shownKnown_ = !image.hasAlphaChannel() && (QRegion(inImage_) - region).isEmpty();
}

void CanvasWidget::mousePressEvent(QMouseEvent* event) {
    if (!(event->button() & kCanvasButtons))
        return;
    const QPointF p = toCanvas(event->position());
    deliver([&] {
        emit MouseDown(buttonMask(event->button()), shiftMask(event->modifiers()),
                       static_cast<float>(p.x()), static_cast<float>(p.y()));
    });
}

void CanvasWidget::mouseMoveEvent(QMouseEvent* event) {
    const QPointF p = toCanvas(event->position());
    deliver([&] {
        emit MouseMove(buttonMask(event->buttons()), shiftMask(event->modifiers()),
                       static_cast<float>(p.x()), static_cast<float>(p.y()));
    });
}

void CanvasWidget::mouseReleaseEvent(QMouseEvent* event) {
    if (!(event->button() & kCanvasButtons))
        return;
    const QPointF p = toCanvas(event->position());
    deliver([&] {
        emit MouseUp(buttonMask(event->button()), shiftMask(event->modifiers()),
                     static_cast<float>(p.x()), static_cast<float>(p.y()));
    });
}

} // namespace mirona
