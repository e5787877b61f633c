// File calls of the POSIX build, with Windows' dispositions and error codes.
#include "platform/posix_internal.h"
#include "platform/win32_process.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

using platform::error_from_errno;
using platform::resolve_path;

// A HANDLE points at one of these; the tag tells files, file mappings and
// directory searches apart.
struct Handle {
    enum class Kind { file, search, mapping } kind;
    int fd = -1;
    std::vector<WIN32_FIND_DATAA> found;
    std::size_t next = 0;
    std::string path;             // what a link's kind and a deletion on close refer to
    bool delete_on_close = false;
    std::uint64_t mapped_size = 0;
};

// The views mapped now, by base address: munmap needs their length.
struct View {
    const void *base;
    std::size_t length;
};
std::vector<View> views;

// Views are read in at once where the system can: the programs that map a
// file walk all of it.
#ifdef MAP_POPULATE
constexpr int kReadInAtOnce = MAP_POPULATE;
#else
constexpr int kReadInAtOnce = 0;
#endif

Handle *as_handle(HANDLE handle, Handle::Kind kind) {
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return nullptr;
    auto *h = static_cast<Handle *>(handle);
    return h->kind == kind ? h : nullptr;
}

bool fail(int error_number, const char *path = nullptr) {
    SetLastError(error_from_errno(error_number, path));
    return false;
}

DWORD attributes_of(const struct stat &info) {
    if (S_ISDIR(info.st_mode)) return FILE_ATTRIBUTE_DIRECTORY;
    DWORD attributes = FILE_ATTRIBUTE_ARCHIVE;
    if ((info.st_mode & S_IWUSR) == 0) attributes |= FILE_ATTRIBUTE_READONLY;
    return attributes;
}

// What Windows reports of `path` itself: a symbolic link has the attributes,
// kind and size of what it points at, plus the reparse attribute.
bool entry_stat(const std::string &path, struct stat &info, DWORD &attributes) {
    if (lstat(path.c_str(), &info) != 0) return false;
    bool link = S_ISLNK(info.st_mode);
    if (link) stat(path.c_str(), &info); // a dangling link keeps its own
    attributes = attributes_of(info) | (link ? FILE_ATTRIBUTE_REPARSE_POINT : 0);
    return true;
}

void fill_find_data(WIN32_FIND_DATAA &data, const char *name, const struct stat &info, DWORD attributes) {
    std::memset(&data, 0, sizeof data);
    data.dwFileAttributes = attributes;
    auto size = static_cast<std::uint64_t>(S_ISDIR(info.st_mode) ? 0 : info.st_size);
    data.nFileSizeLow = static_cast<DWORD>(size);
    data.nFileSizeHigh = static_cast<DWORD>(size >> 32);
    std::size_t length = std::min<std::size_t>(std::strlen(name), MAX_PATH - 1);
    std::memcpy(data.cFileName, name, length);
}

} // namespace

HANDLE CreateFileA(LPCSTR path, DWORD access, DWORD, LPSECURITY_ATTRIBUTES, DWORD disposition, DWORD attributes,
                   HANDLE) {
    if (path == nullptr || *path == '\0') {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    std::string resolved = resolve_path(path);
    int flags = 0;
    bool reading = (access & GENERIC_READ) != 0;
    bool writing = (access & GENERIC_WRITE) != 0;
    flags = reading && writing ? O_RDWR : writing ? O_WRONLY : O_RDONLY;
    struct stat info {};
    bool existed = stat(resolved.c_str(), &info) == 0;
    bool link_itself = (attributes & FILE_FLAG_OPEN_REPARSE_POINT) != 0;
    struct stat own {};
    if (link_itself && lstat(resolved.c_str(), &own) == 0 && S_ISLNK(own.st_mode)) existed = true;
    bool directory = existed && S_ISDIR(info.st_mode);
    if (existed && (directory || link_itself) && (attributes & FILE_FLAG_BACKUP_SEMANTICS) != 0 &&
        disposition == OPEN_EXISTING) {
        // Opened only to be looked at: a directory, or a link itself.
        int fd = open(resolved.c_str(), O_PATH | O_CLOEXEC | (link_itself ? O_NOFOLLOW : 0));
        if (fd < 0) {
            fail(errno, path);
            return INVALID_HANDLE_VALUE;
        }
        SetLastError(ERROR_SUCCESS);
        return new Handle{Handle::Kind::file, fd, {}, 0, resolved, (attributes & FILE_FLAG_DELETE_ON_CLOSE) != 0};
    }
    if (directory) {
        SetLastError(ERROR_ACCESS_DENIED); // a directory is not a file to open
        return INVALID_HANDLE_VALUE;
    }
    switch (disposition) {
    case CREATE_NEW: flags |= O_CREAT | O_EXCL; break;
    case CREATE_ALWAYS: flags |= O_CREAT | O_TRUNC; break;
    case OPEN_EXISTING: break;
    case OPEN_ALWAYS: flags |= O_CREAT; break;
    case TRUNCATE_EXISTING:
        if (!writing) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return INVALID_HANDLE_VALUE;
        }
        flags |= O_TRUNC;
        break;
    default: SetLastError(ERROR_INVALID_PARAMETER); return INVALID_HANDLE_VALUE;
    }
    int fd = open(resolved.c_str(), flags | O_CLOEXEC, 0666);
    if (fd < 0) {
        fail(errno, path);
        return INVALID_HANDLE_VALUE;
    }
    auto *handle = new Handle{Handle::Kind::file, fd, {}, 0, resolved, (attributes & FILE_FLAG_DELETE_ON_CLOSE) != 0};
    bool reports_existing = disposition == CREATE_ALWAYS || disposition == OPEN_ALWAYS;
    SetLastError(reports_existing && existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    return handle;
}

BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD count, LPDWORD read_count, LPOVERLAPPED) {
    Handle *h = as_handle(file, Handle::Kind::file);
    if (read_count != nullptr) *read_count = 0;
    if (h == nullptr) return fail(EBADF);
    DWORD done = 0;
    while (done < count) {
        ssize_t got = read(h->fd, static_cast<char *>(buffer) + done, count - done);
        if (got < 0) {
            if (errno == EINTR) continue;
            if (read_count != nullptr) *read_count = done;
            return fail(errno);
        }
        if (got == 0) break;
        done += static_cast<DWORD>(got);
    }
    if (read_count != nullptr) *read_count = done;
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD count, LPDWORD written, LPOVERLAPPED) {
    Handle *h = as_handle(file, Handle::Kind::file);
    if (written != nullptr) *written = 0;
    if (h == nullptr) return fail(EBADF);
    DWORD done = 0;
    while (done < count) {
        ssize_t put = write(h->fd, static_cast<const char *>(buffer) + done, count - done);
        if (put < 0) {
            if (errno == EINTR) continue;
            if (written != nullptr) *written = done;
            return fail(errno);
        }
        done += static_cast<DWORD>(put);
    }
    if (written != nullptr) *written = done;
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

DWORD SetFilePointer(HANDLE file, LONG distance, PLONG distance_high, DWORD method) {
    Handle *h = as_handle(file, Handle::Kind::file);
    if (h == nullptr) {
        fail(EBADF);
        return INVALID_SET_FILE_POINTER;
    }
    std::int64_t offset = distance;
    if (distance_high != nullptr)
        offset = static_cast<std::int64_t>((static_cast<std::uint64_t>(static_cast<std::uint32_t>(*distance_high)) << 32) |
                                           static_cast<std::uint32_t>(distance));
    int whence = method == FILE_CURRENT ? SEEK_CUR : method == FILE_END ? SEEK_END : SEEK_SET;
    if (method > FILE_END) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_SET_FILE_POINTER;
    }
    off_t base = whence == SEEK_SET ? 0 : lseek(h->fd, 0, whence);
    if (base + offset < 0) {
        SetLastError(ERROR_NEGATIVE_SEEK);
        return INVALID_SET_FILE_POINTER;
    }
    off_t now = lseek(h->fd, static_cast<off_t>(base + offset), SEEK_SET);
    if (now < 0) {
        fail(errno);
        return INVALID_SET_FILE_POINTER;
    }
    if (distance_high != nullptr) *distance_high = static_cast<LONG>(static_cast<std::uint64_t>(now) >> 32);
    SetLastError(ERROR_SUCCESS);
    return static_cast<DWORD>(now);
}

DWORD GetFileSize(HANDLE file, LPDWORD size_high) {
    Handle *h = as_handle(file, Handle::Kind::file);
    struct stat info {};
    if (h == nullptr || fstat(h->fd, &info) != 0) {
        fail(h == nullptr ? EBADF : errno);
        return INVALID_FILE_SIZE;
    }
    auto size = static_cast<std::uint64_t>(info.st_size);
    if (size_high != nullptr) *size_high = static_cast<DWORD>(size >> 32);
    SetLastError(ERROR_SUCCESS);
    return static_cast<DWORD>(size);
}

BOOL CloseHandle(HANDLE object) {
    Handle *h = as_handle(object, Handle::Kind::file);
    if (h == nullptr) h = as_handle(object, Handle::Kind::mapping);
    if (h == nullptr) return fail(EBADF);
    int result = close(h->fd);
    int error_number = errno;
    if (h->delete_on_close && unlink(h->path.c_str()) != 0) rmdir(h->path.c_str());
    delete h;
    if (result != 0) return fail(error_number);
    return TRUE;
}

HANDLE CreateFileMappingA(HANDLE file, LPSECURITY_ATTRIBUTES, DWORD protect, DWORD size_high, DWORD size_low,
                          LPCSTR name) {
    Handle *h = as_handle(file, Handle::Kind::file);
    struct stat info {};
    if (h == nullptr || fstat(h->fd, &info) != 0) {
        fail(h == nullptr ? EBADF : errno);
        return nullptr;
    }
    if (protect != PAGE_READONLY || size_high != 0 || size_low != 0 || name != nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (info.st_size == 0) {
        SetLastError(ERROR_FILE_INVALID);
        return nullptr;
    }
    const int fd = dup(h->fd);
    if (fd < 0) {
        fail(errno);
        return nullptr;
    }
    SetLastError(ERROR_SUCCESS);
    return new Handle{Handle::Kind::mapping, fd, {}, 0, {}, false, static_cast<std::uint64_t>(info.st_size)};
}

LPVOID MapViewOfFile(HANDLE mapping, DWORD access, DWORD offset_high, DWORD offset_low, SIZE_T bytes) {
    Handle *h = as_handle(mapping, Handle::Kind::mapping);
    if (h == nullptr) {
        fail(EBADF);
        return nullptr;
    }
    const std::uint64_t offset = (static_cast<std::uint64_t>(offset_high) << 32) | offset_low;
    const long page = sysconf(_SC_PAGESIZE);
    if (access != FILE_MAP_READ || offset >= h->mapped_size || bytes > h->mapped_size - offset ||
        (page > 0 && offset % static_cast<std::uint64_t>(page) != 0)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    const auto length = static_cast<std::size_t>(bytes != 0 ? bytes : h->mapped_size - offset);
    void *base = mmap(nullptr, length, PROT_READ, MAP_PRIVATE | kReadInAtOnce, h->fd, static_cast<off_t>(offset));
    if (base == MAP_FAILED) {
        fail(errno);
        return nullptr;
    }
    views.push_back({base, length});
    SetLastError(ERROR_SUCCESS);
    return base;
}

BOOL UnmapViewOfFile(LPCVOID base) {
    auto view = std::find_if(views.begin(), views.end(), [base](const View &v) { return v.base == base; });
    if (view == views.end()) return fail(EINVAL);
    munmap(const_cast<void *>(view->base), view->length);
    views.erase(view);
    return TRUE;
}

DWORD GetFileAttributesA(LPCSTR path) {
    struct stat info {};
    std::string resolved = resolve_path(path);
    DWORD attributes = 0;
    if (resolved.empty() || !entry_stat(resolved, info, attributes)) {
        fail(resolved.empty() ? ENOENT : errno, path);
        return INVALID_FILE_ATTRIBUTES;
    }
    return attributes;
}

HANDLE FindFirstFileA(LPCSTR pattern, LPWIN32_FIND_DATAA data) {
    std::string resolved = resolve_path(pattern);
    std::size_t slash = resolved.find_last_of('/');
    std::string directory = slash == std::string::npos ? "." : slash == 0 ? "/" : resolved.substr(0, slash);
    std::string name = slash == std::string::npos ? resolved : resolved.substr(slash + 1);
    if (name.empty()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    auto *handle = new Handle{Handle::Kind::search, -1, {}, 0, {}, false};
    if (name.find_first_of("*?") == std::string::npos) {
        struct stat info {};
        DWORD attributes = 0;
        if (!entry_stat(resolved, info, attributes)) {
            delete handle;
            fail(errno, pattern);
            return INVALID_HANDLE_VALUE;
        }
        handle->found.emplace_back();
        fill_find_data(handle->found.back(), name.c_str(), info, attributes);
    } else {
        DIR *dir = opendir(directory.c_str());
        if (dir == nullptr) {
            delete handle;
            fail(errno == ENOENT ? ENOTDIR : errno, pattern);
            return INVALID_HANDLE_VALUE;
        }
        while (dirent *entry = readdir(dir)) {
            if (!platform::pattern_matches(name.c_str(), entry->d_name)) continue;
            struct stat info {};
            DWORD attributes = 0;
            std::string full = directory + "/" + entry->d_name;
            if (!entry_stat(full, info, attributes)) continue;
            handle->found.emplace_back();
            fill_find_data(handle->found.back(), entry->d_name, info, attributes);
        }
        closedir(dir);
        // Windows lists "." and ".." first; keep that order for callers that skip them.
        std::stable_sort(handle->found.begin(), handle->found.end(), [](const auto &a, const auto &b) {
            auto rank = [](const char *n) { return std::strcmp(n, ".") == 0 ? 0 : std::strcmp(n, "..") == 0 ? 1 : 2; };
            return rank(a.cFileName) < rank(b.cFileName);
        });
    }
    if (handle->found.empty()) {
        delete handle;
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    *data = handle->found[0];
    handle->next = 1;
    SetLastError(ERROR_SUCCESS);
    return handle;
}

BOOL FindNextFileA(HANDLE search, LPWIN32_FIND_DATAA data) {
    Handle *h = as_handle(search, Handle::Kind::search);
    if (h == nullptr) return fail(EBADF);
    if (h->next >= h->found.size()) {
        SetLastError(ERROR_NO_MORE_FILES);
        return FALSE;
    }
    *data = h->found[h->next++];
    return TRUE;
}

BOOL FindClose(HANDLE search) {
    Handle *h = as_handle(search, Handle::Kind::search);
    if (h == nullptr) return fail(EBADF);
    delete h;
    return TRUE;
}

BOOL DeleteFileA(LPCSTR path) {
    std::string resolved = resolve_path(path);
    struct stat info {};
    if (lstat(resolved.c_str(), &info) != 0) return fail(errno, path);
    // Windows refuses to delete directories and read-only files this way.
    if (S_ISDIR(info.st_mode) || (info.st_mode & S_IWUSR) == 0) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (unlink(resolved.c_str()) != 0) return fail(errno, path);
    return TRUE;
}

BOOL RemoveDirectoryA(LPCSTR path) {
    std::string resolved = resolve_path(path);
    struct stat info {};
    if (lstat(resolved.c_str(), &info) != 0) return fail(errno, path);
    // A link to a directory is removed as Windows removes a directory link: the link alone.
    struct stat target {};
    if (S_ISLNK(info.st_mode) && stat(resolved.c_str(), &target) == 0 && S_ISDIR(target.st_mode))
        return unlink(resolved.c_str()) == 0 ? TRUE : fail(errno, path);
    if (!S_ISDIR(info.st_mode)) {
        SetLastError(ERROR_DIRECTORY);
        return FALSE;
    }
    if (rmdir(resolved.c_str()) != 0) return fail(errno == EEXIST ? ENOTEMPTY : errno, path);
    return TRUE;
}

BOOL CreateDirectoryA(LPCSTR path, LPSECURITY_ATTRIBUTES) {
    std::string resolved = resolve_path(path);
    if (mkdir(resolved.c_str(), 0777) != 0) {
        if (errno == EEXIST) {
            SetLastError(ERROR_ALREADY_EXISTS);
            return FALSE;
        }
        return fail(errno, path);
    }
    return TRUE;
}

BOOL SetFileAttributesA(LPCSTR path, DWORD attributes) {
    std::string resolved = resolve_path(path);
    struct stat info {};
    if (stat(resolved.c_str(), &info) != 0) return fail(errno, path);
    mode_t mode = info.st_mode & 07777;
    if ((attributes & FILE_ATTRIBUTE_READONLY) != 0)
        mode &= static_cast<mode_t>(~(S_IWUSR | S_IWGRP | S_IWOTH));
    else
        mode |= S_IWUSR;
    if (chmod(resolved.c_str(), mode) != 0) return fail(errno, path);
    return TRUE;
}

BOOL SetFileInformationByHandle(HANDLE file, FILE_INFO_BY_HANDLE_CLASS kind, LPVOID information, DWORD size) {
    Handle *h = as_handle(file, Handle::Kind::file);
    if (h == nullptr) return fail(EBADF);
    if (kind != FileDispositionInfo || information == nullptr || size < sizeof(FILE_DISPOSITION_INFO)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    h->delete_on_close = static_cast<const FILE_DISPOSITION_INFO *>(information)->DeleteFile != 0;
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

BOOL GetFileInformationByHandle(HANDLE file, BY_HANDLE_FILE_INFORMATION *information) {
    Handle *h = as_handle(file, Handle::Kind::file);
    struct stat info {};
    if (h == nullptr || information == nullptr || fstat(h->fd, &info) != 0) return fail(h == nullptr ? EBADF : errno);
    std::memset(information, 0, sizeof *information);
    DWORD attributes = attributes_of(info);
    struct stat target {};
    if (S_ISLNK(info.st_mode))
        attributes = FILE_ATTRIBUTE_REPARSE_POINT |
                     (stat(h->path.c_str(), &target) == 0 ? attributes_of(target) : FILE_ATTRIBUTE_ARCHIVE);
    information->dwFileAttributes = attributes;
    information->dwVolumeSerialNumber = static_cast<DWORD>(info.st_dev);
    auto size = static_cast<std::uint64_t>(S_ISREG(info.st_mode) ? info.st_size : 0);
    information->nFileSizeHigh = static_cast<DWORD>(size >> 32);
    information->nFileSizeLow = static_cast<DWORD>(size);
    information->nNumberOfLinks = static_cast<DWORD>(info.st_nlink);
    auto index = static_cast<std::uint64_t>(info.st_ino);
    information->nFileIndexHigh = static_cast<DWORD>(index >> 32);
    information->nFileIndexLow = static_cast<DWORD>(index);
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}
