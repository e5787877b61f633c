// Registry reads and deletions, each key opened with KEY_ALL_ACCESS.
#include "uninstall/registry.h"

#include <cstring>
#include <string>

namespace {

HKEY root_handle(RootKey root) {
    switch (root) {
    case RootKey::classes_root: return HKEY_CLASSES_ROOT;
    case RootKey::current_user: return HKEY_CURRENT_USER;
    case RootKey::local_machine: return HKEY_LOCAL_MACHINE;
    case RootKey::users: return HKEY_USERS;
    case RootKey::current_config: return HKEY_CURRENT_CONFIG;
    }
    return HKEY_LOCAL_MACHINE;
}

SystemRecord *open_key(RootKey root, const std::string &key, HKEY &handle) {
    LONG result = RegOpenKeyExA(root_handle(root), key.c_str(), 0, KEY_ALL_ACCESS, &handle);
    if (result != ERROR_SUCCESS) return system_record("RegOpenKey", static_cast<DWORD>(result), key.c_str());
    return nullptr;
}

SystemRecord *close_key(HKEY handle, SystemRecord *failure) {
    LONG result = RegCloseKey(handle);
    if (result != ERROR_SUCCESS && failure == nullptr) return system_record("RegCloseKey", static_cast<DWORD>(result), nullptr);
    return failure;
}

} // namespace

bool registry_read_default(const char *item, char (&text)[kPathCapacity], bool &expandable) {
    text[0] = '\0';
    expandable = false;
    RegistryItem parsed{};
    if (!registry_item_parse(item, parsed)) return false;
    HKEY key = nullptr;
    if (open_key(parsed.root, parsed.key, key) != nullptr) return false;
    DWORD type = 0;
    DWORD size = sizeof text;
    LONG result = RegQueryValueExA(key, nullptr, nullptr, &type, reinterpret_cast<BYTE *>(text), &size);
    if (result != ERROR_SUCCESS) system_record("RegQueryValueEx", static_cast<DWORD>(result), parsed.key.c_str());
    close_key(key, nullptr);
    // A stored string need not end in a terminator; one that fills the buffer without it does not fit.
    bool string_type = type == REG_SZ || type == REG_EXPAND_SZ;
    if (result != ERROR_SUCCESS || !string_type || size == 0 || (size == sizeof text && text[size - 1] != '\0')) {
        text[0] = '\0';
        return false;
    }
    text[size < sizeof text ? size : sizeof text - 1] = '\0';
    expandable = type == REG_EXPAND_SZ;
    return text[0] != '\0';
}

SystemRecord *registry_item_delete(const char *item) {
    RegistryItem parsed{};
    if (!registry_item_parse(item, parsed)) return nullptr;
    HKEY key = nullptr;
    if (parsed.names_key) {
        std::size_t cut = parsed.key.rfind('\\');
        std::string parent = cut == std::string::npos ? std::string() : parsed.key.substr(0, cut);
        std::string name = cut == std::string::npos ? parsed.key : parsed.key.substr(cut + 1);
        if (SystemRecord *failure = open_key(parsed.root, parent, key)) return failure;
        LONG result = RegDeleteKeyA(key, name.c_str());
        SystemRecord *failure =
            result == ERROR_SUCCESS ? nullptr : system_record("RegDeleteKey", static_cast<DWORD>(result), item);
        return close_key(key, failure);
    }
    if (SystemRecord *failure = open_key(parsed.root, parsed.key, key)) return failure;
    LONG result = RegDeleteValueA(key, parsed.value.c_str());
    SystemRecord *failure =
        result == ERROR_SUCCESS ? nullptr : system_record("RegDeleteValue", static_cast<DWORD>(result), item);
    return close_key(key, failure);
}
