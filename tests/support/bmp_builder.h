// Composes BMP files for tests: a test states the header kind, depth and
// pixels it is about; the builder packs rows, palette and headers.
#pragma once

#include "tests/support/files.h"

#include <cstdint>
#include <vector>

namespace testing_support {

struct BmpBuilder {
    int width = 1;
    int height = 1;
    int depth = 24;
    bool os2 = false;
    bool top_down = false;
    std::uint32_t header_size = 40;
    std::uint32_t compression = 0;
    std::uint32_t x_ppm = 0, y_ppm = 0;
    std::uint32_t colours_used = 0;
    std::vector<std::uint32_t> palette_rgb;       // 0xRRGGBB entries written
    std::vector<std::uint32_t> masks;             // red, green, blue (bit fields)
    std::vector<std::vector<std::uint32_t>> rows; // top row first: indices, 0xRRGGBB, or raw 16/32-bit values
    Bytes raw_pixels;                             // used instead of rows when set (RLE data)
    std::int64_t data_offset_adjust = 0;          // moves the pixel data offset field

    BmpBuilder &size(int w, int h) { width = w; height = h; return *this; }
    BmpBuilder &bits(int d) { depth = d; return *this; }
    BmpBuilder &as_os2() { os2 = true; header_size = 12; return *this; }
    BmpBuilder &stored_top_down() { top_down = true; return *this; }
    BmpBuilder &header(std::uint32_t size) { header_size = size; return *this; }
    BmpBuilder &compressed(std::uint32_t kind, Bytes data) { compression = kind; raw_pixels = std::move(data); return *this; }
    BmpBuilder &resolution(std::uint32_t x, std::uint32_t y) { x_ppm = x; y_ppm = y; return *this; }
    BmpBuilder &palette(std::vector<std::uint32_t> rgb, std::uint32_t used = 0) { palette_rgb = std::move(rgb); colours_used = used; return *this; }
    BmpBuilder &bit_fields(std::uint32_t r, std::uint32_t g, std::uint32_t b) { compression = 3; masks = {r, g, b}; return *this; }
    BmpBuilder &pixels(std::vector<std::vector<std::uint32_t>> top_first) { rows = std::move(top_first); return *this; }

    Bytes build() const;
};

// A grey or colour ramp image: pixel (x, y) = f(x, y), handy for many cases.
std::vector<std::vector<std::uint32_t>> pattern_rows(int width, int height, std::uint32_t modulo);

} // namespace testing_support
