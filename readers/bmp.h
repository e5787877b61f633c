// The BMP reader of Bmpload.
#pragma once

#include "framework/error.h"
#include "framework/filter_main.h"

// Decodes a Windows or OS/2 bitmap into entry 0 of the sprite list.
ErrorRecord *bmp_read(const char *path);

// Bmpload: usage text, Draw creator and reader, shared by the program and its tests.
extern const FilterProgram kBmploadProgram;
