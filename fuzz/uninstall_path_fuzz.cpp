// The installation path and the registry item parser on arbitrary text: the
// recorded path comes from the registry, which anything may have written.
// The first byte chooses a REG_EXPAND_SZ value; the rest is the value, read
// as UTF-8 into the wide text the registry gives.
#include "uninstall/removal.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

// What every accepted path is: "X:\" and plain names joined by single backslashes.
bool well_formed(std::wstring_view path) {
    if (path.size() <= 3 || path.size() >= 32767 || path[0] < 'A' || path[0] > 'Z' || path.substr(1, 2) != L":\\")
        return false;
    std::wstring_view parts = path.substr(3);
    for (;;) {
        std::size_t cut = parts.find(L'\\');
        std::wstring_view part = parts.substr(0, cut);
        if (part.empty() || part.back() == L'.' || part.back() == L' ' ||
            part.find_first_of(L"/:*?\"<>|") != std::wstring_view::npos)
            return false;
        for (wchar_t c : part)
            if (c < 0x20) return false;
        if (cut == std::wstring_view::npos) return true;
        parts = parts.substr(cut + 1);
    }
}

} // namespace

namespace {

int gEmptyDirectory = -1, gStartDirectory = -1;

} // namespace

// The path checks open what they are given to learn its identity; from an
// empty working directory a relative spelling finds nothing quickly, instead
// of reading the directory of whoever started the fuzzer on every run. The
// fuzzer's own files keep the directory it was started in.
extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    char directory[] = "/dev/shm/uninstall-fuzz-XXXXXX";
    char fallback[] = "/tmp/uninstall-fuzz-XXXXXX";
    const char *made = mkdtemp(directory);
    if (made == nullptr) made = mkdtemp(fallback);
    if (made == nullptr) std::abort();
    gEmptyDirectory = open(made, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    gStartDirectory = open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (gEmptyDirectory < 0 || gStartDirectory < 0) std::abort();
    static std::string empty = made;
    std::atexit([] { std::remove(empty.c_str()); });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    if (size == 0) return 0;
    if (fchdir(gEmptyDirectory) != 0) std::abort();
    std::string_view value(reinterpret_cast<const char *>(data + 1), size - 1);
    std::wstring wide(value.size(), L'\0');
    int length = value.empty() ? 0
                               : MultiByteToWideChar(CP_ACP, 0, value.data(), static_cast<int>(value.size()),
                                                     wide.data(), static_cast<int>(wide.size()));
    wide.resize(length > 0 ? static_cast<std::size_t>(length) : 0);
    ProtectedDirectories protect;
    protect.known = true;
    std::wstring path;
    if (removal_installation_path(wide, (data[0] & 1) != 0, protect, path)) {
        if (!well_formed(path)) __builtin_trap();
        // The accepted path reads back as itself.
        std::wstring again;
        if (!removal_installation_path(path, false, protect, again) || path != again) __builtin_trap();
    }
    RegistryItem item{};
    registry_item_parse(value, item);
    if (fchdir(gStartDirectory) != 0) std::abort();
    return 0;
}
