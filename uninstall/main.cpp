// uninstallkv: the wizard, with "/S" the removal without pages, or with "-u"
// the deletion pass of its temporary copy.
#include "uninstall/removal.h"
#include "uninstall/run.h"
#include "uninstall/wizard.h"

#include <shellapi.h>

#include <string>
#include <vector>

namespace {

// Before anything else: libraries come from the system directory alone, never
// from beside the program (the copy runs from the temporary directory), and
// the current directory is the system's, so that no directory the program
// may delete is held open as its current directory.
void harden() {
    using SetDirectories = BOOL(WINAPI *)(DWORD);
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    auto set_directories = kernel != nullptr ? reinterpret_cast<SetDirectories>(reinterpret_cast<void (*)()>(
                                                   GetProcAddress(kernel, "SetDefaultDllDirectories")))
                                             : nullptr;
    if (set_directories == nullptr || !set_directories(LOAD_LIBRARY_SEARCH_SYSTEM32)) SetDllDirectoryW(L"");
    wchar_t system[MAX_PATH];
    UINT length = GetSystemDirectoryW(system, MAX_PATH);
    if (length > 0 && length < MAX_PATH) SetCurrentDirectoryW(system);
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
    harden();
    int count = 0;
    LPWSTR *arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    // "-u" alone still runs the pass (with nothing to remove): it never opens the wizard.
    if (arguments != nullptr && count >= 2 && lstrcmpiW(arguments[1], L"-u") == 0) {
        first_run_wait();
        removal_deletion_pass(std::vector<std::wstring>(arguments + 2, arguments + count));
        deletion_copy_leave_directory();
        return 0;
    }
    if (arguments != nullptr && count == 2 && lstrcmpiW(arguments[1], L"/S") == 0) silent_main();
    wizard_main(instance, show);
}
