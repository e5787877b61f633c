// Renders a whole Draw file (paths, sprites, groups) to RGBA pixels, and
// encodes pixels as PNG, for the previews.
#pragma once

#include "tools/draw_file.h"

#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <vector>

namespace draw_file {

struct Canvas {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgba; // rows top first, 4 bytes a pixel
};

// Draw object kinds the renderer passed over, by name, with their counts.
using SkippedObjects = std::map<std::string, int>;

// The largest side of a rendered picture, in pixels.
constexpr int kMaxRenderSide = 1200;

// Renders the Draw file's bounding box at `pixels_per_inch` (cut to
// kMaxRenderSide). Fails, with a reason, only when the file is not Draw or its
// box is empty; damaged objects end the walk and are counted as skipped.
bool renderDraw(std::span<const std::uint8_t> file, double pixels_per_inch, Canvas &out, SkippedObjects &skipped,
                std::string &why);

// The pixels as a PNG file; empty when libpng fails.
std::vector<std::uint8_t> encodePng(const Canvas &canvas);

// One sprite's pixels, mask as alpha.
Canvas spriteCanvas(const DrawSprite &sprite);

} // namespace draw_file
