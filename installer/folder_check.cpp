// The setup program's plugin "FolderCheck": setup asks, before it installs,
// the same question the uninstaller asks before it deletes, through the same
// code, so that setup never installs where removal would refuse to delete.
//   FolderCheck::check <folder> <recorded installation folder or "">
// pushes the folder as the set would own it, then one word on top:
//   "ok"        - the folder may hold the set;
//   "refused"   - no folder the set may own (a system or known folder, one
//                 that holds one, a relative, device or otherwise odd spelling);
//   "elsewhere" - another folder is still registered as the installation.
#include "uninstall/folder_rules.h"

#include <string>

namespace {

// The plugin interface of the setup program: a stack of strings, each in a
// block of `string_size` characters allocated with GlobalAlloc.
struct StackEntry {
    StackEntry *next;
    wchar_t text[1];
};

std::wstring pop(StackEntry **top) {
    if (top == nullptr || *top == nullptr) return {};
    StackEntry *entry = *top;
    std::wstring text(entry->text);
    *top = entry->next;
    GlobalFree(entry);
    return text;
}

void push(StackEntry **top, int string_size, const std::wstring &text) {
    if (top == nullptr || string_size <= 0) return;
    auto *entry = static_cast<StackEntry *>(
        GlobalAlloc(GPTR, sizeof(StackEntry) + static_cast<std::size_t>(string_size) * sizeof(wchar_t)));
    if (entry == nullptr) return;
    lstrcpynW(entry->text, text.c_str(), string_size);
    entry->next = *top;
    *top = entry;
}

} // namespace

extern "C" __declspec(dllexport) void __cdecl check(HWND, int string_size, wchar_t *, StackEntry **top, void *) {
    std::wstring folder = pop(top);
    std::wstring recorded = pop(top);
    std::wstring path;
    const wchar_t *answer = L"ok";
    std::wstring earlier;
    if (!folder_rules_accept(folder, false, path))
        answer = L"refused";
    // An earlier installation that still exists stays the one folder: a second
    // would be orphaned by the registry value that names only the new one.
    else if (folder_rules_accept(recorded, false, earlier) && GetFileAttributesW(removal_long_path(earlier).c_str()) !=
                                                                  INVALID_FILE_ATTRIBUTES &&
             !removal_same_directory(earlier, path))
        answer = L"elsewhere";
    push(top, string_size, path.empty() ? folder : path);
    push(top, string_size, answer);
}

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
