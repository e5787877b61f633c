#include "tests/support/compare.h"

#include <cstdio>

namespace testing_support {

std::string compare_pixels(const DrawSprite &sprite, const Pnm &reference) {
    if (sprite.width != reference.width || sprite.height != reference.height)
        return "size " + std::to_string(sprite.width) + "x" + std::to_string(sprite.height) + " against " +
               std::to_string(reference.width) + "x" + std::to_string(reference.height);
    for (int y = 0; y < sprite.height; ++y)
        for (int x = 0; x < sprite.width; ++x) {
            std::uint32_t want = reference.rgb(x, y);
            std::uint32_t got = sprite.rgb(x, y);
            if (sprite.bpp == 16) {
                std::uint32_t raw = sprite.pixel(x, y);
                got = (raw & 31) << 16 | ((raw >> 5) & 31) << 8 | ((raw >> 10) & 31);
                want = ((want >> 19) & 31) << 16 | ((want >> 11) & 31) << 8 | ((want >> 3) & 31);
            }
            if (got != want) {
                char text[128];
                std::snprintf(text, sizeof text, "pixel (%d, %d) is %06x, expected %06x", x, y, got, want);
                return text;
            }
        }
    return {};
}

} // namespace testing_support
