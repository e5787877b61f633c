// Windows-style paths on a case-sensitive POSIX file system.
#include "platform/posix_internal.h"
#include "platform/win32_process.h"

#include <cctype>
#include <cstring>
#include <dirent.h>
#include <string>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

bool exists(const std::string &path) {
    struct stat info {};
    return lstat(path.c_str(), &info) == 0;
}

// The entry of `directory` whose name equals `name` ignoring case, or `name` itself.
std::string match_in_directory(const std::string &directory, const std::string &name) {
    DIR *dir = opendir(directory.empty() ? "." : directory.c_str());
    if (dir == nullptr) return name;
    std::string found = name;
    while (dirent *entry = readdir(dir)) {
        if (strcasecmp(entry->d_name, name.c_str()) == 0) {
            found = entry->d_name;
            break;
        }
    }
    closedir(dir);
    return found;
}

} // namespace

namespace platform {

std::string resolve_path(const char *path) {
    std::string spelled = path != nullptr ? path : "";
    if (spelled.starts_with("\\\\?\\")) spelled.erase(0, 4);
    for (char &c : spelled)
        if (c == '\\') c = '/';
    if (spelled.empty() || exists(spelled)) return spelled;

    std::string resolved;
    std::size_t start = 0;
    if (spelled[0] == '/') {
        resolved = "/";
        start = 1;
    }
    bool matching = true; // once a component is missing, the rest stays as spelled
    while (start <= spelled.size()) {
        std::size_t end = spelled.find('/', start);
        if (end == std::string::npos) end = spelled.size();
        std::string component = spelled.substr(start, end - start);
        if (!component.empty()) {
            std::string directory = resolved;
            if (!resolved.empty() && resolved.back() != '/') resolved += '/';
            if (matching && component != "." && component != ".." && !exists(resolved + component)) {
                component = match_in_directory(directory.empty() ? "." : directory, component);
                if (!exists(resolved + component)) matching = false;
            }
            resolved += component;
        }
        if (end == spelled.size()) break;
        start = end + 1;
    }
    if (spelled.back() == '/' && resolved.back() != '/') resolved += '/';
    return resolved;
}

bool pattern_matches(const char *pattern, const char *name) {
    // As on Windows, "*.*" matches every name, with or without a dot.
    if (std::strcmp(pattern, "*.*") == 0) pattern = "*";
    // Iterative wildcard match with one backtrack point: linear in practice.
    const char *star = nullptr;
    const char *star_name = nullptr;
    while (*name != '\0') {
        if (*pattern == '*') {
            star = pattern++;
            star_name = name;
        } else if (*pattern == '?' ||
                   (*pattern != '\0' && std::tolower(static_cast<unsigned char>(*pattern)) ==
                                            std::tolower(static_cast<unsigned char>(*name)))) {
            ++pattern;
            ++name;
        } else if (star != nullptr) {
            pattern = star + 1;
            name = ++star_name;
        } else {
            return false;
        }
    }
    while (*pattern == '*') ++pattern;
    return *pattern == '\0';
}

} // namespace platform

DWORD GetFullPathNameA(LPCSTR path, DWORD size, LPSTR buffer, LPSTR *file_part) {
    if (path == nullptr || *path == '\0') {
        SetLastError(ERROR_INVALID_NAME);
        return 0;
    }
    std::string spelled = path;
    bool drive = spelled.size() >= 3 && std::isalpha(static_cast<unsigned char>(spelled[0])) && spelled[1] == ':' &&
                 (spelled[2] == '\\' || spelled[2] == '/');
    std::string root = drive ? spelled.substr(0, 2) + "\\" : "/";
    char separator = drive ? '\\' : '/';
    if (!drive && spelled[0] != '/' && spelled[0] != '\\') {
        char current[4096];
        if (getcwd(current, sizeof current) == nullptr) {
            SetLastError(ERROR_PATH_NOT_FOUND);
            return 0;
        }
        spelled = std::string(current) + "/" + spelled;
    }
    std::vector<std::string> parts;
    std::size_t start = drive ? 3 : 0;
    while (start <= spelled.size()) {
        std::size_t end = spelled.find_first_of("\\/", start);
        if (end == std::string::npos) end = spelled.size();
        std::string part = spelled.substr(start, end - start);
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        start = end + 1;
    }
    std::string full = root;
    for (std::size_t i = 0; i < parts.size(); ++i) full += (i == 0 ? "" : std::string(1, separator)) + parts[i];
    bool trailing = spelled.back() == '\\' || spelled.back() == '/';
    if (trailing && !parts.empty()) full += separator;
    while (!trailing && !parts.empty() && (full.back() == '.' || full.back() == ' ')) full.pop_back();
    if (buffer == nullptr || full.size() >= size) return static_cast<DWORD>(full.size() + 1);
    std::memcpy(buffer, full.c_str(), full.size() + 1);
    if (file_part != nullptr) {
        std::size_t cut = full.find_last_of(separator);
        *file_part = trailing || cut == std::string::npos ? nullptr : buffer + cut + 1;
    }
    SetLastError(ERROR_SUCCESS);
    return static_cast<DWORD>(full.size());
}
