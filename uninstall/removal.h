// The removal of the filter set, shared by the wizard, its silent form and
// the "-u" pass: the tree deletion that defers the program's own file and the
// directories that hold it, the check of the recorded installation path, the
// registry item paths, the deletion pass copy and the deletion pass itself.
// Every path is wide from end to end, so that a folder name the ANSI code page
// cannot spell is removed like any other. Everything here builds on Windows
// and against the POSIX stand-ins alike.
#pragma once

#include "platform/win32.h"
#include "platform/win32_process.h"

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// A failed Win32 or registry call, worded as the filters' system records: the
// system's text, then "(call) (code)" or "(call) (code) (detail)". The records
// are never shown; they say what the last failure was.
struct SystemRecord {
    DWORD code;
    char text[252];
};

// Fills the one static record; `detail` may be null.
SystemRecord *system_record(const char *call_name, DWORD code, const char *detail);

// What stays the same of a file or directory whatever the spelling of its
// path: its volume's serial number and its index on that volume.
struct FileIdentity {
    DWORD volume;
    DWORD index_high;
    DWORD index_low;
    bool operator==(const FileIdentity &) const = default;
};

struct RemovalState {
    std::wstring own_path;                  // the program's full path; empty when it is unknown
    HANDLE own_file = INVALID_HANDLE_VALUE; // the running file, opened at start and shared for reading alone
    std::vector<FileIdentity> own;          // the program file, then every directory that holds it
    std::wstring deferred;                  // quoted paths separated by one space; empty until one is deferred
};

// Notes the running program: its path, a handle to its file that nothing can
// write, rename or delete while it is held, and the identities of the file and
// of each directory holding it. The copy is later made from that handle.
void removal_note_own_path(RemovalState &state);
// The same for the program file at `path` (the tests name one).
bool removal_note_program(RemovalState &state, std::wstring_view path);

void removal_defer(RemovalState &state, std::wstring_view path);

// How far a removal got: everything gone (or left to the "-u" pass), the rest
// scheduled for deletion at the next restart, or something still there.
enum class RemovalResult { complete, at_restart, incomplete };

// The path the wide calls take for `path`: a drive path gets the "\\?\"
// prefix, so that names ending in a dot or a space are read as written and
// no length limit applies.
std::wstring removal_long_path(std::wstring_view path);

// Deletes the file or directory tree at `path`, searching directories with
// `pattern`. Read-only entries are made writable first; an entry that cannot
// be deleted is scheduled for deletion at restart and the walk goes on. The
// program's own file and the directories that hold it, known by identity,
// are left in place and added to the deferred list. It never follows a
// junction or link: one found in the tree, or put in place of a directory
// while the walk runs, is removed itself.
RemovalResult removal_delete_tree(RemovalState &state, std::wstring_view path, std::wstring_view pattern);

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
bool removal_protect(ProtectedDirectories &protect, std::wstring_view path, Protection protection);

// Turns a recorded or chosen installation directory into the one path that
// is then deleted (the value of a REG_EXPAND_SZ is `expand`ed first), or
// refuses it. Accepted: a drive path "X:\part\..." below the root, whatever
// its separators ("/" or "\", repeated or trailing), that the system reads as
// written and that is neither a protected directory, nor holds one, nor lies
// in one with its contents; a directory that does not exist is accepted
// (there is nothing to delete). Refused: device and namespace paths ("\\.\",
// "\\?\"), shares, relative and drive-relative paths, a part ending in a dot
// or a space (the system would drop it and read another directory),
// wildcards, control and other characters no name may hold, and what cannot
// be identified. Setup asks the same question before it installs.
bool removal_installation_path(std::wstring_view value, bool expand, const ProtectedDirectories &protect,
                               std::wstring &path);

// Whether two existing paths name the same directory.
bool removal_same_directory(std::wstring_view a, std::wstring_view b);

// The deletion pass copy: the program's bytes, read through the handle noted
// at start, in a new directory of its own with an unpredictable name under
// the temporary directory. The file is held open for reading, shared for
// reading alone and deleted when its last handle closes, so that nothing can
// write, rename or delete it while the copy runs; the directory is held open,
// deleted when its last handle closes and empty by then.
struct DeletionCopy {
    std::wstring path;
    HANDLE file = INVALID_HANDLE_VALUE;
    HANDLE directory = INVALID_HANDLE_VALUE;
};

// Makes the copy. `inherit` makes both handles inheritable by the started
// copy; `directory_security` is given to the new directory (null: the
// default). False, with nothing left behind, when any step fails, when the
// temporary directory is a link, or when the copy's bytes differ from the
// program's: the copy must then not be started.
bool removal_copy_prepare(const RemovalState &state, LPSECURITY_ATTRIBUTES inherit,
                          LPSECURITY_ATTRIBUTES directory_security, DeletionCopy &copy);
void removal_copy_close(DeletionCopy &copy);

// The copy's command line: its path in quotes (a temporary directory with
// spaces must not start another program), " -u ", then the deferred list.
std::wstring removal_copy_command(std::wstring_view copy_path, std::wstring_view deferred);

// The "-u" pass, once the first run has ended: removes each path in order,
// directories (emptied by then) and files alike, read-only ones included; what
// cannot be removed now is scheduled for deletion at restart.
void removal_deletion_pass(std::span<const std::wstring> paths);

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
// Setup creates it to hold the installation key; it goes once it is empty.
inline constexpr const char *kVendorKeyItem = "HKLM\\Software\\Velmora\\";

inline constexpr const char *kRegistryItems[] = {
    "HKLM\\Software\\Velmora\\Filters\\",
    "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\KVFilters\\HelpLink",
    "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\KVFilters\\Publisher",
    "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\KVFilters\\Contact",
    "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\KVFilters\\UninstallString",
    "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\KVFilters\\DisplayName",
    "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\KVFilters\\",
};
