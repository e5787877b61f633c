// Buffered file streams: one heap buffer in front of a Win32 handle, with a
// logical position that may move anywhere. Requests larger than the buffer go
// straight between the caller's memory and the file in whole buffer multiples.
#include "framework/stream.h"
#include "framework/bytes.h"
#include "framework/memory.h"
#include "framework/win32_calls.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace {

std::int64_t window_end(const FileStream *s) { return s->window_start + s->fill; }

// Bytes from the position up to kStreamEnd, at most `count`.
std::int32_t reachable(const FileStream *s, std::int32_t count) {
    const std::int64_t room = kStreamEnd - s->position;
    return room <= 0 ? 0 : static_cast<std::int32_t>(std::min<std::int64_t>(count, room));
}

// Positions below kStreamEnd fit the 32-bit distance of SetFilePointer.
ErrorRecord *move_file_pointer(FileStream *s, std::int64_t offset) {
    DWORD ignored = 0;
    return call_set_file_pointer(s->handle, static_cast<std::int32_t>(offset), &ignored);
}

ErrorRecord *stream_flush(FileStream *s) {
    ErrorRecord *error = nullptr;
    if (s->dirty && s->fill > 0) {
        error = move_file_pointer(s, s->window_start);
        std::int32_t done = 0;
        while (error == nullptr && done < s->fill) {
            DWORD written = 0;
            error = call_write_file(s->handle, s->buffer + done, static_cast<DWORD>(s->fill - done), &written);
            if (error == nullptr && written == 0) error = error_from_code(kErrorWrite);
            done += static_cast<std::int32_t>(written);
        }
    }
    s->dirty = false;
    return error;
}

ErrorRecord *stream_refill(FileStream *s) {
    ErrorRecord *error = nullptr;
    s->window_start = s->position;
    s->fill = 0;
    const std::int32_t wanted = reachable(s, s->capacity);
    if (wanted > 0) error = move_file_pointer(s, s->position);
    if (error == nullptr && wanted > 0) {
        DWORD got = 0;
        error = call_read_file(s->handle, s->buffer, static_cast<DWORD>(wanted), &got);
        s->fill = static_cast<std::int32_t>(got);
    }
    s->window_invalid = false;
    return error;
}

void restart_window(FileStream *s) {
    s->fill = 0;
    s->window_start = s->position;
    s->window_invalid = false;
}

// Takes what the valid window holds at the position; returns the count taken.
std::int32_t take_from_window(FileStream *s, std::uint8_t *destination, std::int32_t wanted) {
    const std::int64_t available = window_end(s) - s->position;
    if (s->window_invalid || available <= 0 || s->position < s->window_start) return 0;
    const auto count = static_cast<std::int32_t>(std::min<std::int64_t>(wanted, available));
    std::memcpy(destination, s->buffer + (s->position - s->window_start), static_cast<std::size_t>(count));
    s->position += count;
    if (s->position >= window_end(s)) s->window_invalid = true;
    return count;
}

// Copies into the valid window at the position; returns the count put.
std::int32_t put_into_window(FileStream *s, const std::uint8_t *source, std::int32_t count) {
    const std::int64_t room = s->window_start + s->capacity - s->position;
    if (s->window_invalid || room <= 0 || s->position < s->window_start) return 0;
    const auto put = static_cast<std::int32_t>(std::min<std::int64_t>(count, room));
    std::memcpy(s->buffer + (s->position - s->window_start), source, static_cast<std::size_t>(put));
    s->dirty = true;
    s->position += put;
    if (s->position >= s->window_start + s->capacity) s->window_invalid = true;
    if (s->position > window_end(s)) s->fill = static_cast<std::int32_t>(s->position - s->window_start);
    return put;
}

} // namespace

ErrorRecord *stream_open(const char *path, char mode, std::int32_t requested_size, FileStream *stream) {
    std::memset(stream, 0, sizeof *stream);
    stream->handle = INVALID_HANDLE_VALUE;
    std::int32_t size = requested_size;
    ErrorRecord *error = block_alloc(&stream->buffer, static_cast<std::size_t>(size));
    while (error != nullptr && size / 2 > 128) {
        size /= 2;
        error = block_alloc(&stream->buffer, static_cast<std::size_t>(size));
    }
    if (error != nullptr) return error;
    stream->capacity = size;
    stream->window_invalid = true;

    DWORD access = GENERIC_READ;
    DWORD disposition = OPEN_EXISTING;
    if (mode == 'u') {
        access = GENERIC_READ | GENERIC_WRITE;
        disposition = OPEN_ALWAYS;
    } else if (mode != 'r') {
        access = GENERIC_READ | GENERIC_WRITE;
        disposition = file_kind(path) == FileKind::file ? TRUNCATE_EXISTING : CREATE_NEW;
    }
    error = call_create_file(path, access, FILE_SHARE_READ, disposition, FILE_ATTRIBUTE_NORMAL, &stream->handle);
    if (error != nullptr || stream->handle == INVALID_HANDLE_VALUE) {
        block_free(&stream->buffer);
        stream->handle = INVALID_HANDLE_VALUE;
        return error != nullptr ? error : error_from_code(kErrorRead);
    }
    return nullptr;
}

ErrorRecord *stream_read(FileStream *s, void *destination, std::int32_t count, std::int32_t *read_count) {
    *read_count = 0;
    if (count <= 0) return nullptr;
    auto *out = static_cast<std::uint8_t *>(destination);
    // What lies at or beyond kStreamEnd is not read: the read comes up short.
    const std::int32_t within = reachable(s, count);
    std::int32_t wanted = within;
    std::int32_t taken = take_from_window(s, out, wanted);
    out += taken;
    wanted -= taken;

    ErrorRecord *error = nullptr;
    bool reached_end = false;
    if (wanted > s->capacity) {
        // Whole buffer multiples go straight into the caller's memory.
        error = stream_flush(s);
        if (error == nullptr) error = move_file_pointer(s, s->position);
        if (error == nullptr) {
            DWORD direct = static_cast<DWORD>(wanted - wanted % s->capacity);
            DWORD got = 0;
            error = call_read_file(s->handle, out, direct, &got);
            s->position += static_cast<std::int32_t>(got);
            out += got;
            wanted -= static_cast<std::int32_t>(got);
            reached_end = got < direct;
            if (s->position >= window_end(s)) s->window_invalid = true;
        }
    }
    if (wanted > 0 && error == nullptr && !reached_end) {
        error = stream_flush(s);
        if (error == nullptr) error = stream_refill(s);
        if (error == nullptr) wanted -= take_from_window(s, out, wanted);
    }
    *read_count = within - wanted;
    return error;
}

ErrorRecord *stream_read_exact(FileStream *s, void *destination, std::int32_t count) {
    std::int32_t got = 0;
    if (ErrorRecord *error = stream_read(s, destination, count, &got)) return error;
    return got < count ? error_from_code(kErrorRead) : nullptr;
}

ErrorRecord *stream_read_byte(FileStream *s, std::int32_t *value) {
    *value = -1;
    if (s->window_invalid) {
        if (ErrorRecord *error = stream_flush(s)) return error;
        if (ErrorRecord *error = stream_refill(s)) return error;
    }
    if (s->position >= s->window_start && s->position < window_end(s)) {
        *value = s->buffer[static_cast<std::size_t>(s->position - s->window_start)];
        ++s->position;
        if (s->position >= window_end(s)) s->window_invalid = true;
    } else if (s->position < s->window_start) {
        s->window_invalid = true; // not reachable through stream_seek; kept safe regardless
    }
    return nullptr;
}

ErrorRecord *stream_read_half(FileStream *s, std::uint32_t *value) {
    std::uint8_t bytes[2];
    *value = 0;
    if (ErrorRecord *error = stream_read_exact(s, bytes, 2)) return error;
    std::uint16_t half = 0;
    readU16(bytes, 0, half);
    *value = half;
    return nullptr;
}

ErrorRecord *stream_read_word(FileStream *s, std::uint32_t *value) {
    std::uint8_t bytes[4];
    *value = 0;
    if (ErrorRecord *error = stream_read_exact(s, bytes, 4)) return error;
    readU32(bytes, 0, *value);
    return nullptr;
}

ErrorRecord *stream_seek(FileStream *s, std::int64_t offset) {
    if (offset < s->window_start || offset > window_end(s)) s->window_invalid = true;
    s->position = offset;
    return nullptr;
}

ErrorRecord *stream_skip(FileStream *s, std::int64_t distance) {
    // Readers skip by sizes read from the file: a target outside the reachable
    // offsets is held at their edge, where reads find the end of the file.
    const std::int64_t target = std::clamp<std::int64_t>(s->position, 0, kStreamEnd) +
                                std::clamp<std::int64_t>(distance, -kStreamEnd, kStreamEnd);
    return stream_seek(s, std::clamp<std::int64_t>(target, 0, kStreamEnd));
}

ErrorRecord *stream_tell(FileStream *s, std::int64_t *offset) {
    *offset = s->position;
    return nullptr;
}

ErrorRecord *stream_write(FileStream *s, const void *source, std::int32_t count, std::int32_t *written) {
    *written = 0;
    if (count <= 0) return nullptr;
    auto *in = static_cast<const std::uint8_t *>(source);
    // Nothing is written at or beyond kStreamEnd: the write comes up short.
    const std::int32_t within = reachable(s, count);
    std::int32_t remaining = within;
    std::int32_t put = put_into_window(s, in, remaining);
    in += put;
    remaining -= put;

    ErrorRecord *error = nullptr;
    if (s->window_invalid) {
        error = stream_flush(s);
        if (error == nullptr) restart_window(s);
    }
    if (remaining > s->capacity && error == nullptr) {
        error = move_file_pointer(s, s->position);
        if (error == nullptr) {
            DWORD direct = static_cast<DWORD>(remaining - remaining % s->capacity);
            DWORD went = 0;
            error = call_write_file(s->handle, in, direct, &went);
            s->position += static_cast<std::int32_t>(went);
            in += went;
            remaining -= static_cast<std::int32_t>(went);
            restart_window(s);
            if (error == nullptr && went < direct) error = error_from_code(kErrorWrite);
        }
    }
    if (remaining > 0 && error == nullptr) remaining -= put_into_window(s, in, remaining);
    *written = within - remaining;
    return error;
}

ErrorRecord *stream_write_exact(FileStream *s, const void *source, std::int32_t count) {
    std::int32_t written = 0;
    if (ErrorRecord *error = stream_write(s, source, count, &written)) return error;
    return written < count ? error_from_code(kErrorWrite) : nullptr;
}

ErrorRecord *stream_write_word(FileStream *s, std::uint32_t value) {
    const std::uint8_t bytes[4] = {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
                                   static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
    return stream_write_exact(s, bytes, 4);
}

ErrorRecord *stream_close(FileStream *s, ErrorRecord *pending) {
    ErrorRecord *flush_error = s->buffer != nullptr ? stream_flush(s) : nullptr;
    ErrorRecord *close_error = nullptr;
    if (s->handle != INVALID_HANDLE_VALUE && s->handle != nullptr) close_error = call_close_handle(s->handle);
    s->handle = INVALID_HANDLE_VALUE;
    block_free(&s->buffer);
    if (pending != nullptr) return pending;
    return flush_error != nullptr ? flush_error : close_error;
}

FileKind file_kind(const char *path) {
    DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) return FileKind::missing;
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? FileKind::directory : FileKind::file;
}

FileInfo file_info(const char *path) {
    FileInfo info{FileKind::missing, 0, 0};
    WIN32_FIND_DATAA data{};
    HANDLE search = INVALID_HANDLE_VALUE;
    if (call_find_first_file(path, &data, &search) != nullptr || search == INVALID_HANDLE_VALUE) return info;
    call_find_close(search);
    info.attributes = data.dwFileAttributes;
    info.kind = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? FileKind::directory : FileKind::file;
    info.size = data.nFileSizeLow;
    return info;
}
