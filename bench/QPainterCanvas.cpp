#include "bench/QPainterCanvas.hpp"

namespace mirona {

void QPainterCanvas::begin() {
    painter_.begin(&image_);
    painter_.setBrush(Qt::NoBrush);
    setDrawMode(mode_);
    setDrawStyle(style_);
}

void QPainterCanvas::Cls() {
    painter_.fillRect(image_.rect(), Qt::white);
}

void QPainterCanvas::Line(float x1, float y1, float x2, float y2, LineOption option) {
    if (option == LineOption::Box)
        painter_.drawRect(QRectF(QPointF(x1, y1), QPointF(x2, y2)).normalized());
    else
        painter_.drawLine(QLineF(x1, y1, x2, y2));
}

void QPainterCanvas::Circle(float cx, float cy, float radius, float aspect) {
    const SemiAxes axes = semiAxes(radius, aspect);
    painter_.drawEllipse(QPointF(cx, cy), axes.horizontal, axes.vertical);
}

void QPainterCanvas::setDrawMode(DrawMode mode) {
    if (pen_ == Pen::AsSet)
        mode_ = mode;
    if (painter_.isActive())
        painter_.setCompositionMode(mode_ == DrawMode::NotMergePen
                                        ? QPainter::RasterOp_NotSourceAndNotDestination
                                        : QPainter::CompositionMode_SourceOver);
}

void QPainterCanvas::setDrawStyle(DrawStyle style) {
    if (pen_ == Pen::AsSet)
        style_ = style;
    if (painter_.isActive())
        painter_.setPen(QPen(Qt::black, 1, style_ == DrawStyle::Dot ? Qt::DotLine : Qt::SolidLine));
}

} // namespace mirona
