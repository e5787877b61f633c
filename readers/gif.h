// The GIF reader of Gifload: decodes the first image of a GIF87a or GIF89a
// file into entry 0 of the sprite list and registers every further image as
// an entry without pixels.
#pragma once

#include "framework/error.h"
#include "framework/filter_main.h"

#include <cstdint>

// One image of the file, kept as the extra record of its sprite entry.
struct GifImageInfo {
    std::int32_t left;
    std::int32_t top;
    std::int32_t width;
    std::int32_t height;
    std::int32_t flags; // 0x80 local colour table, 0x40 interlaced, bits 0-2 table size
    std::int32_t colour_count;
    std::uint32_t palette[256]; // 0xBBGGRR00
    std::int32_t has_transparency;
    std::int32_t transparent_index;
};
static_assert(sizeof(GifImageInfo) == 1056);

// Further images are registered up to this many entries; beyond it they are
// still walked (so a damaged tail fails as before) but cost no memory.
constexpr std::int32_t kGifMaxEntries = 1024;

ErrorRecord *gif_read(const char *path);

// Bits per pixel for a colour count: the first of 1, 2, 4, 8, 24 that holds
// floor(log2 count) bits, 32 above that.
std::int32_t gif_depth_for_colours(std::int32_t count);

// Gifload: usage text, Draw creator and reader, shared by the program and its tests.
extern const FilterProgram kGifloadProgram;
