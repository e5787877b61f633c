// Win32 calls that report their failures as system error records.
#include "framework/win32_calls.h"

ErrorRecord *call_close_handle(HANDLE handle) {
    if (CloseHandle(handle) == 0) return system_error("CloseHandle", nullptr);
    return nullptr;
}

ErrorRecord *call_set_file_pointer(HANDLE handle, std::int32_t offset, DWORD *result) {
    *result = SetFilePointer(handle, offset, nullptr, FILE_BEGIN);
    if (*result == INVALID_SET_FILE_POINTER) return system_error("SetFilePointer", "%s", "");
    return nullptr;
}

ErrorRecord *call_read_file(HANDLE handle, void *buffer, DWORD count, DWORD *read_count) {
    *read_count = 0;
    if (ReadFile(handle, buffer, count, read_count, nullptr) == 0) return system_error("ReadFile", nullptr);
    return nullptr;
}

ErrorRecord *call_write_file(HANDLE handle, const void *buffer, DWORD count, DWORD *written) {
    *written = 0;
    if (WriteFile(handle, buffer, count, written, nullptr) == 0) return system_error("WriteFile", nullptr);
    return nullptr;
}

ErrorRecord *call_get_file_attributes(const char *path, DWORD *attributes) {
    *attributes = GetFileAttributesA(path);
    if (*attributes == INVALID_FILE_ATTRIBUTES) return system_error("GetFileAttributes", "%s", path);
    return nullptr;
}

ErrorRecord *call_create_file(const char *path, DWORD access, DWORD share, DWORD disposition, DWORD attributes,
                              HANDLE *handle) {
    *handle = CreateFileA(path, access, share, nullptr, disposition, attributes, nullptr);
    if (*handle == INVALID_HANDLE_VALUE) return system_error("CreateFile", "%s", path);
    return nullptr;
}

ErrorRecord *call_find_resource(HMODULE module, const char *name, const char *type, HRSRC *resource) {
    *resource = FindResourceA(module, name, type);
    if (*resource == nullptr) return system_error_always("FindResource", "(%s)", name);
    return nullptr;
}

ErrorRecord *call_load_resource(HMODULE module, HRSRC resource, HGLOBAL *data) {
    *data = LoadResource(module, resource);
    if (*data == nullptr) return system_error("LoadResource", nullptr);
    return nullptr;
}

ErrorRecord *call_lock_resource(HGLOBAL data, void **bytes) {
    *bytes = LockResource(data);
    return nullptr;
}

ErrorRecord *call_sizeof_resource(HMODULE module, HRSRC resource, DWORD *size) {
    *size = SizeofResource(module, resource);
    if (*size == 0) return system_error("SizeofResource", nullptr);
    return nullptr;
}

ErrorRecord *call_find_first_file(const char *path, WIN32_FIND_DATAA *data, HANDLE *search) {
    *search = FindFirstFileA(path, data);
    if (*search == INVALID_HANDLE_VALUE) return system_error("FindFirstFile", "%s", path);
    return nullptr;
}

ErrorRecord *call_find_close(HANDLE search) {
    if (FindClose(search) == 0) return system_error("FindClose", nullptr);
    return nullptr;
}
