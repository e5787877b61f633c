// The installation path check and the registry item parser on arbitrary text:
// the recorded path comes from the registry, which anything may have written.
#include "uninstall/removal.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    std::string_view text(reinterpret_cast<const char *>(data), size);
    std::size_t split = text.find('\n');
    std::string_view path = text.substr(0, split);
    std::string_view windows = split == std::string_view::npos ? "C:\\Windows" : text.substr(split + 1);
    bool usable = removal_installation_path_usable(path, windows);
    // A usable path is never a root nor the Windows directory itself.
    if (usable && (path.size() <= 3 || path == windows)) __builtin_trap();
    RegistryItem item{};
    registry_item_parse(text, item);
    return 0;
}
