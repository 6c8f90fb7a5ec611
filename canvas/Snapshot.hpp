#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <span>
#include <type_traits>
#include <vector>

namespace mirona {

// Writes a session's snapshot: whole numbers and floats as little-endian bytes, whatever the
// machine, so that a snapshot reads back the same on every build.
class SnapshotWriter final {
public:
    template <class T> void put(T value) {
        static_assert(std::is_arithmetic_v<T> && sizeof(T) <= 4);
        const auto word = static_cast<std::uint32_t>(
            std::bit_cast<std::make_unsigned_t<IntegerOfSize<T>>>(value));
        for (std::size_t i = 0; i < sizeof(T); ++i)
            bytes_.push_back(static_cast<std::uint8_t>(word >> (8 * i)));
    }

    [[nodiscard]] std::vector<std::uint8_t> take() { return std::move(bytes_); }

    template <class T>
    using IntegerOfSize =
        std::conditional_t<sizeof(T) == 1, std::int8_t,
                           std::conditional_t<sizeof(T) == 2, std::int16_t, std::int32_t>>;

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
        static_assert(std::is_arithmetic_v<T> && sizeof(T) <= 4);
        if (!has(sizeof(T))) {
            failed_ = true;
            return T{};
        }
        std::uint32_t word = 0;
        for (std::size_t i = 0; i < sizeof(T); ++i)
            word |= std::uint32_t{bytes_[pos_++]} << (8 * i);
        using Unsigned = std::make_unsigned_t<SnapshotWriter::IntegerOfSize<T>>;
        return std::bit_cast<T>(static_cast<Unsigned>(word));
    }

    // Whether `count` more bytes are there: for counts read from the bytes, before anything is
    // allocated for them.
    [[nodiscard]] bool has(std::uint64_t count) const {
        return !failed_ && count <= bytes_.size() - pos_;
    }
    [[nodiscard]] bool ok() const { return !failed_; }
    [[nodiscard]] bool atEnd() const { return !failed_ && pos_ == bytes_.size(); }
    void fail() { failed_ = true; }

private:
    std::span<const std::uint8_t> bytes_;
    std::size_t pos_ = 0;
    bool failed_ = false;
};

} // namespace mirona
