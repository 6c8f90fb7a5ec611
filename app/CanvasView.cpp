// The canvas widget's view of a canvas larger than the room it has: scaled down to fit, each
// device pixel the grey of the canvas pixels under it, and pointer positions mapped back to the
// canvas pixel under them. Showing never changes the canvas.
#include "app/CanvasWidget.hpp"

#include <QPainter>
#include <algorithm>
#include <cmath>

namespace mirona {

void CanvasWidget::setArea(QSize area) {
    if (area == area_)
        return;
    area_ = area;
    fitToSurface();
}

QSize CanvasWidget::viewSize() const {
    const int w = surface_.width();
    const int h = surface_.height();
    if (!area_.isValid() || (w <= area_.width() && h <= area_.height()))
        return {w, h};
    const double scale =
        std::min(static_cast<double>(area_.width()) / w, static_cast<double>(area_.height()) / h);
    return {std::max(1, static_cast<int>(w * scale)), std::max(1, static_cast<int>(h * scale))};
}

bool CanvasWidget::scaledDown() const {
    return width() != surface_.width() || height() != surface_.height();
}

QPointF CanvasWidget::toCanvas(QPointF p) const {
    // Scaled screens may report fractions; the drawing works in whole pixels.
    if (!scaledDown())
        return {std::floor(p.x()), std::floor(p.y())};
    return {std::floor(p.x() * surface_.width() / width()),
            std::floor(p.y() * surface_.height() / height())};
}

QRect CanvasWidget::toView(const PixelRect& r) const {
    if (!scaledDown())
        return {r.left, r.top, r.width(), r.height()};
    // Every widget pixel that any canvas pixel of r is under, and one more for the device pixels
    // that straddle its edge.
    const auto from = [](int v, int view, int canvas) {
        return static_cast<int>(static_cast<std::int64_t>(v) * view / canvas);
    };
    const int left = from(r.left, width(), surface_.width());
    const int top = from(r.top, height(), surface_.height());
    const int right = from(r.right, width(), surface_.width()) + 2;
    const int bottom = from(r.bottom, height(), surface_.height()) + 2;
    return QRect(left, top, right - left, bottom - top) & rect();
}

QImage CanvasWidget::view(QRect deviceRect, qreal ratio) const {
    const int deviceWidth = qRound(width() * ratio);
    const int deviceHeight = qRound(height() * ratio);
    deviceRect &= QRect(0, 0, deviceWidth, deviceHeight);
    QImage image(deviceRect.size(), QImage::Format_RGB32);
    // The canvas pixels from a device pixel's edge to the next one's.
    const auto span = [](int i, int device, int canvas) {
        const auto at = [&](int d) {
            return static_cast<int>(static_cast<std::int64_t>(d) * canvas / device);
        };
        return std::pair(at(i), std::max(at(i) + 1, at(i + 1)));
    };
    for (int y = deviceRect.top(); y <= deviceRect.bottom(); ++y) {
        const auto [top, bottom] = span(y, deviceHeight, surface_.height());
        auto* const out = reinterpret_cast<std::uint32_t*>(image.scanLine(y - deviceRect.top()));
        for (int x = deviceRect.left(); x <= deviceRect.right(); ++x) {
            const auto [left, right] = span(x, deviceWidth, surface_.width());
            int black = 0;
            for (int cy = top; cy < bottom; ++cy)
                for (int cx = left; cx < right; ++cx)
                    black += surface_.pixel(cx, cy) == Surface::kBlack;
            const int all = (bottom - top) * (right - left);
            const auto grey = static_cast<std::uint32_t>(255 - (255 * black + all / 2) / all);
            out[x - deviceRect.left()] = 0xFF000000u | grey << 16 | grey << 8 | grey;
        }
    }
    return image;
}

void CanvasWidget::paintScaledDown(const QRegion& region) {
    QPainter painter(this);
    const qreal ratio = devicePixelRatioF();
    for (const QRect& r : region) {
        const QRect device(QPoint(static_cast<int>(std::floor(r.left() * ratio)),
                                  static_cast<int>(std::floor(r.top() * ratio))),
                           QPoint(static_cast<int>(std::ceil((r.right() + 1) * ratio)) - 1,
                                  static_cast<int>(std::ceil((r.bottom() + 1) * ratio)) - 1));
        QImage shown = view(device, ratio);
        shown.setDevicePixelRatio(ratio);
        painter.drawImage(QPointF(device.left() / ratio, device.top() / ratio), shown);
    }
}

} // namespace mirona
