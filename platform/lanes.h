// Sixteen bytes looked at together: text is mostly plain letters, so one
// compare per byte class over a block (one SSE2 instruction each where the
// processor has it) finds where a run or a token stops. A block is only
// loaded where sixteen bytes remain; callers finish the tail a byte at a time.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace platform {

using Lanes = std::uint8_t __attribute__((vector_size(16)));
using LaneMask = std::int8_t __attribute__((vector_size(16)));  // a compare's result: all ones or zero
constexpr std::size_t kLaneCount = 16;
static_assert(std::endian::native == std::endian::little);

inline Lanes loadLanes(const std::uint8_t *at) {
    Lanes lanes;
    std::memcpy(&lanes, at, sizeof lanes);
    return lanes;
}

inline void storeLanes(char *at, Lanes lanes) { std::memcpy(at, &lanes, sizeof lanes); }

// The place of the first lane set, or 16 when none is.
inline std::size_t firstLane(LaneMask mask) {
#if defined(__SSE2__)
    const auto bits = static_cast<unsigned>(_mm_movemask_epi8(std::bit_cast<__m128i>(mask)));
    return static_cast<std::size_t>(std::countr_zero(bits | 0x10000u));
#else
    // The lowest set bit of a little-endian half gives its byte.
    std::uint64_t halves[2];
    std::memcpy(halves, &mask, sizeof halves);
    if (halves[0] != 0) return static_cast<std::size_t>(std::countr_zero(halves[0]) / 8);
    if (halves[1] != 0) return 8 + static_cast<std::size_t>(std::countr_zero(halves[1]) / 8);
    return kLaneCount;
#endif
}

// A-Z to a-z, every other byte as it is.
inline Lanes foldLanes(Lanes lanes) {
    const LaneMask upper = (lanes - static_cast<std::uint8_t>('A')) < static_cast<std::uint8_t>(26);
    return lanes + (std::bit_cast<Lanes>(upper) & static_cast<std::uint8_t>(0x20));
}

} // namespace platform
