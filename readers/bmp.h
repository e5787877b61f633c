// The BMP reader of Bmpload.
#pragma once

#include "framework/error.h"

// Decodes a Windows or OS/2 bitmap into entry 0 of the sprite list.
ErrorRecord *bmp_read(const char *path);
