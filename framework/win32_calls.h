// Win32 calls that turn a failure into the system ErrorRecord naming the call.
#pragma once

#include "framework/error.h"
#include "platform/win32.h"

ErrorRecord *call_close_handle(HANDLE handle);
ErrorRecord *call_set_file_pointer(HANDLE handle, std::int32_t offset, DWORD *result);
ErrorRecord *call_read_file(HANDLE handle, void *buffer, DWORD count, DWORD *read_count);
ErrorRecord *call_write_file(HANDLE handle, const void *buffer, DWORD count, DWORD *written);
ErrorRecord *call_get_file_attributes(const char *path, DWORD *attributes);
ErrorRecord *call_create_file(const char *path, DWORD access, DWORD share, DWORD disposition,
                              DWORD attributes, HANDLE *handle);
ErrorRecord *call_find_resource(HMODULE module, const char *name, const char *type, HRSRC *resource);
ErrorRecord *call_load_resource(HMODULE module, HRSRC resource, HGLOBAL *data);
ErrorRecord *call_lock_resource(HGLOBAL data, void **bytes);
ErrorRecord *call_sizeof_resource(HMODULE module, HRSRC resource, DWORD *size);
ErrorRecord *call_find_first_file(const char *path, WIN32_FIND_DATAA *data, HANDLE *search);
ErrorRecord *call_find_close(HANDLE search);
