// Last-error codes and the system's English message texts.
#include "platform/posix_internal.h"

#include <cerrno>
#include <cstring>
#include <string>
#include <sys/stat.h>

namespace {

DWORD last_error = 0;

struct SystemText {
    DWORD code;
    const char *text;
};

// Windows' own wording, line end included, for every code the programs can meet.
constexpr SystemText system_texts[] = {
    {0, "The operation completed successfully.\r\n"},
    {2, "The system cannot find the file specified.\r\n"},
    {3, "The system cannot find the path specified.\r\n"},
    {4, "The system cannot open the file.\r\n"},
    {5, "Access is denied.\r\n"},
    {6, "The handle is invalid.\r\n"},
    {8, "Not enough memory resources are available to process this command.\r\n"},
    {18, "There are no more files.\r\n"},
    {19, "The media is write protected.\r\n"},
    {32, "The process cannot access the file because it is being used by another process.\r\n"},
    {38, "Reached the end of the file.\r\n"},
    {80, "The file exists.\r\n"},
    {87, "The parameter is incorrect.\r\n"},
    {112, "There is not enough space on the disk.\r\n"},
    {123, "The filename, directory name, or volume label syntax is incorrect.\r\n"},
    {131, "An attempt was made to move the file pointer before the beginning of the file.\r\n"},
    {145, "The directory is not empty.\r\n"},
    {183, "Cannot create a file when that file already exists.\r\n"},
    {206, "The filename or extension is too long.\r\n"},
    {267, "The directory name is invalid.\r\n"},
    {1006, "The volume for a file has been externally altered so that the opened file is no longer valid.\r\n"},
    {1117, "The request could not be performed because of an I/O device error.\r\n"},
    {1813, "The specified resource type cannot be found in the image file.\r\n"},
    {1814, "The specified resource name cannot be found in the image file.\r\n"},
};

constexpr DWORD ERROR_MR_MID_NOT_FOUND = 317;

bool parent_exists(const char *path) {
    std::string resolved = platform::resolve_path(path);
    auto slash = resolved.find_last_of('/');
    if (slash == std::string::npos) return true;
    if (slash == 0) return true;
    struct stat info {};
    return stat(resolved.substr(0, slash).c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

} // namespace

DWORD GetLastError() { return last_error; }
void SetLastError(DWORD code) { last_error = code; }

DWORD FormatMessageA(DWORD flags, LPCVOID, DWORD message_id, DWORD, LPSTR buffer, DWORD size, void *) {
    if ((flags & FORMAT_MESSAGE_FROM_SYSTEM) == 0 || buffer == nullptr || size == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    for (const auto &entry : system_texts) {
        if (entry.code != message_id) continue;
        std::size_t length = std::strlen(entry.text);
        if (length >= size) {
            SetLastError(122); // ERROR_INSUFFICIENT_BUFFER
            return 0;
        }
        std::memcpy(buffer, entry.text, length + 1);
        return static_cast<DWORD>(length);
    }
    SetLastError(ERROR_MR_MID_NOT_FOUND);
    return 0;
}

namespace platform {

DWORD error_from_errno(int error_number, const char *path) {
    switch (error_number) {
    case 0: return ERROR_SUCCESS;
    case ENOENT: return path != nullptr && !parent_exists(path) ? ERROR_PATH_NOT_FOUND : ERROR_FILE_NOT_FOUND;
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EISDIR: return ERROR_ACCESS_DENIED;
    case EROFS: return ERROR_WRITE_PROTECT;
    case EMFILE:
    case ENFILE: return ERROR_TOO_MANY_OPEN_FILES;
    case EBADF: return ERROR_INVALID_HANDLE;
    case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    case ENOSPC:
    case EDQUOT: return ERROR_DISK_FULL;
    case EEXIST: return ERROR_FILE_EXISTS;
    case ENAMETOOLONG: return ERROR_FILENAME_EXCED_RANGE;
    case ENOTEMPTY: return ERROR_DIR_NOT_EMPTY;
    case EBUSY:
    case ETXTBSY: return ERROR_SHARING_VIOLATION;
    case EINVAL: return ERROR_INVALID_PARAMETER;
    default: return ERROR_IO_DEVICE;
    }
}

} // namespace platform
