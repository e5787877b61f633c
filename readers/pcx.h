// The PCX reader of Pcxload: decodes a run-length encoded PCX image into
// entry 0 of the sprite list.
#pragma once

#include "framework/error.h"
#include "framework/filter_main.h"

#include <cstdint>

// The 16 colours used when a file gives no usable palette, red, green, blue.
extern const std::uint8_t pcx_default_palette[16][3];

ErrorRecord *pcx_read(const char *path);

// Pcxload: usage text, Draw creator and reader, shared by the program and its tests.
extern const FilterProgram kPcxloadProgram;
