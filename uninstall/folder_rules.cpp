// The protected folders, found through the system and the shell.
#include "uninstall/folder_rules.h"

#include <shlobj.h>

namespace {

// The shell folders that are never deleted, nor any directory holding one.
constexpr int kShellFolders[] = {
    CSIDL_PROFILE,           CSIDL_DESKTOPDIRECTORY,        CSIDL_PERSONAL,
    CSIDL_APPDATA,           CSIDL_LOCAL_APPDATA,           CSIDL_PROGRAM_FILES,
    CSIDL_PROGRAM_FILESX86,  CSIDL_PROGRAM_FILES_COMMON,    CSIDL_PROGRAM_FILES_COMMONX86,
    CSIDL_COMMON_APPDATA,    CSIDL_COMMON_DESKTOPDIRECTORY, CSIDL_COMMON_DOCUMENTS,
    CSIDL_STARTMENU,         CSIDL_COMMON_STARTMENU,        CSIDL_FAVORITES,
    CSIDL_MYPICTURES,        CSIDL_MYMUSIC,                 CSIDL_MYVIDEO,
};

// Folders a 32-bit program is not told of by the shell (the 64-bit Program
// Files), or that older systems have no folder number for; an unset variable
// stays as written, which is no drive path and protects nothing.
constexpr const wchar_t *kFolderVariables[] = {
    L"%ProgramW6432%", L"%CommonProgramW6432%", L"%PUBLIC%", L"%ALLUSERSPROFILE%", L"%USERPROFILE%", L"%SystemDrive%\\",
};

} // namespace

ProtectedDirectories folder_rules_protected() {
    ProtectedDirectories protect;
    wchar_t path[MAX_PATH];
    UINT length = GetSystemWindowsDirectoryW(path, MAX_PATH);
    protect.known = length > 0 && length < MAX_PATH &&
                    removal_protect(protect, {path, length}, Protection::folder_and_contents);
    length = GetWindowsDirectoryW(path, MAX_PATH);
    if (length > 0 && length < MAX_PATH) removal_protect(protect, {path, length}, Protection::folder);
    for (int folder : kShellFolders)
        if (SUCCEEDED(SHGetFolderPathW(nullptr, folder, nullptr, SHGFP_TYPE_CURRENT, path)))
            removal_protect(protect, path, Protection::folder);
    for (const wchar_t *variable : kFolderVariables) {
        DWORD size = ExpandEnvironmentStringsW(variable, path, MAX_PATH);
        if (size > 0 && size <= MAX_PATH) removal_protect(protect, path, Protection::folder);
    }
    DWORD temporary = GetTempPathW(MAX_PATH, path);
    if (temporary > 0 && temporary < MAX_PATH) removal_protect(protect, {path, temporary}, Protection::folder);
    return protect;
}

bool folder_rules_accept(std::wstring_view value, bool expand, std::wstring &path) {
    return removal_installation_path(value, expand, folder_rules_protected(), path);
}
