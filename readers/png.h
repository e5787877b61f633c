// The PNG reader of Pngload: libpng decodes the file into entry 0 of the
// sprite list.
#pragma once

#include "framework/error.h"
#include "framework/filter_main.h"

#include <cstdint>

// Code of the "PNG:<libpng's message>" failures.
constexpr std::int32_t kErrorPng = 1536;

// Decodes the PNG file at `path` into a new entry of sprite_list.
ErrorRecord *pngin_read(const char *path);

// Pngload: usage text, Draw creator and reader, shared by the program, its
// tests and its fuzzer. The usage names Pngload itself.
extern const FilterProgram kPngloadProgram;
