// Writes one sprite of the list as a Draw file holding one sprite object.
#pragma once

#include "framework/error.h"
#include "framework/sprite.h"

#include <cstdint>

struct DrawHeader {
    std::uint32_t words[16]; // Draw file header (40 bytes) and sprite object header (24 bytes)
};

// The Draw creator name, padded with spaces to 12 bytes.
void sprite_file_set_creator(const char *creator);

// Fails when the bounding box does not fit in 32 bits.
ErrorRecord *draw_header_fill(DrawHeader *header, std::uint32_t object_size, std::int32_t width,
                              std::int32_t height, std::int32_t xdpi, std::int32_t ydpi);
ErrorRecord *sprite_file_write(SpriteList *list, std::int32_t index, const char *path);
