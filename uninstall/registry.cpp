// Registry reads and deletions, each key opened with KEY_ALL_ACCESS.
#include "uninstall/registry.h"

#include <string>

namespace {

// The item names are ASCII constants of the program.
std::wstring widen_ascii(const std::string &text) { return std::wstring(text.begin(), text.end()); }

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
    LONG result = RegOpenKeyExW(root_handle(root), widen_ascii(key).c_str(), 0, KEY_ALL_ACCESS, &handle);
    if (result != ERROR_SUCCESS) return system_record("RegOpenKey", static_cast<DWORD>(result), key.c_str());
    return nullptr;
}

SystemRecord *close_key(HKEY handle, SystemRecord *failure) {
    LONG result = RegCloseKey(handle);
    if (result != ERROR_SUCCESS && failure == nullptr) return system_record("RegCloseKey", static_cast<DWORD>(result), nullptr);
    return failure;
}

// Opens the parent of a key item and names the key below it.
SystemRecord *open_parent(const RegistryItem &parsed, HKEY &key, std::wstring &name) {
    std::size_t cut = parsed.key.rfind('\\');
    std::string parent = cut == std::string::npos ? std::string() : parsed.key.substr(0, cut);
    name = widen_ascii(cut == std::string::npos ? parsed.key : parsed.key.substr(cut + 1));
    return open_key(parsed.root, parent, key);
}

} // namespace

bool registry_read_default(const char *item, std::wstring &text, bool &expandable) {
    text.clear();
    expandable = false;
    RegistryItem parsed{};
    if (!registry_item_parse(item, parsed)) return false;
    HKEY key = nullptr;
    if (open_key(parsed.root, parsed.key, key) != nullptr) return false;
    DWORD type = 0;
    DWORD size = 0;
    LONG result = RegQueryValueExW(key, nullptr, nullptr, &type, nullptr, &size);
    // A value the size of a long path at most; its bytes are read into a buffer
    // one character longer, since a stored string need not end in a terminator.
    if (result == ERROR_SUCCESS && (type == REG_SZ || type == REG_EXPAND_SZ) && size > 0 && size <= 65536) {
        text.assign(size / sizeof(wchar_t) + 1, L'\0');
        DWORD read = size;
        result = RegQueryValueExW(key, nullptr, nullptr, &type, reinterpret_cast<BYTE *>(text.data()), &read);
        text.resize(result == ERROR_SUCCESS && read <= size ? read / sizeof(wchar_t) : 0);
        while (!text.empty() && text.back() == L'\0') text.pop_back();
    }
    if (result != ERROR_SUCCESS) system_record("RegQueryValueEx", static_cast<DWORD>(result), parsed.key.c_str());
    close_key(key, nullptr);
    // A string with a terminator inside is no path.
    if (text.find(L'\0') != std::wstring::npos) text.clear();
    expandable = type == REG_EXPAND_SZ;
    return !text.empty();
}

SystemRecord *registry_item_delete(const char *item) {
    RegistryItem parsed{};
    if (!registry_item_parse(item, parsed)) return nullptr;
    HKEY key = nullptr;
    if (parsed.names_key) {
        std::wstring name;
        if (SystemRecord *failure = open_parent(parsed, key, name)) return failure;
        LONG result = RegDeleteKeyW(key, name.c_str());
        SystemRecord *failure =
            result == ERROR_SUCCESS ? nullptr : system_record("RegDeleteKey", static_cast<DWORD>(result), item);
        return close_key(key, failure);
    }
    if (SystemRecord *failure = open_key(parsed.root, parsed.key, key)) return failure;
    LONG result = RegDeleteValueW(key, widen_ascii(parsed.value).c_str());
    SystemRecord *failure =
        result == ERROR_SUCCESS ? nullptr : system_record("RegDeleteValue", static_cast<DWORD>(result), item);
    return close_key(key, failure);
}

SystemRecord *registry_key_delete_if_empty(const char *item) {
    RegistryItem parsed{};
    if (!registry_item_parse(item, parsed) || !parsed.names_key) return nullptr;
    HKEY key = nullptr;
    if (SystemRecord *failure = open_key(parsed.root, parsed.key, key)) return failure;
    DWORD keys = 0;
    DWORD values = 0;
    LONG result = RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &keys, nullptr, nullptr, &values, nullptr, nullptr,
                                   nullptr, nullptr);
    SystemRecord *failure = close_key(key, nullptr);
    if (result != ERROR_SUCCESS) return system_record("RegQueryInfoKey", static_cast<DWORD>(result), item);
    if (failure != nullptr || keys != 0 || values != 0) return failure;
    return registry_item_delete(item);
}
