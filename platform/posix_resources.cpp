// FindResourceA and friends over the tables generated at build time.
#include "platform/embedded_resources.h"
#include "platform/win32.h"

#include <cstdint>
#include <strings.h>

namespace {

const platform::ResourceRegistration *registrations = nullptr; // constant-initialised

bool is_integer_id(const char *name) { return reinterpret_cast<std::uintptr_t>(name) < 0x10000; }

} // namespace

namespace platform {

ResourceRegistration::ResourceRegistration(const EmbeddedResource &r) : resource(&r), next(registrations) {
    registrations = this;
}

const ResourceRegistration *first_resource_registration() { return registrations; }

} // namespace platform

HRSRC FindResourceA(HMODULE, LPCSTR name, LPCSTR type) {
    if (name == nullptr || type == nullptr || is_integer_id(name) || is_integer_id(type)) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    bool type_seen = false;
    for (auto *r = registrations; r != nullptr; r = r->next) {
        if (strcasecmp(r->resource->type, type) != 0) continue;
        type_seen = true;
        if (strcasecmp(r->resource->name, name) == 0) return r->resource;
    }
    SetLastError(type_seen ? ERROR_RESOURCE_NAME_NOT_FOUND : ERROR_RESOURCE_TYPE_NOT_FOUND);
    return nullptr;
}

HGLOBAL LoadResource(HMODULE, HRSRC resource) {
    if (resource == nullptr) SetLastError(ERROR_INVALID_HANDLE);
    return resource;
}

LPVOID LockResource(HGLOBAL data) {
    if (data == nullptr) return nullptr;
    // Callers only read; the Win32 signature is not const.
    return const_cast<unsigned char *>(static_cast<const platform::EmbeddedResource *>(data)->bytes);
}

DWORD SizeofResource(HMODULE, HRSRC resource) {
    if (resource == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    return static_cast<DWORD>(static_cast<const platform::EmbeddedResource *>(resource)->size);
}
