// Reads back the Draw files the raster filters write (one sprite object), so
// the previews can show them and the tests can check headers and every pixel
// without restating the writer's arithmetic.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace draw_file {

using Bytes = std::vector<std::uint8_t>;

struct DrawSprite {
    // Draw file header and object header
    std::string creator;       // 12 bytes, spaces kept
    std::uint32_t box[4] = {}; // file bounding box x0, y0, x1, y1
    std::uint32_t object_type = 0;
    std::uint32_t object_size = 0;
    std::uint32_t object_box[4] = {};
    // sprite header
    std::uint32_t sprite_size = 0;
    std::string name; // up to 12 characters
    std::uint32_t width_words = 0, height_rows = 0, first_bit = 0, last_bit = 0;
    std::uint32_t image_offset = 0, mask_offset = 0, mode = 0;
    int bpp = 0;        // from the mode
    int width = 0;      // pixels, from the words and last bit
    int height = 0;
    bool has_mask = false;
    std::vector<std::uint32_t> palette; // first word of each pair
    std::vector<std::uint32_t> palette_second;
    Bytes sprite; // the sprite's bytes from its first word

    std::uint32_t pixel(int x, int y) const;      // raw value at the sprite's depth
    std::uint32_t mask_pixel(int x, int y) const; // raw mask value
    int mask_bpp() const { return bpp <= 8 ? bpp : 1; }
    // The colour as 0xRRGGBB (through the palette at 8 bpp and below; 16 bpp
    // components widened from 5 bits with v * 255 / 31).
    std::uint32_t rgb(int x, int y) const;
};

// Reads the sprite in `sprite.sprite` (its bytes from its first word):
// header, palette and the bounds of image and mask. A sprite without a palette
// shows the desktop's default colours; a mask that does not fit is ignored.
bool parse_sprite(DrawSprite &sprite, std::string &why);

// Parses a whole Draw file as the raster filters write it; on failure returns false with a reason.
bool parse_draw(const Bytes &file, DrawSprite &out, std::string &why);

} // namespace draw_file
