// Tree deletion with deferral by identity, the installation path check, the
// deletion pass copy and the "-u" pass.
#include "uninstall/removal.h"

#include "platform/system_error_text.h"
#include "platform/win32_process.h"

#include <cstdio>
#include <cstring>
#include <cwchar>
#include <random>

namespace {

SystemRecord record;

// The longest path the wide calls take.
constexpr std::size_t kMaxPath = 32767;

template <typename Char> Char lower(Char c) { return c >= 'A' && c <= 'Z' ? static_cast<Char>(c - 'A' + 'a') : c; }

template <typename Char> bool is_separator(Char c) { return c == '\\' || c == '/'; }

// Whether `part` is, without regard to case, where `whole` starts.
template <typename Char> bool leads(std::basic_string_view<Char> part, std::basic_string_view<Char> whole) {
    if (part.empty() || part.size() > whole.size()) return false;
    for (std::size_t i = 0; i < part.size(); ++i)
        if (lower(part[i]) != lower(whole[i])) return false;
    return true;
}

template <typename Char> bool same_text(std::basic_string_view<Char> a, std::basic_string_view<Char> b) {
    return a.size() == b.size() && (a.empty() || leads(a, b));
}

// The ANSI spelling of a path, for records.
std::string narrow(std::wstring_view wide) {
    int size = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
    if (size <= 0) return {};
    std::string text(static_cast<std::size_t>(size), '\0');
    size = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), text.data(), size, nullptr,
                               nullptr);
    text.resize(size > 0 ? static_cast<std::size_t>(size) : 0);
    return text;
}

SystemRecord *path_record(const char *call_name, std::wstring_view path) {
    DWORD code = GetLastError();
    return system_record(call_name, code, narrow(path).c_str());
}

template <typename Char> bool is_drive_path(std::basic_string_view<Char> text) {
    return text.size() >= 3 && lower(text[0]) >= 'a' && lower(text[0]) <= 'z' && text[1] == ':' &&
           is_separator(text[2]);
}

bool listed(const std::vector<FileIdentity> &identities, const FileIdentity &identity) {
    for (const FileIdentity &listed_identity : identities)
        if (listed_identity == identity) return true;
    return false;
}

RemovalResult worse(RemovalResult a, RemovalResult b) { return a > b ? a : b; }

bool handle_identity(HANDLE file, FileIdentity &identity, DWORD &attributes) {
    BY_HANDLE_FILE_INFORMATION information{};
    if (!GetFileInformationByHandle(file, &information)) return false;
    identity = {information.dwVolumeSerialNumber, information.nFileIndexHigh, information.nFileIndexLow};
    attributes = information.dwFileAttributes;
    return true;
}

// The identity of what `path` names: the link itself with `link_itself`,
// otherwise what the path leads to.
bool path_identity(std::wstring_view path, bool link_itself, FileIdentity &identity, DWORD &attributes,
                   DWORD &error) {
    std::wstring full = removal_long_path(path);
    HANDLE file = CreateFileW(full.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | (link_itself ? FILE_FLAG_OPEN_REPARSE_POINT : 0),
                              nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        error = GetLastError();
        return false;
    }
    bool known = handle_identity(file, identity, attributes);
    error = known ? ERROR_SUCCESS : GetLastError();
    CloseHandle(file);
    return known;
}

// Cuts a path back to the directory that holds it, a drive's root the last;
// false when no directory is left.
bool cut_to_parent(std::wstring &path) {
    std::size_t prefix = path.starts_with(L"\\\\?\\") ? 4 : 0;
    std::size_t root = is_drive_path(std::wstring_view(path).substr(prefix)) ? prefix + 3 : 1;
    std::size_t cut = path.find_last_of(L"\\/");
    if (path.size() <= root || cut == std::wstring::npos) return false;
    path.resize(cut < root ? root : cut);
    return true;
}

// Makes a read-only entry deletable. A link's target is never touched: its
// attributes stay as they are.
void clear_read_only(const std::wstring &path, DWORD attributes) {
    if ((attributes & FILE_ATTRIBUTE_READONLY) == 0 || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) return;
    DWORD kept = attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE);
    SetFileAttributesW(path.c_str(), kept != 0 ? kept : FILE_ATTRIBUTE_NORMAL);
}

// Removes one file or emptied directory, read-only or not; what cannot go now
// is scheduled for deletion at the next restart.
RemovalResult remove_entry(const std::wstring &path, DWORD attributes) {
    bool directory = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    clear_read_only(path, attributes);
    if (directory ? RemoveDirectoryW(path.c_str()) : DeleteFileW(path.c_str())) return RemovalResult::complete;
    path_record(directory ? "Remove Directory" : "DeleteFile", path);
    if (MoveFileExW(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT)) return RemovalResult::at_restart;
    return RemovalResult::incomplete;
}

// The path being walked, grown and cut back per level.
struct TreeWalk {
    RemovalState &state;
    std::wstring pattern;
    std::wstring path;
    RemovalResult result = RemovalResult::complete;
};

// The entry's own name: what follows the last backslash, slash or colon.
std::wstring_view entry_name(const WIN32_FIND_DATAW &entry) {
    std::wstring_view name(entry.cFileName, wcsnlen(entry.cFileName, MAX_PATH));
    std::size_t cut = name.find_last_of(L"\\/:");
    return cut == std::wstring_view::npos ? name : name.substr(cut + 1);
}

enum class Opened { directory, link, failed };

// Opens the directory about to be searched as itself, never through a link,
// and shares it for reading and writing only: while the handle is held it
// cannot be renamed or deleted, so no link can take its place. A link found
// there, by the handle or by the path, is reported instead.
Opened directory_open(const std::wstring &path, HANDLE &held, FileIdentity &identity) {
    held = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                       FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (held == INVALID_HANDLE_VALUE) return Opened::failed;
    DWORD by_handle = 0;
    DWORD by_path = GetFileAttributesW(path.c_str());
    if (!handle_identity(held, identity, by_handle) || by_path == INVALID_FILE_ATTRIBUTES) {
        CloseHandle(held);
        return Opened::failed;
    }
    if (((by_handle | by_path) & FILE_ATTRIBUTE_REPARSE_POINT) != 0 ||
        (by_handle & by_path & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        CloseHandle(held);
        return Opened::link;
    }
    return Opened::directory;
}

void delete_level(TreeWalk &walk);

void delete_directory_contents(TreeWalk &walk) {
    std::size_t base = walk.path.size();
    std::wstring_view separator = base > 0 && walk.path[base - 1] == L'\\' ? L"" : L"\\";
    walk.path.append(separator).append(walk.pattern);
    WIN32_FIND_DATAW entry;
    HANDLE search = FindFirstFileW(walk.path.c_str(), &entry);
    walk.path.resize(base);
    if (search == INVALID_HANDLE_VALUE) {
        path_record("FindFirstFile", walk.path);
        return; // the directory then stays, and its removal says so
    }
    for (;;) {
        std::wstring_view name = entry_name(entry);
        if (!name.empty() && name != L"." && name != L"..") {
            walk.path.append(separator).append(name);
            delete_level(walk);
            walk.path.resize(base);
        }
        if (!FindNextFileW(search, &entry)) {
            DWORD code = GetLastError();
            if (code != ERROR_NO_MORE_FILES) system_record("FindNextFile", code, narrow(walk.path).c_str());
            break;
        }
    }
    FindClose(search);
}

void delete_level(TreeWalk &walk) {
    if (walk.path.size() >= kMaxPath) {
        walk.result = RemovalResult::incomplete;
        return;
    }
    WIN32_FIND_DATAW found;
    HANDLE probe = FindFirstFileW(walk.path.c_str(), &found);
    if (probe == INVALID_HANDLE_VALUE) return;
    FindClose(probe);
    DWORD attributes = found.dwFileAttributes;

    FileIdentity identity{};
    bool deferred = false;
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        // A junction or directory link is removed itself, never followed: what it
        // points at is not part of the installation.
        if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
            HANDLE held = INVALID_HANDLE_VALUE;
            Opened opened = directory_open(walk.path, held, identity);
            if (opened == Opened::directory) {
                deferred = listed(walk.state.own, identity);
                delete_directory_contents(walk);
                CloseHandle(held);
            } else if (opened == Opened::link) {
                attributes |= FILE_ATTRIBUTE_REPARSE_POINT;
            }
        }
    } else {
        DWORD own_attributes = 0;
        DWORD error = ERROR_SUCCESS;
        deferred = path_identity(walk.path, true, identity, own_attributes, error) && listed(walk.state.own, identity);
    }
    if (deferred) {
        removal_defer(walk.state, walk.path);
        return;
    }
    walk.result = worse(walk.result, remove_entry(walk.path, attributes));
}

// "X:\" then the parts of `text` joined by single backslashes, or false for
// anything but a drive path below the root whose parts are plain names.
bool spelled_path(std::wstring_view text, std::wstring &path) {
    if (!is_drive_path(text)) return false;
    std::wstring spelled{static_cast<wchar_t>(text[0] >= 'a' ? text[0] - 'a' + 'A' : text[0]), L':'};
    std::size_t parts = 0;
    std::size_t at = 3;
    while (at < text.size()) {
        std::size_t end = at;
        while (end < text.size() && !is_separator(text[end])) ++end;
        std::wstring_view part = text.substr(at, end - at);
        at = end + 1;
        if (part.empty()) continue;
        if (part.back() == L'.' || part.back() == L' ') return false;
        for (wchar_t c : part)
            if (c < 0x20 || std::wstring_view(L"<>:\"|?*").find(c) != std::wstring_view::npos) return false;
        spelled += L'\\';
        spelled += part;
        ++parts;
    }
    if (parts == 0 || spelled.size() >= kMaxPath - 4) return false;
    path = std::move(spelled);
    return true;
}

// Whether the directory at `path` (spelled as above) may not be deleted.
bool protected_path(const std::wstring &path, const ProtectedDirectories &protect) {
    FileIdentity identity{};
    DWORD attributes = 0;
    DWORD error = ERROR_SUCCESS;
    if (path_identity(path, false, identity, attributes, error)) {
        if (listed(protect.themselves, identity) || listed(protect.contents, identity)) return true;
    } else if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND) {
        return true; // what cannot be identified is not deleted
    }
    std::wstring holder = path;
    while (cut_to_parent(holder))
        if (path_identity(holder, false, identity, attributes, error) && listed(protect.contents, identity)) return true;
    return false;
}

// The full path of a wide call that fills a buffer and returns the size it needs.
template <typename Call> std::wstring grown(Call call) {
    std::wstring text(MAX_PATH, L'\0');
    for (int tries = 0; tries < 4; ++tries) {
        DWORD length = call(static_cast<DWORD>(text.size()), text.data());
        if (length == 0) return {};
        if (length < text.size()) {
            text.resize(length);
            return text;
        }
        if (length > kMaxPath) return {};
        text.resize(length + 1);
    }
    return {};
}

bool same_bytes(HANDLE a, HANDLE b) {
    static char a_block[65536];
    static char b_block[65536];
    if (SetFilePointer(a, 0, nullptr, FILE_BEGIN) != 0 || SetFilePointer(b, 0, nullptr, FILE_BEGIN) != 0) return false;
    for (;;) {
        DWORD a_read = 0;
        DWORD b_read = 0;
        if (!ReadFile(a, a_block, sizeof a_block, &a_read, nullptr) ||
            !ReadFile(b, b_block, sizeof b_block, &b_read, nullptr) || a_read != b_read ||
            std::memcmp(a_block, b_block, a_read) != 0)
            return false;
        if (a_read == 0) return true;
    }
}

bool copy_bytes(HANDLE from, HANDLE to) {
    static char block[65536];
    if (SetFilePointer(from, 0, nullptr, FILE_BEGIN) != 0) return false;
    for (;;) {
        DWORD got = 0;
        DWORD put = 0;
        if (!ReadFile(from, block, sizeof block, &got, nullptr)) return false;
        if (got == 0) return true;
        if (!WriteFile(to, block, got, &put, nullptr) || put != got) return false;
    }
}

// A directory opened as itself, refused when it is a link or no directory.
HANDLE plain_directory_open(const std::wstring &path, DWORD access, DWORD flags, LPSECURITY_ATTRIBUTES inherit) {
    HANDLE directory = CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, inherit, OPEN_EXISTING,
                                   FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT | flags, nullptr);
    if (directory == INVALID_HANDLE_VALUE) return directory;
    FileIdentity identity{};
    DWORD attributes = 0;
    if (!handle_identity(directory, identity, attributes) || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 ||
        (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        CloseHandle(directory);
        return INVALID_HANDLE_VALUE;
    }
    return directory;
}

} // namespace

SystemRecord *system_record(const char *call_name, DWORD code, const char *detail) {
    record.code = code;
    system_error_text(record.text, sizeof record.text, call_name, code, detail);
    return &record;
}

std::wstring removal_long_path(std::wstring_view path) {
    if (!is_drive_path(path)) return std::wstring(path);
    std::wstring full = L"\\\\?\\";
    full += path;
    return full;
}

bool removal_note_program(RemovalState &state, std::wstring_view path) {
    state.own_path = path;
    state.own.clear();
    std::wstring full = removal_long_path(path);
    state.own_file = CreateFileW(full.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    FileIdentity identity{};
    DWORD attributes = 0;
    if (state.own_file == INVALID_HANDLE_VALUE || !handle_identity(state.own_file, identity, attributes)) return false;
    state.own.push_back(identity);
    // The file held without sharing deletion, no directory above it can be renamed.
    DWORD error = ERROR_SUCCESS;
    while (cut_to_parent(full))
        if (path_identity(full, false, identity, attributes, error)) state.own.push_back(identity);
    return true;
}

void removal_note_own_path(RemovalState &state) {
    std::wstring path = grown([](DWORD size, LPWSTR buffer) {
        DWORD length = GetModuleFileNameW(nullptr, buffer, size);
        return length >= size ? size + MAX_PATH : length;
    });
    if (path.empty() || !removal_note_program(state, path)) state.own_path.clear();
}

void removal_defer(RemovalState &state, std::wstring_view path) {
    if (!state.deferred.empty()) state.deferred += L' ';
    state.deferred += L'"';
    state.deferred += path;
    state.deferred += L'"';
}

RemovalResult removal_delete_tree(RemovalState &state, std::wstring_view path, std::wstring_view pattern) {
    TreeWalk walk{state, std::wstring(pattern), removal_long_path(path)};
    while (!walk.path.empty() && is_separator(walk.path.back())) walk.path.pop_back();
    if (walk.path.empty()) return RemovalResult::complete;
    delete_level(walk);
    return walk.result;
}

bool removal_protect(ProtectedDirectories &protect, std::wstring_view path, Protection protection) {
    if (!is_drive_path(path)) return false;
    std::wstring source(path);
    std::wstring directory = grown([&source](DWORD size, LPWSTR buffer) {
        return GetFullPathNameW(source.c_str(), size, buffer, nullptr);
    });
    if (directory.size() > 3 && directory.back() == L'\\') directory.pop_back();
    FileIdentity identity{};
    DWORD attributes = 0;
    DWORD error = ERROR_SUCCESS;
    if (directory.empty() || !path_identity(directory, false, identity, attributes, error)) return false;
    (protection == Protection::folder_and_contents ? protect.contents : protect.themselves).push_back(identity);
    while (cut_to_parent(directory))
        if (path_identity(directory, false, identity, attributes, error)) protect.themselves.push_back(identity);
    return true;
}

bool removal_installation_path(std::wstring_view value, bool expand, const ProtectedDirectories &protect,
                               std::wstring &path) {
    path.clear();
    if (value.size() >= kMaxPath) return false;
    std::wstring expanded(value);
    if (expand) {
        std::wstring source(value);
        expanded = grown([&source](DWORD size, LPWSTR buffer) {
            DWORD needed = ExpandEnvironmentStringsW(source.c_str(), buffer, size);
            return needed == 0 ? 0 : needed - 1 < size ? needed - 1 : needed;
        });
        if (expanded.empty()) return false;
    }
    std::wstring spelled;
    if (!spelled_path(expanded, spelled)) return false;
    // The system must read the path as it is written: a device name or any
    // other spelling it turns into something else is refused.
    std::wstring full = grown([&spelled](DWORD size, LPWSTR buffer) {
        return GetFullPathNameW(spelled.c_str(), size, buffer, nullptr);
    });
    if (full.empty() || !same_text<wchar_t>(full, spelled)) return false;
    if (!protect.known || protected_path(spelled, protect)) return false;
    path = std::move(spelled);
    return true;
}

bool removal_same_directory(std::wstring_view a, std::wstring_view b) {
    FileIdentity first{};
    FileIdentity second{};
    DWORD attributes = 0;
    DWORD error = ERROR_SUCCESS;
    return path_identity(a, false, first, attributes, error) && path_identity(b, false, second, attributes, error) &&
           first == second;
}

bool removal_copy_prepare(const RemovalState &state, LPSECURITY_ATTRIBUTES inherit,
                          LPSECURITY_ATTRIBUTES directory_security, DeletionCopy &copy) {
    copy = {};
    if (state.own_file == INVALID_HANDLE_VALUE) return false;
    std::wstring temporary = grown([](DWORD size, LPWSTR buffer) { return GetTempPathW(size, buffer); });
    if (temporary.empty()) return false;
    while (!temporary.empty() && is_separator(temporary.back())) temporary.pop_back();
    // The temporary directory belongs to the user: it must be a directory, not a link elsewhere.
    HANDLE parent = plain_directory_open(removal_long_path(temporary), 0, 0, nullptr);
    if (parent == INVALID_HANDLE_VALUE) return false;
    CloseHandle(parent);

    // A name nobody can guess, made new: whatever is planted at a name is never used.
    std::random_device random;
    std::wstring directory;
    for (int tries = 0; tries < 16 && directory.empty(); ++tries) {
        wchar_t name[32];
        std::swprintf(name, 32, L"uninstallkv-%08x%08x", random(), random());
        std::wstring candidate = temporary + L'\\' + name;
        if (CreateDirectoryW(removal_long_path(candidate).c_str(), directory_security))
            directory = std::move(candidate);
        else if (GetLastError() != ERROR_ALREADY_EXISTS)
            return false;
    }
    if (directory.empty()) return false;
    copy.directory = plain_directory_open(removal_long_path(directory), DELETE | FILE_READ_ATTRIBUTES,
                                          FILE_FLAG_DELETE_ON_CLOSE, inherit);
    if (copy.directory == INVALID_HANDLE_VALUE) {
        RemoveDirectoryW(removal_long_path(directory).c_str());
        return false;
    }
    copy.path = directory + L"\\uninstallkv.exe";
    std::wstring file = removal_long_path(copy.path);
    HANDLE written = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    bool made = written != INVALID_HANDLE_VALUE && copy_bytes(state.own_file, written);
    if (written != INVALID_HANDLE_VALUE) CloseHandle(written);
    if (made)
        copy.file = CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, inherit, OPEN_EXISTING,
                                FILE_FLAG_DELETE_ON_CLOSE | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    // Whatever was put there between the write and the open is not started.
    if (copy.file == INVALID_HANDLE_VALUE || !same_bytes(state.own_file, copy.file) ||
        SetFilePointer(copy.file, 0, nullptr, FILE_BEGIN) != 0) {
        if (written != INVALID_HANDLE_VALUE && copy.file == INVALID_HANDLE_VALUE) DeleteFileW(file.c_str());
        removal_copy_close(copy);
        return false;
    }
    return true;
}

void removal_copy_close(DeletionCopy &copy) {
    if (copy.file != INVALID_HANDLE_VALUE) CloseHandle(copy.file);
    if (copy.directory != INVALID_HANDLE_VALUE) CloseHandle(copy.directory);
    copy.file = INVALID_HANDLE_VALUE;
    copy.directory = INVALID_HANDLE_VALUE;
}

std::wstring removal_copy_command(std::wstring_view copy_path, std::wstring_view deferred) {
    std::wstring line;
    line += L'"';
    line += copy_path;
    line += L"\" -u ";
    line += deferred;
    return line;
}

void removal_deletion_pass(std::span<const std::wstring> paths) {
    // The paths are those of the walk, each directory after what it holds.
    // Opened outermost first, each as itself and shared for reading and
    // writing alone, they hold the way to the next: nothing can rename them or
    // put a link in their place once the first run has ended, and each is
    // deleted through its own handle. Nothing is followed below a link.
    std::vector<std::wstring> full;
    for (const std::wstring &path : paths) full.push_back(path.size() < kMaxPath ? removal_long_path(path) : L"");
    std::vector<HANDLE> held(full.size(), INVALID_HANDLE_VALUE);
    std::vector<DWORD> attributes(full.size(), INVALID_FILE_ATTRIBUTES);
    std::vector<std::wstring> links;
    for (std::size_t i = full.size(); i-- > 0;) {
        bool below_link = false;
        for (const std::wstring &link : links)
            below_link = below_link || (full[i].size() > link.size() && leads<wchar_t>(link + L'\\', full[i]));
        if (full[i].empty() || below_link) {
            full[i].clear();
            continue;
        }
        held[i] = CreateFileW(full[i].c_str(), DELETE | FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
        FileIdentity identity{};
        if (held[i] != INVALID_HANDLE_VALUE && !handle_identity(held[i], identity, attributes[i])) {
            CloseHandle(held[i]);
            held[i] = INVALID_HANDLE_VALUE;
        }
        if ((attributes[i] & FILE_ATTRIBUTE_REPARSE_POINT) != 0 && attributes[i] != INVALID_FILE_ATTRIBUTES)
            links.push_back(full[i]);
    }
    for (std::size_t i = 0; i < full.size(); ++i) {
        if (full[i].empty()) continue;
        if (held[i] == INVALID_HANDLE_VALUE) {
            // Held open by another program: what can go is scheduled for restart.
            DWORD found = GetFileAttributesW(full[i].c_str());
            if (found != INVALID_FILE_ATTRIBUTES) remove_entry(full[i], found);
            continue;
        }
        clear_read_only(full[i], attributes[i]);
        FILE_DISPOSITION_INFO disposition{TRUE};
        bool deleted = SetFileInformationByHandle(held[i], FileDispositionInfo, &disposition, sizeof disposition) != 0;
        if (!deleted) path_record("SetFileInformationByHandle", full[i]);
        CloseHandle(held[i]);
        if (!deleted) MoveFileExW(full[i].c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
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
        if (same_text<char>(root, name.long_name) || same_text<char>(root, name.short_name)) match = &name;
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
