// Pixel-by-pixel comparison of a written sprite with an independent decode.
#pragma once

#include "tools/draw_file.h"
#include "tests/support/pnm.h"

#include <string>

namespace testing_support {

using draw_file::DrawSprite;
using draw_file::parse_draw;

// Empty when every pixel agrees; otherwise where and how the first one differs.
// 16 bpp sprites hold 5 bits per component, so the reference is compared at
// its top 5 bits there.
std::string compare_pixels(const DrawSprite &sprite, const Pnm &reference);

} // namespace testing_support
