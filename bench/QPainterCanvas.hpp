#pragma once

#include "canvas/Canvas.hpp"

#include <QImage>
#include <QPainter>

namespace mirona {

// The canvas operations as a Qt programmer would write them with QPainter on a QImage: the
// comparison point for the surface's speed. Copy pen is plain source-over painting and the
// not-merge pen the raster operation NOT(source OR destination); the dotted style is
// Qt::DotLine. The pixels differ from the surface's; only the work per call is comparable.
//
// Drawing happens between begin() and end(), as in a pointer handler that opens a painter on
// the image for each event; the pen mode and style persist from one painter to the next.
// With Pen::SolidOnly the canvas ignores the pen mode and style and always draws solid black.
class QPainterCanvas final : public Canvas {
public:
    enum class Pen : std::uint8_t { AsSet, SolidOnly };

    QPainterCanvas(QImage& image, Pen pen) : image_(image), pen_(pen) {}

    void begin();
    void end() { painter_.end(); }

    void Cls() override;
    void Line(float x1, float y1, float x2, float y2, LineOption option) override;
    void Circle(float cx, float cy, float radius, float aspect) override;
    void setDrawMode(DrawMode mode) override;
    void setDrawStyle(DrawStyle style) override;

private:
    QImage& image_;
    Pen pen_;
    QPainter painter_;
    DrawMode mode_ = DrawMode::CopyPen;
    DrawStyle style_ = DrawStyle::Solid;
};

} // namespace mirona
