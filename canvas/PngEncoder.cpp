#include "canvas/PngEncoder.hpp"

#include <algorithm>
#include <array>
#include <cstddef>
#include <string_view>

namespace mirona {

namespace {

constexpr std::array<std::uint32_t, 256> kCrcTable = [] {
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t n = 0; n < 256; ++n) {
        std::uint32_t c = n;
        for (int k = 0; k < 8; ++k)
            c = (c & 1u) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[n] = c;
    }
    return table;
}();

void put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<std::uint8_t>(v >> shift));
}

// A chunk: its length, its type, the data and the CRC of type and data.
void putChunk(std::vector<std::uint8_t>& out, std::string_view type,
              std::span<const std::uint8_t> data) {
    put32(out, static_cast<std::uint32_t>(data.size()));
    const std::size_t start = out.size();
    out.insert(out.end(), type.begin(), type.end());
    out.insert(out.end(), data.begin(), data.end());
    put32(out, pngCrc(std::span(out).subspan(start)));
}

std::uint32_t adler32(std::span<const std::uint8_t> data) {
    // 5552 bytes is the most that can be summed before the sums must be reduced.
    constexpr std::size_t kRun = 5552;
    std::uint32_t a = 1;
    std::uint32_t b = 0;
    for (std::size_t start = 0; start < data.size(); start += kRun) {
        for (const std::uint8_t byte : data.subspan(start, std::min(kRun, data.size() - start))) {
            a += byte;
            b += a;
        }
        a %= 65521u;
        b %= 65521u;
    }
    return b << 16 | a;
}

// Deflate's bits, the first in a byte's lowest bit; Huffman codes go in from their first bit.
class BitWriter final {
public:
    explicit BitWriter(std::vector<std::uint8_t>& out) : out_(out) {}
    void put(std::uint32_t bits, int count) {
        pending_ |= bits << filled_;
        filled_ += count;
        for (; filled_ >= 8; filled_ -= 8) {
            out_.push_back(static_cast<std::uint8_t>(pending_));
            pending_ >>= 8;
        }
    }
    void putCode(std::uint32_t code, int length) {
        std::uint32_t reversed = 0;
        for (int i = 0; i < length; ++i)
            reversed |= (code >> i & 1u) << (length - 1 - i);
        put(reversed, length);
    }
    void flush() {
        if (filled_ > 0)
            out_.push_back(static_cast<std::uint8_t>(pending_));
        pending_ = 0;
        filled_ = 0;
    }

private:
    std::vector<std::uint8_t>& out_;
    std::uint32_t pending_ = 0;
    int filled_ = 0;
};

// The fixed literal and length codes.
void putSymbol(BitWriter& bits, unsigned symbol) {
    if (symbol < 144)
        bits.putCode(0x30 + symbol, 8);
    else if (symbol < 256)
        bits.putCode(0x190 + symbol - 144, 9);
    else if (symbol < 280)
        bits.putCode(symbol - 256, 7);
    else
        bits.putCode(0xC0 + symbol - 280, 8);
}

constexpr int kMinMatch = 3;
constexpr int kMaxMatch = 258;
constexpr int kWindow = 32768;

constexpr std::array<std::uint16_t, 29> kLengthBase{3,  4,  5,  6,   7,   8,   9,   10,  11, 13,
                                                    15, 17, 19, 23,  27,  31,  35,  43,  51, 59,
                                                    67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr std::array<std::uint8_t, 29> kLengthExtra{0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                                    2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr std::array<std::uint16_t, 30> kDistanceBase{
    1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
    193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr std::array<std::uint8_t, 30> kDistanceExtra{0, 0, 0,  0,  1,  1,  2,  2,  3,  3,
                                                      4, 4, 5,  5,  6,  6,  7,  7,  8,  8,
                                                      9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

// The index of the last base not above `value`.
template <std::size_t N> unsigned codeOf(const std::array<std::uint16_t, N>& bases, int value) {
    return static_cast<unsigned>(std::upper_bound(bases.begin(), bases.end(), value) -
                                 bases.begin() - 1);
}

void putMatch(BitWriter& bits, int length, int distance) {
    const unsigned l = codeOf(kLengthBase, length);
    putSymbol(bits, 257 + l);
    bits.put(static_cast<std::uint32_t>(length - kLengthBase[l]), kLengthExtra[l]);
    const unsigned d = codeOf(kDistanceBase, distance);
    bits.putCode(d, 5);
    bits.put(static_cast<std::uint32_t>(distance - kDistanceBase[d]), kDistanceExtra[d]);
}

// The data as one fixed-code deflate block, each position taking the longest earlier match found
// among the last few that start with the same three bytes (a hash chain), or else its literal.
void deflate(std::span<const std::uint8_t> data, BitWriter& bits) {
    constexpr int kHashBits = 15;
    constexpr int kChainSteps = 64;
    constexpr int kNone = -1;
    std::vector<int> head(std::size_t{1} << kHashBits, kNone);
    std::vector<int> previous(kWindow, kNone);
    const auto size = static_cast<int>(data.size());
    const auto hashAt = [&](int i) {
        const std::uint32_t three = std::uint32_t{data[static_cast<std::size_t>(i)]} << 16 |
                                    std::uint32_t{data[static_cast<std::size_t>(i) + 1]} << 8 |
                                    data[static_cast<std::size_t>(i) + 2];
        return static_cast<std::size_t>((three * 2654435761u) >> (32 - kHashBits));
    };
    const auto insert = [&](int i) {
        if (i + kMinMatch > size)
            return;
        const std::size_t h = hashAt(i);
        previous[static_cast<std::size_t>(i % kWindow)] = head[h];
        head[h] = i;
    };

    bits.put(1, 1); // the last block
    bits.put(1, 2); // fixed codes
    for (int i = 0; i < size;) {
        int bestLength = 0;
        int bestDistance = 0;
        if (i + kMinMatch <= size) {
            const int most = std::min(kMaxMatch, size - i);
            int candidate = head[hashAt(i)];
            for (int step = 0; step < kChainSteps && candidate != kNone && i - candidate <= kWindow;
                 ++step) {
                int length = 0;
                while (length < most && data[static_cast<std::size_t>(candidate + length)] ==
                                            data[static_cast<std::size_t>(i + length)])
                    ++length;
                if (length > bestLength) {
                    bestLength = length;
                    bestDistance = i - candidate;
                    if (length == most)
                        break;
                }
                const int next = previous[static_cast<std::size_t>(candidate % kWindow)];
                // An entry older than the window was overwritten: the chain ends there.
                if (next >= candidate)
                    break;
                candidate = next;
            }
        }
        if (bestLength >= kMinMatch) {
            putMatch(bits, bestLength, bestDistance);
            for (const int end = i + bestLength; i < end; ++i)
                insert(i);
        } else {
            putSymbol(bits, data[static_cast<std::size_t>(i)]);
            insert(i);
            ++i;
        }
    }
    putSymbol(bits, 256); // end of block
    bits.flush();
}

} // namespace

std::uint32_t pngCrc(std::span<const std::uint8_t> bytes) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (const std::uint8_t byte : bytes)
        crc = kCrcTable[(crc ^ byte) & 0xFFu] ^ (crc >> 8);
    return ~crc;
}

std::vector<std::uint8_t> encodePng(std::span<const std::uint32_t> pixels, int width, int height,
                                    std::int32_t pixelsPerMetre) {
    const auto w = static_cast<std::size_t>(width);
    const auto h = static_cast<std::size_t>(height);
    // Each row: filter type 0 (none), then its pixels, eight a byte, the first in the top bit;
    // the bits past the right edge white, so that a white row is one repeated byte.
    const std::size_t rowBytes = 1 + (w + 7) / 8;
    std::vector<std::uint8_t> rows(rowBytes * h, 0xFF);
    for (std::size_t y = 0; y < h; ++y) {
        std::uint8_t* row = rows.data() + y * rowBytes;
        row[0] = 0;
        for (std::size_t x = 0; x < w; ++x)
            if ((pixels[y * w + x] & 0xFFFFFFu) == 0)
                row[1 + x / 8] &= static_cast<std::uint8_t>(~(0x80u >> (x % 8)));
    }

    std::vector<std::uint8_t> out{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<std::uint8_t> header;
    put32(header, static_cast<std::uint32_t>(width));
    put32(header, static_cast<std::uint32_t>(height));
    header.insert(header.end(), {1, 0, 0, 0, 0}); // one bit, greyscale, deflate, filters, rows
    putChunk(out, "IHDR", header);
    std::vector<std::uint8_t> resolution;
    put32(resolution, static_cast<std::uint32_t>(pixelsPerMetre));
    put32(resolution, static_cast<std::uint32_t>(pixelsPerMetre));
    resolution.push_back(1); // per metre
    putChunk(out, "pHYs", resolution);

    std::vector<std::uint8_t> stream{0x78, 0x01}; // deflate with a 32 KiB window, no dictionary
    BitWriter bits(stream);
    deflate(rows, bits);
    put32(stream, adler32(rows));
    putChunk(out, "IDAT", stream);
    putChunk(out, "IEND", {});
    return out;
}

} // namespace mirona
