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

namespace markload {

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

// One bit per lane, lane 0 lowest.
inline unsigned laneBits(LaneMask mask) {
#if defined(__SSE2__)
    return static_cast<unsigned>(_mm_movemask_epi8(std::bit_cast<__m128i>(mask)));
#else
    std::uint8_t lanes[kLaneCount];
    std::memcpy(lanes, &mask, sizeof lanes);
    unsigned bits = 0;
    for (std::size_t lane = 0; lane < kLaneCount; ++lane) bits |= (lanes[lane] & 1u) << lane;
    return bits;
#endif
}

// The place of the first lane set, or 16 when none is.
inline std::size_t firstLane(LaneMask mask) {
    return static_cast<std::size_t>(std::countr_zero(laneBits(mask) | (1u << kLaneCount)));
}

// A-Z to a-z, every other byte as it is.
inline Lanes foldLanes(Lanes lanes) {
    const LaneMask upper = (lanes - static_cast<std::uint8_t>('A')) < static_cast<std::uint8_t>(26);
    return lanes + (std::bit_cast<Lanes>(upper) & static_cast<std::uint8_t>(0x20));
}

} // namespace markload
