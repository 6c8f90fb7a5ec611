#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <type_traits>
#include <vector>

namespace mirona {

// A snapshot holds numbers least significant byte first, which on the only machines this
// program runs on (the surface's bits need them) is their bytes as they lie in memory.
static_assert(std::endian::native == std::endian::little, "snapshot numbers as they lie in memory");

// Writes a session's snapshot: numbers least significant byte first, appended to one buffer.
class SnapshotWriter final {
public:
    // Room for `count` more bytes, where the writer knows how many will follow.
    void reserve(std::size_t count) { bytes_.reserve(bytes_.size() + count); }

    template <class T> void put(T value) {
        static_assert(std::is_arithmetic_v<T>);
        append(&value, sizeof(T));
    }
    // The numbers one after the other, as put() writes each.
    template <class T> void putAll(std::span<const T> values) {
        static_assert(std::is_arithmetic_v<T>);
        append(values.data(), values.size_bytes());
    }

    [[nodiscard]] std::vector<std::uint8_t> take() { return std::move(bytes_); }

private:
    void append(const void* data, std::size_t count) {
        const auto* first = static_cast<const std::uint8_t*>(data);
        bytes_.insert(bytes_.end(), first, first + count);
    }

    std::vector<std::uint8_t> bytes_;
};

// Reads what SnapshotWriter wrote, from bytes that may be anything: past the end every read
// fails, and once one has failed the reader stays failed, so a parser checks ok() once at the
// end of a run of reads. Reads never touch memory outside the bytes.
class SnapshotReader final {
public:
    explicit SnapshotReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    template <class T> T get() {
        static_assert(std::is_arithmetic_v<T>);
        T value{};
        if (!has(sizeof(T))) {
            failed_ = true;
            return value;
        }
        std::memcpy(&value, bytes_.data() + pos_, sizeof(T));
        pos_ += sizeof(T);
        return value;
    }
    // Fills `values` with the numbers that follow, as get() reads each.
    template <class T> void getAll(std::span<T> values) {
        static_assert(std::is_arithmetic_v<T>);
        if (!has(values.size_bytes())) {
            failed_ = true;
            return;
        }
        std::memcpy(values.data(), bytes_.data() + pos_, values.size_bytes());
        pos_ += values.size_bytes();
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
