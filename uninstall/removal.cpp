// Tree deletion with deferral, the installation path check, the deletion pass
// copy and the "-u" pass.
#include "uninstall/removal.h"

#include "platform/win32_process.h"

#include <cstdio>
#include <cstring>
#include <cwchar>

namespace {

SystemRecord record;

template <typename Char> Char lower(Char c) { return c >= 'A' && c <= 'Z' ? static_cast<Char>(c - 'A' + 'a') : c; }

bool is_separator(char c) { return c == '\\' || c == '/'; }

// Whether `part` is, without regard to case, where `whole` starts.
template <typename Char> bool leads(std::basic_string_view<Char> part, std::basic_string_view<Char> whole) {
    if (part.empty() || part.size() > whole.size()) return false;
    for (std::size_t i = 0; i < part.size(); ++i)
        if (lower(part[i]) != lower(whole[i])) return false;
    return true;
}

bool same_text(std::string_view a, std::string_view b) { return a.size() == b.size() && (a.empty() || leads(a, b)); }

// The ANSI spelling of a walk path, for records and the deferred list.
std::string narrow(std::wstring_view wide) {
    char text[kPathCapacity * 4]; // room for any code page, UTF-8 included
    int length = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), text, sizeof text,
                                     nullptr, nullptr);
    return std::string(text, length > 0 ? static_cast<std::size_t>(length) : 0);
}

// The path being walked, in one fixed buffer that grows and is cut back per level.
struct TreeWalk {
    RemovalState &state;
    std::wstring own_path;
    std::wstring pattern;
    WCHAR path[kPathCapacity];
    std::size_t length;
};

bool walk_append(TreeWalk &walk, std::wstring_view text) {
    if (text.size() >= kPathCapacity - walk.length) return false;
    std::wmemcpy(walk.path + walk.length, text.data(), text.size());
    walk.length += text.size();
    walk.path[walk.length] = L'\0';
    return true;
}

void walk_cut(TreeWalk &walk, std::size_t length) {
    walk.length = length;
    walk.path[length] = L'\0';
}

SystemRecord *walk_record(const char *call_name, const TreeWalk &walk) {
    DWORD code = GetLastError();
    return system_record(call_name, code, narrow({walk.path, walk.length}).c_str());
}

// The entry's own name: what follows the last backslash, slash or colon.
std::wstring_view entry_name(const WIN32_FIND_DATAW &entry) {
    std::wstring_view name(entry.cFileName, wcsnlen(entry.cFileName, MAX_PATH));
    std::size_t cut = name.find_last_of(L"\\/:");
    return cut == std::wstring_view::npos ? name : name.substr(cut + 1);
}

bool walk_is_deferred(const TreeWalk &walk) {
    return leads(std::wstring_view(walk.path, walk.length), std::wstring_view(walk.own_path));
}

enum class Opened { directory, link, failed };

// Opens the directory about to be searched as itself, never through a link,
// and shares it for reading and writing only: while the handle is held it
// cannot be renamed or deleted, so no link can take its place. A link found
// there, by the handle or by the path, is reported instead.
Opened directory_open(const WCHAR *path, HANDLE &held) {
    held = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                       FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (held == INVALID_HANDLE_VALUE) return Opened::failed;
    BY_HANDLE_FILE_INFORMATION information{};
    DWORD by_path = GetFileAttributesW(path);
    if (!GetFileInformationByHandle(held, &information) || by_path == INVALID_FILE_ATTRIBUTES) {
        DWORD code = GetLastError();
        CloseHandle(held);
        SetLastError(code);
        return Opened::failed;
    }
    if (((information.dwFileAttributes | by_path) & FILE_ATTRIBUTE_REPARSE_POINT) != 0 ||
        (information.dwFileAttributes & by_path & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        CloseHandle(held);
        return Opened::link;
    }
    return Opened::directory;
}

SystemRecord *delete_level(TreeWalk &walk);

SystemRecord *delete_directory_contents(TreeWalk &walk) {
    std::size_t base = walk.length;
    std::wstring_view separator = base > 0 && walk.path[base - 1] == L'\\' ? L"" : L"\\";
    // A directory whose search pattern does not fit cannot be emptied: leave it.
    if (!walk_append(walk, separator) || !walk_append(walk, walk.pattern)) {
        walk_cut(walk, base);
        return nullptr;
    }
    WIN32_FIND_DATAW entry;
    HANDLE search = FindFirstFileW(walk.path, &entry);
    walk_cut(walk, base);
    if (search == INVALID_HANDLE_VALUE) return walk_record("FindFirstFile", walk);

    SystemRecord *failure = nullptr;
    for (;;) {
        std::wstring_view name = entry_name(entry);
        if (!name.empty() && name != L"." && name != L"..") {
            // An entry whose path would not fit is skipped; its directory then stays.
            if (walk_append(walk, separator) && walk_append(walk, name)) failure = delete_level(walk);
            walk_cut(walk, base);
            if (failure != nullptr) break;
        }
        if (!FindNextFileW(search, &entry)) {
            DWORD code = GetLastError();
            if (code != ERROR_NO_MORE_FILES) failure = system_record("FindNextFile", code, narrow({walk.path, base}).c_str());
            break;
        }
    }
    if (!FindClose(search) && failure == nullptr) failure = walk_record("FindClose", walk);
    return failure;
}

SystemRecord *delete_level(TreeWalk &walk) {
    WIN32_FIND_DATAW found;
    HANDLE probe = FindFirstFileW(walk.path, &found);
    if (probe == INVALID_HANDLE_VALUE) return nullptr;
    FindClose(probe);

    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        // A junction or directory link is removed itself, never followed: what it
        // points at is not part of the installation.
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
            HANDLE held = INVALID_HANDLE_VALUE;
            Opened opened = directory_open(walk.path, held);
            if (opened == Opened::failed) return walk_record("CreateFile", walk);
            if (opened == Opened::directory) {
                SystemRecord *failure = delete_directory_contents(walk);
                CloseHandle(held);
                if (failure != nullptr) return failure;
            }
        }
        if (walk_is_deferred(walk)) {
            removal_defer(walk.state, narrow({walk.path, walk.length}));
            return nullptr;
        }
        if (!RemoveDirectoryW(walk.path)) return walk_record("Remove Directory", walk);
        return nullptr;
    }
    if (walk_is_deferred(walk)) {
        removal_defer(walk.state, narrow({walk.path, walk.length}));
        return nullptr;
    }
    if (!DeleteFileW(walk.path)) return walk_record("DeleteFile", walk);
    return nullptr;
}

// The wide spelling of an ANSI text, or an empty one when it does not convert.
std::wstring widen(const char *text) {
    WCHAR wide[kPathCapacity];
    int length = MultiByteToWideChar(CP_ACP, 0, text, -1, wide, kPathCapacity);
    return length > 0 ? std::wstring(wide, static_cast<std::size_t>(length - 1)) : std::wstring();
}

bool file_identity(const char *path, FileIdentity &identity, DWORD &error) {
    HANDLE file = CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        error = GetLastError();
        return false;
    }
    BY_HANDLE_FILE_INFORMATION information{};
    bool known = GetFileInformationByHandle(file, &information) != 0;
    error = known ? ERROR_SUCCESS : GetLastError();
    CloseHandle(file);
    identity = {information.dwVolumeSerialNumber, information.nFileIndexHigh, information.nFileIndexLow};
    return known;
}

bool listed(const std::vector<FileIdentity> &identities, const FileIdentity &identity) {
    for (const FileIdentity &listed_identity : identities)
        if (listed_identity == identity) return true;
    return false;
}

// Cuts a drive path ("X:\a\b") back to the directory that holds it; false at the root.
bool cut_to_parent(char (&path)[kPathCapacity]) {
    std::size_t length = std::strlen(path);
    if (length <= 3) return false;
    std::size_t cut = std::string_view(path, length).find_last_of('\\');
    if (cut == std::string_view::npos || cut < 2) return false;
    path[cut == 2 ? 3 : cut] = '\0';
    return true;
}

bool is_drive_path(std::string_view text) {
    return text.size() >= 3 && lower(text[0]) >= 'a' && lower(text[0]) <= 'z' && text[1] == ':' &&
           is_separator(text[2]);
}

// "X:\" then the parts of `text` joined by single backslashes, or false for
// anything but a drive path below the root whose parts are plain names.
bool spelled_path(std::string_view text, char (&path)[kPathCapacity]) {
    if (!is_drive_path(text)) return false;
    std::string spelled{static_cast<char>(text[0] >= 'a' ? text[0] - 'a' + 'A' : text[0]), ':'};
    std::size_t parts = 0;
    std::size_t at = 3;
    while (at < text.size()) {
        std::size_t end = at;
        while (end < text.size() && !is_separator(text[end])) ++end;
        std::string_view part = text.substr(at, end - at);
        at = end + 1;
        if (part.empty()) continue;
        if (part.back() == '.' || part.back() == ' ') return false;
        for (char c : part)
            if (static_cast<unsigned char>(c) < 0x20 || std::string_view("<>:\"|?*").find(c) != std::string_view::npos)
                return false;
        spelled += '\\';
        spelled += part;
        ++parts;
    }
    if (parts == 0 || spelled.size() >= kPathCapacity) return false;
    std::memcpy(path, spelled.c_str(), spelled.size() + 1);
    return true;
}

// Whether the directory at `path` (spelled as above) may not be deleted.
bool protected_path(const char *path, const ProtectedDirectories &protect) {
    FileIdentity identity{};
    DWORD error = ERROR_SUCCESS;
    if (file_identity(path, identity, error)) {
        if (listed(protect.themselves, identity) || listed(protect.contents, identity)) return true;
    } else if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND) {
        return true; // what cannot be identified is not deleted
    }
    char holder[kPathCapacity];
    std::memcpy(holder, path, std::strlen(path) + 1);
    while (cut_to_parent(holder))
        if (file_identity(holder, identity, error) && listed(protect.contents, identity)) return true;
    return false;
}

} // namespace

SystemRecord *system_record(const char *call_name, DWORD code, const char *detail) {
    record.code = code;
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
                                  record.text, sizeof record.text, nullptr);
    if (length >= sizeof record.text) length = 0;
    record.text[length] = '\0';
    std::size_t room = sizeof record.text - length;
    if (detail != nullptr)
        std::snprintf(record.text + length, room, "(%s) (%lu) (%s)", call_name, static_cast<unsigned long>(code),
                      detail);
    else
        std::snprintf(record.text + length, room, "(%s) (%lu)", call_name, static_cast<unsigned long>(code));
    return &record;
}

void removal_note_own_path(RemovalState &state) {
    char path[kPathCapacity];
    DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    // A cut path would defer the wrong things; treat it as unknown.
    if (length == 0 || length >= sizeof path) {
        state.own_path.clear();
        return;
    }
    state.own_path.assign(path, length);
}

bool removal_is_deferred(const RemovalState &state, std::string_view path) {
    return leads(path, std::string_view(state.own_path));
}

void removal_defer(RemovalState &state, std::string_view path) {
    if (!state.deferred.empty()) state.deferred += ' ';
    state.deferred += '"';
    state.deferred += path;
    state.deferred += '"';
}

SystemRecord *removal_delete_tree(RemovalState &state, const char *path, const char *pattern) {
    TreeWalk walk{state, widen(state.own_path.c_str()), widen(pattern), {}, 0};
    std::wstring start = widen(path);
    if (!start.empty() && start.back() == L'\\') start.pop_back();
    if (start.empty() || !walk_append(walk, start)) return nullptr;
    return delete_level(walk);
}

bool removal_protect(ProtectedDirectories &protect, const char *path, Protection protection) {
    if (!is_drive_path(path)) return false;
    char directory[kPathCapacity];
    DWORD length = GetFullPathNameA(path, sizeof directory, directory, nullptr);
    if (length == 0 || length >= sizeof directory) return false;
    if (length > 3 && directory[length - 1] == '\\') directory[length - 1] = '\0';
    FileIdentity identity{};
    DWORD error = ERROR_SUCCESS;
    if (!file_identity(directory, identity, error)) return false;
    (protection == Protection::folder_and_contents ? protect.contents : protect.themselves).push_back(identity);
    while (cut_to_parent(directory))
        if (file_identity(directory, identity, error)) protect.themselves.push_back(identity);
    return true;
}

bool removal_installation_path(std::string_view value, bool expand, const ProtectedDirectories &protect,
                               char (&path)[kPathCapacity]) {
    path[0] = '\0';
    if (value.size() >= kPathCapacity) return false;
    char expanded[kPathCapacity];
    if (expand) {
        std::string source(value);
        DWORD size = ExpandEnvironmentStringsA(source.c_str(), expanded, sizeof expanded);
        if (size == 0 || size > sizeof expanded) return false;
        value = std::string_view(expanded, strnlen(expanded, sizeof expanded));
    }
    char spelled[kPathCapacity];
    if (!spelled_path(value, spelled)) return false;
    // The system must read the path as it is written: a device name or any
    // other spelling it turns into something else is refused.
    char full[kPathCapacity];
    DWORD length = GetFullPathNameA(spelled, sizeof full, full, nullptr);
    if (length == 0 || length >= sizeof full || !same_text({full, length}, spelled)) return false;
    if (!protect.known || protected_path(spelled, protect)) return false;
    std::memcpy(path, spelled, std::strlen(spelled) + 1);
    return true;
}

HANDLE removal_copy_prepare(const RemovalState &state, char (&copy_path)[kPathCapacity], LPSECURITY_ATTRIBUTES inherit) {
    static constexpr std::string_view name = "uninstallkv.exe";
    DWORD length = GetTempPathA(sizeof copy_path, copy_path);
    if (length == 0 || length >= sizeof copy_path || name.size() >= sizeof copy_path - length) return INVALID_HANDLE_VALUE;
    std::memcpy(copy_path + length, name.data(), name.size());
    copy_path[length + name.size()] = '\0';
    if (state.own_path.empty() || !CopyFileA(state.own_path.c_str(), copy_path, FALSE)) return INVALID_HANDLE_VALUE;
    HANDLE copy = CreateFileA(copy_path, GENERIC_READ, FILE_SHARE_READ, inherit, OPEN_EXISTING,
                              FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (copy == INVALID_HANDLE_VALUE) return INVALID_HANDLE_VALUE;
    // Whatever was put there between the copy and the open is not started.
    HANDLE own = CreateFileA(state.own_path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                             OPEN_EXISTING, 0, nullptr);
    bool same = own != INVALID_HANDLE_VALUE;
    static char own_block[65536];
    static char copy_block[65536];
    while (same) {
        DWORD own_read = 0;
        DWORD copy_read = 0;
        same = ReadFile(own, own_block, sizeof own_block, &own_read, nullptr) &&
               ReadFile(copy, copy_block, sizeof copy_block, &copy_read, nullptr) && own_read == copy_read &&
               std::memcmp(own_block, copy_block, own_read) == 0;
        if (own_read == 0) break;
    }
    if (own != INVALID_HANDLE_VALUE) CloseHandle(own);
    if (!same || SetFilePointer(copy, 0, nullptr, FILE_BEGIN) != 0) {
        CloseHandle(copy);
        return INVALID_HANDLE_VALUE;
    }
    return copy;
}

std::string removal_copy_command(std::string_view copy_path, std::string_view deferred) {
    std::string line;
    line += '"';
    line += copy_path;
    line += "\" -u ";
    line += deferred;
    return line;
}

void removal_deletion_pass(std::span<const char *const> paths) {
    Sleep(1000);
    for (const char *path : paths) {
        if (path == nullptr || *path == '\0' || std::strlen(path) >= kPathCapacity) continue;
        DWORD attributes = GetFileAttributesA(path);
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
            RemoveDirectoryA(path);
        else
            DeleteFileA(path);
    }
}

namespace {

struct RootName {
    const char *long_name;
    const char *short_name;
    RootKey root;
};

constexpr RootName kRootNames[] = {
    {"HKEY_CLASSES_ROOT", "HKCR", RootKey::classes_root},
    {"HKEY_CURRENT_USER", "HKCU", RootKey::current_user},
    {"HKEY_LOCAL_MACHINE", "HKLM", RootKey::local_machine},
    {"HKEY_USERS", "HKU", RootKey::users},
    {"HKEY_CURRENT_CONFIG", "HKCC", RootKey::current_config},
};

} // namespace

bool registry_item_parse(std::string_view text, RegistryItem &item) {
    std::size_t cut = text.find('\\');
    if (cut == std::string_view::npos || cut + 1 >= text.size()) return false;
    std::string_view root = text.substr(0, cut);
    const RootName *match = nullptr;
    for (const auto &name : kRootNames)
        if (same_text(root, name.long_name) || same_text(root, name.short_name)) match = &name;
    if (match == nullptr) return false;
    std::string_view rest = text.substr(cut + 1);
    item.root = match->root;
    item.names_key = rest.back() == '\\';
    if (item.names_key) {
        item.key = rest.substr(0, rest.size() - 1);
        item.value.clear();
    } else {
        std::size_t last = rest.rfind('\\');
        if (last == std::string_view::npos) return false; // a value needs a key to hold it
        item.key = rest.substr(0, last);
        item.value = rest.substr(last + 1);
    }
    return !item.key.empty() && !item.key.ends_with('\\') && (item.names_key || !item.value.empty());
}
