#include "tools/draw_file.h"

#include <algorithm>
#include <cstring>

namespace draw_file {
namespace {

bool word_at(const Bytes &bytes, std::size_t at, std::uint32_t &out) {
    if (at > bytes.size() || 4 > bytes.size() - at) return false;
    out = static_cast<std::uint32_t>(bytes[at]) | static_cast<std::uint32_t>(bytes[at + 1]) << 8 |
          static_cast<std::uint32_t>(bytes[at + 2]) << 16 | static_cast<std::uint32_t>(bytes[at + 3]) << 24;
    return true;
}

int bpp_of_mode(std::uint32_t mode) {
    switch (mode) {
    case 0: case 25: return 1;
    case 8: case 26: return 2;
    case 12: case 27: return 4;
    case 15: case 28: return 8;
    default: break;
    }
    if (mode < 256) return 0;
    switch (mode >> 27) {
    case 5: return 16;
    case 6: return 32;
    default: return 0;
    }
}

std::uint32_t bits_at(const Bytes &sprite, std::size_t row_start, int x, int bpp) {
    std::size_t bit = static_cast<std::size_t>(x) * static_cast<std::size_t>(bpp);
    std::size_t word_index = row_start + bit / 32 * 4;
    std::uint32_t word = 0;
    word_at(sprite, word_index, word);
    if (bpp == 32) return word;
    return (word >> (bit % 32)) & ((1u << bpp) - 1);
}

// Sprites without a palette use the desktop's: greys at 1 and 2 bpp, the
// sixteen desktop colours at 4 bpp, and the 256-colour mode's tint layout at 8.
std::uint32_t default_rgb(std::uint32_t v, int bpp) {
    static constexpr std::uint32_t kDesktop[16] = {0xFFFFFF, 0xDDDDDD, 0xBBBBBB, 0x999999, 0x777777, 0x555555,
                                                   0x333333, 0x000000, 0x004499, 0xEEEE00, 0x00CC00, 0xDD0000,
                                                   0xEEEEBB, 0x558800, 0xFFBB00, 0x00BBFF};
    if (bpp == 1) return v ? 0x000000 : 0xFFFFFF;
    if (bpp == 2) return 0xFFFFFF - v * 0x555555;
    if (bpp == 4) return kDesktop[v & 15];
    // 8 bpp: bits 0-1 tint, 2 red low, 3 blue low, 4 red high, 5 green low, 6 green high, 7 blue high
    std::uint32_t tint = v & 3;
    std::uint32_t red = ((v >> 2 & 1) | (v >> 3 & 2)) << 2 | tint;
    std::uint32_t green = ((v >> 5 & 1) | (v >> 5 & 2)) << 2 | tint;
    std::uint32_t blue = ((v >> 3 & 1) | (v >> 6 & 2)) << 2 | tint;
    return (red * 17) << 16 | (green * 17) << 8 | blue * 17;
}

} // namespace

bool parse_sprite(DrawSprite &d, std::string &why) {
    if (d.sprite.size() < 44) return why = "sprite shorter than its header", false;
    word_at(d.sprite, 0, d.sprite_size);
    const char *name = reinterpret_cast<const char *>(&d.sprite[4]);
    d.name.assign(name, strnlen(name, 12));
    word_at(d.sprite, 16, d.width_words);
    word_at(d.sprite, 20, d.height_rows);
    word_at(d.sprite, 24, d.first_bit);
    word_at(d.sprite, 28, d.last_bit);
    word_at(d.sprite, 32, d.image_offset);
    word_at(d.sprite, 36, d.mask_offset);
    word_at(d.sprite, 40, d.mode);
    d.bpp = bpp_of_mode(d.mode);
    if (d.bpp == 0) return why = "unknown mode " + std::to_string(d.mode), false;
    if (d.last_bit > 31) return why = "last bit beyond the word", false;
    if (d.image_offset < 44 || d.image_offset > d.sprite.size()) return why = "image offset outside the sprite", false;
    // The image must lie in the sprite: this also bounds width and height.
    const std::uint64_t available = d.sprite.size() - d.image_offset;
    const std::uint64_t row_bytes = (std::uint64_t{d.width_words} + 1) * 4, rows = std::uint64_t{d.height_rows} + 1;
    if (row_bytes > available || rows > available / row_bytes) return why = "sprite holds the wrong number of bytes", false;
    d.width = static_cast<int>((std::uint64_t{d.width_words} * 32 + d.last_bit + 1) / static_cast<std::uint32_t>(d.bpp));
    d.height = static_cast<int>(rows);
    d.has_mask = d.mask_offset != d.image_offset;
    std::size_t palette_entries = d.bpp <= 8 ? std::min<std::size_t>((d.image_offset - 44) / 8, std::size_t{1} << d.bpp) : 0;
    std::uint32_t w = 0;
    for (std::size_t i = 0; i < palette_entries; ++i) {
        word_at(d.sprite, 44 + i * 8, w);
        d.palette.push_back(w);
        word_at(d.sprite, 48 + i * 8, w);
        d.palette_second.push_back(w);
    }
    if (d.has_mask) {
        std::size_t mask_bytes = (static_cast<std::size_t>(d.width) * static_cast<std::size_t>(d.mask_bpp()) + 31) / 32 * 4 *
                                 static_cast<std::size_t>(d.height);
        if (d.mask_offset > d.sprite.size() || mask_bytes > d.sprite.size() - d.mask_offset) d.has_mask = false;
    }
    return true;
}

bool parse_draw(const Bytes &file, DrawSprite &d, std::string &why) {
    if (file.size() < 64 + 44) return why = "file shorter than the headers", false;
    if (std::memcmp(file.data(), "Draw", 4) != 0) return why = "no Draw signature", false;
    d.creator.assign(reinterpret_cast<const char *>(&file[12]), 12);
    for (int i = 0; i < 4; ++i) word_at(file, 24 + 4 * static_cast<std::size_t>(i), d.box[i]);
    word_at(file, 40, d.object_type);
    word_at(file, 44, d.object_size);
    for (int i = 0; i < 4; ++i) word_at(file, 48 + 4 * static_cast<std::size_t>(i), d.object_box[i]);
    d.sprite.assign(file.begin() + 64, file.end());
    if (!parse_sprite(d, why)) return false;
    // The raster filters write exactly one sprite, its palette right after
    // the header and the mask right after the image.
    if (d.sprite_size != d.sprite.size()) return why = "sprite size does not match the file", false;
    if (d.object_size != d.sprite_size + 24) return why = "object size does not match the sprite", false;
    std::size_t palette_entries = d.bpp <= 8 ? (std::size_t{1} << d.bpp) : 0;
    if (d.image_offset != 44 + palette_entries * 8) return why = "image offset does not follow the palette", false;
    std::size_t image_bytes = std::size_t{d.width_words + 1} * 4 * static_cast<std::size_t>(d.height);
    std::size_t mask_bytes = 0;
    if (d.mask_offset != d.image_offset) {
        if (d.mask_offset != d.image_offset + image_bytes) return why = "mask offset does not follow the image", false;
        mask_bytes = (static_cast<std::size_t>(d.width) * static_cast<std::size_t>(d.mask_bpp()) + 31) / 32 * 4 *
                     static_cast<std::size_t>(d.height);
    }
    if (d.image_offset + image_bytes + mask_bytes != d.sprite.size()) return why = "sprite holds the wrong number of bytes", false;
    return true;
}

std::uint32_t DrawSprite::pixel(int x, int y) const {
    return bits_at(sprite, image_offset + static_cast<std::size_t>(y) * (width_words + 1) * 4, x, bpp);
}

std::uint32_t DrawSprite::mask_pixel(int x, int y) const {
    std::size_t stride = (static_cast<std::size_t>(width) * static_cast<std::size_t>(mask_bpp()) + 31) / 32 * 4;
    return bits_at(sprite, mask_offset + static_cast<std::size_t>(y) * stride, x, mask_bpp());
}

std::uint32_t DrawSprite::rgb(int x, int y) const {
    std::uint32_t v = pixel(x, y);
    if (bpp <= 8) {
        if (palette.empty()) return default_rgb(v, bpp);
        std::uint32_t entry = v < palette.size() ? palette[v] : 0;
        return ((entry >> 8) & 0xFF) << 16 | ((entry >> 16) & 0xFF) << 8 | (entry >> 24);
    }
    if (bpp == 16) {
        auto widen = [](std::uint32_t c) { return c * 255 / 31; };
        return widen(v & 31) << 16 | widen((v >> 5) & 31) << 8 | widen((v >> 10) & 31);
    }
    return (v & 0xFF) << 16 | (v & 0xFF00) | ((v >> 16) & 0xFF);
}

} // namespace draw_file
