// Process and module calls the uninstaller makes beyond the file calls of
// platform/win32.h: its own path, the temporary directory, wide paths and the
// schedule of deletions at restart. Windows has them in <windows.h>; the
// POSIX stand-ins behave as the real calls do for the cases the uninstaller
// meets.
#pragma once

#include "platform/win32.h"

#ifndef _WIN32

constexpr DWORD ERROR_INSUFFICIENT_BUFFER = 122;
// Junctions and links: the searches and attribute reads report a symbolic
// link with this added to the attributes of what it points at.
constexpr DWORD FILE_ATTRIBUTE_REPARSE_POINT = 0x400;

// The running program's full path (the module argument must be null). When the
// buffer is too small the path is cut to size - 1 characters, the result is
// `size` and the last error ERROR_INSUFFICIENT_BUFFER, as on Windows XP and later.
DWORD GetModuleFileNameA(HMODULE module, LPSTR buffer, DWORD size);

// The temporary directory ($TMPDIR, else /tmp) with a trailing separator. The
// result is the length copied, or the size needed (terminator included) when
// the buffer is too small.
DWORD GetTempPathA(DWORD size, LPSTR buffer);

// The uninstaller's walk spells paths in wide characters, so that names the
// ANSI code page cannot hold are still found and deleted. Here the ANSI code
// page is UTF-8 and a wide character holds one code point. A path may start
// with "\\?\", which is dropped.
using WCHAR = wchar_t;
using LPWSTR = WCHAR *;
using LPCWSTR = const WCHAR *;
constexpr UINT CP_ACP = 0;

using WIN32_FIND_DATAW = Win32FindData<WCHAR>;
using LPWIN32_FIND_DATAW = WIN32_FIND_DATAW *;

// Invalid UTF-8 becomes U+FFFD. A size of -1 converts through the terminator;
// a zero output size asks for the size needed; a short buffer fails with
// ERROR_INSUFFICIENT_BUFFER.
int MultiByteToWideChar(UINT code_page, DWORD flags, LPCSTR text, int size, LPWSTR wide, int wide_size);
int WideCharToMultiByte(UINT code_page, DWORD flags, LPCWSTR wide, int wide_size, LPSTR text, int size,
                        LPCSTR default_char, BOOL *used_default);

HANDLE CreateFileW(LPCWSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security, DWORD disposition,
                   DWORD attributes, HANDLE template_file);
DWORD GetFileAttributesW(LPCWSTR path);
HANDLE FindFirstFileW(LPCWSTR pattern, LPWIN32_FIND_DATAW data);
BOOL FindNextFileW(HANDLE search, LPWIN32_FIND_DATAW data);
BOOL DeleteFileW(LPCWSTR path);
BOOL RemoveDirectoryW(LPCWSTR path);
BOOL CreateDirectoryW(LPCWSTR path, LPSECURITY_ATTRIBUTES security);
BOOL SetFileAttributesW(LPCWSTR path, DWORD attributes);
DWORD GetModuleFileNameW(HMODULE module, LPWSTR buffer, DWORD size);
DWORD GetTempPathW(DWORD size, LPWSTR buffer);
DWORD GetFullPathNameW(LPCWSTR path, DWORD size, LPWSTR buffer, LPWSTR *file_part);
DWORD ExpandEnvironmentStringsW(LPCWSTR source, LPWSTR destination, DWORD size);

// Nothing here deletes at a restart: scheduling always fails with ERROR_ACCESS_DENIED.
constexpr DWORD MOVEFILE_DELAY_UNTIL_REBOOT = 0x4;
BOOL MoveFileExW(LPCWSTR from, LPCWSTR to, DWORD flags);

// Deletion by handle: with FileDispositionInfo, what the handle opened is
// deleted when it closes (a directory only if it is empty by then).
enum FILE_INFO_BY_HANDLE_CLASS { FileDispositionInfo = 4 };
struct FILE_DISPOSITION_INFO {
    unsigned char DeleteFile;
};
BOOL SetFileInformationByHandle(HANDLE file, FILE_INFO_BY_HANDLE_CLASS kind, LPVOID information, DWORD size);

// Directories open only with FILE_FLAG_BACKUP_SEMANTICS; FILE_FLAG_OPEN_REPARSE_POINT
// opens a link itself. Sharing is not enforced. A directory opened to be
// deleted on close is removed then if it is empty.
constexpr DWORD FILE_SHARE_DELETE = 0x4;
constexpr DWORD DELETE = 0x00010000;
constexpr DWORD FILE_READ_ATTRIBUTES = 0x80;
constexpr DWORD FILE_FLAG_OPEN_REPARSE_POINT = 0x00200000;
constexpr DWORD FILE_FLAG_BACKUP_SEMANTICS = 0x02000000;
constexpr DWORD FILE_FLAG_DELETE_ON_CLOSE = 0x04000000;

// A file's identity: the volume serial number is the device number and the
// file index the inode number.
struct BY_HANDLE_FILE_INFORMATION {
    DWORD dwFileAttributes;
    FILETIME ftCreationTime;
    FILETIME ftLastAccessTime;
    FILETIME ftLastWriteTime;
    DWORD dwVolumeSerialNumber;
    DWORD nFileSizeHigh;
    DWORD nFileSizeLow;
    DWORD nNumberOfLinks;
    DWORD nFileIndexHigh;
    DWORD nFileIndexLow;
};
BOOL GetFileInformationByHandle(HANDLE file, BY_HANDLE_FILE_INFORMATION *information);

// A drive path ("C:\...") is normalised as text alone: "." and ".." parts and
// repeated separators go, separators become backslashes and the last part loses
// its trailing dots and spaces. Any other path is taken from the current directory.
DWORD GetFullPathNameA(LPCSTR path, DWORD size, LPSTR buffer, LPSTR *file_part);

// Replaces each "%NAME%" whose variable is set by its value; returns the size
// needed, terminator included.
DWORD ExpandEnvironmentStringsA(LPCSTR source, LPSTR destination, DWORD size);

#endif
