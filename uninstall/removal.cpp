// Tree deletion with deferral, the installation path check, the deletion pass
// copy and the "-u" pass.
#include "uninstall/removal.h"

#include "platform/system_error_text.h"
#include "platform/win32_process.h"

#include <cstdio>
#include <cstring>

namespace {

SystemRecord record;

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool is_separator(char c) { return c == '\\' || c == '/'; }

bool same_text(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lower(a[i]) != lower(b[i])) return false;
    return true;
}

// Same path, ignoring case and the spelling of separators.
bool same_path(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (is_separator(a[i]) && is_separator(b[i])) continue;
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

// Whether `outer` is `inner` or one of the directories holding it.
bool path_holds(std::string_view outer, std::string_view inner) {
    if (outer.size() > inner.size() || !same_path(outer, inner.substr(0, outer.size()))) return false;
    return outer.size() == inner.size() || is_separator(inner[outer.size()]);
}

std::string_view without_trailing_separators(std::string_view path) {
    while (!path.empty() && is_separator(path.back())) path.remove_suffix(1);
    return path;
}

// The path being walked, in one fixed buffer that grows and is cut back per level.
struct TreeWalk {
    RemovalState &state;
    const char *pattern;
    char path[kPathCapacity];
    std::size_t length;
};

bool walk_append(TreeWalk &walk, std::string_view text) {
    if (text.size() >= kPathCapacity - walk.length) return false;
    std::memcpy(walk.path + walk.length, text.data(), text.size());
    walk.length += text.size();
    walk.path[walk.length] = '\0';
    return true;
}

void walk_cut(TreeWalk &walk, std::size_t length) {
    walk.length = length;
    walk.path[length] = '\0';
}

// The entry's own name: what follows the last backslash, slash or colon.
std::string_view entry_name(const WIN32_FIND_DATAA &entry) {
    std::string_view name(entry.cFileName, strnlen(entry.cFileName, sizeof entry.cFileName));
    std::size_t cut = name.find_last_of("\\/:");
    return cut == std::string_view::npos ? name : name.substr(cut + 1);
}

SystemRecord *delete_level(TreeWalk &walk);

SystemRecord *delete_directory_contents(TreeWalk &walk) {
    std::size_t base = walk.length;
    bool ends_in_backslash = base > 0 && walk.path[base - 1] == '\\';
    // A directory whose search pattern does not fit cannot be emptied: leave it.
    if (!walk_append(walk, ends_in_backslash ? "" : "\\") || !walk_append(walk, walk.pattern)) {
        walk_cut(walk, base);
        return nullptr;
    }
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA(walk.path, &entry);
    walk_cut(walk, base);
    if (search == INVALID_HANDLE_VALUE) return system_record("FindFirstFile", GetLastError(), walk.path);

    SystemRecord *failure = nullptr;
    for (;;) {
        std::string_view name = entry_name(entry);
        if (!name.empty() && name != "." && name != "..") {
            // An entry whose path would not fit is skipped; its directory then stays.
            if (walk_append(walk, ends_in_backslash ? "" : "\\") && walk_append(walk, name))
                failure = delete_level(walk);
            walk_cut(walk, base);
            if (failure != nullptr) break;
        }
        if (!FindNextFileA(search, &entry)) {
            DWORD code = GetLastError();
            if (code != ERROR_NO_MORE_FILES) failure = system_record("FindNextFile", code, walk.path);
            break;
        }
    }
    if (!FindClose(search) && failure == nullptr) failure = system_record("FindClose", GetLastError(), walk.path);
    return failure;
}

SystemRecord *delete_level(TreeWalk &walk) {
    WIN32_FIND_DATAA found;
    HANDLE probe = FindFirstFileA(walk.path, &found);
    if (probe == INVALID_HANDLE_VALUE) return nullptr;
    FindClose(probe);

    std::string_view path(walk.path, walk.length);
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        // A junction or directory link is removed itself, never followed: what it
        // points at is not part of the installation.
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
            if (SystemRecord *failure = delete_directory_contents(walk)) return failure;
        }
        if (removal_is_deferred(walk.state, path)) {
            removal_defer(walk.state, path);
            return nullptr;
        }
        if (!RemoveDirectoryA(walk.path)) return system_record("Remove Directory", GetLastError(), walk.path);
        return nullptr;
    }
    if (removal_is_deferred(walk.state, path)) {
        removal_defer(walk.state, path);
        return nullptr;
    }
    if (!DeleteFileA(walk.path)) return system_record("DeleteFile", GetLastError(), walk.path);
    return nullptr;
}

} // namespace

SystemRecord *system_record(const char *call_name, DWORD code, const char *detail) {
    record.code = code;
    system_error_text(record.text, sizeof record.text, call_name, code, detail);
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
    return !path.empty() && path.size() <= state.own_path.size() &&
           same_text(path, std::string_view(state.own_path).substr(0, path.size()));
}

void removal_defer(RemovalState &state, std::string_view path) {
    if (!state.deferred.empty()) state.deferred += ' ';
    state.deferred += '"';
    state.deferred += path;
    state.deferred += '"';
}

SystemRecord *removal_delete_tree(RemovalState &state, const char *path, const char *pattern) {
    TreeWalk walk{state, pattern, {}, 0};
    std::string_view start(path);
    if (!start.empty() && start.back() == '\\') start.remove_suffix(1);
    if (start.empty() || !walk_append(walk, start)) return nullptr;
    return delete_level(walk);
}

bool removal_installation_path_usable(std::string_view path, std::string_view windows_directory) {
    path = without_trailing_separators(path);
    if (path.empty() || path.find_first_of("*?\"<>|") != std::string_view::npos) return false;
    for (char c : path)
        if (static_cast<unsigned char>(c) < 0x20) return false;

    // The root: a drive ("C:\") or a share ("\\server\share\"); the parts after it.
    std::string_view parts;
    if (path.size() >= 3 && ((lower(path[0]) >= 'a' && lower(path[0]) <= 'z')) && path[1] == ':' &&
        is_separator(path[2])) {
        parts = path.substr(3);
    } else if (path.size() >= 2 && is_separator(path[0]) && is_separator(path[1])) {
        std::string_view rest = path.substr(2);
        for (int root_parts = 0; root_parts < 2; ++root_parts) {
            std::size_t cut = rest.find_first_of("\\/");
            if (cut == 0 || rest.empty()) return false;
            rest = cut == std::string_view::npos ? std::string_view() : rest.substr(cut + 1);
        }
        parts = rest;
    } else {
        return false; // relative, or rooted on whatever drive is current
    }
    if (parts.empty()) return false;
    while (!parts.empty()) {
        std::size_t cut = parts.find_first_of("\\/");
        std::string_view part = parts.substr(0, cut);
        if (part.empty() || part == "." || part == "..") return false;
        parts = cut == std::string_view::npos ? std::string_view() : parts.substr(cut + 1);
    }

    std::string_view windows = without_trailing_separators(windows_directory);
    if (!windows.empty() && (path_holds(path, windows) || path_holds(windows, path))) return false;
    return true;
}

bool removal_copy_prepare(const RemovalState &state, char (&copy_path)[kPathCapacity]) {
    static constexpr std::string_view name = "uninstallkv.exe";
    DWORD length = GetTempPathA(sizeof copy_path, copy_path);
    if (length == 0 || length >= sizeof copy_path || name.size() >= sizeof copy_path - length) return false;
    std::memcpy(copy_path + length, name.data(), name.size());
    copy_path[length + name.size()] = '\0';
    return !state.own_path.empty() && CopyFileA(state.own_path.c_str(), copy_path, FALSE);
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
