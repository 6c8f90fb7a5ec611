#include "app/AboutLabel.hpp"

#include <QFontMetricsF>
#include <QPainter>
#include <algorithm>

namespace mirona {

AboutLabel::AboutLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

QStringList AboutLabel::lines() const {
    return text().split(u'\n');
}

QList<qreal> AboutLabel::baselines() const {
    const QFontMetricsF metrics(font());
    const QStringList texts = lines();
    QRectF ink; // relative to a baseline, over all lines
    for (const QString& line : texts)
        ink |= metrics.tightBoundingRect(line);
    const auto count = static_cast<qreal>(texts.size());
    const qreal pitch = std::min(metrics.lineSpacing(), height() / count);
    // The font's ascent where the last line's ink still ends inside; never so high that the
    // first line's ink starts above the top.
    const qreal first = std::max(
        -ink.top(), std::min(metrics.ascent(), height() - (count - 1) * pitch - ink.bottom()));
    QList<qreal> result;
    for (qsizetype i = 0; i < texts.size(); ++i)
        result.append(first + static_cast<qreal>(i) * pitch);
    return result;
}

void AboutLabel::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.setPen(palette().color(foregroundRole()));
    const QStringList texts = lines();
    const QList<qreal> at = baselines();
    for (qsizetype i = 0; i < texts.size(); ++i)
        painter.drawText(QPointF(0, at[i]), texts[i]);
}

} // namespace mirona
