// Process and module calls the uninstaller makes beyond the file calls of
// platform/win32.h: its own path, the temporary directory, copying a file and
// waiting. Windows has them in <windows.h>; the POSIX stand-ins behave as the
// real calls do for the cases the uninstaller meets.
#pragma once

#include "platform/win32.h"

#ifndef _WIN32

constexpr DWORD ERROR_INSUFFICIENT_BUFFER = 122;
// Junctions and links; the file stand-ins follow links and never report it.
constexpr DWORD FILE_ATTRIBUTE_REPARSE_POINT = 0x400;

// The running program's full path (the module argument must be null). When the
// buffer is too small the path is cut to size - 1 characters, the result is
// `size` and the last error ERROR_INSUFFICIENT_BUFFER, as on Windows XP and later.
DWORD GetModuleFileNameA(HMODULE module, LPSTR buffer, DWORD size);

// The temporary directory ($TMPDIR, else /tmp) with a trailing separator. The
// result is the length copied, or the size needed (terminator included) when
// the buffer is too small.
DWORD GetTempPathA(DWORD size, LPSTR buffer);

// Copies the bytes of `from` to `to`; with fail_if_exists set an existing
// target is kept and the call fails with ERROR_FILE_EXISTS.
BOOL CopyFileA(LPCSTR from, LPCSTR to, BOOL fail_if_exists);

void Sleep(DWORD milliseconds);

#endif
