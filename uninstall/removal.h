// The removal of the filter set, shared by the wizard and its "-u" pass: the
// tree deletion that defers the program's own file and the directories that
// hold it, the check of the recorded installation path, the registry item
// paths, the deletion pass copy and the deletion pass itself. Everything here
// builds on Windows and against the POSIX stand-ins alike.
#pragma once

#include "platform/win32.h"
#include "platform/win32_process.h"

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

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
// is returned. Deferred paths are left in place and added to the list. The
// walk spells names in wide characters, so that a name the ANSI code page
// cannot hold is deleted like any other; it never follows a junction or
// link: one found in the tree, or put in place of a directory while the walk
// runs, is removed itself.
SystemRecord *removal_delete_tree(RemovalState &state, const char *path, const char *pattern);

// What stays the same of a directory whatever the spelling of its path: its
// volume's serial number and its index on that volume.
struct FileIdentity {
    DWORD volume;
    DWORD index_high;
    DWORD index_low;
    bool operator==(const FileIdentity &) const = default;
};

// The directories that are never deleted, by identity. Until `known` is set
// (the Windows directory has been identified) every path is refused.
struct ProtectedDirectories {
    std::vector<FileIdentity> themselves; // refused, as is every directory holding one
    std::vector<FileIdentity> contents;   // refused with everything inside them
    bool known = false;
};

enum class Protection { folder, folder_and_contents };

// Protects the directory at drive path `path` and every directory that holds
// it, up to the root; with folder_and_contents everything inside it as well.
// False when it is no drive path or cannot be identified (nothing is then added).
bool removal_protect(ProtectedDirectories &protect, const char *path, Protection protection);

// Turns the recorded installation directory into the one path that is then
// deleted (the value of a REG_EXPAND_SZ is `expand`ed first), or refuses it.
// Accepted: a drive path "X:\part\..." below the root, whatever its separators
// ("/" or "\", repeated or trailing), that the system reads as written and
// that is neither a protected directory, nor holds one, nor lies in one with
// its contents; a directory that does not exist is accepted (there is nothing
// to delete). Refused: device and namespace paths ("\\.\", "\\?\"), shares,
// relative and drive-relative paths, a part ending in a dot or a space (the
// system would drop it and read another directory), wildcards, control and
// other characters no name may hold, and what cannot be identified.
bool removal_installation_path(std::string_view value, bool expand, const ProtectedDirectories &protect,
                               char (&path)[kPathCapacity]);

// Copies the program to the temporary directory as "uninstallkv.exe",
// replacing any earlier copy, and opens the copy for reading, deleted when
// its last handle closes, shared for reading alone so that nothing can write,
// rename or delete it while the handle is held; its bytes are then compared
// with the program's own through that handle. `inherit` makes the handle
// inheritable by the started copy. INVALID_HANDLE_VALUE when any step fails
// (the copy must then not be started).
HANDLE removal_copy_prepare(const RemovalState &state, char (&copy_path)[kPathCapacity], LPSECURITY_ATTRIBUTES inherit);

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
