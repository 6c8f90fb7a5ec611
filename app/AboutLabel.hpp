#pragma once

#include <QLabel>
#include <QList>
#include <QStringList>

namespace mirona {

// A label of the about box: plain text of one or more lines, drawn from the left edge in the
// label's own font. The lines keep the font's line spacing where the label is tall enough;
// otherwise they close up to an equal share of its height and move up into the font's empty
// headroom, so that a font with tall lines (Noto Sans CJK: 26 pixels at 13.5 points) still
// shows every line whole.
class AboutLabel final : public QLabel {
    Q_OBJECT

public:
    AboutLabel(const QString& text, QWidget* parent);

    // The baseline of each line of text(), in the label's coordinates, top to bottom.
    [[nodiscard]] QList<qreal> baselines() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    [[nodiscard]] QStringList lines() const;
};

} // namespace mirona
