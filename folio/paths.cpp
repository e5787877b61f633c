#include "folio/paths.h"

#include "folio/document.h"
#include "ddl/fatal_error.h"
#include "platform/win32.h"

namespace folio {

void requirePathFits(const std::string &path, const char *what) {
    if (path.size() >= kPathBufferSize) ddl::fatalErrorFormat("%s path is too long", what);
}

bool fileExists(const std::string &path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::string existingSpelling(const std::string &path) {
    if (fileExists(path)) return path;
    std::size_t separator = path.find_last_of("\\/:");
    std::size_t dot = path.rfind('.');
    if (dot == std::string::npos || (separator != std::string::npos && dot < separator)) return path;
    std::string comma = path;
    comma[dot] = ',';
    return fileExists(comma) ? comma : path;
}

} // namespace folio
