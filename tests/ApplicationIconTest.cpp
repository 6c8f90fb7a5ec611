// The window icon embedded in the program: renderings from 16 to 256 pixels, each at its own
// size, each showing the design's symmetry under all eight mirror images of the square.
#include "app/ApplicationIcon.hpp"

#include <QImage>
#include <QTransform>
#include <algorithm>
#include <cstdlib>
#include <gtest/gtest.h>
#include <set>

namespace mirona {
namespace {

// Share of the pixels of two images of equal size that differ visibly in some channel.
double visiblyDifferentShare(const QImage& a, const QImage& b) {
    constexpr int kVisible = 48;
    int different = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y);
            const QRgb q = b.pixel(x, y);
            const int difference =
                std::max({std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                          std::abs(qBlue(p) - qBlue(q)), std::abs(qAlpha(p) - qAlpha(q))});
            different += difference > kVisible ? 1 : 0;
        }
    return static_cast<double>(different) / (a.width() * a.height());
}

QImage rendering(const QIcon& icon, QSize size) {
    return icon.pixmap(size).toImage().convertToFormat(QImage::Format_ARGB32);
}

TEST(ApplicationIcon, HasRenderingsFrom16To256PixelsEachAtItsOwnSize) {
    const QIcon icon = applicationIcon();
    const QList<QSize> sizes = icon.availableSizes();
    ASSERT_FALSE(sizes.isEmpty());
    EXPECT_TRUE(sizes.contains(QSize(16, 16)));
    EXPECT_TRUE(sizes.contains(QSize(256, 256)));
    for (const QSize size : sizes) {
        EXPECT_EQ(size.width(), size.height());
        EXPECT_EQ(rendering(icon, size).size(), size);
    }
}

TEST(ApplicationIcon, EveryRenderingIsAColouredFigureOnAWhiteSheet) {
    const QIcon icon = applicationIcon();
    for (const QSize size : icon.availableSizes()) {
        const QImage image = rendering(icon, size);
        const int w = size.width();
        std::set<QRgb> colours;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                colours.insert(image.pixel(x, y));
        EXPECT_GT(colours.size(), 3U) << w;
        // Inside the frame, away from the star and the mirror lines, the sheet shows white; a
        // little off the centre, the star shows colour.
        EXPECT_EQ(image.pixel(w * 3 / 10, w * 3 / 20), qRgb(255, 255, 255)) << w;
        EXPECT_NE(image.pixel(w / 3, w / 3), qRgb(255, 255, 255)) << w;
    }
}

TEST(ApplicationIcon, EveryRenderingKeepsTheEightMirrorSymmetries) {
    // Mirroring left-right and in the diagonal generate all eight symmetries of the square.
    // The renderer's anti-aliasing is not quite symmetric: a few edge pixels may differ (about
    // seven of the 65536 at 256 pixels). Dashes laid out from one end of a mirror line instead of
    // from the centre already make five times as many.
    constexpr double kTolerance = 0.0004;
    const QIcon icon = applicationIcon();
    for (const QSize size : icon.availableSizes()) {
        const QImage image = rendering(icon, size);
        EXPECT_LE(visiblyDifferentShare(image, image.mirrored(true, false)), kTolerance)
            << size.width();
        EXPECT_LE(visiblyDifferentShare(image, image.transformed(QTransform(0, 1, 1, 0, 0, 0))),
                  kTolerance)
            << size.width();
    }
}

} // namespace
} // namespace mirona
