// The in-memory sprite area that readers fill and the Draw writer writes.
// Pixels are held in sprite layout: rows of whole 32-bit words, top row
// first, leftmost pixel in the least significant bits.
#pragma once

#include "framework/error.h"

#include <cstdint>
#include <span>

// Largest bitmap block a reader may create; larger images fail cleanly.
constexpr std::uint64_t kMaxBitmapBytes = 1ull << 30;

struct Bitmap {
    std::int32_t bpp;
    std::int32_t width;
    std::int32_t height;
    std::int32_t xdpi;
    std::int32_t ydpi;
    std::uint32_t palette[256]; // 0xBBGGRR00
    std::int32_t palette_count;
    std::int32_t stride; // row length in 32-bit words
    // height x stride words of rows follow in the same block, then 4 spare bytes
};

struct SpriteImage {
    Bitmap *image;
    Bitmap *mask; // null without a mask
};

struct SpriteEntry {
    char name[32];
    SpriteImage *image;
    std::int32_t bpp;
    std::int32_t width;
    std::int32_t height;
    std::int32_t xdpi;
    std::int32_t ydpi;
};

struct SpriteList {
    std::int32_t count;
    SpriteEntry *entries; // memory block, grows 8 entries at a time
    std::uint8_t *extra;  // optional parallel block of per-entry reader data
};

// The filter's one list; entry 0 is what gets written.
extern SpriteList sprite_list;

// The palette word of a colour: 0xBBGGRR00, red in bits 8 to 15.
constexpr std::uint32_t palette_word(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    return static_cast<std::uint32_t>(red) << 8 | static_cast<std::uint32_t>(green) << 16 |
           static_cast<std::uint32_t>(blue) << 24;
}

// The depths a sprite can hold.
constexpr bool is_sprite_depth(std::int32_t bpp) {
    return bpp == 1 || bpp == 2 || bpp == 4 || bpp == 8 || bpp == 16 || bpp == 24 || bpp == 32;
}

// Pixels per metre to dots per inch, rounded to the nearest (ppm x 254 /
// 10000). A value that is not positive, does not fit 32 bits or rounds to
// nothing gives `fallback`, since the Draw bounding box divides by it.
std::int32_t dpi_from_ppm(std::int64_t pixels_per_metre, std::int32_t fallback);

// Row stride in bytes for a width and depth, or 0 when it does not fit the limits.
std::uint64_t bitmap_stride_bytes(std::int64_t width, std::int32_t bpp);

// Fails with a clear message for sizes that are not positive or exceed kMaxBitmapBytes.
ErrorRecord *bitmap_create(std::int32_t width, std::int32_t height, std::int32_t bpp, Bitmap **bitmap);
ErrorRecord *sprite_image_create_plain(std::int32_t width, std::int32_t height, std::int32_t bpp,
                                       SpriteImage **image);
ErrorRecord *sprite_image_create(std::int32_t width, std::int32_t height, std::int32_t bpp, std::int32_t mask_bpp,
                                 SpriteImage **image);

// Row y from the top (no bounds check: callers loop over 0..height-1).
std::uint32_t *bitmap_row(Bitmap *bitmap, std::int32_t y);
// Row y as bytes, exactly stride * 4 long: the window a decoder writes through.
std::span<std::uint8_t> bitmap_row_bytes(Bitmap *bitmap, std::int32_t y);

void bitmap_set_default_palette(Bitmap *bitmap, int n);
void bitmap_reverse_row_pixels(Bitmap *bitmap, std::int32_t y);
void convert_row_depth(const std::uint32_t *source, int source_bpp, std::uint32_t *destination,
                       int destination_bpp, std::int32_t count);

ErrorRecord *sprite_list_add(SpriteList *list, std::int32_t *index, std::int32_t extra_size);

// Appends an entry without pixels: named `prefix` and its index ("BMP0"),
// with its size, depth and resolution.
ErrorRecord *sprite_entry_add(SpriteList *list, const char *prefix, std::int32_t width, std::int32_t height,
                              std::int32_t bpp, std::int32_t xdpi, std::int32_t ydpi, std::int32_t extra_size,
                              std::int32_t *index);
// Creates the entry's image at its size and depth with its resolution, and a
// mask of `mask_bpp` when that is above 0.
ErrorRecord *sprite_entry_create_image(SpriteEntry *entry, std::int32_t mask_bpp);
// Both steps for a reader's single image without a mask; `image` is the
// new image bitmap.
ErrorRecord *sprite_entry_create(SpriteList *list, const char *prefix, std::int32_t width, std::int32_t height,
                                 std::int32_t bpp, std::int32_t xdpi, std::int32_t ydpi, Bitmap **image);
std::uint32_t sprite_mode_word(std::int32_t bpp, std::int32_t xdpi, std::int32_t ydpi);

// Frees every entry and empties the list. The filters never need it (the
// process ends instead); tests and fuzzers that run a reader repeatedly do.
void sprite_list_clear(SpriteList *list);
