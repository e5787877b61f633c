// The removal run, and the two ends of the deletion pass copy.
#include "uninstall/run.h"

#include "uninstall/folder_rules.h"
#include "uninstall/registry.h"

#include <sddl.h>
#include <tlhelp32.h>

#include <cstdio>
#include <cstring>
#include <random>
#include <vector>

namespace {

// How long the copy waits for the first run to end: it ends at once after
// starting the copy, unless the system is very busy.
constexpr DWORD kFirstRunWait = 60000;

// Administrators and the system alone: nothing unelevated can plant a
// library beside the copy or touch the copy while it runs.
constexpr const wchar_t *kCopyDirectorySecurity = L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";

// The id of the process that started this one, or 0.
DWORD parent_process_id() {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return 0;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    DWORD own = GetCurrentProcessId();
    DWORD parent = 0;
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry))
        if (entry.th32ProcessID == own) parent = entry.th32ParentProcessID;
    CloseHandle(snapshot);
    return parent;
}

ULONGLONG creation_time(HANDLE process) {
    FILETIME created{}, ended{}, kernel{}, user{};
    if (!GetProcessTimes(process, &created, &ended, &kernel, &user)) return ~0ULL;
    return (static_cast<ULONGLONG>(created.dwHighDateTime) << 32) | created.dwLowDateTime;
}

} // namespace

RemovalResult removal_run(RemovalState &removal) {
    std::wstring value;
    bool expandable = false;
    RemovalResult result = RemovalResult::complete;
    if (registry_read_default(kInstallationKeyItem, value, expandable)) {
        std::wstring directory;
        if (!folder_rules_accept(value, expandable, directory)) return RemovalResult::incomplete;
        result = removal_delete_tree(removal, directory, L"*.*");
        if (result == RemovalResult::incomplete) return result;
    }
    for (const char *item : kRegistryItems) registry_item_delete(item);
    registry_key_delete_if_empty(kVendorKeyItem);
    return result;
}

int removal_exit_code(RemovalResult result) {
    switch (result) {
    case RemovalResult::complete: return 0;
    case RemovalResult::at_restart: return ERROR_SUCCESS_REBOOT_REQUIRED;
    case RemovalResult::incomplete: return ERROR_INSTALL_FAILURE;
    }
    return ERROR_INSTALL_FAILURE;
}

void deletion_copy_start(RemovalState &removal) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ConvertStringSecurityDescriptorToSecurityDescriptorW(kCopyDirectorySecurity, SDDL_REVISION_1, &descriptor, nullptr);
    SECURITY_ATTRIBUTES directory_security{sizeof(SECURITY_ATTRIBUTES), descriptor, FALSE};
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    DeletionCopy copy;
    bool made = removal_copy_prepare(removal, &inherit, descriptor != nullptr ? &directory_security : nullptr, copy);
    if (descriptor != nullptr) LocalFree(descriptor);
    if (!made) return;
    std::wstring line = removal_copy_command(copy.path, removal.deferred);
    wchar_t system[MAX_PATH];
    UINT length = GetSystemDirectoryW(system, MAX_PATH);
    // The copy finds the handles of its file and directory as its standard input and output.
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = copy.file;
    startup.hStdOutput = copy.directory;
    PROCESS_INFORMATION process{};
    if (CreateProcessW(copy.path.c_str(), line.data(), nullptr, nullptr, TRUE, NORMAL_PRIORITY_CLASS, nullptr,
                       length > 0 && length < MAX_PATH ? system : nullptr, &startup, &process)) {
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    removal_copy_close(copy);
}

void first_run_wait() {
    DWORD parent = parent_process_id();
    if (parent == 0) return;
    HANDLE first = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, parent);
    if (first == nullptr) return; // it has ended already
    // An id given again to a process started after this one is not the first run.
    if (creation_time(first) <= creation_time(GetCurrentProcess())) WaitForSingleObject(first, kFirstRunWait);
    CloseHandle(first);
}

void deletion_copy_leave_directory() {
    HANDLE file = GetStdHandle(STD_INPUT_HANDLE);
    wchar_t own[MAX_PATH];
    DWORD length = GetModuleFileNameW(nullptr, own, MAX_PATH);
    if (file == nullptr || file == INVALID_HANDLE_VALUE || length == 0 || length >= MAX_PATH) return;
    // Only this program's own file is moved, whatever the starter handed over.
    HANDLE probe = CreateFileW(own, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, 0, nullptr);
    if (probe == INVALID_HANDLE_VALUE) return;
    BY_HANDLE_FILE_INFORMATION mine{}, given{};
    bool same = GetFileInformationByHandle(probe, &mine) && GetFileInformationByHandle(file, &given) &&
                mine.dwVolumeSerialNumber == given.dwVolumeSerialNumber && mine.nFileIndexHigh == given.nFileIndexHigh &&
                mine.nFileIndexLow == given.nFileIndexLow;
    CloseHandle(probe);
    wchar_t temporary[MAX_PATH];
    DWORD temporary_length = GetTempPathW(MAX_PATH, temporary);
    if (!same || temporary_length == 0 || temporary_length >= MAX_PATH - 40) return;
    std::random_device random;
    wchar_t name[MAX_PATH];
    std::swprintf(name, MAX_PATH, L"%lsuninstallkv-%08x%08x.exe", temporary, random(), random());
    std::size_t name_bytes = std::wcslen(name) * sizeof(wchar_t);
    std::vector<BYTE> buffer(sizeof(FILE_RENAME_INFO) + name_bytes);
    auto *rename = reinterpret_cast<FILE_RENAME_INFO *>(buffer.data());
    rename->ReplaceIfExists = FALSE;
    rename->RootDirectory = nullptr;
    rename->FileNameLength = static_cast<DWORD>(name_bytes);
    std::memcpy(rename->FileName, name, name_bytes);
    SetFileInformationByHandle(file, FileRenameInfo, rename, static_cast<DWORD>(buffer.size()));
}
