// Writes one sprite of the list as a Draw file holding one sprite object.
#pragma once

#include "framework/error.h"
#include "framework/sprite.h"

#include <cstddef>
#include <cstdint>

// Word indices of the Draw file header (40 bytes) and of the sprite object
// header behind it (24 bytes).
enum DrawHeaderWord : std::size_t {
    kDrawSignature = 0,  // "Draw"
    kDrawMajorVersion = 1,
    kDrawMinorVersion = 2,
    kDrawCreator = 3,    // 12 bytes, padded with spaces
    kDrawBox = 6,        // x0, y0, x1, y1
    kObjectType = 10,
    kObjectSize = 11,    // the object header and the sprite
    kObjectBox = 12,     // x0, y0, x1, y1
    kDrawHeaderWords = 16,
};

// Word indices of the sprite header, from the sprite's first word.
enum SpriteHeaderWord : std::size_t {
    kSpriteNext = 0,      // the sprite's size
    kSpriteName = 1,      // 12 bytes, NUL-padded
    kSpriteWidthWords = 4, // words per row - 1
    kSpriteHeightRows = 5, // rows - 1
    kSpriteFirstBit = 6,
    kSpriteLastBit = 7,
    kSpriteImageOffset = 8,
    kSpriteMaskOffset = 9,
    kSpriteMode = 10,
    kSpriteHeaderWords = 11,
};

constexpr std::uint32_t kDrawFormatMajor = 201;
constexpr std::uint32_t kDrawObjectSprite = 5;

struct DrawHeader {
    std::uint32_t words[kDrawHeaderWords]; // Draw file header (40 bytes) and sprite object header (24 bytes)
};

// The Draw creator name, padded with spaces to 12 bytes.
void sprite_file_set_creator(const char *creator);

// Fails when the bounding box does not fit in 32 bits.
ErrorRecord *draw_header_fill(DrawHeader *header, std::uint32_t object_size, std::int32_t width,
                              std::int32_t height, std::int32_t xdpi, std::int32_t ydpi);
ErrorRecord *sprite_file_write(SpriteList *list, std::int32_t index, const char *path);
