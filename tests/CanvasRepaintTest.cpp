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
#include <algorithm>
#include <array>
#include <cmath>
#include <gtest/gtest.h>
#include <random>
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

// The window pixel under the centre of device pixel d, at `ratio` device pixels a window pixel;
// a centre on an edge is under the pixel above or to the left.
int windowPixel(int d, qreal ratio) {
    return static_cast<int>(std::ceil((d + 0.5) / ratio)) - 1;
}

// Calls f(x, y, p) for each device pixel p of the image that lies on the canvas, whose corner is
// window pixel `corner`, with the canvas pixel (x, y) under it.
template <class F> void forCanvasPixels(QImage& image, QPoint corner, int width, int height, F f) {
    const qreal ratio = image.devicePixelRatio();
    for (int j = 0; j < image.height(); ++j) {
        const int y = windowPixel(j, ratio) - corner.y();
        if (y < 0 || y >= height)
            continue;
        auto* const row = reinterpret_cast<QRgb*>(image.scanLine(j));
        for (int i = 0; i < image.width(); ++i) {
            const int x = windowPixel(i, ratio) - corner.x();
            if (x >= 0 && x < width)
                f(x, y, row[i]);
        }
    }
}

class CanvasRepaintTest : public testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        form.Form_Load();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
        form.findChild<QAction*>(QString::fromLatin1(GetParam()))->trigger();
        QApplication::processEvents();
        form.canvas().installEventFilter(&recorder);
    }

    // The window's own image, which the canvas writes in place.
    QImage& windowImage() { return *static_cast<QImage*>(form.backingStore()->paintDevice()); }

    // A drag from `from` to `to` through six moves, which zigzag.
    void stroke(QPoint from, QPoint to) {
        send(QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
        for (int i = 1; i <= 6; ++i)
            send(QEvent::MouseMove, from + (to - from) * i / 6 + QPoint(i % 2 * 9, 0), Qt::NoButton,
                 Qt::LeftButton);
        send(QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
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
// strokes, undo, redo and a New it must show exactly the picture, each of its pixels the canvas
// pixel under its centre, at any scale; and so must a grab of the widget.
TEST_P(CanvasRepaintTest, TheWindowShowsExactlyThePicture) {
    CanvasWidget& canvas = form.canvas();
    const auto showsThePicture = [&](const char* after) {
        // The change is handed to Qt once the event loop runs, and Qt repaints in a later turn.
        for (int turn = 0; turn < 3; ++turn)
            QApplication::processEvents();
        const QImage picture = canvas.image();
        const auto differing = [&](QImage& image, QPoint corner) {
            int compared = 0;
            int differ = 0;
            forCanvasPixels(image, corner, picture.width(), picture.height(),
                            [&](int x, int y, QRgb p) {
                                ++compared;
                                differ += p != picture.pixel(x, y) ? 1 : 0;
                            });
            EXPECT_GT(compared, 0) << after;
            return differ;
        };
        EXPECT_EQ(differing(windowImage(), canvas.mapTo(&form, QPoint(0, 0))), 0) << after;
        QImage grabbed = canvas.grab().toImage().convertToFormat(QImage::Format_RGB32);
        // Qt's painter scales the grab; it rounds like the window only at a whole scale.
        if (grabbed.devicePixelRatio() == std::round(grabbed.devicePixelRatio()))
            EXPECT_EQ(differing(grabbed, {}), 0) << after;
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
    // A window smaller than the canvas shows all of it scaled down: what a stroke repaints is
    // what a whole repaint shows, and at a whole scale the widget's view of the canvas.
    form.resize(form.width() / 2, form.height() / 3);
    ASSERT_LT(canvas.height(), canvas.surface().height());
    stroke({20, 30}, {150, 100});
    for (int turn = 0; turn < 3; ++turn)
        QApplication::processEvents();
    const qreal ratio = windowImage().devicePixelRatio();
    const QRect device(canvas.mapTo(&form, QPoint(0, 0)) * ratio, canvas.size() * ratio);
    const QImage repainted = windowImage().copy(device);
    canvas.repaint();
    EXPECT_EQ(repainted, windowImage().copy(device));
    if (ratio == std::round(ratio))
        EXPECT_EQ(repainted.convertToFormat(QImage::Format_RGB32),
                  canvas.view(QRect(QPoint(), device.size()), ratio));
}

// With every pixel of the window's image marked before each event of a stroke, the event writes
// the device pixels of every canvas pixel it changed, with its colour, and few others, each on a
// changed pixel's row within a word of bits (32 pixels) of it.
TEST_P(CanvasRepaintTest, WritesTheDevicePixelsOfWhatChangedAndFewOthers) {
    CanvasWidget& canvas = form.canvas();
    QApplication::processEvents();
    int changedDevice = 0;
    int written = 0;
    const auto event = [&](QEvent::Type type, QPoint p, Qt::MouseButton button,
                           Qt::MouseButtons buttons) {
        const QImage before = canvas.image();
        constexpr QRgb kMark = 0xFF00FF00u;
        windowImage().fill(kMark);
        send(type, p, button, buttons);
        const QImage after = canvas.image();
        // The distance along its row from each canvas pixel to the nearest changed one.
        const int w = after.width();
        std::vector<int> reach(static_cast<std::size_t>(w * after.height()), 1 << 20);
        for (int y = 0; y < after.height(); ++y)
            for (const int step : {1, -1}) {
                int last = -(1 << 20);
                for (int i = 0; i < w; ++i) {
                    const int x = step > 0 ? i : w - 1 - i;
                    if (after.pixel(x, y) != before.pixel(x, y))
                        last = i;
                    int& r = reach[static_cast<std::size_t>(y * w + x)];
                    r = std::min(r, i - last);
                }
            }
        forCanvasPixels(windowImage(), canvas.mapTo(&form, QPoint(0, 0)), w, after.height(),
                        [&](int x, int y, QRgb p) {
                            const bool changed = after.pixel(x, y) != before.pixel(x, y);
                            changedDevice += changed ? 1 : 0;
                            if (p == kMark) {
                                ASSERT_FALSE(changed) << "not written: " << x << "," << y;
                                return;
                            }
                            ++written;
                            ASSERT_EQ(p, after.pixel(x, y)) << x << "," << y;
                            ASSERT_LT(reach[static_cast<std::size_t>(y * w + x)], 32)
                                << x << "," << y;
                        });
    };
    const QPoint from(30, 200);
    const QPoint to(170, 60);
    event(QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
    for (int i = 1; i <= 6; ++i)
        event(QEvent::MouseMove, from + (to - from) * i / 6 + QPoint(i % 2 * 9, 0), Qt::NoButton,
              Qt::LeftButton);
    event(QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
    ASSERT_GT(changedDevice, 0);
    // At one device pixel a canvas pixel, eight pixels are written where one of them changed.
    EXPECT_LE(written, 8 * changedDevice);
}

// A random picture of w x h pixels.
Surface randomPicture(int w, int h, std::mt19937& random) {
    Surface surface(w, h);
    for (int top = 0; top < h; top += 32)
        for (int left = 0; left < w; left += 32) {
            std::array<std::uint32_t, 32> masks{};
            for (std::uint32_t& m : masks)
                m = static_cast<std::uint32_t>(random()) &
                    (w - left >= 32 ? ~0u : (1u << (w - left)) - 1);
            surface.invertMasked(left, top, 1, std::min(32, h - top),
                                 [&](int) { return masks.data(); });
        }
    return surface;
}

// Surface::displayChanges on grids of several scales, at several offsets, where the image shows
// another picture: inside the rectangles, every device pixel of a changed canvas pixel is written
// with its colour; outside, nothing; then a call over the whole canvas writes what still differs
// outside them, and a last one writes nothing.
TEST(DisplayChangesTest, WritesWhatDiffersInsideTheRectanglesAtAnyScale) {
    std::mt19937 random(29);
    constexpr std::uint32_t kMark = 0xFF00FF00u;
    for (const double ratio : {0.75, 1.0, 1.25, 1.5, 1.75, 2.0, 2.25, 2.5, 3.0, 3.5, 4.0, 4.5})
        for (int round = 0; round < 4; ++round) {
            const int w = 40 + static_cast<int>(random() % 90);
            const int h = 30 + static_cast<int>(random() % 70);
            const Surface picture = randomPicture(w, h, random);
            const Surface was = randomPicture(w, h, random);
            std::vector<std::uint32_t> shown(was.bits().begin(), was.bits().end());
            const QPoint origin(static_cast<int>(random() % 5), static_cast<int>(random() % 5));
            const auto edges = [&](int at, int n) {
                std::vector<int> out;
                for (int i = 0; i <= n; ++i)
                    out.push_back(qRound((at + i) * ratio));
                return out;
            };
            const std::vector<int> columns = edges(origin.x(), w);
            const std::vector<int> rows = edges(origin.y(), h);
            QImage image(columns.back(), rows.back(), QImage::Format_RGB32);
            const Surface::DisplayGrid grid{reinterpret_cast<std::uint32_t*>(image.bits()),
                                            image.bytesPerLine() / 4, columns, rows};
            // Two bands of rectangles side by side, as a region lists them.
            std::vector<PixelRect> rects;
            for (const auto& [top, bottom] : {std::pair(2, h / 2), std::pair(h / 2 + 3, h - 1)})
                for (int left = static_cast<int>(random() % 7); left + 4 < w;) {
                    const int right = std::min(w, left + 1 + static_cast<int>(random() % 40));
                    rects.push_back({left, top, right, bottom});
                    left = right + 1 + static_cast<int>(random() % 9);
                }
            const auto inRects = [&](int x, int y) {
                return std::any_of(rects.begin(), rects.end(), [&](const PixelRect& r) {
                    return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
                });
            };
            // Each device pixel with the canvas pixel it shows.
            const auto check = [&](const auto& expect) {
                for (int y = 0; y < h; ++y)
                    for (int x = 0; x < w; ++x)
                        for (int j = rows[y]; j < rows[y + 1]; ++j)
                            for (int i = columns[x]; i < columns[x + 1]; ++i)
                                expect(x, y, image.pixel(i, j));
            };
            const bool all = round == 3;
            image.fill(kMark);
            picture.displayChanges(rects, shown, grid, all);
            check([&](int x, int y, QRgb p) {
                const bool differs = all || picture.pixel(x, y) != was.pixel(x, y);
                if (!inRects(x, y))
                    ASSERT_EQ(p, kMark) << ratio << ": " << x << "," << y;
                else if (p != kMark || differs)
                    ASSERT_EQ(p, picture.pixel(x, y)) << ratio << ": " << x << "," << y;
            });
            for (int j = 0; j < image.height(); ++j)
                for (int i = 0; i < (j < rows[0] ? image.width() : columns[0]); ++i)
                    ASSERT_EQ(image.pixel(i, j), kMark) << "above or left of the canvas";
            const PixelRect whole{0, 0, w, h};
            image.fill(kMark);
            picture.displayChanges({&whole, 1}, shown, grid);
            check([&](int x, int y, QRgb p) {
                if (p != kMark || (!inRects(x, y) && picture.pixel(x, y) != was.pixel(x, y)))
                    ASSERT_EQ(p, picture.pixel(x, y)) << ratio << ": " << x << "," << y;
            });
            image.fill(kMark);
            picture.displayChanges({&whole, 1}, shown, grid);
            check([&](int x, int y, QRgb p) { ASSERT_EQ(p, kMark) << x << "," << y; });
        }
}

INSTANTIATE_TEST_SUITE_P(EveryTool, CanvasRepaintTest,
                         testing::Values("MenuFreeLine", "MenuContLine", "MenuBox", "MenuEllipse"));

} // namespace
} // namespace mirona
