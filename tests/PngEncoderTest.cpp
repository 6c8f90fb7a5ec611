// The PNG encoder against Qt's PNG reader (libpng, which checks every chunk's CRC and the zlib
// stream's checksum): the exact pixels back for pictures of every row padding, from blank to
// noise and to rows longer than the window, and a small fraction of the BMP's bytes for drawn
// pictures.
#include "canvas/PngEncoder.hpp"

#include "canvas/BmpEncoder.hpp"
#include "canvas/Surface.hpp"

#include <QImage>
#include <gtest/gtest.h>
#include <random>

namespace mirona {
namespace {

std::vector<std::uint32_t> decoded(const std::vector<std::uint8_t>& png, int& dotsPerMetre) {
    const QImage image = QImage::fromData(png.data(), static_cast<int>(png.size()), "PNG")
                             .convertToFormat(QImage::Format_RGB32);
    dotsPerMetre = image.dotsPerMeterX();
    std::vector<std::uint32_t> pixels;
    for (int y = 0; y < image.height(); ++y) {
        const auto* row = reinterpret_cast<const std::uint32_t*>(image.constScanLine(y));
        pixels.insert(pixels.end(), row, row + image.width());
    }
    return pixels;
}

// Strokes across the canvas: segments, boxes and ellipses, `count` of each.
Surface drawn(int side, int count, std::mt19937& random) {
    Surface surface(side, side);
    std::uniform_real_distribution<float> at(0, static_cast<float>(side));
    for (int i = 0; i < count; ++i) {
        surface.Line(at(random), at(random), at(random), at(random), LineOption::Segment);
        surface.Line(at(random), at(random), at(random), at(random), LineOption::Box);
        surface.Circle(at(random), at(random), at(random) / 2, at(random) / at(random));
    }
    return surface;
}

TEST(PngEncoderTest, GivesBackExactlyThePixels) {
    std::mt19937 random(37);
    std::vector<std::pair<std::string, Surface>> pictures;
    for (const auto& [width, height] :
         {std::pair{1, 1}, {7, 3}, {8, 2}, {9, 9}, {33, 5}, {451, 451}, {8192, 6}})
        pictures.emplace_back("blank", Surface(width, height));
    pictures.emplace_back("drawn", drawn(451, 20, random));
    pictures.emplace_back("strokes", drawn(2048, 200, random));
    for (const auto& [width, height] : {std::pair{5, 7}, {64, 64}, {300, 200}, {8192, 8}}) {
        // Noise, and runs of every length up to past the longest match, on both colours.
        Surface noise(width, height);
        noise.setDrawMode(DrawMode::NotMergePen);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width;) {
                const int run =
                    y % 2 == 0 ? static_cast<int>(random() % 3) : static_cast<int>(random() % 3000);
                if (random() % 2 == 0)
                    noise.Line(static_cast<float>(x), static_cast<float>(y),
                               static_cast<float>(x + run), static_cast<float>(y),
                               LineOption::Segment);
                x += run + 1;
            }
        pictures.emplace_back("noise", std::move(noise));
    }
    for (const auto& [kind, surface] : pictures) {
        const std::vector<std::uint32_t> pixels = surface.Image();
        for (const std::int32_t pixelsPerMetre : {kPixelsPerMetreAt96Dpi, 11811}) {
            int dotsPerMetre = 0;
            EXPECT_EQ(decoded(encodePng(pixels, surface.width(), surface.height(), pixelsPerMetre),
                              dotsPerMetre),
                      pixels)
                << kind << ' ' << surface.width() << " x " << surface.height();
            EXPECT_EQ(dotsPerMetre, pixelsPerMetre);
        }
    }
}

TEST(PngEncoderTest, ADrawnPictureTakesAFractionOfTheBmpsBytes) {
    std::mt19937 random(451);
    for (const int side : {451, 2048})
        for (const int count : {5, 200}) {
            const Surface surface = drawn(side, count, random);
            const std::vector<std::uint32_t> pixels = surface.Image();
            const std::size_t png = encodePng(pixels, side, side).size();
            const std::size_t bmp = encodeBmp(pixels, side, side).size();
            EXPECT_LT(png * 20, bmp) << side << " px, " << count << " of each figure: " << png
                                     << " bytes, the BMP " << bmp;
        }
}

} // namespace
} // namespace mirona
