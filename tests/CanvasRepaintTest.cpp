// What the canvas widget repaints while the user draws: the changed places, not the canvas.
#include "app/Form1.hpp"

#include <QAction>
#include <QApplication>
#include <QBackingStore>
#include <QImage>
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

// The window's own image is written in place, and only where it differs from what it shows: after
// strokes, undo, redo and a New it must show exactly the picture, as must a grab of the widget.
TEST_P(CanvasRepaintTest, TheWindowShowsExactlyThePicture) {
    CanvasWidget& canvas = form.canvas();
    const auto showsThePicture = [&](const char* after) {
        // The change is handed to Qt once the event loop runs, and Qt repaints in a later turn.
        for (int turn = 0; turn < 3; ++turn)
            QApplication::processEvents();
        const auto& window = *static_cast<const QImage*>(form.backingStore()->paintDevice());
        // A screen at scale 2 shows each canvas pixel as two by two pixels of the window's image.
        const auto scale = static_cast<int>(window.devicePixelRatio());
        const QImage expected = canvas.image().scaled(canvas.size() * scale, Qt::IgnoreAspectRatio,
                                                      Qt::FastTransformation);
        // Only what lies inside the window, which may be smaller than the canvas.
        const QPoint corner = canvas.mapTo(&form, QPoint(0, 0)) * scale;
        const QRect area = QRect(corner, canvas.size() * scale) & window.rect();
        EXPECT_EQ(window.copy(area).convertToFormat(QImage::Format_RGB32),
                  expected.copy(area.translated(-corner)))
            << after;
        QImage grabbed = canvas.grab().toImage().convertToFormat(QImage::Format_RGB32);
        grabbed.setDevicePixelRatio(1);
        EXPECT_EQ(grabbed, expected) << after;
    };
    const auto stroke = [&](QPoint from, QPoint to) {
        send(QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
        for (int i = 1; i <= 6; ++i)
            send(QEvent::MouseMove, from + (to - from) * i / 6 + QPoint(i % 2 * 9, 0), Qt::NoButton,
                 Qt::LeftButton);
        send(QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
    };
    stroke({30, 200}, {170, 60});
    stroke({60, 20}, {90, 190});
    showsThePicture("strokes");
    const auto key = [&](QKeySequence::StandardKey which) {
        const QKeySequence keys(which);
        QTest::keyClick(&form, keys[0].key(), keys[0].keyboardModifiers());
        QApplication::processEvents();
    };
    key(QKeySequence::Undo);
    showsThePicture("undo");
    key(QKeySequence::Redo);
    showsThePicture("redo");
    form.findChild<QAction*>(QStringLiteral("Hakushi"))->trigger();
    QApplication::processEvents();
    showsThePicture("New");
    form.resize(form.width() / 2, form.height() / 3);
    ASSERT_LT(form.height(), canvas.height());
    stroke({20, 30}, {150, 100});
    showsThePicture("a stroke in a window smaller than the canvas");
}

INSTANTIATE_TEST_SUITE_P(EveryTool, CanvasRepaintTest,
                         testing::Values("MenuFreeLine", "MenuContLine", "MenuBox", "MenuEllipse"));

} // namespace
} // namespace mirona
