// Bounded little-endian reads over a byte range. The image readers and the
// document converter read untrusted bytes through these, so the bounds check
// is written once: a read that would reach past the range reports false and
// leaves `out` alone. Offsets are 64-bit, so `at + width` cannot wrap.
#pragma once

#include <cstdint>
#include <span>

using ByteSpan = std::span<const std::uint8_t>;

inline bool fitsIn(ByteSpan bytes, std::uint64_t at, std::uint64_t length) {
    return at <= bytes.size() && length <= bytes.size() - at;
}

inline bool readU8(ByteSpan bytes, std::uint64_t at, std::uint8_t &out) {
    if (!fitsIn(bytes, at, 1)) return false;
    out = bytes[static_cast<std::size_t>(at)];
    return true;
}

inline bool readU16(ByteSpan bytes, std::uint64_t at, std::uint16_t &out) {
    if (!fitsIn(bytes, at, 2)) return false;
    auto i = static_cast<std::size_t>(at);
    out = static_cast<std::uint16_t>(bytes[i] | bytes[i + 1] << 8);
    return true;
}

inline bool readU32(ByteSpan bytes, std::uint64_t at, std::uint32_t &out) {
    if (!fitsIn(bytes, at, 4)) return false;
    auto i = static_cast<std::size_t>(at);
    out = static_cast<std::uint32_t>(bytes[i]) | static_cast<std::uint32_t>(bytes[i + 1]) << 8 |
          static_cast<std::uint32_t>(bytes[i + 2]) << 16 | static_cast<std::uint32_t>(bytes[i + 3]) << 24;
    return true;
}

// The little-endian word at `at`, or 0 past the end (for callers that treat
// the end of a payload as a terminating zero word).
inline std::uint32_t wordOrZero(ByteSpan bytes, std::uint64_t at) {
    std::uint32_t value = 0;
    readU32(bytes, at, value);
    return value;
}
