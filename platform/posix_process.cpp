// Process and module stand-ins of the POSIX build.
#include "platform/posix_internal.h"
#include "platform/win32_process.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

bool fail(int error_number, const char *path) {
    SetLastError(platform::error_from_errno(error_number, path));
    return false;
}

// Writes all of `count` bytes, retrying short writes.
bool write_all(int fd, const char *bytes, std::size_t count) {
    while (count > 0) {
        ssize_t put = write(fd, bytes, count);
        if (put < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes += put;
        count -= static_cast<std::size_t>(put);
    }
    return true;
}

} // namespace

DWORD GetModuleFileNameA(HMODULE module, LPSTR buffer, DWORD size) {
    if (module != nullptr || buffer == nullptr || size == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    char path[4096];
    ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length < 0) {
        fail(errno, nullptr);
        return 0;
    }
    auto found = static_cast<std::size_t>(length);
    if (found >= size) {
        std::memcpy(buffer, path, size - 1);
        buffer[size - 1] = '\0';
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return size;
    }
    std::memcpy(buffer, path, found);
    buffer[found] = '\0';
    SetLastError(ERROR_SUCCESS);
    return static_cast<DWORD>(found);
}

DWORD GetTempPathA(DWORD size, LPSTR buffer) {
    const char *variable = std::getenv("TMPDIR");
    std::string directory = variable != nullptr && *variable != '\0' ? variable : "/tmp";
    if (directory.back() != '/') directory += '/';
    if (buffer == nullptr || directory.size() >= size) return static_cast<DWORD>(directory.size() + 1);
    std::memcpy(buffer, directory.c_str(), directory.size() + 1);
    return static_cast<DWORD>(directory.size());
}

BOOL CopyFileA(LPCSTR from, LPCSTR to, BOOL fail_if_exists) {
    std::string source = platform::resolve_path(from);
    std::string target = platform::resolve_path(to);
    int in = open(source.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return fail(errno, from);
    struct stat info {};
    if (fstat(in, &info) != 0 || S_ISDIR(info.st_mode)) {
        int error_number = S_ISDIR(info.st_mode) ? EACCES : errno;
        close(in);
        return fail(error_number, from);
    }
    int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (fail_if_exists ? O_EXCL : O_TRUNC);
    int out = open(target.c_str(), flags, info.st_mode & 0777);
    if (out < 0) {
        int error_number = errno;
        close(in);
        return fail(error_number, to);
    }
    char block[65536];
    bool copied = true;
    int error_number = 0;
    for (;;) {
        ssize_t got = read(in, block, sizeof block);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) {
            if (got < 0) {
                copied = false;
                error_number = errno;
            }
            break;
        }
        if (!write_all(out, block, static_cast<std::size_t>(got))) {
            copied = false;
            error_number = errno;
            break;
        }
    }
    close(in);
    if (close(out) != 0 && copied) {
        copied = false;
        error_number = errno;
    }
    if (!copied) return fail(error_number, to);
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

void Sleep(DWORD milliseconds) { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }

DWORD ExpandEnvironmentStringsA(LPCSTR source, LPSTR destination, DWORD size) {
    std::string text = source != nullptr ? source : "";
    std::string expanded;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t open = text.find('%', at);
        std::size_t close = open == std::string::npos ? std::string::npos : text.find('%', open + 1);
        if (close == std::string::npos) {
            expanded += text.substr(at);
            break;
        }
        expanded += text.substr(at, open - at);
        const char *value = std::getenv(text.substr(open + 1, close - open - 1).c_str());
        // An unknown name stays as written; its closing "%" may open the next one.
        if (value == nullptr || close == open + 1) {
            expanded += text.substr(open, close - open);
            at = close;
        } else {
            expanded += value;
            at = close + 1;
        }
    }
    if (destination != nullptr && expanded.size() < size) std::memcpy(destination, expanded.c_str(), expanded.size() + 1);
    return static_cast<DWORD>(expanded.size() + 1);
}
