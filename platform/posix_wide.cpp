// Wide-character calls of the POSIX build: UTF-8 is the ANSI code page, so
// each wide call converts its path and makes the ANSI call.
#include "platform/posix_internal.h"
#include "platform/win32_process.h"

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <string>

namespace {

std::string narrow(LPCWSTR wide, std::size_t count) {
    std::string text;
    for (std::size_t i = 0; i < count; ++i) {
        auto c = static_cast<std::uint32_t>(wide[i]);
        if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = 0xFFFD;
        if (c < 0x80) {
            text += static_cast<char>(c);
        } else if (c < 0x800) {
            text += static_cast<char>(0xC0 | (c >> 6));
            text += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            text += static_cast<char>(0xE0 | (c >> 12));
            text += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            text += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            text += static_cast<char>(0xF0 | (c >> 18));
            text += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            text += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            text += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return text;
}

std::wstring widen(const char *text, std::size_t count) {
    std::wstring wide;
    std::size_t i = 0;
    while (i < count) {
        auto lead = static_cast<unsigned char>(text[i]);
        std::size_t extra = lead < 0x80 ? 0 : (lead & 0xE0) == 0xC0 ? 1 : (lead & 0xF0) == 0xE0 ? 2 : (lead & 0xF8) == 0xF0 ? 3 : 4;
        std::uint32_t c = extra == 0 ? lead : extra == 1 ? lead & 0x1Fu : extra == 2 ? lead & 0x0Fu : lead & 0x07u;
        bool valid = extra < 4 && extra < count - i;
        for (std::size_t k = 1; valid && k <= extra; ++k) {
            auto next = static_cast<unsigned char>(text[i + k]);
            valid = (next & 0xC0) == 0x80;
            c = (c << 6) | (next & 0x3Fu);
        }
        // Overlong forms, surrogates and values past U+10FFFF are as invalid as a stray byte.
        constexpr std::uint32_t kLeast[] = {0, 0x80, 0x800, 0x10000};
        if (valid && (c < kLeast[extra] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))) valid = false;
        wide += valid ? static_cast<WCHAR>(c) : static_cast<WCHAR>(0xFFFD);
        i += valid ? extra + 1 : 1;
    }
    return wide;
}

std::string narrow_path(LPCWSTR path) { return path == nullptr ? std::string() : narrow(path, std::wcslen(path)); }

void widen_find_data(const WIN32_FIND_DATAA &from, WIN32_FIND_DATAW &to) {
    std::memset(&to, 0, sizeof to);
    to.dwFileAttributes = from.dwFileAttributes;
    to.nFileSizeHigh = from.nFileSizeHigh;
    to.nFileSizeLow = from.nFileSizeLow;
    std::wstring name = widen(from.cFileName, strnlen(from.cFileName, sizeof from.cFileName));
    std::wmemcpy(to.cFileName, name.c_str(), std::min<std::size_t>(name.size(), MAX_PATH - 1));
}

// Hands the converted text out as the conversion calls do: its size alone for a zero size.
template <typename Char, typename Text> int put_converted(const Text &converted, Char *out, int size) {
    if (size == 0) return static_cast<int>(converted.size());
    if (out == nullptr || size < 0 || converted.size() > static_cast<std::size_t>(size)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::memcpy(out, converted.data(), converted.size() * sizeof(Char));
    return static_cast<int>(converted.size());
}

} // namespace

int MultiByteToWideChar(UINT, DWORD, LPCSTR text, int size, LPWSTR wide, int wide_size) {
    if (text == nullptr || size < -1) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::size_t count = size == -1 ? std::strlen(text) + 1 : static_cast<std::size_t>(size);
    return put_converted(widen(text, count), wide, wide_size);
}

int WideCharToMultiByte(UINT, DWORD, LPCWSTR wide, int wide_size, LPSTR text, int size, LPCSTR, BOOL *used_default) {
    if (wide == nullptr || wide_size < -1) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (used_default != nullptr) *used_default = FALSE;
    std::size_t count = wide_size == -1 ? std::wcslen(wide) + 1 : static_cast<std::size_t>(wide_size);
    return put_converted(narrow(wide, count), text, size);
}

HANDLE CreateFileW(LPCWSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security, DWORD disposition,
                   DWORD attributes, HANDLE template_file) {
    return CreateFileA(narrow_path(path).c_str(), access, share, security, disposition, attributes, template_file);
}

DWORD GetFileAttributesW(LPCWSTR path) { return GetFileAttributesA(narrow_path(path).c_str()); }

HANDLE FindFirstFileW(LPCWSTR pattern, LPWIN32_FIND_DATAW data) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(narrow_path(pattern).c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) widen_find_data(found, *data);
    return search;
}

BOOL FindNextFileW(HANDLE search, LPWIN32_FIND_DATAW data) {
    WIN32_FIND_DATAA found;
    if (!FindNextFileA(search, &found)) return FALSE;
    widen_find_data(found, *data);
    return TRUE;
}

BOOL DeleteFileW(LPCWSTR path) { return DeleteFileA(narrow_path(path).c_str()); }

BOOL RemoveDirectoryW(LPCWSTR path) { return RemoveDirectoryA(narrow_path(path).c_str()); }

BOOL CreateDirectoryW(LPCWSTR path, LPSECURITY_ATTRIBUTES security) {
    return CreateDirectoryA(narrow_path(path).c_str(), security);
}

BOOL SetFileAttributesW(LPCWSTR path, DWORD attributes) { return SetFileAttributesA(narrow_path(path).c_str(), attributes); }

BOOL MoveFileExW(LPCWSTR, LPCWSTR, DWORD) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
}

namespace {

// Hands a text out as the path calls do: its length, or the size needed (terminator included).
DWORD put_path(const std::string &text, LPWSTR buffer, DWORD size) {
    std::wstring wide = widen(text.c_str(), text.size());
    if (buffer == nullptr || wide.size() >= size) return static_cast<DWORD>(wide.size() + 1);
    std::wmemcpy(buffer, wide.c_str(), wide.size() + 1);
    return static_cast<DWORD>(wide.size());
}

} // namespace

DWORD GetModuleFileNameW(HMODULE module, LPWSTR buffer, DWORD size) {
    char path[4096];
    DWORD length = GetModuleFileNameA(module, path, sizeof path);
    if (length == 0 || length >= sizeof path) return 0;
    DWORD put = put_path(std::string(path, length), buffer, size);
    if (put < size) return put;
    // Cut to size as Windows does, with ERROR_INSUFFICIENT_BUFFER.
    std::wstring wide = widen(path, length);
    if (buffer != nullptr && size > 0) {
        std::wmemcpy(buffer, wide.c_str(), size - 1);
        buffer[size - 1] = L'\0';
    }
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return size;
}

DWORD GetTempPathW(DWORD size, LPWSTR buffer) {
    char path[4096];
    DWORD length = GetTempPathA(sizeof path, path);
    if (length == 0 || length >= sizeof path) return 0;
    return put_path(std::string(path, length), buffer, size);
}

DWORD GetFullPathNameW(LPCWSTR path, DWORD size, LPWSTR buffer, LPWSTR *file_part) {
    std::string spelled = narrow_path(path);
    DWORD needed = GetFullPathNameA(spelled.c_str(), 0, nullptr, nullptr);
    if (needed == 0) return 0;
    std::string full(needed, '\0');
    DWORD length = GetFullPathNameA(spelled.c_str(), needed, full.data(), nullptr);
    full.resize(length);
    if (file_part != nullptr) *file_part = nullptr;
    return put_path(full, buffer, size);
}

DWORD ExpandEnvironmentStringsW(LPCWSTR source, LPWSTR destination, DWORD size) {
    std::string text = narrow_path(source);
    DWORD needed = ExpandEnvironmentStringsA(text.c_str(), nullptr, 0);
    std::string expanded(needed, '\0');
    ExpandEnvironmentStringsA(text.c_str(), expanded.data(), needed);
    expanded.resize(needed - 1);
    DWORD length = put_path(expanded, destination, size);
    return length < size ? length + 1 : length;
}
