// Helpers shared by the POSIX stand-ins.
#pragma once

#include "platform/win32.h"

#include <string>

namespace platform {

// Windows' error number for a failed POSIX call on `path` (which may be null).
DWORD error_from_errno(int error_number, const char *path);

// The POSIX spelling of a Windows-style path: separators turned into "/",
// and every component that does not exist as spelled replaced by an entry of
// its directory whose name matches it without regard to case, if there is one.
std::string resolve_path(const char *path);

// Whether `name` matches a FindFirstFileA pattern ("*" and "?"), ignoring case.
bool pattern_matches(const char *pattern, const char *name);

} // namespace platform
