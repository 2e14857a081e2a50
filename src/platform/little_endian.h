// Numbers as bitmap files, AVI files, wave data and Windows' own structures hold them: least
// significant byte first, whatever the machine. The one reader and writer of such numbers for the
// seam, the codec, the recorder and the tests.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <vector>

namespace kest::platform {

constexpr std::uint16_t ReadLE16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }

constexpr std::uint32_t ReadLE32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

constexpr void WriteLE16(std::uint8_t* p, std::uint16_t value) {
    p[0] = static_cast<std::uint8_t>(value);
    p[1] = static_cast<std::uint8_t>(value >> 8);
}

constexpr void WriteLE32(std::uint8_t* p, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

namespace detail {
// A field that runs past its buffer is a fault of the caller's arithmetic, not a zero.
inline std::size_t Checked(std::size_t size, std::size_t at, std::size_t bytes) {
    if (at > size || size - at < bytes) throw std::out_of_range("little-endian field past the end of its buffer");
    return at;
}
}  // namespace detail

// The same at an offset into a buffer (a vector, an array, a span), checked against its end.
inline std::uint16_t ReadLE16(std::span<const std::uint8_t> bytes, std::size_t at) {
    return ReadLE16(bytes.data() + detail::Checked(bytes.size(), at, 2));
}
inline std::uint32_t ReadLE32(std::span<const std::uint8_t> bytes, std::size_t at) {
    return ReadLE32(bytes.data() + detail::Checked(bytes.size(), at, 4));
}
inline void WriteLE16(std::span<std::uint8_t> bytes, std::size_t at, std::uint16_t value) {
    WriteLE16(bytes.data() + detail::Checked(bytes.size(), at, 2), value);
}
inline void WriteLE32(std::span<std::uint8_t> bytes, std::size_t at, std::uint32_t value) {
    WriteLE32(bytes.data() + detail::Checked(bytes.size(), at, 4), value);
}

// Added at the end of a buffer being built.
inline void AppendLE16(std::vector<std::uint8_t>& bytes, std::uint16_t value) {
    bytes.push_back(static_cast<std::uint8_t>(value));
    bytes.push_back(static_cast<std::uint8_t>(value >> 8));
}
inline void AppendLE32(std::vector<std::uint8_t>& bytes, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

// A four-character code as a file holds it, read as one number: FourCC("vids").
constexpr std::uint32_t FourCC(const char (&code)[5]) {
    return static_cast<std::uint32_t>(static_cast<std::uint8_t>(code[0])) |
           static_cast<std::uint32_t>(static_cast<std::uint8_t>(code[1])) << 8 |
           static_cast<std::uint32_t>(static_cast<std::uint8_t>(code[2])) << 16 |
           static_cast<std::uint32_t>(static_cast<std::uint8_t>(code[3])) << 24;
}

}  // namespace kest::platform
