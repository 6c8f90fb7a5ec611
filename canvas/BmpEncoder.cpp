#include "canvas/BmpEncoder.hpp"

#include <cstddef>

namespace mirona {

namespace {

constexpr std::uint32_t kFileHeaderSize = 14;
constexpr std::uint32_t kInfoHeaderSize = 40;

void put16(std::vector<std::uint8_t>& out, std::uint16_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    put16(out, static_cast<std::uint16_t>(v));
    put16(out, static_cast<std::uint16_t>(v >> 16));
}

} // namespace

std::vector<std::uint8_t> encodeBmp(std::span<const std::uint32_t> pixels, int width, int height,
                                    std::int32_t pixelsPerMetre) {
    const auto w = static_cast<std::uint32_t>(width);
    const auto h = static_cast<std::uint32_t>(height);
    const std::uint32_t rowBytes = (w * 3 + 3) & ~3u;
    const std::uint32_t imageSize = rowBytes * h;
    const std::uint32_t offset = kFileHeaderSize + kInfoHeaderSize;

    std::vector<std::uint8_t> out;
    out.reserve(offset + imageSize);
    out.push_back('B');
    out.push_back('M');
    put32(out, offset + imageSize);
    put32(out, 0); // reserved
    put32(out, offset);
    put32(out, kInfoHeaderSize);
    put32(out, w);
    put32(out, h); // positive: bottom-up rows
    put16(out, 1); // planes
    put16(out, 24);
    put32(out, 0); // uncompressed
    put32(out, imageSize);
    put32(out, static_cast<std::uint32_t>(pixelsPerMetre));
    put32(out, static_cast<std::uint32_t>(pixelsPerMetre));
    put32(out, 0); // colours used
    put32(out, 0); // important colours

    for (std::uint32_t y = h; y-- > 0;) {
        const std::uint32_t* row = pixels.data() + static_cast<std::size_t>(y) * w;
        for (std::uint32_t x = 0; x < w; ++x) {
            out.push_back(static_cast<std::uint8_t>(row[x]));
            out.push_back(static_cast<std::uint8_t>(row[x] >> 8));
            out.push_back(static_cast<std::uint8_t>(row[x] >> 16));
        }
        out.resize(out.size() + (rowBytes - w * 3), 0);
    }
    return out;
}

} // namespace mirona
