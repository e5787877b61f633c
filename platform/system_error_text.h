// The text of a failed Win32 call, as the filters and the uninstaller both
// report it: the system's own message for the code (with its line end), then
// "(call) (code)" or "(call) (code) (detail)".
#pragma once

#include "platform/win32.h"

#include <cstddef>

// Writes the text into `text`, NUL-terminated and cut to `capacity` - 1
// characters. `detail` may be null.
void system_error_text(char *text, std::size_t capacity, const char *call_name, DWORD code, const char *detail);
