// The installation path and the registry item parser on arbitrary text: the
// recorded path comes from the registry, which anything may have written.
// The first byte chooses a REG_EXPAND_SZ value; the rest is the value.
#include "uninstall/removal.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace {

// What every accepted path is: "X:\" and plain names joined by single backslashes.
bool well_formed(std::string_view path) {
    if (path.size() <= 3 || path.size() >= kPathCapacity || path[0] < 'A' || path[0] > 'Z' || path.substr(1, 2) != ":\\")
        return false;
    std::string_view parts = path.substr(3);
    for (;;) {
        std::size_t cut = parts.find('\\');
        std::string_view part = parts.substr(0, cut);
        if (part.empty() || part.back() == '.' || part.back() == ' ' ||
            part.find_first_of("/:*?\"<>|") != std::string_view::npos)
            return false;
        for (char c : part)
            if (static_cast<unsigned char>(c) < 0x20) return false;
        if (cut == std::string_view::npos) return true;
        parts = parts.substr(cut + 1);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    if (size == 0) return 0;
    std::string_view value(reinterpret_cast<const char *>(data + 1), size - 1);
    ProtectedDirectories protect;
    protect.known = true;
    char path[kPathCapacity];
    if (removal_installation_path(value, (data[0] & 1) != 0, protect, path)) {
        std::string_view accepted(path);
        if (!well_formed(accepted)) __builtin_trap();
        // The accepted path reads back as itself.
        char again[kPathCapacity];
        if (!removal_installation_path(accepted, false, protect, again) || accepted != again) __builtin_trap();
    }
    RegistryItem item{};
    registry_item_parse(value, item);
    return 0;
}
