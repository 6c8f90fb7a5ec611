// The BMP encoder against Qt's BMP writer, which the desktop program used to save with: the same
// bytes for random pictures of every row padding, at two resolutions.
#include "canvas/BmpEncoder.hpp"

#include <QBuffer>
#include <QImage>
#include <QImageWriter>
#include <gtest/gtest.h>
#include <random>

namespace mirona {
namespace {

TEST(BmpEncoderTest, WritesTheBytesOfQtsBmpWriter) {
    std::mt19937 random(12);
    for (const auto& [width, height] :
         {std::pair{1, 1}, {2, 3}, {3, 2}, {4, 1}, {5, 7}, {451, 452}})
        for (const int pixelsPerMetre : {kPixelsPerMetreAt96Dpi, 3937}) {
            QImage image(width, height, QImage::Format_RGB32);
            image.setDotsPerMeterX(pixelsPerMetre);
            image.setDotsPerMeterY(pixelsPerMetre);
            std::vector<std::uint32_t> pixels;
            for (int y = 0; y < height; ++y)
                for (int x = 0; x < width; ++x) {
                    pixels.push_back(0xFF000000u | (random() & 0xFFFFFFu));
                    image.setPixel(x, y, pixels.back());
                }
            QByteArray expected;
            QBuffer buffer(&expected);
            buffer.open(QIODevice::WriteOnly);
            ASSERT_TRUE(QImageWriter(&buffer, QByteArrayLiteral("bmp")).write(image));

            const std::vector<std::uint8_t> bytes =
                encodeBmp(pixels, width, height, pixelsPerMetre);
            EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(bytes.data()),
                                 static_cast<qsizetype>(bytes.size())),
                      expected)
                << width << " x " << height << " at " << pixelsPerMetre;
        }
}

} // namespace
} // namespace mirona
