// The removal of the filter set, shared by the wizard and its "-u" pass: the
// tree deletion that defers the program's own file and the directories that
// hold it, the check of the recorded installation path, the registry item
// paths, the deletion pass copy and the deletion pass itself. Everything here
// builds on Windows and against the POSIX stand-ins alike.
#pragma once

#include "platform/win32.h"

#include <cstddef>
#include <span>
#include <string>
#include <string_view>

// Every path buffer holds MAX_PATH characters, terminator included; longer
// paths are skipped, never cut or overflowed.
constexpr std::size_t kPathCapacity = MAX_PATH;

// A failed Win32 or registry call, worded as the filters' system records: the
// system's text, then "(call) (code)" or "(call) (code) (detail)". The records
// are never shown; they only stop the operation that failed.
struct SystemRecord {
    DWORD code;
    char text[252];
};

// Fills the one static record; `detail` may be null.
SystemRecord *system_record(const char *call_name, DWORD code, const char *detail);

struct RemovalState {
    std::string own_path; // the program's full path; empty when it is unknown
    std::string deferred; // quoted paths separated by one space; empty until one is deferred
};

// Notes the program's own path; a path that does not fit MAX_PATH stays unknown.
void removal_note_own_path(RemovalState &state);

// The plain prefix test, without regard to case: the program file itself and
// every directory holding it, but also a sibling that merely starts alike.
bool removal_is_deferred(const RemovalState &state, std::string_view path);
void removal_defer(RemovalState &state, std::string_view path);

// Deletes the file or directory tree at `path`, searching directories with
// `pattern`; the first entry that cannot be deleted stops it and its record
// is returned. Deferred paths are left in place and added to the list.
SystemRecord *removal_delete_tree(RemovalState &state, const char *path, const char *pattern);

// Whether a recorded installation directory may be deleted: a full path
// ("X:\..." or "\\server\share\...") below a root, with no "." or ".."
// parts and no wildcard, that neither is, holds nor lies in the Windows
// directory.
bool removal_installation_path_usable(std::string_view path, std::string_view windows_directory);

// Copies the program to the temporary directory as "uninstallkv.exe",
// replacing any earlier copy; false when the path does not fit or the copy fails.
bool removal_copy_prepare(const RemovalState &state, char (&copy_path)[kPathCapacity]);

// The copy's command line: its path in quotes (a temporary directory with
// spaces must not start another program), " -u ", then the deferred list.
std::string removal_copy_command(std::string_view copy_path, std::string_view deferred);

// The "-u" pass: waits for the first run to end, then removes each path in
// order, directories with RemoveDirectoryA and the rest with DeleteFileA.
// Failures are ignored.
void removal_deletion_pass(std::span<const char *const> paths);

// The registry items the uninstaller removes, in order. A path ending in a
// backslash names a key; otherwise its last part names a value of the key before it.
enum class RootKey { classes_root, current_user, local_machine, users, current_config };

struct RegistryItem {
    RootKey root;
    std::string key;   // below the root, without a trailing backslash
    std::string value; // empty for a key item
    bool names_key;
};

bool registry_item_parse(std::string_view text, RegistryItem &item);

inline constexpr const char *kInstallationKeyItem = "HKLM\\Software\\Velmora\\Filters\\";

inline constexpr const char *kRegistryItems[] = {
    "HKLM\\Software\\Velmora\\Filters\\",
    "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\KVFilters\\HelpLink",
    "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\KVFilters\\Publisher",
    "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\KVFilters\\Contact",
    "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\KVFilters\\UninstallString",
    "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\KVFilters\\DisplayName",
    "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\KVFilters\\",
};
