// One colour type for every test: builders' palettes, expected pixels and
// pixels read back from a sprite.
#pragma once

#include <cstdint>

namespace testing_support {

struct Rgb {
    std::uint8_t r, g, b;
    bool operator==(const Rgb &) const = default;
    // 0xRRGGBB, as a Draw sprite's colour reads back.
    std::uint32_t packed() const { return std::uint32_t(r) << 16 | std::uint32_t(g) << 8 | b; }
};

} // namespace testing_support
