#include "canvas/CanvasWidget.hpp"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QRegion>
#include <cmath>
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
    fitToSurface();
}

void CanvasWidget::fitToSurface() {
    resize(surface_.width(), surface_.height());
    changed_.resize(surface_.width(), surface_.height());
    const auto pixels = surface_.Image();
    view_ = QImage(reinterpret_cast<const uchar*>(pixels.data()), surface_.width(),
                   surface_.height(), surface_.width() * 4, QImage::Format_RGB32);
    update();
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
    QPainter painter(this);
    // One rectangle at a time: with a rectangular clip Qt copies the pixels row by row, while
    // under the event's many-rectangle clip it blends them one by one.
    for (const QRect& r : event->region()) {
        painter.setClipRect(r);
        painter.drawImage(r.topLeft(), view_, r);
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
