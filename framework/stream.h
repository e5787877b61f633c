// Buffered Win32 file streams with a freely movable logical position, and
// the file queries the readers use. Positions are held in 64 bits, so no
// offset arithmetic can overflow, but the file is reached only below
// kStreamEnd: files of 2 GB or more are not supported, and what lies beyond
// reads as the end of the file (a short read, "{ERD}") and cannot be written.
#pragma once

#include "framework/error.h"
#include "platform/win32.h"

#include <cstdint>

struct FileStream {
    std::uint8_t *buffer;      // memory block
    std::int32_t capacity;     // buffer size in bytes
    std::int32_t fill;         // valid bytes from the buffer start
    std::int64_t position;     // logical offset of the next byte
    std::int64_t window_start; // file offset of buffer byte 0
    bool dirty;                // buffer holds bytes not yet written
    bool window_invalid;       // flush and reload (read) or restart (write) before use
    HANDLE handle;
};

constexpr std::int32_t kStreamBufferSize = 32768;
// The first offset out of reach: 32-bit signed file offsets end below it.
constexpr std::int64_t kStreamEnd = std::int64_t{1} << 31;

// mode 'r' reads an existing file; 'u' opens or creates for update; any other
// letter ('w') truncates an existing file or creates a new one.
ErrorRecord *stream_open(const char *path, char mode, std::int32_t requested_size, FileStream *stream);
ErrorRecord *stream_read(FileStream *stream, void *destination, std::int32_t count, std::int32_t *read_count);
ErrorRecord *stream_read_exact(FileStream *stream, void *destination, std::int32_t count);
// The next byte 0..255, or -1 at the end of the file (not an error).
ErrorRecord *stream_read_byte(FileStream *stream, std::int32_t *value);
ErrorRecord *stream_read_half(FileStream *stream, std::uint32_t *value);
ErrorRecord *stream_read_word(FileStream *stream, std::uint32_t *value);
ErrorRecord *stream_seek(FileStream *stream, std::int64_t offset);
ErrorRecord *stream_skip(FileStream *stream, std::int64_t distance);
ErrorRecord *stream_tell(FileStream *stream, std::int64_t *offset);
ErrorRecord *stream_write(FileStream *stream, const void *source, std::int32_t count, std::int32_t *written);
ErrorRecord *stream_write_exact(FileStream *stream, const void *source, std::int32_t count);
ErrorRecord *stream_write_word(FileStream *stream, std::uint32_t value);
// Flushes, closes and frees on every path; returns `pending` if set, else the
// flush error, else the close error.
ErrorRecord *stream_close(FileStream *stream, ErrorRecord *pending);

enum class FileKind : std::int32_t { missing = 0, file = 1, directory = 2 };

struct FileInfo {
    FileKind kind;
    std::uint32_t size; // low 32 bits
    std::uint32_t attributes;
};

FileKind file_kind(const char *path);
// Looks the path up with FindFirstFileA; a failed search gives kind missing.
FileInfo file_info(const char *path);
