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
