// How the fuzz targets read their input and say that something broke. The same byte layouts
// are written by make_corpus.cpp, so that every corpus file says in code what it holds.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <type_traits>
#include <vector>

#include "platform/dib.h"
#include "support/bitmap_file.h"

namespace kest::fuzz {

// Fields in the order a target takes them, little-endian. Past the end everything reads as zero,
// so that every input, however short, is a case.
class FuzzInput {
public:
    FuzzInput(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    template <typename T>
    T Take() {
        static_assert(std::is_integral_v<T>);
        std::make_unsigned_t<T> value = 0;
        for (std::size_t i = 0; i < sizeof(T) && at_ < size_; ++i) {
            value |=
                static_cast<std::make_unsigned_t<T>>(static_cast<std::make_unsigned_t<T>>(data_[at_++]) << (8 * i));
        }
        return static_cast<T>(value);
    }
    // `count` bytes, zeros for those past the end.
    std::vector<std::uint8_t> TakeBytes(std::size_t count) {
        std::vector<std::uint8_t> bytes(count, 0);
        const std::size_t have = std::min(count, Left());
        std::copy(data_ + at_, data_ + at_ + have, bytes.begin());
        at_ += have;
        return bytes;
    }
    std::vector<std::uint8_t> Rest() { return TakeBytes(Left()); }
    std::size_t Left() const { return size_ - at_; }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

// The other direction, for make_corpus.cpp.
class FuzzOutput {
public:
    template <typename T>
    FuzzOutput& Put(T value) {
        static_assert(std::is_integral_v<T>);
        const auto bits = static_cast<std::make_unsigned_t<T>>(value);
        for (std::size_t i = 0; i < sizeof(T); ++i) bytes_.push_back(static_cast<std::uint8_t>(bits >> (8 * i)));
        return *this;
    }
    FuzzOutput& PutBytes(const std::vector<std::uint8_t>& bytes) {
        bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
        return *this;
    }
    const std::vector<std::uint8_t>& Bytes() const { return bytes_; }

private:
    std::vector<std::uint8_t> bytes_;
};

using testing::DibHeaderBytes;

// A promise of the code under test that the input broke: libFuzzer keeps the input that did it.
inline void Require(bool holds, const char* promise) {
    if (holds) return;
    std::fprintf(stderr, "broken promise: %s\n", promise);
    std::abort();
}

// Keeps the computation of a value that nothing else looks at from being optimised away.
inline void Keep(std::uint64_t value) { asm volatile("" : : "r"(value) : "memory"); }

// Reads every byte of a block, so that the address sanitizer sees a block shorter than it is said to be.
inline void ReadAll(const std::uint8_t* bytes, std::size_t size) {
    std::uint64_t sum = 0;
    for (std::size_t i = 0; i < size; ++i) sum += bytes[i];
    Keep(sum);
}

}  // namespace kest::fuzz
