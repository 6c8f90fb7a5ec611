// What the canvas widget repaints while the user draws: the changed places, not the canvas.
#include "app/Form1.hpp"

#include <QAction>
#include <QApplication>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QRegion>
#include <QTest>
#include <gtest/gtest.h>
#include <vector>

namespace mirona {
namespace {

// Records the region of every paint event the watched widget gets.
class PaintRecorder final : public QObject {
public:
    std::vector<QRegion> regions;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            regions.push_back(static_cast<QPaintEvent*>(event)->region());
        return QObject::eventFilter(watched, event);
    }
};

class CanvasRepaintTest : public testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        form.Form_Load();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
        form.findChild<QAction*>(QString::fromLatin1(GetParam()))->trigger();
        QApplication::processEvents();
        form.canvas().installEventFilter(&recorder);
    }

    // Sends the event to the canvas and lets the event loop run the repaint it asked for.
    void send(QEvent::Type type, QPoint p, Qt::MouseButton button, Qt::MouseButtons buttons) {
        CanvasWidget& canvas = form.canvas();
        QMouseEvent event(type, p, canvas.mapToGlobal(p), button, buttons, Qt::NoModifier);
        QApplication::sendEvent(&canvas, &event);
        QApplication::processEvents();
    }

    Form1 form;
    PaintRecorder recorder;
};

TEST_P(CanvasRepaintTest, AShortStrokeRepaintsAFewSmallRectanglesAroundWhatChanged) {
    const Surface& surface = form.canvas().surface();
    const std::vector<std::uint32_t> before = surface.Image();
    // A short drag near (100, 40), which the eight images repeat all over the canvas.
    send(QEvent::MouseButtonPress, {100, 40}, Qt::LeftButton, Qt::LeftButton);
    for (const QPoint p : {QPoint(103, 43), QPoint(106, 45), QPoint(109, 48), QPoint(112, 50)})
        send(QEvent::MouseMove, p, Qt::NoButton, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, {112, 50}, Qt::LeftButton, Qt::NoButton);

    ASSERT_FALSE(recorder.regions.empty());
    QRegion painted;
    for (const QRegion& region : recorder.regions) {
        EXPECT_LE(region.rectCount(), 64);
        for (const QRect& r : region)
            EXPECT_TRUE(r.width() <= 64 && r.height() <= 64) << r.x() << "," << r.y();
        painted += region;
    }
    const int canvasArea = surface.width() * surface.height();
    int paintedArea = 0;
    for (const QRect& r : painted)
        paintedArea += r.width() * r.height();
    EXPECT_LT(paintedArea, canvasArea / 4);
    // Everything the stroke changed was repainted.
    int changed = 0;
    for (int y = 0; y < surface.height(); ++y)
        for (int x = 0; x < surface.width(); ++x)
            if (surface.pixel(x, y) != before[static_cast<std::size_t>(y * surface.width() + x)]) {
                ++changed;
                ASSERT_TRUE(painted.contains(QPoint(x, y))) << x << "," << y;
            }
    EXPECT_GT(changed, 0);
}

INSTANTIATE_TEST_SUITE_P(EveryTool, CanvasRepaintTest,
                         testing::Values("MenuFreeLine", "MenuContLine", "MenuBox", "MenuEllipse"));

} // namespace
} // namespace mirona
