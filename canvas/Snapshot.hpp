#pragma once

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <type_traits>
#include <vector>

namespace mirona {

// The bytes of a number, least significant first on any machine, so that a snapshot reads back
// the same on every build. (Emscripten's library has no std::bit_cast.)
template <class T> std::array<std::uint8_t, sizeof(T)> littleEndianBytes(T value) {
    static_assert(std::is_arithmetic_v<T>);
    std::array<std::uint8_t, sizeof(T)> bytes{};
    std::memcpy(bytes.data(), &value, sizeof(T));
    if constexpr (std::endian::native == std::endian::big)
        std::reverse(bytes.begin(), bytes.end());
    return bytes;
}

// Writes a session's snapshot: numbers as littleEndianBytes().
class SnapshotWriter final {
public:
    template <class T> void put(T value) {
        const auto bytes = littleEndianBytes(value);
        const std::size_t at = bytes_.size();
        bytes_.resize(at + bytes.size());
        std::memcpy(bytes_.data() + at, bytes.data(), bytes.size());
    }

    [[nodiscard]] std::vector<std::uint8_t> take() { return std::move(bytes_); }

private:
    std::vector<std::uint8_t> bytes_;
};

// Reads what SnapshotWriter wrote, from bytes that may be anything: past the end every read
// fails, and once one has failed the reader stays failed, so a parser checks ok() once at the
// end of a run of reads. Reads never touch memory outside the bytes.
class SnapshotReader final {
public:
    explicit SnapshotReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    template <class T> T get() {
        if (!has(sizeof(T))) {
            failed_ = true;
            return T{};
        }
        std::array<std::uint8_t, sizeof(T)> bytes{};
        std::memcpy(bytes.data(), bytes_.data() + pos_, sizeof(T));
        pos_ += sizeof(T);
        if constexpr (std::endian::native == std::endian::big)
            std::reverse(bytes.begin(), bytes.end());
        T value;
        std::memcpy(&value, bytes.data(), sizeof(T));
        return value;
    }

    // Whether `count` more bytes are there: for counts read from the bytes, before anything is
    // allocated for them.
    [[nodiscard]] bool has(std::uint64_t count) const {
        return !failed_ && count <= bytes_.size() - pos_;
    }
    [[nodiscard]] bool ok() const { return !failed_; }
    [[nodiscard]] bool atEnd() const { return !failed_ && pos_ == bytes_.size(); }

private:
    std::span<const std::uint8_t> bytes_;
    std::size_t pos_ = 0;
    bool failed_ = false;
};

} // namespace mirona
