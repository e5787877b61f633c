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
std::uint32_t sprite_mode_word(std::int32_t bpp, std::int32_t xdpi, std::int32_t ydpi);

// Frees every entry and empties the list. The filters never need it (the
// process ends instead); tests and fuzzers that run a reader repeatedly do.
void sprite_list_clear(SpriteList *list);
