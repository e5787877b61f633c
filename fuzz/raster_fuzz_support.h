// Runs a raster filter on a memory buffer: the bytes go to a scratch file
// (the readers read files), the Draw output to another, and the sprite list
// is emptied afterwards so that runs do not pile up.
#pragma once

#include "framework/filter_main.h"

#include <cstddef>
#include <cstdint>

void fuzz_raster_filter(const FilterProgram &program, const std::uint8_t *data, std::size_t size);
